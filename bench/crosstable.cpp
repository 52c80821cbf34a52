// Crosstables of two events stored in a header-set database: an open of 4,500 players
// and 16,000 games, and a double round robin of 100 players. Each iteration reads the
// headers of the event's games (the part the table cannot avoid) and, separately,
// builds, classifies and writes the table as text, which reads the same headers
// again; the counter "x headers" is the table's time over the headers' time minus one,
// the share the table adds to reading. The goal is below 1. Both are thread CPU times.
//
// Build with the release preset and run build/release/bin/crosstable_bench.
#include <benchmark/benchmark.h>

#include <ctime>
#include <filesystem>
#include <string>

#include "core/services.h"
#include "database/game/game_header.h"
#include "database/game/game_item.h"
#include "database/headerset/tqg_database.h"
#include "tournament/crosstable_builder.h"

namespace zh {
namespace {

namespace fs = std::filesystem;
// Thread CPU time: on a busy machine wall time measures the neighbours too.
double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

std::string PlayerName(int i) {
  return "Player" + std::to_string(i) + ", Test";
}

void AddGame(TqgDatabase& db, const std::string& title, int white, int black, int result, int round) {
  TQGame game;
  game.header.record = HeaderRecord::Game();
  game.header.Clear();
  game.header.white = TQPlayer::FromText(PlayerName(white));
  game.header.black = TQPlayer::FromText(PlayerName(black));
  game.header.SetResult(result);
  game.header.SetRound(round);
  game.header.SetWhiteElo(2000 + white % 500);
  game.header.SetBlackElo(2000 + black % 500);
  game.header.tournament.SetTitle(title);
  game.header.SetDate(2024u << 9);
  game.SetStandardStart();
  if (db.AppendGame(game) != kDbDone) std::abort();
}

// The event in games 1..n of its own database, made once.
TqgDatabase& OpenEvent(bool open) {
  static const fs::path folder = [] {
    const fs::path d = fs::temp_directory_path() / "zh-crosstable-bench";
    fs::remove_all(d);
    fs::create_directories(d);
    return d;
  }();
  static TqgDatabase* databases[2] = {};
  TqgDatabase*& db = databases[open ? 1 : 0];
  if (db) return *db;
  db = new TqgDatabase((folder / (open ? "open" : "robin")).string(), true);
  if (open) {
    // 4,500 players, 16,000 games over 8 rounds: 2,000 boards a round.
    for (int round = 1; round <= 8; ++round)
      for (int board = 0; board < 2000; ++board) {
        const int white = (board * 2 + round * 37) % 4500, black = (board * 2 + 1 + round * 53) % 4500;
        AddGame(*db, "Big Open", white, black == white ? (black + 1) % 4500 : black, (board + round) % 3, round);
      }
  } else {
    int round = 0;
    for (int cycle = 0; cycle < 2; ++cycle)
      for (int i = 0; i < 100; ++i)
        for (int j = i + 1; j < 100; ++j)
          AddGame(*db, "Double Robin", cycle ? j : i, cycle ? i : j, (i + j) % 3, ++round % 100 + 1);
  }
  return *db;
}

void Crosstable(benchmark::State& state, bool open) {
  TqgDatabase& db = OpenEvent(open);
  const int count = db.GetCount();
  double headerSeconds = 0, tableSeconds = 0;
  for (auto _ : state) {
    const double start = CpuSeconds();
    for (int n = 1; n <= count; ++n) {
      GameHeader header;
      db.ReadHeader(n, header);
      benchmark::DoNotOptimize(header);
    }
    const double read = CpuSeconds();
    CrosstableBuilder builder(db, GameNumberRange::FromRange(1, count), kStrictRoundRobin);
    if (!builder.Kind()) std::abort();
    benchmark::DoNotOptimize(builder.Kind()->WriteTextTable(false));
    const double done = CpuSeconds();
    headerSeconds += read - start;
    tableSeconds += done - read;
  }
  state.counters["games"] = count;
  state.counters["headers ms"] = 1000 * headerSeconds / static_cast<double>(state.iterations());
  state.counters["table ms"] = 1000 * tableSeconds / static_cast<double>(state.iterations());
  state.counters["x headers"] = headerSeconds > 0 ? tableSeconds / headerSeconds - 1 : 0;
}

BENCHMARK_CAPTURE(Crosstable, Open4500, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Crosstable, DoubleRoundRobin100, false)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zh

BENCHMARK_MAIN();

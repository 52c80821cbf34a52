// Importing PGN: 100,000 generated games of about 80 plies (comments, glyphs,
// variations, set-ups) copied from a PGN database into a new header-set database,
// beside pgn-extract parsing the same file, in one run on one core. Both report games
// per second; the import should not be slower. Reading the PGN file alone is measured
// as well, to tell the reader's share from the header set's.
//
// Build with the release preset and run build/release/bin/pgn_import_bench.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "database/game/game_item.h"
#include "database/pgn/pgn_database.h"
#include "database/pgn/pgn_file.h"
#include "database/headerset/tqg_database.h"
#include "support/pgn_corpus.h"

namespace zh {
namespace {

constexpr int kGames = 100000;
constexpr int kPlies = 80;

std::filesystem::path Folder() {
  static const auto dir = [] {
    auto d = std::filesystem::temp_directory_path() / "zh-pgn-import-bench";
    std::filesystem::remove_all(d);
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

// Without null moves, which pgn-extract refuses unless told otherwise.
const std::string& CorpusBase() {
  static const std::string base = [] {
    const std::string b = (Folder() / "games").string();
    const std::string coordinates = (Folder() / "coordinates.pgn").string();
    if (!test::WritePgnCorpus(ZH_PGN_EXTRACT, coordinates, b + ".pgn", kGames, 2024, false, true,
                              kPlies))
      std::abort();
    std::filesystem::remove(coordinates);
    return b;
  }();
  return base;
}

void SetRate(benchmark::State& state, int64_t games) {
  state.counters["games/s"] =
      benchmark::Counter(static_cast<double>(games), benchmark::Counter::kIsRate);
}

void ImportIntoHeaderSet(benchmark::State& state) {
  const std::string& base = CorpusBase();
  const std::string target = (Folder() / "imported").string();
  int64_t games = 0;
  for (auto _ : state) {
    PgnDatabase source(base, false, false);
    TqgDatabase set(target, true);
    int last = source.GetCount();
    CopyOptions options;
    if (source.ErrorState() != 0 || set.ErrorState() != 0 ||
        set.CopyGameRange(source, 1, last, options) != kDbDone || set.GetCount() != kGames)
      std::abort();
    games += kGames;
  }
  SetRate(state, games);
}
BENCHMARK(ImportIntoHeaderSet)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void ReadPgnOnly(benchmark::State& state) {
  const std::string path = CorpusBase() + ".pgn";
  int64_t games = 0;
  for (auto _ : state) {
    FilePgn file(path, false);
    for (int64_t k = 1; k <= file.GameCount(); ++k) {
      TQGame game;
      if (file.ReadGame(k, game) != 0) std::abort();
      benchmark::DoNotOptimize(game.body.mainLine.Count());
    }
    games += file.GameCount();
  }
  SetRate(state, games);
}
BENCHMARK(ReadPgnOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void PgnExtract(benchmark::State& state) {
  const std::string command = std::string(ZH_PGN_EXTRACT) + " -s --quiet -o /dev/null " +
                              CorpusBase() + ".pgn 2>/dev/null";
  int64_t games = 0;
  for (auto _ : state) {
    if (std::system(command.c_str()) == -1) std::abort();
    games += kGames;
  }
  SetRate(state, games);
}
BENCHMARK(PgnExtract)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace zh

BENCHMARK_MAIN();

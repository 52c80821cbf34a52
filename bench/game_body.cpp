// Reading game bodies for a search: the main lines of 100,000 generated games of about
// 80 plies, decoded from a game file into a counting trace, next to pgn-extract
// checking the same games as PGN (`pgn-extract -s -o /dev/null`). Both report plies
// per second on one core; the decoder should reach at least four times pgn-extract's
// (the counter decoder/pgn-extract of the second run).
//
// Build with the release preset and run, on one core,
// taskset -c 0 build/release/bin/game_body_bench.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/rules/movelist.h"
#include "database/storage/game_file.h"
#include "database/game/game_item.h"
#include "database/search_mask.h"

namespace zh {
namespace {

constexpr int kGames = 100'000;
constexpr int kPlies = 80;
constexpr char kPgnExtract[] = "/usr/games/pgn-extract";

struct Corpus {
  std::filesystem::path folder;
  std::vector<HeaderRecord> headers;
  int64_t plies = 0;
};

std::string Coordinates(const GameMove& m) {
  std::string t = SquareName(m.from) + SquareName(m.to);
  if (m.promotion) t += "?kqnbrp"[m.promotion & 7];
  return t;
}

// The games in a game file and as PGN in SAN (pgn-extract converts the coordinate
// moves once).
const Corpus& Games() {
  static const Corpus corpus = [] {
    Corpus c;
    c.folder = std::filesystem::temp_directory_path() / ("zh-game-body-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(c.folder);
    std::atexit([] { std::filesystem::remove_all(Games().folder); });
    FileTqg file((c.folder / "games").string(), "tqg", true);
    std::ofstream pgn(c.folder / "coordinates.pgn");
    std::mt19937 rng(20261210);
    for (int g = 0; g < kGames; ++g) {
      TQGame game;
      game.header.record = HeaderRecord::Game();
      Position p;
      pgn << "[Event \"?\"]\n[Site \"?\"]\n[Date \"?\"]\n[Round \"?\"]\n[White \"?\"]\n[Black \"?\"]\n"
             "[Result \"*\"]\n\n";
      for (int ply = 0; ply < kPlies; ++ply) {
        MoveList legal;
        if (legal.GenerateLegal(p) == 0) break;
        const MoveCode code = legal.At(static_cast<int>(rng() % static_cast<uint32_t>(legal.Count())));
        GameMove m = GameMove::FromSquares(code.from, code.to, (code.kind & kPromotion) ? code.promotion : 0);
        m.Complete(p);
        p.DoGameMove(m);
        game.body.mainLine.Append(m);
        pgn << Coordinates(m) << (ply % 10 == 9 ? '\n' : ' ');
      }
      pgn << "*\n\n";
      c.plies += game.body.mainLine.Count();
      if (file.AppendGame(game, nullptr) != 0) std::abort();
      c.headers.push_back(game.header.record);
    }
    pgn.close();
    const std::string convert = std::string(kPgnExtract) + " -s -o " + (c.folder / "san.pgn").string() + " " +
                                (c.folder / "coordinates.pgn").string() + " 2>/dev/null";
    if (std::system(convert.c_str()) != 0) std::abort();
    return c;
  }();
  return corpus;
}

struct CountingTrace final : TraceSink {
  void Start(const Board&) override {}
  void AppendMove(const GameMove& m, int) override { to += m.to; ++plies; }
  int64_t plies = 0;
  uint64_t to = 0;
};

// Plies per second of the decoder, for the ratio that the pgn-extract run reports.
double decodedPerSecond = 0;

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void DecodeMainLines(benchmark::State& state) {
  const Corpus& c = Games();
  FileTqg file((c.folder / "games").string(), "tqg", false);
  CountingTrace trace;
  TQGame game;  // one game object for the whole run, as a search loop keeps it
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    for (const HeaderRecord& h : c.headers) {
      game.header.record = h;
      if (file.ReadTrace(game, trace, kPlyLimit) != 0) std::abort();
    }
  }
  decodedPerSecond = static_cast<double>(trace.plies) / SecondsSince(start);
  if (trace.plies != c.plies * static_cast<int64_t>(state.iterations())) std::abort();
  benchmark::DoNotOptimize(trace.to);
  state.counters["plies/s"] =
      benchmark::Counter(static_cast<double>(trace.plies), benchmark::Counter::kIsRate);
}
BENCHMARK(DecodeMainLines)->Unit(benchmark::kMillisecond)->UseRealTime();

void PgnExtractChecks(benchmark::State& state) {
  const Corpus& c = Games();
  // Its warnings (results that do not fit a mate) go nowhere.
  const std::string command =
      std::string(kPgnExtract) + " -s -o /dev/null " + (c.folder / "san.pgn").string() + " 2>/dev/null";
  int64_t plies = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) std::abort();
    plies += c.plies;
  }
  const double perSecond = static_cast<double>(plies) / SecondsSince(start);
  state.counters["plies/s"] = benchmark::Counter(static_cast<double>(plies), benchmark::Counter::kIsRate);
  // The decoder's plies per second over pgn-extract's (at least 4 is the aim).
  if (decodedPerSecond > 0) state.counters["decoder/pgn-extract"] = decodedPerSecond / perSecond;
}
BENCHMARK(PgnExtractChecks)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace
}  // namespace zh

BENCHMARK_MAIN();

// The small search to depth 6 (the background depth) on 50 middlegame positions from
// seeded random games, next to the reference engine's "go depth 6" on the same
// positions (one thread each, same run): nodes/s of both and their ratio.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/search/mini_search.h"
#include "core/search/search_entry.h"
#include "support/random_games.h"
#include "support/test_fen.h"
#include "support/uci_engine.h"

namespace zh {
namespace {

using namespace std::chrono_literals;

constexpr int kDepth = 6;
constexpr size_t kPositions = 50;

struct Totals {
  uint64_t nodes = 0, engineNodes = 0;
  double seconds = 0, engineSeconds = 0;
} gTotals;

// Positions after 16 to 30 plies of the random games from the start position, and
// where a game is long enough, a second one 10 plies later.
const std::vector<Position>& Positions() {
  static const std::vector<Position> positions = [] {
    std::vector<Position> out;
    const test::PerftCase& start = test::PerftCases().front();
    const std::vector<std::vector<MoveCode>> games = test::RandomGames(start);
    for (size_t second = 0; second < 2 && out.size() < kPositions; ++second)
      for (size_t g = 0; g < games.size() && out.size() < kPositions; ++g) {
        const std::vector<MoveCode>& game = games[g];
        const size_t plies = 16 + g % 15 + 10 * second;
        if (game.size() <= plies + 10) continue;
        Position p = test::ParseFenForTest(start.fen);
        for (size_t i = 0; i < plies; ++i) p.MakeMoveSquares(game[i].from, game[i].to, game[i].promotion);
        out.push_back(p);
      }
    return out;
  }();
  return positions;
}

void BM_MiniSearch(benchmark::State& state) {
  MiniSearch search;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    uint64_t nodes = 0;
    for (const Position& p : Positions()) {
      MiniSearchResult result;
      search.Run(MakeMiniSearchInput(p), kDepth, result);
      nodes += search.Nodes();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
    gTotals.nodes += nodes;
    gTotals.seconds += seconds;
  }
  state.counters["positions"] = static_cast<double>(Positions().size());
  state.counters["nodes/s"] = gTotals.seconds > 0 ? gTotals.nodes / gTotals.seconds : 0;
}

// The engine's own "nodes" and "time" of its last info line per position.
void BM_EngineSearch(benchmark::State& state) {
  test::UciEngine engine;
  if (!engine.IsRunning()) {
    state.SkipWithError("reference engine not running");
    return;
  }
  engine.Send("setoption name Threads value 1");
  engine.Sync();
  for (auto _ : state) {
    double seconds = 0;
    for (const Position& p : Positions()) {
      engine.Send("ucinewgame");
      engine.SetPosition(test::FenForTest(p));
      engine.Send("go depth " + std::to_string(kDepth));
      const auto lines = engine.ReadUntil("bestmove", 60s);
      if (!lines) {
        state.SkipWithError("engine does not answer");
        return;
      }
      uint64_t nodes = 0, ms = 0;
      for (const std::string& l : *lines) {
        const size_t n = l.find(" nodes "), t = l.find(" time ");
        if (n != std::string::npos) nodes = std::stoull(l.substr(n + 7));
        if (t != std::string::npos) ms = std::stoull(l.substr(t + 6));
      }
      gTotals.engineNodes += nodes;
      seconds += static_cast<double>(ms) / 1000;
    }
    gTotals.engineSeconds += seconds;
    state.SetIterationTime(seconds > 0 ? seconds : 1e-9);
  }
  state.counters["nodes/s"] = gTotals.engineSeconds > 0 ? gTotals.engineNodes / gTotals.engineSeconds : 0;
}

void BM_Ratio(benchmark::State& state) {
  for (auto _ : state) state.SetIterationTime(1e-9);
  const double ours = gTotals.seconds > 0 ? gTotals.nodes / gTotals.seconds : 0;
  const double engine = gTotals.engineSeconds > 0 ? gTotals.engineNodes / gTotals.engineSeconds : 0;
  state.counters["nodes/s"] = ours;
  state.counters["engine nodes/s"] = engine;
  state.counters["ratio"] = engine > 0 ? ours / engine : 0;
}

BENCHMARK(BM_MiniSearch)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineSearch)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ratio)->UseManualTime()->Iterations(1);

}  // namespace
}  // namespace zh

BENCHMARK_MAIN();

// Perft speed of the move generator on the published positions, one ply deeper than
// the tests, next to the reference engine's "go perft" on the same positions and
// depths (single-threaded both; the last ply counted by the size of the move list).
//
// Build with the release preset and run build/release/bin/perft_bench.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "support/perft.h"
#include "support/test_fen.h"
#include "support/uci_engine.h"

namespace zh {
namespace {

struct Totals {
  uint64_t nodes = 0;
  double seconds = 0;
  uint64_t engineNodes = 0;
  double engineSeconds = 0;
};
Totals gTotals;

test::UciEngine& Engine() {
  static std::unique_ptr<test::UciEngine> engine = [] {
    auto e = std::make_unique<test::UciEngine>();
    if (e->IsRunning()) {
      e->Send("setoption name Threads value 1");
      e->Sync();
    }
    return e;
  }();
  return *engine;
}

int BenchDepth(const test::PerftCase& c) {
  return static_cast<int>(c.counts.size()) + 1;
}

void BM_Perft(benchmark::State& state, const test::PerftCase* c) {
  const Position p = test::ParseFenForTest(c->fen);
  const int depth = BenchDepth(*c);
  uint64_t nodes = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    nodes = test::Perft(p, depth);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
    gTotals.nodes += nodes;
    gTotals.seconds += seconds;
  }
  state.counters["nodes"] = static_cast<double>(nodes);
  state.counters["nodes/s"] = benchmark::Counter(static_cast<double>(nodes) * state.iterations(),
                                                 benchmark::Counter::kIsRate);
}

// The engine's time runs from sending the command to its "Nodes searched" line.
void BM_EnginePerft(benchmark::State& state, const test::PerftCase* c) {
  test::UciEngine& engine = Engine();
  if (!engine.IsRunning()) {
    state.SkipWithError("reference engine not running");
    return;
  }
  const int depth = BenchDepth(*c);
  uint64_t nodes = 0;
  for (auto _ : state) {
    engine.SetPosition(c->fen);
    if (!engine.Sync()) {
      state.SkipWithError("engine does not answer");
      return;
    }
    const auto result = engine.Perft(depth);
    if (!result) {
      state.SkipWithError("engine perft failed");
      return;
    }
    nodes = result->nodes;
    state.SetIterationTime(result->seconds);
    gTotals.engineNodes += nodes;
    gTotals.engineSeconds += result->seconds;
  }
  state.counters["nodes"] = static_cast<double>(nodes);
  state.counters["nodes/s"] = benchmark::Counter(static_cast<double>(nodes) * state.iterations(),
                                                 benchmark::Counter::kIsRate);
}

// Totals over everything run before it: our nodes/s, the engine's, and their ratio.
void BM_Total(benchmark::State& state) {
  // Its time is ours over all positions.
  for (auto _ : state) state.SetIterationTime(gTotals.seconds > 0 ? gTotals.seconds : 1e-9);
  const double ours = gTotals.seconds > 0 ? gTotals.nodes / gTotals.seconds : 0;
  const double engine = gTotals.engineSeconds > 0 ? gTotals.engineNodes / gTotals.engineSeconds : 0;
  state.counters["nodes/s"] = ours;
  state.counters["engine nodes/s"] = engine;
  state.counters["ratio"] = engine > 0 ? ours / engine : 0;
}

int RegisterAll() {
  for (const test::PerftCase& c : test::PerftCases()) {
    benchmark::RegisterBenchmark(("Perft/" + std::string(c.name)).c_str(), BM_Perft, &c)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("EnginePerft/" + std::string(c.name)).c_str(), BM_EnginePerft, &c)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("Total", BM_Total)
      ->UseManualTime()
      ->Iterations(1)
      ->Unit(benchmark::kMillisecond);
  return 0;
}
const int kRegistered = RegisterAll();

}  // namespace
}  // namespace zh

BENCHMARK_MAIN();

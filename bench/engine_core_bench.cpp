// Speed of the engine core's move path: generators, make/unmake and legality.
#include <benchmark/benchmark.h>

#include "enginemodule/zelkohome2/core/fen.h"
#include "enginemodule/zelkohome2/core/perft.h"

namespace {

using namespace zh::zelko2;

void PerftFrom(benchmark::State& state, const char* fen) {
  CorePosition c;
  ParseFen(fen, c);
  Position p;
  p.Set(c);
  uint64_t nodes = 0;
  for (auto _ : state) nodes += Perft(p, static_cast<int>(state.range(0)));
  state.counters["nodes/s"] = benchmark::Counter(static_cast<double>(nodes), benchmark::Counter::kIsRate);
}

void BM_PerftStart(benchmark::State& state) {
  PerftFrom(state, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
}
void BM_PerftKiwipete(benchmark::State& state) {
  PerftFrom(state, "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -");
}

BENCHMARK(BM_PerftStart)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PerftKiwipete)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

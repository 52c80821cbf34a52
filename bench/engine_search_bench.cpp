// Speed of the search: a fixed set of positions searched to a fixed depth with a fixed
// hash size. The total node count is the search's signature (a change of search
// behaviour states the new one); nodes/s is compared with the reference engine's own
// bench (16 MB, one thread, default depth) run in the same invocation.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "enginemodule/zelkohome2/core/driver.h"
#include "enginemodule/zelkohome2/core/fen.h"
#include "enginemodule/zelkohome2/core/tt_memory.h"

namespace {

using namespace zh::zelko2;

constexpr const char* kPositions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r1bqk2r/pppp1ppp/2n2n2/2b1p3/2B1P3/3P1N2/PPP2PPP/RNBQK2R w KQkq - 1 5",
    "r2q1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP2BPPP/R2Q1RK1 w - - 0 9",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "6k1/5ppp/8/3Pp3/8/8/5PPP/2R3K1 w - - 0 1",
};
constexpr int kDepth = 7;
constexpr int kHashKb = 16384;

struct Totals {
  uint64_t nodes = 0;
  double seconds = 0;
  double reference_nodes_per_second = 0;
} totals;

zh::eng::PositionBlock BlockOf(const char* fen) {
  zh::eng::PositionBlock block{};
  CorePosition cp;
  ParseFen(fen, cp);
  Engine::ToBlock(cp, block);
  block.lines_wanted = 1;
  block.mode = 2;
  block.depth = kDepth;
  return block;
}

// Searches each position to the depth; the nodes of all searches and their time.
template <size_t N>
void SearchAll(const char* const (&fens)[N], int depth, uint64_t& nodes, double& seconds) {
  static Engine engine;
  if (!engine.tt().allocated()) engine.tt().Allocate(TtMemory::SizeForKb(kHashKb));
  SearchControl control;
  Driver driver(engine, control);
  ReportBlocks reports;
  reports.post = [](int32_t, void*) {};
  nodes = 0;
  const auto start = std::chrono::steady_clock::now();
  for (const char* fen : fens) {
    zh::eng::PositionBlock block = BlockOf(fen);
    block.depth = static_cast<int16_t>(depth);
    driver.Run(block, EngineParameters{}, reports);
    nodes += engine.node_count();
  }
  seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_Search(benchmark::State& state) {
  uint64_t nodes = 0;
  for (auto _ : state) {
    SearchAll(kPositions, kDepth, nodes, totals.seconds);
    state.SetIterationTime(totals.seconds);
    totals.nodes = nodes;
  }
  state.counters["signature"] = static_cast<double>(nodes);
  std::printf("search signature: %llu nodes\n", static_cast<unsigned long long>(nodes));
  state.counters["nodes/s"] = totals.seconds > 0 ? static_cast<double>(nodes) / totals.seconds : 0;
}

// "stockfish bench 16 1": its own nodes/s line.
void BM_ReferenceBench(benchmark::State& state) {
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    FILE* pipe = popen((std::string(ZH_STOCKFISH) + " bench 16 1 2>&1").c_str(), "r");
    if (!pipe) {
      state.SkipWithError("reference engine missing");
      return;
    }
    char line[512];
    while (std::fgets(line, sizeof line, pipe))
      if (std::string(line).rfind("Nodes/second", 0) == 0)
        totals.reference_nodes_per_second = std::atof(std::strchr(line, ':') + 1);
    pclose(pipe);
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  state.counters["nodes/s"] = totals.reference_nodes_per_second;
  state.counters["ratio"] = totals.reference_nodes_per_second > 0 && totals.seconds > 0
                                ? totals.nodes / totals.seconds / totals.reference_nodes_per_second
                                : 0;
}

// Endgames that the recognisers score: KPK, blocked KPKP, KRPKR, KQKP, opposite
// bishops and a pawn race; searched deeper, beside the reference engine's nodes/s on
// the same positions at its own fixed depth.
constexpr const char* kEndgames[] = {
    "8/8/8/4k3/8/8/4P3/4K3 w - - 0 1",
    "8/8/3k4/3p4/3P4/3K4/8/8 w - - 0 1",
    "8/8/3k4/8/3PK3/8/7r/5R2 w - - 0 1",
    "8/8/8/8/8/2K5/p3Q3/1k6 w - - 0 1",
    "8/5k2/3b2p1/1p2P3/1P1B2P1/5K2/8/8 w - - 0 1",
    "8/p5k1/8/8/8/8/1P4P1/6K1 w - - 0 1",
};
constexpr int kEndgameDepth = 10;
constexpr int kReferenceEndgameDepth = 20;

struct EndgameTotals {
  double nodes_per_second = 0;
  double reference_nodes_per_second = 0;
} endgame_totals;

void BM_EndgameSearch(benchmark::State& state) {
  uint64_t nodes = 0;
  for (auto _ : state) {
    double seconds = 0;
    SearchAll(kEndgames, kEndgameDepth, nodes, seconds);
    state.SetIterationTime(seconds);
    endgame_totals.nodes_per_second = seconds > 0 ? static_cast<double>(nodes) / seconds : 0;
  }
  state.counters["signature"] = static_cast<double>(nodes);
  state.counters["nodes/s"] = endgame_totals.nodes_per_second;
}

// The reference engine on the same positions: nodes and time of its last info line.
void BM_ReferenceEndgame(benchmark::State& state) {
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    uint64_t nodes = 0;
    double ms = 0;
    for (const char* fen : kEndgames) {
      std::string command = std::string("(echo uci; echo 'position fen ") + fen + "'; echo 'go depth " +
                            std::to_string(kReferenceEndgameDepth) + "'; sleep 2; echo quit) | " ZH_STOCKFISH;
      FILE* pipe = popen(command.c_str(), "r");
      if (!pipe) {
        state.SkipWithError("reference engine missing");
        return;
      }
      char line[1024];
      uint64_t last_nodes = 0;
      double last_ms = 0;
      while (std::fgets(line, sizeof line, pipe)) {
        const char* n = std::strstr(line, " nodes ");
        const char* t = std::strstr(line, " time ");
        if (n && t) {
          last_nodes = std::strtoull(n + 7, nullptr, 10);
          last_ms = std::atof(t + 6);
        }
      }
      pclose(pipe);
      nodes += last_nodes;
      ms += last_ms;
    }
    endgame_totals.reference_nodes_per_second = ms > 0 ? static_cast<double>(nodes) * 1000 / ms : 0;
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  state.counters["nodes/s"] = endgame_totals.reference_nodes_per_second;
  state.counters["ratio"] = endgame_totals.reference_nodes_per_second > 0
                                ? endgame_totals.nodes_per_second / endgame_totals.reference_nodes_per_second
                                : 0;
}

// Both kings open, checks and mate threats nearly everywhere: the iterations 1 to 10 of
// the root search (driven directly, since the driver ends at the mate it finds).
void BM_ExtendingPosition(benchmark::State& state) {
  static Engine engine;
  if (!engine.tt().allocated()) engine.tt().Allocate(TtMemory::SizeForKb(kHashKb));
  int deepest = 0;
  for (auto _ : state) {
    CorePosition cp;
    ParseFen("3rkb2/pp3R1R/8/2p1P3/3pKB2/6P1/PrP2P2/8 w - - 0 1", cp);
    engine.SetPosition(cp);
    engine.RecordBase();
    engine.ClearHistory();
    SearchControl control;
    control.time_flags = kTimeNoLimit;
    Search search(engine, control);
    search.PrepareRun(2, 0);
    for (int depth = 1; depth <= 10; ++depth) {
      control.depth = depth;
      search.StartIteration();
      search.ClearReached();
      search.RootSingle(depth);
      deepest = std::max(deepest, search.deepest_ply());
    }
  }
  state.counters["nodes"] = static_cast<double>(engine.node_count());
  state.counters["deepest ply"] = deepest;
}

// A full clear of a 256 MB table beside memset of a block of the same size; both
// blocks are touched once before timing, so that neither pays for first page faults.
constexpr size_t kClearBytes = size_t{256} * 1024 * 1024;

void BM_TableClear(benchmark::State& state) {
  TtMemory memory;
  if (!memory.Allocate(kClearBytes)) {
    state.SkipWithError("no memory");
    return;
  }
  memory.Clear();
  for (auto _ : state) {
    memory.Clear();
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kClearBytes));
}

void BM_Memset(benchmark::State& state) {
  auto* block = static_cast<unsigned char*>(std::malloc(kClearBytes));
  if (!block) {
    state.SkipWithError("no memory");
    return;
  }
  benchmark::DoNotOptimize(block);
  std::memset(block, 0x80, kClearBytes);
  benchmark::ClobberMemory();
  for (auto _ : state) {
    std::memset(block, 0x80, kClearBytes);
    benchmark::DoNotOptimize(block);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kClearBytes));
  std::free(block);
}

BENCHMARK(BM_ExtendingPosition)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableClear)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memset)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Search)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferenceBench)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EndgameSearch)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferenceEndgame)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// The search's game trace over the main lines of the 100,000-game search corpus, in
// one run on one core: Start and AppendMove for every ply beside a plain memcpy of
// as many 142-byte ply records (the forward copy, the bound of tracing), and the
// whole-game material and motif tests each on top of tracing.
//
// Build with the release preset and run build/release/bin/trace_bench
// (ZH_REFERENCE_GAMES sets a smaller corpus).
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "dbwindow/game_trace.h"
#include "dbwindow/material_mask.h"
#include "dbwindow/motif_mask.h"
#include "dbwindow/trace_games.h"
#include "support/eco_lines.h"
#include "support/search_corpus.h"

namespace zh {
namespace {

constexpr int kPlyRecord = 142;

// What the trace reads of a decoded move.
struct Decoded {
  uint8_t from, to, kind, promotion, piece, captured;
};

struct Corpus {
  std::vector<Decoded> moves;
  std::vector<uint32_t> ends;  // end of each game's moves
  int64_t plies = 0;
};

const Corpus& Games() {
  static const Corpus corpus = [] {
    Corpus c;
    const auto games = test::SearchCorpus(test::EcoLinesUci(ZH_PGN_EXTRACT), test::ReferenceGames(100000), 2026);
    for (const auto& g : games) {
      std::string line;
      for (const auto& m : g.moves) line += m + " ";
      for (const GameMove& m : test::CompleteMoves(test::kStartFen, line))
        c.moves.push_back({m.from, m.to, m.kind, m.promotion, m.piece, m.captured});
      c.ends.push_back(static_cast<uint32_t>(c.moves.size()));
    }
    c.plies = static_cast<int64_t>(c.moves.size());
    return c;
  }();
  return corpus;
}

template <class Test>
void TraceAll(GameTrace& trace, const Corpus& c, Test test) {
  const Board start(true);
  GameMove m;
  uint32_t at = 0;
  for (uint32_t end : c.ends) {
    trace.Start(start);
    int side = 0;
    for (; at < end; ++at) {
      const Decoded& d = c.moves[at];
      m.from = d.from, m.to = d.to, m.kind = d.kind, m.promotion = d.promotion;
      m.piece = d.piece, m.captured = d.captured;
      trace.AppendMove(m, side);
      side ^= 1;
    }
    test(trace);
  }
}

void BM_Trace(benchmark::State& state) {
  const Corpus& c = Games();
  GameTrace trace;
  for (auto _ : state) TraceAll(trace, c, [](const GameTrace& t) { benchmark::DoNotOptimize(t.length); });
  state.SetItemsProcessed(state.iterations() * c.plies);
}

// The forward copy alone: each game's records copied ply by ply in a 600-record block.
void BM_MemcpyPlyRecords(benchmark::State& state) {
  const Corpus& c = Games();
  std::vector<uint8_t> block(static_cast<size_t>(kTracePlies) * kPlyRecord);
  for (auto _ : state) {
    uint32_t at = 0;
    for (uint32_t end : c.ends) {
      uint8_t* p = block.data();
      for (; at < end; ++at, p += kPlyRecord) std::memcpy(p + kPlyRecord, p, kPlyRecord);
      benchmark::DoNotOptimize(block.data());
      benchmark::ClobberMemory();
    }
  }
  state.SetItemsProcessed(state.iterations() * c.plies);
}

// A rook ending lasting two plies, the common kind of material search.
void BM_TraceAndMaterial(benchmark::State& state) {
  const Corpus& c = Games();
  GameTrace trace;
  MaterialMask mask;
  mask.ranges[MaterialMask::kRooks] = {1, 1, 1, 1};
  int64_t hits = 0;
  for (auto _ : state)
    TraceAll(trace, c, [&](const GameTrace& t) { hits += mask.FindMatch(t) != kNoMatchingPly; });
  state.SetItemsProcessed(state.iterations() * c.plies);
  state.counters["games_found"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
}

// The position after 1.e4 c5 2.Nf3 d6 3.d4 cxd4 as an exact motif over the whole game.
void BM_TraceAndMotif(benchmark::State& state) {
  const Corpus& c = Games();
  GameTrace trace;
  Position p;
  for (const GameMove& m : test::CompleteMoves(test::kStartFen, "e2e4 c7c5 g1f3 d7d6 d2d4 c5d4"))
    p.MakeMoveSquares(m.from, m.to, m.promotion);
  MotifMask motif;
  motif.SetFromBoard(p.board, -1);
  int64_t hits = 0;
  for (auto _ : state)
    TraceAll(trace, c, [&](const GameTrace& t) { hits += motif.FindMatch(t) != kNoMatchingPly; });
  state.SetItemsProcessed(state.iterations() * c.plies);
  state.counters["games_found"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
}

BENCHMARK(BM_Trace)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyPlyRecords)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TraceAndMaterial)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TraceAndMotif)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zh

BENCHMARK_MAIN();

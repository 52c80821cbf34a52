// Move-path counts over the core's generators, make/unmake and the search's legality
// path, each confirmed by the reference engine.
#include "core_test_util.h"
#include "stockfish.h"

namespace zh::zelko2::test {
namespace {

struct PerftCase {
  const char* fen;
  int depth;
  uint64_t nodes;
};

constexpr PerftCase kCases[] = {
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 1, 20},
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 2, 400},
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 3, 8902},
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 4, 197281},
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 5, 4865609},
    {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", 1, 48},
    {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", 2, 2039},
    {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", 3, 97862},
    {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", 4, 4085603},
    {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", 5, 674624},
    {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -", 4, 422333},
    {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 4, 2103487},
    {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 4, 3894594},
    // E.p. captures that expose the own king, and one that is legal.
    {"8/k7/8/8/3Pp3/8/8/6BK b - d3", 1, 6},
    {"b6k/8/8/3pP3/8/8/8/7K w - d6", 1, 4},
};

TEST(EnginePerft, StandardCountsAgreeWithReference) {
  Stockfish reference;
  ASSERT_TRUE(reference.ok());
  Position p;
  for (const PerftCase& c : kCases) {
    SetFen(p, c.fen);
    uint64_t reference_total = 0;
    reference.Divide(c.fen, c.depth, &reference_total);
    EXPECT_EQ(reference_total, c.nodes) << c.fen << " depth " << c.depth;
    EXPECT_EQ(Perft(p, c.depth), c.nodes) << c.fen << " depth " << c.depth;
  }
}

// Seeded random positions reached by random legal moves from several starts.
TEST(EnginePerft, RandomPositionsDivideLikeReference) {
  Stockfish reference;
  ASSERT_TRUE(reference.ok());
  const char* starts[] = {
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
      "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
      "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -",
      "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -",
  };
  std::mt19937 random(20261210);
  Position p;
  int compared = 0;
  while (compared < 200) {
    SetFen(p, starts[compared % 5]);
    int plies = static_cast<int>(random() % 60);
    for (int i = 0; i < plies; ++i) {
      std::vector<Move> moves = LegalMoves(p);
      if (moves.empty()) break;
      const Move m = moves[random() % moves.size()];
      p.MakeMove(m.from, m.to, m.flags);
      CorePosition next = p.Get();
      ASSERT_TRUE(p.Set(next));
    }
    std::string fen = ToFen(p.Get());
    EXPECT_EQ(Divide(p, 2), reference.Divide(fen, 2)) << fen;
    ++compared;
  }
}

}  // namespace
}  // namespace zh::zelko2::test

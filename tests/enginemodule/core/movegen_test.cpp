// Order and content of the capture, quiet and e.p. generators.
#include "core_test_util.h"

namespace zh::zelko2::test {
namespace {

using Moves = std::vector<std::string>;

struct GenCase {
  const char* fen;
  GenKind kind;
  Moves moves;
};

TEST(MoveGenerators, OrderAndContent) {
  const GenCase cases[] = {
      // Pawn on its seventh rank: push and captures onto the last rank come from captures.
      {"3r2k1/4P3/8/8/8/8/8/4K3 w - -", GenKind::kCaptures, {"e7d8", "e7e8"}},
      {"3r4/4P3/8/8/8/8/8/k3K3 w - -", GenKind::kQuiet, {"e1f1", "e1d2", "e1e2", "e1f2", "e1d1"}},
      {"4q3/4P3/8/8/8/8/8/k3K3 w - -", GenKind::kCaptures, {}},
      // Second rank: a blocked double step leaves the single push; a blocked single push neither.
      {"4k3/8/8/8/4n3/8/4P3/7K w - -", GenKind::kQuiet, {"e2e3", "h1g2", "h1h2", "h1g1"}},
      {"4k3/8/8/8/8/4n3/4P3/7K w - -", GenKind::kQuiet, {"h1g2", "h1h2", "h1g1"}},
      // Knight on a1: c2 and b3 only.
      {"4k3/8/8/8/8/8/8/N3K3 w - -", GenKind::kQuiet, {"a1c2", "a1b3", "e1f1", "e1d2", "e1e2", "e1f2", "e1d1"}},
      // Rook in a corner up to the first piece.
      {"4k3/8/8/8/P7/8/8/R2nK3 w - -", GenKind::kQuiet, {"a4a5", "a1b1", "a1c1", "a1a2", "a1a3", "e1f1", "e1d2",
                                                         "e1e2", "e1f2"}},
      {"4k3/8/8/8/P7/8/8/R2nK3 w - -", GenKind::kCaptures, {"a1d1", "e1d1"}},
      // The queen captures diagonally before straight; the bishop never straight.
      {"4k3/8/2p1p3/3Q4/2p1p3/8/8/3nK3 w - -", GenKind::kCaptures,
       {"d5c6", "d5e6", "d5e4", "d5c4", "d5d1", "e1d1"}},
      {"4k3/8/2p1p3/3B4/2p1p3/8/8/3nK3 w - -", GenKind::kCaptures, {"d5c6", "d5e6", "d5e4", "d5c4", "e1d1"}},
      // No capture at all.
      {"4k3/8/8/8/8/8/8/4K3 w - -", GenKind::kCaptures, {}},
  };
  Position p;
  for (const GenCase& c : cases) {
    SetFen(p, c.fen);
    EXPECT_EQ(Generated(p, c.kind), c.moves) << c.fen;
  }
}

TEST(MoveGenerators, EnPassantAfterDoubleStepOnly) {
  Position p;
  SetFen(p, "4k3/8/8/8/3p1p2/8/4P3/4K3 w - -");
  p.MakeMove(Sq("e2"), Sq("e4"), kFlagDoubleStep);
  // King captures last, then the e.p. captures, d4 before f4.
  EXPECT_EQ(Generated(p, GenKind::kCaptures), (Moves{"d4e3/96", "f4e3/96"}));
  EXPECT_EQ(Generated(p, GenKind::kEnPassant), (Moves{"d4e3/96", "f4e3/96"}));
  p.UnmakeMove();
  p.MakeMove(Sq("e2"), Sq("e3"), 0);
  EXPECT_TRUE(Generated(p, GenKind::kEnPassant).empty());
  p.UnmakeMove();
  SetFen(p, "4k3/8/8/8/3pP3/8/8/4K3 b - e3");
  EXPECT_EQ(Generated(p, GenKind::kCaptures), (Moves{"d4e3/96"}));
  SetFen(p, "8/8/8/5k2/3pP3/8/8/4K3 b - e3");  // the king's captures come before e.p.
  EXPECT_EQ(Generated(p, GenKind::kCaptures), (Moves{"f5e4", "d4e3/96"}));
}

TEST(MoveGenerators, Castling) {
  const struct {
    const char* fen;
    Moves castlings;
  } cases[] = {
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", {"e1g1/32", "e1c1/32"}},
      {"r3k2r/8/8/8/8/8/8/R3K1NR w KQkq -", {"e1c1/32"}},         // a square between taken
      {"r3k2r/8/8/8/8/8/8/RN2K2R w KQkq -", {"e1g1/32"}},
      {"r3k2r/8/8/8/8/8/8/R3K2B w KQkq -", {"e1c1/32"}},          // the rook square holds another piece
      {"r3k2r/8/8/8/8/8/5r2/R3K2R w KQkq -", {"e1c1/32"}},        // the crossed square attacked
      {"r3k2r/8/8/8/8/8/6r1/R3K2R w KQkq -", {"e1g1/32", "e1c1/32"}},  // only the destination attacked
      {"r3k2r/8/8/8/8/8/8/R3K2R w Qkq -", {"e1c1/32"}},           // the right is gone
      {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq -", {"e8g8/32", "e8c8/32"}},
  };
  Position p;
  for (const auto& c : cases) {
    SetFen(p, c.fen);
    Moves castlings;
    for (const std::string& m : Generated(p, GenKind::kQuiet))
      if (m.size() > 4 && m.substr(4) == "/32") castlings.push_back(m);
    EXPECT_EQ(castlings, c.castlings) << c.fen;
  }
  // A destination under attack is refused by the legality test after the move.
  SetFen(p, "r3k2r/8/8/8/8/8/6r1/R3K2R w KQkq -");
  p.MakeMove(Sq("e1"), Sq("g1"), kFlagCastling);
  EXPECT_TRUE(p.LeavesOwnKingAttacked());
}

TEST(MoveGenerators, SearchVariants) {
  Position p;
  SetFen(p, "4k3/4P3/8/8/8/8/8/R3K3 w - -");
  p.InstallSearchVariants();
  EXPECT_EQ(p.quiet_routine(kWhiteKing), kRoutineKingNoCastling);
  EXPECT_EQ(p.quiet_routine(p.board(Sq("e7"))), kRoutineNone);
  EXPECT_EQ(p.quiet_routine(p.board(Sq("a1"))), kRoutineRook);
  SetFen(p, "4k3/8/8/8/8/8/8/R3K3 w Q -");
  p.InstallSearchVariants();
  EXPECT_EQ(p.quiet_routine(kWhiteKing), kRoutineKing);
  EXPECT_EQ(p.quiet_routine(kBlackKing), kRoutineKingNoCastling);
}

}  // namespace
}  // namespace zh::zelko2::test

// The motif criterion: a motif taken from a board, required, forbidden and one-of
// squares, the colour-reversed and mirrored variants and the window of moves.
#include <gtest/gtest.h>

#include <string>

#include "core/rules/position.h"
#include "dbwindow/motif_mask.h"
#include "dbwindow/trace_games.h"
#include "support/test_fen.h"

namespace zh {
namespace {

using test::SquareOf;

uint64_t Squares(std::initializer_list<const char*> names) {
  uint64_t set = 0;
  for (const char* n : names) set |= uint64_t{1} << SquareOf(n);
  return set;
}

bool MatchesFen(const MotifMask& motif, const char* placement) {
  GameTrace trace;
  test::TraceMoves(trace, std::string(placement) + " w - - 0 1", "");
  return motif.MatchPly(trace, 0);
}

TEST(MotifMask, FromABoardMatchesExactlyThatPlacement) {
  const char* line = "e2e4 e7e5 g1f3 b8c6";
  Position p = test::ParseFenForTest(test::kStartFen);
  for (const GameMove& m : test::CompleteMoves(test::kStartFen, line))
    p.MakeMoveSquares(m.from, m.to, m.promotion);
  MotifMask motif;
  motif.SetFromBoard(p.board, -1);
  EXPECT_TRUE(motif.IsDefined());
  EXPECT_TRUE(motif.IsConsistent());

  GameTrace trace;
  struct Case {
    const char* moves;
    int32_t ply;
  } cases[] = {
      {line, 4},
      {"g1f3 b8c6 e2e4 e7e5 f1c4", 4},        // by transposition
      {"e2e4 e7e5 g1f3 b8c6 f1c4", 4},        // left again
      {"e2e4 e7e5 g1f3 g8f6", kNoMatchingPly},  // a piece elsewhere
      {"e2e3 e7e5 g1f3 b8c6", kNoMatchingPly},
      {"e2e4 e7e5", kNoMatchingPly},
  };
  for (const Case& c : cases) {
    test::TraceMoves(trace, test::kStartFen, c.moves);
    EXPECT_EQ(motif.FindMatch(trace), c.ply) << c.moves;
  }
  // A piece that the board does not have may stand nowhere, not even on its own square.
  Board rookOnly;
  rookOnly[SquareOf("e1")] = kKing;
  rookOnly[SquareOf("e8")] = kKing | kBlackBit;
  rookOnly[SquareOf("a1")] = kRook;
  motif.Reset();
  motif.SetFromBoard(rookOnly, -1);
  EXPECT_TRUE(MatchesFen(motif, "4k3/8/8/8/8/8/8/R3K3"));
  EXPECT_FALSE(MatchesFen(motif, "4k3/8/8/8/8/8/8/R3KN2"));
  EXPECT_FALSE(MatchesFen(motif, "4k3/8/8/8/8/8/8/N3K3"));
}

TEST(MotifMask, WindowFromTheBoardsPly) {
  struct Case {
    int ply, firstMove, lastMove;
  } cases[] = {{-1, 1, 302}, {0, 1, 2}, {3, 1, 3}, {4, 1, 4}, {10, 4, 7}, {41, 19, 22}};
  for (const Case& c : cases) {
    MotifMask motif;
    motif.SetFromBoard(Board(true), c.ply);
    EXPECT_EQ(motif.firstMove, c.firstMove) << c.ply;
    EXPECT_EQ(motif.lastMove, c.lastMove) << c.ply;
    EXPECT_EQ(motif.requiredPlies, 1);
  }
  // The window runs from ply 2 x firstMove - 2 below ply 2 x lastMove.
  GameTrace trace;
  std::string moves;
  for (int i = 0; i < 10; ++i) moves += "g1f3 g8f6 f3g1 f6g8 ";
  test::TraceMoves(trace, test::kStartFen, moves);
  MotifMask motif;
  motif.SetFromBoard(Board(true), -1);
  motif.firstMove = 2;
  motif.lastMove = 40;
  EXPECT_EQ(motif.FindMatch(trace), 4);
  motif.firstMove = 3;
  EXPECT_EQ(motif.FindMatch(trace), 4);
  motif.firstMove = 4;
  EXPECT_EQ(motif.FindMatch(trace), 8);
  motif.lastMove = 4;
  EXPECT_EQ(motif.FindMatch(trace), kNoMatchingPly);
  motif.firstMove = 0;
  motif.requiredPlies = 2;  // the start position never lasts two plies
  EXPECT_EQ(motif.FindMatch(trace), kNoMatchingPly);
}

// A kingside castled White king, required squares only, found where each variant is on.
TEST(MotifMask, ColourReversedAndMirroredVariants) {
  MotifMask motif;
  motif.Set(MotifMask::kWhiteRequired, kKing) = Squares({"g1"});
  motif.Set(MotifMask::kWhiteRequired, kRook) = Squares({"f1"});
  motif.Set(MotifMask::kWhiteRequired, kPawn) = Squares({"f2", "g2", "h2"});
  struct Case {
    const char* placement;
    bool plain, reversed, mirrored, both;
  } cases[] = {
      {"4k3/8/8/8/8/8/5PPP/5RK1", true, true, true, true},
      {"1kr5/ppp5/8/8/8/8/8/4K3", false, false, false, true},  // Black, queenside
      {"5rk1/5ppp/8/8/8/8/8/4K3", false, true, false, true},   // Black, kingside
      {"4k3/8/8/8/8/8/PPP5/1KR5", false, false, true, true},   // White, queenside
      {"4k3/8/8/8/8/8/5PPP/4RK2", false, false, false, false},
  };
  for (const Case& c : cases) {
    const bool expected[4] = {c.plain, c.reversed, c.mirrored, c.both};
    for (int v = 0; v < 4; ++v) {
      motif.colourReversed = v & 1;
      motif.mirrored = (v >> 1) & 1;
      motif.Recompute();
      EXPECT_EQ(MatchesFen(motif, c.placement), expected[v]) << c.placement << " switches " << v;
    }
  }
}

TEST(MotifMask, RequiredForbiddenAndOneOfSquares) {
  MotifMask motif;
  // White pawns on the d-file and the e-file, each on rank 2 or 3.
  motif.Set(MotifMask::kWhiteOneOf, kPawn) = Squares({"d2", "d3", "e2", "e3"});
  // A White knight on c3 or f3, and no Black piece on d4.
  motif.Set(MotifMask::kWhiteOneOf, kKnight) = Squares({"c3", "f3"});
  motif.Set(MotifMask::kBlackForbidden, MotifMask::kAllPieces) = Squares({"d4"});
  motif.Recompute();
  EXPECT_TRUE(MatchesFen(motif, "4k3/8/8/8/8/3P1N2/4P3/4K3"));
  EXPECT_FALSE(MatchesFen(motif, "4k3/8/8/8/8/3P1N2/8/4K3"));      // no e-pawn
  EXPECT_FALSE(MatchesFen(motif, "4k3/8/8/8/8/3P4/4P3/4K1N1"));    // knight on g1
  EXPECT_FALSE(MatchesFen(motif, "4k3/8/8/8/3n4/3P1N2/4P3/4K3"));  // Black on d4
  EXPECT_TRUE(MatchesFen(motif, "4k3/8/8/8/3N4/2NP4/4P3/4K3"));

  // A square both required and forbidden: required wins in the test, but the
  // definition is contradictory.
  motif.Set(MotifMask::kWhiteRequired, kKnight) = Squares({"c3"});
  motif.Set(MotifMask::kWhiteForbidden, kKnight) = Squares({"c3", "d4"});
  motif.Recompute();
  EXPECT_TRUE(MatchesFen(motif, "4k3/8/8/8/8/2NP4/4P3/4K3"));
  EXPECT_FALSE(MatchesFen(motif, "4k3/8/8/8/3N4/2NP4/4P3/4K3"));
  EXPECT_FALSE(motif.IsConsistent());
  motif.Set(MotifMask::kWhiteForbidden, kKnight) = Squares({"f3"});
  EXPECT_FALSE(motif.IsConsistent());  // one-of meets forbidden
  EXPECT_FALSE(MotifMask().IsDefined());
}

}  // namespace
}  // namespace zh

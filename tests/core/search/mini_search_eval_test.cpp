// The small search's evaluation term by term, on positions that differ in the one
// feature a term looks at, and its values frozen on a table of positions.
#include <gtest/gtest.h>

#include "core/search/mini_search.h"
#include "core/search/mini_search_tables.h"
#include "core/search/search_entry.h"
#include "support/test_fen.h"

namespace zh {
namespace {

MiniEvalTerms Terms(const char* fen, int alpha = -kMiniInfinity, int beta = kMiniInfinity) {
  MiniSearch search;
  MiniEvalTerms terms;
  search.StaticEval(MakeMiniSearchInput(test::ParseFenForTest(fen)), alpha, beta, &terms);
  return terms;
}

TEST(MiniSearchEval, PawnShieldOfACastledKing) {
  // Both kings castled short behind f, g and h pawns; then white's shield changes.
  const struct {
    const char* fen;
    int white;  // white's shield bits
  } cases[] = {
      {"r1bq1rk1/pppp1ppp/2n2n2/2b1p3/2B1P3/2N2N2/PPPP1PPP/R1BQ1RK1 w - - 0 1", 7},
      {"r1bq1rk1/pppp1ppp/2n2n2/2b1p3/2B1P3/2N2N1P/PPPP1PP1/R1BQ1RK1 w - - 0 1", 1 | 2 | 32},
      {"r1bq1rk1/pppp1ppp/2n2n2/2b1p3/2B1P3/2N2N2/PPPP1P1P/R1BQ1RK1 w - - 0 1", 1 | 4},
      {"r1bq1rk1/pppp1ppp/2n2n2/2b1p3/2B1P3/2N2N2/PPPP4/R1BQ1RK1 w - - 0 1", 0},
  };
  int previous = 1000;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fen);
    const MiniEvalTerms t = Terms(c.fen);
    ASSERT_TRUE(t.middleGameTerms);
    EXPECT_EQ(t.shield, mini::kShield[c.white] - mini::kShield[7]);
    EXPECT_LT(t.shield, previous);  // each weakening costs
    previous = t.shield;
  }
  // Without queens the shield counts half; a king off its first three ranks has none.
  EXPECT_EQ(Terms("r1b2rk1/pppp1ppp/2n2n2/2b1p3/2B1P3/2N2N2/PPPP4/R1B2RK1 w - - 0 1").shield,
            (mini::kShield[0] - mini::kShield[7]) / 2);
  EXPECT_EQ(Terms("r1bq1r2/pppp1ppp/2n2n2/2b1p2k/2B1P3/2N2N2/PPPP1PPP/R1BQ1RK1 w - - 0 1").shield,
            mini::kShield[7]);
}

TEST(MiniSearchEval, BackwardPawns) {
  const struct {
    const char* fen;
    int white, black;
  } cases[] = {
      // d3 behind e4, its stop square d4 covered by c5: backward.
      {"4k3/8/1p6/2p5/4P3/3P4/8/4K3 w - - 0 1", 1, 0},
      // c2 can still support it.
      {"4k3/8/1p6/2p5/4P3/3P4/2P5/4K3 w - - 0 1", 0, 0},
      // Nothing covers d4.
      {"4k3/8/8/p7/4P3/3P4/8/4K3 w - - 0 1", 0, 0},
      // e2 stands behind it on a neighbouring file and can support it.
      {"4k3/8/1p6/2p5/8/3P4/4P3/4K3 w - - 0 1", 0, 0},
      // The same for black: d6 behind e5, d5 covered by c4.
      {"4k3/8/3p4/4p3/2P5/1P6/8/4K3 w - - 0 1", 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fen);
    const MiniEvalTerms t = Terms(c.fen);
    EXPECT_EQ(t.backward[1], c.white);
    EXPECT_EQ(t.backward[0], c.black);
  }
}

TEST(MiniSearchEval, PassedPawnModifiers) {
  // A white passed pawn on e5 (fifth rank: one value in the middle game, another in
  // the endgame), black's pawns never passed.
  const int mid = mini::kPassed[0][4], end = mini::kPassed[1][4];
  const struct {
    const char* fen;
    int passed;
  } cases[] = {
      // Free; black still has queen and rooks: the middle-game column.
      {"rq2k2r/8/8/4P3/8/8/8/RQ2K2R w - - 0 1", mid},
      // Covered by d4 (which a black c-pawn keeps from passing): half more.
      {"rq2k2r/8/2p5/4P3/3P4/8/8/RQ2K2R w - - 0 1", mid + mid / 2},
      // Blocked by its own knight: an eighth less.
      {"rq2k2r/8/4N3/4P3/8/8/8/RQ2K2R w - - 0 1", mid - mid / 8},
      // Blocked by an enemy knight: a further quarter less.
      {"rq2k2r/8/4n3/4P3/8/8/8/RQ2K2R w - - 0 1", (mid - mid / 8) - (mid - mid / 8) / 4},
      // Blocked by an enemy rook (worth more than 445): only the eighth.
      {"1q2k3/8/4r3/4P3/8/8/8/RQ2K2R w - - 0 1", mid - mid / 8},
      // Endgame: black has a rook and its king is outside the square: a quarter more.
      {"r7/8/8/4P3/8/8/k7/4K3 w - - 0 1", end + end / 4},
      // The king inside the square: no bonus.
      {"r7/5k2/8/4P3/8/8/8/4K3 w - - 0 1", end},
      // No black pieces at all, the king outside: the full value again.
      {"8/8/8/4P3/8/8/k7/4K3 w - - 0 1", end + end / 4 + end},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fen);
    EXPECT_EQ(Terms(c.fen).passed, c.passed);
  }
}

TEST(MiniSearchEval, QueenFlags) {
  MiniSearch search;
  auto flags = [&](const char* root, const char* position) {
    MiniEvalTerms t;
    search.StaticEvalFrom(MakeMiniSearchInput(test::ParseFenForTest(root)),
                          MakeMiniSearchInput(test::ParseFenForTest(position)), -kMiniInfinity,
                          kMiniInfinity, &t);
    EXPECT_TRUE(t.middleGameTerms);
    return t.queenFlags;
  };
  const char* open = "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 2";
  // The queen leaves home while the minor pieces still stand there.
  EXPECT_EQ(flags(open, "rnbqkbnr/pppp1ppp/8/4p2Q/4P3/8/PPPP1PPP/RNB1KBNR b KQkq - 1 2"), -18);
  EXPECT_EQ(flags(open, "rnb1kbnr/pppp1ppp/8/4p3/4P2q/8/PPPP1PPP/RNBQKBNR w KQkq - 1 3"), 18);
  EXPECT_EQ(flags(open, "rnb1kbnr/pppp1ppp/8/4p2q/4P2Q/8/PPPP1PPP/RNB1KBNR w KQkq - 1 3"), 0);
  EXPECT_EQ(flags(open, open), 0);
  // With the minor pieces developed at the root the flag is not set.
  EXPECT_EQ(flags("r2qk2r/pppb1ppp/2nb1n2/4p3/4P3/2NB1N2/PPPB1PPP/R2QK2R w KQkq - 0 1",
                  "r2qk2r/pppb1ppp/2nb1n2/4p3/4P2Q/2NB1N2/PPPB1PPP/R3K2R b KQkq - 0 1"),
            0);
}

TEST(MiniSearchEval, MiddleGameTermsOnlyNearTheWindow) {
  const char* fen = "r1bq1rk1/pppp1ppp/2n2n2/2b1p3/2B1P3/2N2N2/PPPP4/R1BQ1RK1 w - - 0 1";
  const MiniEvalTerms near = Terms(fen);
  ASSERT_TRUE(near.middleGameTerms);
  ASSERT_NE(near.shield, 0);
  const int base = near.sum - near.kings - near.shield - near.queenFlags;
  const struct {
    int alpha, beta;
    bool applied;
  } cases[] = {
      {base + 149, base + 300, true},    {base + 150, base + 300, false},
      {base - 300, base - 149, true},    {base - 300, base - 150, false},
      {base + 2000, base + 2001, false}, {base - 2001, base - 2000, false},
  };
  for (const auto& c : cases) {
    const MiniEvalTerms t = Terms(fen, c.alpha, c.beta);
    EXPECT_EQ(t.middleGameTerms, c.applied) << c.alpha << " " << c.beta;
    EXPECT_EQ(t.sum, c.applied ? near.sum : base) << c.alpha << " " << c.beta;
    if (!c.applied) {
      EXPECT_EQ(t.shield + t.kings + t.queenFlags, 0);
    }
  }
}

TEST(MiniSearchEval, EndgameRules) {
  const struct {
    const char* fen;
    int sum;  // exact where the rule fixes it, else 1 for "positive"
  } cases[] = {
      {"8/8/4k3/8/2N5/8/3K4/8 w - - 0 1", 0},    // a minor piece alone
      {"7k/8/8/8/2NN4/8/3K4/8 w - - 0 1", 0},    // two knights
      {"7k/8/8/3b4/2NN4/8/3K4/8 w - - 0 1", 0},  // two knights against a bishop
      {"k7/8/8/8/2NB4/8/3K4/8 w - - 0 1", 1},    // bishop and knight win
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fen);
    const MiniEvalTerms t = Terms(c.fen);
    EXPECT_TRUE(t.endgame);
    if (c.sum == 0) {
      EXPECT_EQ(t.sum, 0);
    } else {
      EXPECT_GT(t.sum, 400);
    }
  }
  // A bishop against pawns only: 285 less for the side with the piece.
  const MiniEvalTerms b = Terms("8/8/4k3/3p4/8/2B5/3K4/8 w - - 0 1");
  const MiniEvalTerms n = Terms("8/8/4k3/3p4/8/8/3K4/8 w - - 0 1");
  EXPECT_LT(b.sum, 445 - 285 + 100);
  EXPECT_LT(n.sum, 0);
}

TEST(MiniSearchEval, ValuesAreFrozen) {
  EXPECT_EQ(MiniSearchTableChecksum(), 245176990u) << "tables changed";
  const struct {
    const char* fen;
    int sum;
  } cases[] = {
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 1},
      {"r1bq1rk1/pppp1ppp/2n2n2/2b1p3/2B1P3/2N2N2/PPPP1PPP/R1BQ1RK1 w - - 0 1", 1},
      {"r2q1rk1/pp2bppp/2n1pn2/3p4/3P4/2NBPN2/PP3PPP/R2Q1RK1 b - - 0 10", 5},
      {"8/5pk1/6p1/3R4/8/6P1/r4PK1/8 w - - 0 40", -7},
      {"8/8/3k4/8/3PK3/8/8/8 w - - 0 1", 530},
      {"6k1/5ppp/8/8/8/8/1q3PPP/3R2K1 w - - 0 1", -590},
  };
  for (const auto& c : cases) EXPECT_EQ(Terms(c.fen).sum, c.sum) << c.fen;
}

}  // namespace
}  // namespace zh

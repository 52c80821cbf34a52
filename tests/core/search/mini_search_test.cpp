#include "core/search/mini_search.h"

#include <gtest/gtest.h>

#include <random>

#include "core/rules/movelist.h"
#include "core/search/search_entry.h"
#include "support/random_games.h"
#include "support/test_fen.h"

namespace zh {
namespace {

TEST(MiniSearch, ReportedScores) {
  const struct {
    int internal, reported;
  } cases[] = {{110, 100}, {-55, -50}, {1, 2}, {-1, -2}, {0, 0},       {8999, 8180},
               {-8999, -8180}, {9000, 9000}, {-9000, -9000}, {10000, 10000}, {-9998, -9998}};
  for (const auto& c : cases) EXPECT_EQ(MiniReportScore(c.internal), c.reported) << c.internal;
}

TEST(MiniSearch, RefusedSetupsGiveZeroAndNoMove) {
  const struct {
    const char* fen;
    int error;
  } cases[] = {
      {"4k2P/8/8/8/8/8/8/4K3 w - - 0 1", kMiniPawnOnEdge},
      {"4k3/8/8/8/8/8/8/3KK3 w - - 0 1", kMiniKings},
      {"4k3/8/8/8/8/P7/PPPPPPPP/4K3 w - - 0 1", kMiniWhitePawns},
      {"4k3/pppppppp/p7/8/8/8/8/4K3 w - - 0 1", kMiniBlackPawns},
      {"4k3/8/8/8/8/8/8/8 w - - 0 1", kMiniKings},
      {"4k3/4R3/8/8/8/8/8/4K3 w - - 0 1", kMiniOpponentInCheck},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fen);
    const Position p = test::ParseFenForTest(c.fen);
    MiniSearch search;
    MiniSearchResult result;
    EXPECT_EQ(search.Run(MakeMiniSearchInput(p), 3, result), 0);
    EXPECT_NE(search.SetupError() & c.error, 0);
    GameMove m;
    EXPECT_EQ(MiniSearchBestMove(p, m, 3), 0);
    EXPECT_TRUE(m.IsEmpty());
  }
}

TEST(MiniSearch, MateThreatsByChecks) {
  const struct {
    const char* fen;
    bool mates;
  } cases[] = {
      {"4r1k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1", true},     // Re1 mates at once
      {"4r1k1/4qppp/8/8/8/8/5PPP/3R2K1 b - - 0 1", true},  // Qe1+ Rxe1 Rxe1
      {"6k1/4qppp/8/8/8/8/5PPP/3R2K1 b - - 0 1", false},   // Qe1+ Rxe1 and nothing more
      {"4r1k1/4qppp/8/8/8/7P/5PP1/3R2K1 b - - 0 1", false}, // the king has h2
      {"4r1k1/4qppp/8/8/8/8/5PPP/3R1BK1 b - - 0 1", false}, // the bishop blocks the first rank
  };
  MiniSearch search;
  for (const auto& c : cases)
    EXPECT_EQ(search.MatesInTwoByChecks(MakeMiniSearchInput(test::ParseFenForTest(c.fen))), c.mates)
        << c.fen;
}

TEST(MiniSearch, DrawsAndMates) {
  MiniSearch search;
  MiniSearchResult result;
  // Stalemate, and king and bishop against king, at every depth.
  for (const char* fen : {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", "8/8/4k3/8/2B5/8/3K4/8 w - - 0 1",
                          "8/8/4k3/8/2B5/8/3K4/8 b - - 0 1"})
    for (int depth = 1; depth <= 6; ++depth)
      EXPECT_EQ(search.Run(MakeMiniSearchInput(test::ParseFenForTest(fen)), depth, result), 0)
          << fen << " depth " << depth;
  // Mate in one: found at depth 1, scored 10000 unscaled, and the deepening stops.
  const Position p = test::ParseFenForTest("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1");
  EXPECT_EQ(search.Run(MakeMiniSearchInput(p), 6, result), 10000);
  EXPECT_EQ(search.LastIteration(), 1);
  EXPECT_EQ(result.from, MakeSquare(0, 0));
  EXPECT_EQ(result.to, MakeSquare(0, 7));
  // Checkmated side to move.
  EXPECT_EQ(search.Run(MakeMiniSearchInput(test::ParseFenForTest("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1")),
                       3, result),
            -10001);
  // Below depth 1: the static value, reported from the side to move's view.
  for (const char* fen : {"r2q1rk1/pp2bppp/2n1pn2/3p4/3P4/2NBPN2/PP3PPP/R2Q1RK1 b - - 0 10",
                          "6k1/5ppp/8/8/8/8/1q3PPP/3R2K1 w - - 0 1"}) {
    const MiniSearchInput input = MakeMiniSearchInput(test::ParseFenForTest(fen));
    const int eval = search.StaticEval(input);
    for (int depth : {0, -3}) {
      EXPECT_EQ(search.Run(input, depth, result), MiniReportScore(input.blackToMove ? -eval : eval)) << fen;
      EXPECT_EQ(search.LastIteration(), 0);
    }
  }
}

TEST(MiniSearch, EnPassantNeedsTheDoubleSteppedPawn) {
  // The file says d, but no black pawn stands on d5: no capture onto d6.
  const Position p = test::ParseFenForTest("4k3/8/8/4P3/8/8/8/4K3 w - d6 0 1");
  MiniSearch search;
  MiniSearchResult result;
  for (int depth = 1; depth <= 3; ++depth) {
    search.Run(MakeMiniSearchInput(p), depth, result);
    EXPECT_FALSE(result.from == MakeSquare(4, 4) && result.to == MakeSquare(3, 5));
  }
}

TEST(MiniSearch, RandomPositionsGiveLegalMovesWithinTheDepth) {
  std::mt19937 random(1210);
  MiniSearch search;
  int searched = 0;
  for (const test::PerftCase& c : test::PerftCases()) {
    for (const std::vector<MoveCode>& game : test::RandomGames(c)) {
      Position p = test::ParseFenForTest(c.fen);
      for (size_t ply = 0; ply < game.size(); ++ply) {
        if (random() % 16 == 0 && searched < 1000) {
          const int depth = 1 + searched % 4;
          MiniSearchResult result;
          search.Run(MakeMiniSearchInput(p), depth, result);
          EXPECT_LE(search.LastIteration(), depth);
          MoveList list;
          list.GenerateLegal(p);
          Move m = Move::FromSquares(result.from, result.to, result.promotion & 7);
          ASSERT_TRUE(list.Contains(m)) << test::FenForTest(p) << " depth " << depth;
          ++searched;
        }
        p.MakeMoveSquares(game[ply].from, game[ply].to, game[ply].promotion);
      }
    }
  }
  EXPECT_EQ(searched, 1000);
  // Depth 5 starts no sixth iteration.
  MiniSearchResult result;
  search.Run(MakeMiniSearchInput(Position()), 5, result);
  EXPECT_EQ(search.LastIteration(), 5);
}

TEST(MiniSearch, MoveStackStopsAt230) {
  // Four queens a side behind closed pawn ranks: a few plies of their moves fill the
  // stack, and the search goes on with what it holds.
  const Position p = test::ParseFenForTest("k7/pppppppp/1qqqq3/8/8/3QQQQ1/PPPPPPPP/7K w - - 0 1");
  MiniSearch search;
  MiniSearchResult result;
  search.Run(MakeMiniSearchInput(p), 3, result);
  EXPECT_EQ(search.PeakStack(), kMiniMoveStack);
  MoveList list;
  list.GenerateLegal(p);
  EXPECT_TRUE(list.Contains(Move::FromSquares(result.from, result.to, result.promotion & 7)));
}

TEST(SearchEntry, LegalityOfMoveCodes) {
  const Position mate = test::ParseFenForTest("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1");
  const Position stalemate = test::ParseFenForTest("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
  EXPECT_TRUE(HasNoLegalMove(mate));
  EXPECT_TRUE(HasNoLegalMove(stalemate));
  EXPECT_FALSE(HasNoLegalMove(Position()));
  const Position castle = test::ParseFenForTest("4k3/8/8/8/8/8/8/4K2R w K - 0 1");
  EXPECT_TRUE(IsLegalMoveCode(castle, MoveCode(32, 48, kWhiteShortCastle, 0)));
  const Position attacked = test::ParseFenForTest("4k3/8/8/8/8/8/5r2/4K2R w K - 0 1");
  EXPECT_FALSE(IsLegalMoveCode(attacked, MoveCode(32, 48, kWhiteShortCastle, 0)));
  EXPECT_FALSE(IsLegalMoveCode(Position(), MoveCode(12, 0xFF, 0, 0)));
  EXPECT_TRUE(IsLegalMoveCode(Position(), MoveCode(33, 35, kDoubleStep, 0)));
}

}  // namespace
}  // namespace zh

#include "engines/game/game_end_tester.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engines/game/game_fixture.h"

namespace zh::test {
namespace {

struct EndCase {
  const char* name;
  const char* fen;
  const char* moves;
  int code;
};

void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }

class GameEndCases : public ::testing::TestWithParam<EndCase> {};

TEST_P(GameEndCases, TestGivesTheCode) {
  const EndCase& c = GetParam();
  TestGame game(c.fen);
  ASSERT_TRUE(PlayMoves(game.cursor, c.moves));
  GameEndTester tester;
  EXPECT_EQ(tester.Test(game.cursor), c.code);
  // The cursor is not moved by the test.
  EXPECT_EQ(game.cursor.Ply(), game.cursor.LineEnd());
}

INSTANTIATE_TEST_SUITE_P(
    Rules, GameEndCases,
    ::testing::Values(
        EndCase{"StartGoesOn", "", "", kGameGoesOn},
        EndCase{"FoolsMate", "", "f2f3 e7e5 g2g4 d8h4", kGameMate},
        EndCase{"Stalemate", "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", "", kGameStalemate},
        EndCase{"BareKings", "7k/8/8/8/8/8/8/K7 w - - 0 1", "", kGameNoMaterial},
        EndCase{"KingAndKnight", "7k/8/8/8/8/8/8/KN6 w - - 0 1", "", kGameNoMaterial},
        EndCase{"KingAndBishop", "7k/8/8/8/8/8/8/KB6 w - - 0 1", "", kGameNoMaterial},
        EndCase{"TwoKnightsGoOn", "7k/8/8/8/8/8/8/KNN5 w - - 0 1", "", kGameGoesOn},
        // b1, d1 (light) against c8 and e8... all bishops on light squares.
        EndCase{"BishopsAllLight", "2b1b2k/8/8/8/8/8/8/KB1B4 w - - 0 1", "", kGameNoMaterial},
        EndCase{"BishopsOnBothColours", "2b4k/8/8/8/8/8/8/K1B5 w - - 0 1", "", kGameGoesOn},
        EndCase{"KnightAgainstBishopGoesOn", "6bk/8/8/8/8/8/8/KN6 w - - 0 1", "", kGameGoesOn},
        EndCase{"PawnGoesOn", "7k/8/8/8/8/8/P7/K7 w - - 0 1", "", kGameGoesOn},
        // Mate comes before material: a queen mates, nothing else is left to count.
        EndCase{"MateBeforeMaterial", "7k/5K2/8/8/8/8/8/6Q1 w - - 0 1", "g1g7", kGameMate},
        EndCase{"ThirdTimeIsRepetition", "", "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8", kGameRepetition},
        EndCase{"SecondTimeGoesOn", "", "g1f3 g8f6 f3g1 f6g8", kGameGoesOn},
        EndCase{"PawnMoveBreaksTheCount", "", "g1f3 g8f6 f3g1 f6g8 e2e3 g8f6 g1f3 f6g8 f3g1", kGameGoesOn},
        // The rights change after the first visit: the first position does not count.
        EndCase{"LostRightsBreakTheCount", "r3k3/8/8/8/8/8/8/4K2R w Kq - 0 1",
                "h1h2 a8a7 h2h1 a7a8 h1h2 a8a7 h2h1 a7a8 h1h2 a8a7 h2h1 a7a8", kGameRepetition}));

std::string Square(int file, int rank) { return {static_cast<char>('a' + file), static_cast<char>('1' + rank)}; }

// The white king walks a snake over ranks 1 to 6, then the rook walks along rank 7,
// while black's king steps between h8 and g8: no position repeats, and nothing is
// captured.
std::string KingWalk(int plies) {
  std::vector<std::string> white;
  std::vector<std::string> path;
  for (int rank = 0; rank < 6; ++rank)
    for (int i = 0; i < 8; ++i) path.push_back(Square(rank % 2 ? 7 - i : i, rank));
  for (size_t i = 0; i + 1 < path.size(); ++i) white.push_back(path[i] + path[i + 1]);
  for (int file = 0; file < 4; ++file) white.push_back(Square(file, 6) + Square(file + 1, 6));
  std::string moves;
  for (int ply = 0; ply < plies; ++ply) {
    const int step = ply / 2;
    moves += ply % 2 ? (step % 2 ? "g8h8 " : "h8g8 ") : white.at(step) + " ";
  }
  return moves;
}

TEST(GameEndTester, HundredPliesWithoutCaptureEndOnTheMoveThatCompletesThem) {
  GameEndTester tester;
  for (int plies : {99, 100}) {
    TestGame game("7k/R7/8/8/8/8/8/K7 w - - 0 1");
    ASSERT_TRUE(PlayMoves(game.cursor, KingWalk(plies)));
    EXPECT_EQ(tester.Test(game.cursor), plies == 100 ? kGameHundredPlies : kGameGoesOn) << plies;
  }
}

// Knights out and back: `plies` (a multiple of four) that end on the start position.
std::string KnightShuffle(int plies) {
  static const char* const cycle[] = {"b1c3", "b8c6", "c3b1", "c6b8"};
  std::string moves;
  for (int i = 0; i < plies; ++i) moves += std::string(cycle[i % 4]) + " ";
  return moves;
}

TEST(GameEndTester, PlyLimitComesBeforeMate) {
  // The mate lands on ply 581 (code 1) or on ply 585 (the limit, code 6).
  GameEndTester tester;
  for (int shuffle : {576, 580}) {
    TestGame game;
    ASSERT_TRUE(PlayMoves(game.cursor, KnightShuffle(shuffle) + "e2e4 f7f6 d2d4 g7g5 d1h5"));
    EXPECT_EQ(tester.Test(game.cursor), shuffle == 580 ? kGameTooLong : kGameMate) << game.cursor.Ply();
  }
}

TEST(GameEndTester, FiveOrFewerPliesGiveNoRepetition) {
  // Plies from a set-up position: the fourth visit would be at ply 8, but even a
  // repetition-shaped start cannot give 4 or 5 before ply 6.
  TestGame game("4k3/8/8/8/8/8/8/4K2R w - - 99 1");
  ASSERT_TRUE(PlayMoves(game.cursor, "h1h2 e8d8 h2h1 d8e8"));
  GameEndTester tester;
  EXPECT_EQ(tester.Test(game.cursor), kGameGoesOn);
}

// The rule keys a position's en-passant file only when a pawn of the side to move
// stands beside the pawn that made the double step.
TEST(GameEndTester, EnPassantCountsOnlyWhenAPawnCanTake) {
  struct Case {
    const char* fen;
    int code;
  };
  const char* moves = "d7d5 g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8";
  const Case cases[] = {
      // e5 could take on d6 the first time: that position differs, no third visit.
      {"4k1n1/3p4/8/4P3/8/8/8/4K1N1 b - - 0 1", kGameGoesOn},
      // Nothing could take on d6: all three visits are one position, although a
      // black pawn stands beside f3, the knight's square.
      {"4k1n1/3p4/8/8/8/6p1/8/4K1N1 b - - 0 1", kGameRepetition},
  };
  for (const Case& c : cases) {
    TestGame game(c.fen);
    ASSERT_TRUE(PlayMoves(game.cursor, moves)) << c.fen;
    GameEndTester tester;
    EXPECT_EQ(tester.Test(game.cursor), c.code) << c.fen;
  }
}

TEST(GameEndTester, EffectiveEnPassantFileNeedsAPawnBeside) {
  EXPECT_EQ(EffectiveEnPassantFile(ParseFenForTest("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1")), 4);
  EXPECT_EQ(EffectiveEnPassantFile(ParseFenForTest("4k3/8/8/3p3P/8/8/8/4K3 w - d6 0 1")), 0);
  EXPECT_EQ(EffectiveEnPassantFile(ParseFenForTest("4k3/8/8/8/Pp6/8/8/4K3 b - a3 0 1")), 1);
  // A white pawn beside a white double step does not count.
  EXPECT_EQ(EffectiveEnPassantFile(ParseFenForTest("4k3/8/8/8/PP6/8/8/4K3 b - a3 0 1")), 0);
}

}  // namespace
}  // namespace zh::test

#include "core/rules/board.h"

#include <gtest/gtest.h>

#include "support/recording_services.h"
#include "support/test_fen.h"

namespace zh {
namespace {

TEST(Board, StartPosition) {
  const Board b(true);
  const int back[8] = {5, 3, 4, 2, 1, 4, 3, 5};
  for (int f = 0; f < 8; ++f) {
    EXPECT_EQ(b[MakeSquare(f, 0)], back[f]);
    EXPECT_EQ(b[MakeSquare(f, 1)], 6);
    EXPECT_EQ(b[MakeSquare(f, 6)], 14);
    EXPECT_EQ(b[MakeSquare(f, 7)], back[f] + 8);
    for (int r = 2; r < 6; ++r) EXPECT_EQ(b[MakeSquare(f, r)], 0);
  }
  EXPECT_EQ(b[31], 10);
  EXPECT_EQ(b[39], 9);
  EXPECT_EQ(b.cachedIndex, 0u);
  const Board empty;
  for (int s = 0; s < 64; ++s) EXPECT_EQ(empty[s], 0);
}

TEST(Board, EdgeFlags) {
  EXPECT_EQ(kEdgeFlags[0], 0x14);   // a1
  EXPECT_EQ(kEdgeFlags[9], 0x28);   // b2
  EXPECT_EQ(kEdgeFlags[55], 0x81);  // g8
  EXPECT_EQ(kEdgeFlags[63], 0x41);  // h8
  EXPECT_EQ(kEdgeFlags[27], 0x00);  // d4
}

TEST(Board, ComparisonRemembersTheLastDifference) {
  Board a(true), b(true);
  EXPECT_FALSE(a.DiffersFrom(b));
  EXPECT_TRUE(a.Equals(b));
  b[40] = 0;
  EXPECT_TRUE(a.DiffersFrom(b));
  EXPECT_EQ(a.cachedIndex, 40u);
  // The cached square is tested first: a difference there answers at once.
  EXPECT_TRUE(a.DiffersFrom(b));
  b[40] = a[40];
  EXPECT_TRUE(a.Equals(b));
  Board c;
  c.Assign(a);
  EXPECT_EQ(c.cachedIndex, 0u);
  a.cachedIndex = 17;
  c.CopySquares(Board());
  EXPECT_EQ(c.cachedIndex, 0u);
  c.MergePieceKind(a, 6);
  EXPECT_EQ(c[1], 6);
  EXPECT_EQ(c[0], 0);
}

TEST(Board, SquareAttacks) {
  const Position p = test::ParseFenForTest("4k3/8/8/3q4/8/1n6/6P1/4K3 w - - 0 1");
  const Board& b = p.board;
  auto attacked = [&](const char* sq, bool byBlack) {
    return TestSquareAttacked(b, MakeSquare(sq[0] - 'a', sq[1] - '1'), byBlack);
  };
  EXPECT_TRUE(attacked("d1", true));   // queen d5 down the file
  EXPECT_TRUE(attacked("a1", true));   // knight b3
  EXPECT_TRUE(attacked("a8", true));   // queen d5 along the diagonal
  EXPECT_FALSE(attacked("h1", true));  // the pawn on g2 blocks that diagonal
  EXPECT_FALSE(attacked("e2", true));
  EXPECT_TRUE(attacked("f3", false));  // pawn g2
  EXPECT_TRUE(attacked("h3", false));
  EXPECT_FALSE(attacked("g3", false));
  EXPECT_TRUE(attacked("d2", false));  // king e1
  EXPECT_TRUE(attacked("d7", true));   // king e8 and queen
  EXPECT_FALSE(IsKingAttacked(b, false));
  EXPECT_FALSE(IsKingAttacked(b, true));
  EXPECT_FALSE(IsKingAttacked(Board(), true));  // no king
  const Position check = test::ParseFenForTest("4k3/8/8/8/1q6/8/8/4K3 w - - 0 1");
  EXPECT_TRUE(IsKingAttacked(check.board, false));
}

TEST(Board, Validate) {
  struct Case {
    const char* fen;
    int result;
  };
  const Case cases[] = {
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 0},
      // White to move while the black king is in check.
      {"4k3/8/8/8/8/8/8/4KR2 w - - 0 1", 0},
      {"4k3/8/8/8/8/8/8/4R1K1 w - - 0 1", -1},
      {"4k3/8/8/8/8/8/8/4R1K1 b - - 0 1", 0},
      // Both kings attacked.
      {"4k3/8/1b6/8/8/8/8/4R1K1 b - - 0 1", -1},
      {"4k3/8/8/8/8/P7/PPPPPPPP/4K3 w - - 0 1", -1},                   // nine white pawns
      {"4k3/8/8/8/8/8/PPPPPPPP/3QK1Q1 w - - 0 1", -1},                 // two queens and eight pawns
      {"4k3/8/8/8/8/8/PPPPPPP1/3QK1Q1 w - - 0 1", 0},                  // one promoted queen
      {"4k3/8/8/8/8/8/8/3KK3 w - - 0 1", -1},                          // two white kings
      {"8/8/8/8/8/8/8/4K3 w - - 0 1", -1},                             // no black king
      {"3Pk3/8/8/8/8/8/8/4K3 w - - 0 1", -1},                          // pawn on rank 8
      {"4k3/8/8/8/8/8/8/p3K3 w - - 0 1", -1},                          // pawn on rank 1
      {"rnbqkbnr/pppppppp/8/8/8/7n/PPPPPPPP/RNBQKBNR w - - 0 1", -1},  // 33 men
      {"4k3/8/8/8/8/8/8/NNNK4 w - - 0 1", 0},                          // a promoted third knight
  };
  for (const Case& c : cases)
    EXPECT_EQ(
        ValidateBoard(test::ParseFenForTest(c.fen).board, test::ParseFenForTest(c.fen).side == 1),
        c.result)
        << c.fen;
  Board bad(true);
  bad[20] = 7;
  EXPECT_EQ(ValidateBoard(bad, false), -1);
  bad[20] = 16;
  EXPECT_EQ(ValidateBoard(bad, false), -1);
}

TEST(Board, Helpers) {
  EXPECT_EQ(OppositeSide(0), 1u);
  EXPECT_EQ(OppositeSide(1), 0u);
  EXPECT_EQ(OppositeSide(16), 32u);
  EXPECT_EQ(OppositeSide(128), 64u);
  EXPECT_EQ(OppositeSide(5), 5u);
  EXPECT_EQ(PieceValue(2), 900);
  EXPECT_EQ(PieceValue(13), 450);
  EXPECT_EQ(PieceValue(9), 0);
  EXPECT_EQ(PieceValue(14), 100);
  EXPECT_EQ(SquareName(0), "a1");
  EXPECT_EQ(SquareName(63), "h8");
  EXPECT_EQ(SquareName(39), "e8");
  EXPECT_EQ(ManhattanDistance(0, 63), 14);
  EXPECT_EQ(ManhattanDistance(32, 39), 7);
  EXPECT_EQ(TransposeSquare(1), 8);
  EXPECT_EQ(TransposeSquare(8), 1);
  EXPECT_EQ(TransposeSquare(TransposeSquare(45)), 45);
}

TEST(Board, PieceLetterAndSideNameComeFromTexts) {
  test::RecordingServices rec;
  rec.texts[23] = "KDSLTB.x+";
  rec.texts[133] = "~Weiss";
  rec.texts[134] = "Sch~warz";
  EXPECT_EQ(PieceLetter(1), 'K');
  EXPECT_EQ(PieceLetter(11), 'S');
  EXPECT_EQ(PieceLetter(14), 'B');
  EXPECT_EQ(SideName(0), "Weiss");
  EXPECT_EQ(SideName(1), "Schwarz");
  // A short text has no letter for the pawn: a blank, not a read past its end.
  rec.texts[23] = "KDS";
  EXPECT_EQ(PieceLetter(3), 'S');
  EXPECT_EQ(PieceLetter(0), ' ');
  EXPECT_EQ(PieceLetter(6), ' ');
  EXPECT_EQ(PieceLetter(7), ' ');
}

TEST(Board, MissingTextsGiveBlanks) {
  // No text installed: the null service answers "NOTEXT".
  for (int code = 0; code < 16; ++code) EXPECT_EQ(PieceLetter(code), ' ');
  EXPECT_EQ(SideName(0), "");
  EXPECT_EQ(SideName(1), "");
}

}  // namespace
}  // namespace zh

#include "core/rules/retro_movelist.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/random_games.h"
#include "support/test_fen.h"

namespace zh {
namespace {

int Sq(const char* name) {
  return MakeSquare(name[0] - 'a', name[1] - '1');
}

// Taking the entry back and playing it again gives the position back; a double step
// played again sets an en-passant file the position may not show.
void ExpectReplays(const Position& p, const GameMove& m) {
  Position q = p;
  q.UndoGameMove(m);
  q.DoGameMove(m);
  EXPECT_TRUE(q.board.Equals(p.board)) << m.LongText();
  EXPECT_EQ(q.side, p.side);
  EXPECT_EQ(q.castling, p.castling) << m.LongText();
  if (!(m.kind & kDoubleStep)) {
    EXPECT_EQ(q.epFile, p.epFile) << m.LongText();
  }
}

// The real predecessor is among the entries: same board and side, its rights within
// the entry's, its en-passant file when the move took en passant.
bool HasPredecessor(const RetroMoveList& list, const Position& now, const Position& before,
                    bool enPassant) {
  for (int i = 0; i < list.Count(); ++i) {
    Position q = now;
    q.UndoGameMove(list.At(i));
    if (q.board.Equals(before.board) && q.side == before.side &&
        (before.castling & ~q.castling) == 0 && (!enPassant || q.epFile == before.epFile))
      return true;
  }
  return false;
}

TEST(RetroMoveList, RandomGamesGiveBackTheirPredecessors) {
  RetroMoveList list;
  int positions = 0;
  for (const test::PerftCase& c : test::PerftCases()) {
    for (const std::vector<MoveCode>& game : test::RandomGames(c)) {
      Position p = test::ParseFenForTest(c.fen);
      for (const MoveCode& code : game) {
        GameMove m = GameMove::FromSquares(code.from, code.to,
                                           code.kind & kPromotion ? code.promotion : 0);
        m.Complete(p);
        const Position before = p;
        p.DoGameMove(m);
        const int n = list.Generate(p);
        ASSERT_EQ(n, list.Count());
        for (int i = 0; i < n; ++i) ExpectReplays(p, list.At(i));
        ASSERT_TRUE(HasPredecessor(list, p, before, m.kind & kEnPassant))
            << test::FenForTest(p) << " after " << m.LongText();
        ++positions;
      }
    }
  }
  EXPECT_GE(positions, 10000);
}

TEST(RetroMoveList, EnPassantFileAllowsOnlyTheDoubleStep) {
  RetroMoveList list;
  const Position p = test::ParseFenForTest("4k3/8/8/8/4P3/8/8/4K3 b - e3 0 1");
  ASSERT_EQ(list.Generate(p), 1);
  EXPECT_EQ(list.At(0).from, Sq("e2"));
  EXPECT_EQ(list.At(0).to, Sq("e4"));
  EXPECT_EQ(list.At(0).kind, kDoubleStep);
  // Without the pawn, or with the square passed over taken, nothing.
  for (const char* fen : {"4k3/8/8/8/8/8/8/4K3 b - - 0 1", "4k3/8/8/8/4P3/4N3/8/4K3 b - - 0 1"}) {
    Position q = test::ParseFenForTest(fen);
    q.epFile = 5;
    EXPECT_EQ(list.Generate(q), 0) << fen;
  }
}

TEST(RetroMoveList, KingLeavingHomeRestoresRightsOfItsRooks) {
  RetroMoveList list;
  const Position p = test::ParseFenForTest("4k3/8/8/8/8/8/8/R4K1R b - - 0 1");
  const int n = list.Generate(p);
  std::vector<uint8_t> rights;
  for (int i = 0; i < n; ++i)
    if (list.At(i).from == Sq("e1") && list.At(i).to == Sq("f1") && list.At(i).kind == 0)
      rights.push_back(list.At(i).castling);
  EXPECT_EQ(rights, (std::vector<uint8_t>{0, 3, 2, 1}));
}

TEST(RetroMoveList, UnpromotionsAndUncastling) {
  RetroMoveList list;
  // Queen on e8: an un-promotion from e7 with promotion type queen.
  Position p = test::ParseFenForTest("4Q3/8/8/8/8/8/8/k3K3 b - - 0 1");
  int n = list.Generate(p);
  int unpromotions = 0;
  for (int i = 0; i < n; ++i) {
    const GameMove& m = list.At(i);
    if (m.kind & kPromotion) {
      ++unpromotions;
      EXPECT_EQ(m.promotion, kQueen);
      EXPECT_EQ(m.piece, kQueen);
    }
    if (m.kind == kPromotion) {
      EXPECT_EQ(m.from, Sq("e7"));
    }
  }
  EXPECT_EQ(unpromotions, 1 + 2 * 4);  // straight, and four men on d7 and f7 each

  // King g1 and rook f1 without the short right: castling back, rook a1 adds the long.
  p = test::ParseFenForTest("4k3/8/8/8/8/8/8/R4RK1 b - - 0 1");
  n = list.Generate(p);
  bool found = false;
  for (int i = 0; i < n; ++i)
    if (list.At(i).kind == kWhiteShortCastle) {
      found = true;
      EXPECT_EQ(list.At(i).from, Sq("e1"));
      EXPECT_EQ(list.At(i).castling, kWhiteShort | kWhiteLong);
      ExpectReplays(p, list.At(i));
    }
  EXPECT_TRUE(found);
}

TEST(RetroMoveList, UnEnPassantNeedsTheTakenPawnsSquareEmpty) {
  RetroMoveList list;
  // White pawn on d6 with a man on d5: no un-en-passant.
  Position p = test::ParseFenForTest("4k3/8/3P4/3n4/8/8/8/4K3 b - - 0 1");
  int n = list.Generate(p);
  for (int i = 0; i < n; ++i) EXPECT_FALSE(list.At(i).kind & kEnPassant);
  p = test::ParseFenForTest("4k3/8/3P4/8/8/8/8/4K3 b - - 0 1");
  n = list.Generate(p);
  int ep = 0;
  for (int i = 0; i < n; ++i)
    if (list.At(i).kind & kEnPassant) {
      ++ep;
      EXPECT_EQ(list.At(i).epFile, FileOf(Sq("d6")) + 1);
      EXPECT_EQ(list.At(i).captured, kBlackBit | kPawn);
      ExpectReplays(p, list.At(i));
    }
  EXPECT_EQ(ep, 2);
}

TEST(RetroMoveList, LimitEndsGenerationAndAtGuardsItsRange) {
  RetroMoveList list;
  const Position p = test::ParseFenForTest("4k3/8/8/3Q4/8/8/8/4K3 b - - 0 1");
  const int all = list.Generate(p);
  ASSERT_GT(all, 20);
  const GameMove first = list.At(0);
  EXPECT_EQ(list.Generate(p, 7), 7);
  EXPECT_EQ(list.Generate(p, 5000), all);
  EXPECT_EQ(list.At(2000).from, first.from);
  EXPECT_EQ(list.At(2000).to, first.to);
}

}  // namespace
}  // namespace zh

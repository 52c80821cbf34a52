#include "core/rules/game_move.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/test_fen.h"

namespace zh {
namespace {

int Sq(const char* name) {
  return MakeSquare(name[0] - 'a', name[1] - '1');
}

GameMove Completed(const Position& p, const char* from, const char* to, int promotion = 0) {
  GameMove m = GameMove::FromSquares(Sq(from), Sq(to), promotion);
  m.Complete(p);
  return m;
}

TEST(GameMove, FreshEntryHoldsNoMove) {
  GameMove m;
  EXPECT_EQ(m.kind, kNoMoveKind);
  EXPECT_EQ(m.annotations, nullptr);
  EXPECT_EQ(m.variations, nullptr);
  m.from = static_cast<uint8_t>(Sq("e2"));
  m.to = static_cast<uint8_t>(Sq("e4"));
  EXPECT_EQ(m.LongText(), "e2e4");
}

TEST(GameMove, CompleteClassifiesBySquares) {
  const Position p = test::ParseFenForTest("r3k2r/1P6/8/3pP3/8/8/8/R3K1NR w KQkq d6 0 1");
  struct Case {
    const char *from, *to;
    int promotion;
    uint8_t kind, captured;
    const char* longText;
  } cases[] = {
      {"e1", "g1", 0, kWhiteShortCastle | kCapture, kKnight, "0-0"},  // by squares alone
      {"e1", "c1", 0, kWhiteLongCastle, 0, "0-0-0"},
      {"e5", "d6", 0, kEnPassant, kPawn | kBlackBit, "e5xd6"},
      {"b7", "a8", 1, kPromotion | kCapture, kRook | kBlackBit, "b7xa8Q"},
      {"b7", "b8", 5, kPromotion, 0, "b7-b8R"},
      {"g1", "f3", 0, 0, 0, "Ng1-f3"},
  };
  for (const Case& c : cases) {
    const GameMove m = Completed(p, c.from, c.to, c.promotion);
    EXPECT_EQ(m.kind, c.kind) << c.longText;
    EXPECT_EQ(m.captured, c.captured) << c.longText;
    EXPECT_EQ(m.epFile, p.epFile);
    EXPECT_EQ(m.castling, p.castling);
    EXPECT_EQ(m.LongText(), c.longText);
  }
  const GameMove null = Completed(p, "e1", "e1");
  EXPECT_EQ(null.kind, 0);
  EXPECT_EQ(null.piece, 0);
  EXPECT_EQ(Completed(test::ParseFenForTest("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1"), "e2", "e4").kind,
            kDoubleStep);
}

// A plain king move must move the king square with it, both ways; tree keys are built
// from it.
TEST(GameMove, ConvertsToTheSmallMoveForms) {
  const Position p = test::ParseFenForTest("r3k2r/1P6/8/3pP3/8/8/8/R3K1NR w KQkq d6 0 1");
  const GameMove m = Completed(p, "b7", "a8", 3);
  const Move move = Move::FromGameMove(m);
  EXPECT_EQ(move.from, Sq("b7"));
  EXPECT_EQ(move.to, Sq("a8"));
  EXPECT_EQ(move.kind, kPromotion | kCapture);
  EXPECT_EQ(move.promotion, 3);
  EXPECT_EQ(move.captured, kRook | kBlackBit);
  EXPECT_EQ(move.piece, kPawn);
  EXPECT_EQ(move.complete, 0);
  const MoveCode code = MoveCode::FromGameMove(m);
  EXPECT_EQ(code.from, Sq("b7"));
  EXPECT_EQ(code.to, Sq("a8"));
  EXPECT_EQ(code.kind, kPromotion | kCapture);
  EXPECT_EQ(code.promotion, 3);
}

TEST(GameMove, KingSquareFollowsEveryKingMove) {
  Position p = test::ParseFenForTest("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
  const Position start = p;
  const GameMove m = Completed(p, "e1", "d2");
  p.DoGameMove(m);
  EXPECT_EQ(p.whiteKing, Sq("d2"));
  p.UndoGameMove(m);
  EXPECT_EQ(p.whiteKing, Sq("e1"));
  EXPECT_EQ(p, start);
}

TEST(GameMove, DoAndUndoRestoreTheExactPosition) {
  const char* fen = "r3k2r/1P6/8/3pP3/8/8/8/R3K1NR w KQkq d6 0 1";
  const char* moves[][2] = {{"e1", "c1"}, {"e5", "d6"}, {"b7", "a8"}, {"a1", "a7"}, {"e1", "e1"}};
  for (const auto& mv : moves) {
    Position p = test::ParseFenForTest(fen);
    const Position before = p;
    const GameMove m = Completed(p, mv[0], mv[1], kKnight);
    p.DoGameMove(m);
    Position reference = before;
    reference.MakeMoveSquares(m.from, m.to, kKnight);
    if (m.IsNull()) reference = before, reference.side = 1, reference.epFile = 0;
    EXPECT_EQ(p, reference) << mv[0] << mv[1];
    p.UndoGameMove(m);
    EXPECT_EQ(p, before) << mv[0] << mv[1];
  }
  GamePosition g{test::ParseFenForTest(fen), 7};
  const GameMove m = Completed(g.position, "e1", "g1");
  g.DoGameMove(m);
  EXPECT_EQ(g.ply, 8);
  EXPECT_EQ(g.position.board[Sq("f1")], kRook);
  EXPECT_EQ(g.position.castling, kBlackLong | kBlackShort);
}

TEST(GameMove, TextIsCutToFifteenBytes) {
  GameMove m;
  m.SetText(DisplayText("abcdefghijklmnopqrstuvwxyz"));
  EXPECT_EQ(m.Text(), DisplayText("abcdefghijklmno"));
  m.SetText(DisplayText("\xA4" "f3"));
  EXPECT_EQ(m.Text().size(), 3u);
}

TEST(StartRecord, StandardStartMark) {
  StartRecord r;
  EXPECT_TRUE(r.IsStandardStart());
  EXPECT_EQ(r.FirstMoveNumber(), 1);
  r.start.ply = 0;
  r.firstMove = 23;
  EXPECT_FALSE(r.IsStandardStart());
  r.SetStandardStart();
  EXPECT_TRUE(r.IsStandardStart());
  EXPECT_EQ(r.FirstMoveNumber(), 1);
}

}  // namespace
}  // namespace zh

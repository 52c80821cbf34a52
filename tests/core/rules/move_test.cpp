#include "core/rules/move.h"

#include <gtest/gtest.h>

#include "core/rules/position.h"
#include "support/test_fen.h"

namespace zh {
namespace {

constexpr int Sq(const char* name) {
  return MakeSquare(name[0] - 'a', name[1] - '1');
}

struct ClassifyCase {
  const char* fen;
  const char* from;
  const char* to;
  int promotion;
  int kind;
  int promotionAfter;
  int captured;
};

TEST(Move, ClassifyAndComplete) {
  const ClassifyCase cases[] = {
      // Only files are looked at: pieces between king and rook do not matter.
      {"4k3/8/8/8/8/8/8/4KB1R w K - 0 1", "e1", "g1", 0, kWhiteShortCastle, 0, 0},
      {"8/8/8/8/8/8/8/4k2K w - - 0 1", "e1", "g1", 0, kBlackShortCastle, 0, 0},
      {"r3k3/8/8/8/8/8/8/4K3 b q - 0 1", "e8", "c8", 0, kBlackLongCastle, 0, 0},
      {"4k3/8/8/8/8/8/8/R3K3 w Q - 0 1", "e1", "c1", 0, kWhiteLongCastle, 0, 0},
      // A pawn capture onto the last rank; promotion 0 becomes a queen.
      {"3nk3/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7", "d8", 0, kPromotion | kCapture, kQueen, 11},
      {"4k3/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7", "f8", 7, kPromotion, kQueen, 0},
      {"4k3/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7", "f8", kKnight, kPromotion, kKnight, 0},
      // A diagonal pawn step onto an empty square is en passant; the captured pawn is black.
      {"4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1", "e5", "d6", 0, kEnPassant, 0, 14},
      {"4k3/8/8/8/3pP3/8/8/4K3 b - - 0 1", "d4", "e3", 0, kEnPassant, 0, 6},
      {"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", "e2", "e4", 0, kDoubleStep, 0, 0},
      {"4k3/4p3/8/8/8/8/8/4K3 b - - 0 1", "e7", "e5", 0, kDoubleStep, 0, 0},
      {"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", "e2", "e3", 0, 0, 0, 0},
      {"4k2r/8/8/8/8/8/8/4K2R w - - 0 1", "h1", "h8", 0, kCapture, 0, 13},
  };
  for (const ClassifyCase& c : cases) {
    const Position p = test::ParseFenForTest(c.fen);
    Move m = Move::FromSquares(Sq(c.from), Sq(c.to), c.promotion);
    m.CompleteFrom(p.board);
    SCOPED_TRACE(std::string(c.from) + c.to);
    EXPECT_EQ(m.kind, c.kind);
    EXPECT_EQ(m.promotion, c.promotionAfter);
    EXPECT_EQ(m.captured, c.captured);
    EXPECT_EQ(m.piece, p.board[Sq(c.from)]);
    EXPECT_EQ(m.complete, 1);
  }
}

TEST(Move, FromSquaresAndCodes) {
  const Move plain = Move::FromSquares(Sq("g1"), Sq("f3"));
  EXPECT_EQ(plain.kind, 0);
  EXPECT_EQ(plain.complete, 0);
  const Move promo = Move::FromSquares(Sq("a7"), Sq("a8"), kRook);
  EXPECT_EQ(promo.kind, kPromotion);
  const MoveCode code(promo);
  EXPECT_EQ(code.from, Sq("a7"));
  EXPECT_EQ(code.to, Sq("a8"));
  EXPECT_EQ(code.kind, kPromotion);
  EXPECT_EQ(code.promotion, kRook);
  const Move back = Move::FromCode(code);
  EXPECT_TRUE(back.Equals(promo));
  EXPECT_EQ(back.piece, 0);
  EXPECT_EQ(back.complete, 0);
}

TEST(Move, EqualsLooksAtPromotionOnlyWhenPromoting) {
  Move a = Move::FromSquares(Sq("e2"), Sq("e4"));
  Move b = a;
  b.promotion = 5;
  EXPECT_TRUE(a.Equals(b));
  EXPECT_TRUE(b.Equals(a));
  Move q = Move::FromSquares(Sq("e7"), Sq("e8"), kQueen);
  Move n = Move::FromSquares(Sq("e7"), Sq("e8"), kKnight);
  EXPECT_TRUE(q.Differs(n));
  EXPECT_TRUE(a.Differs(Move::FromSquares(Sq("e2"), Sq("e3"))));
}

struct LegalCase {
  const char* fen;
  const char* from;
  const char* to;
  bool legal;
};

TEST(Move, IsLegal) {
  const LegalCase cases[] = {
      {"4k3/8/8/8/8/8/8/4K2R w K - 0 1", "e1", "g1", true},
      {"r3k3/8/8/8/8/8/8/4K3 b q - 0 1", "e8", "c8", true},
      // Castling out of check, through an attacked f1, or without the right.
      {"4k3/4r3/8/8/8/8/8/4K2R w K - 0 1", "e1", "g1", false},
      {"4kr2/8/8/8/8/8/8/4K2R w K - 0 1", "e1", "g1", false},
      {"4k3/8/8/8/8/8/8/4K2R w Q - 0 1", "e1", "g1", false},
      // Onto an attacked g1.
      {"4k1r1/8/8/8/8/8/8/4K2R w K - 0 1", "e1", "g1", false},
      // Long castling with an attacked b1 is legal: the king never touches it.
      {"1r2k3/8/8/8/8/8/8/R3K3 w Q - 0 1", "e1", "c1", true},
      // A pinned piece and a king stepping into check.
      {"4r1k1/8/8/8/8/8/4B3/4K3 w - - 0 1", "e2", "d3", false},
      {"4r1k1/8/8/8/8/8/8/3K4 w - - 0 1", "d1", "e1", false},
      {"4r1k1/8/8/8/8/8/8/3K4 w - - 0 1", "d1", "c1", true},
      // An en-passant capture that uncovers the king along the rank.
      {"8/8/8/K2pP2r/8/8/8/7k w - d6 0 1", "e5", "d6", false},
  };
  for (const LegalCase& c : cases) {
    const Position p = test::ParseFenForTest(c.fen);
    Move m = Move::FromSquares(Sq(c.from), Sq(c.to));
    m.CompleteFrom(p.board);
    EXPECT_EQ(m.IsLegal(p), c.legal) << c.fen << " " << c.from << c.to;
  }
  Move offBoard = Move::FromSquares(Sq("e1"), -3);
  EXPECT_FALSE(offBoard.IsLegal(Position()));
}

TEST(Move, ToLongText) {
  const Position start;
  auto text = [](const Position& p, const char* from, const char* to, int promotion = 0) {
    Move m = Move::FromSquares(Sq(from), Sq(to), promotion);
    m.CompleteFrom(p.board);
    return m.ToLongText();
  };
  EXPECT_EQ(text(start, "g1", "f3"), "Ng1-f3 ");
  EXPECT_EQ(text(start, "e2", "e4"), "e2-e4");
  const Position promo = test::ParseFenForTest("3nk3/4P3/8/8/8/8/8/4K2R w K - 0 1");
  EXPECT_EQ(text(promo, "e7", "d8", kQueen), "e7xd8Q");
  EXPECT_EQ(text(promo, "e7", "d8", kKnight), "e7xd8N");
  EXPECT_EQ(text(promo, "e1", "g1"), "0-0");
  EXPECT_EQ(text(test::ParseFenForTest("r3k3/8/8/8/8/8/8/4K3 b q - 0 1"), "e8", "c8"), "0-0-0");
  EXPECT_EQ(text(test::ParseFenForTest("4k3/8/8/8/8/8/8/4K2r w - - 0 1"), "e1", "f1"), "Ke1-f1 ");
  EXPECT_EQ(text(test::ParseFenForTest("4k3/8/8/8/8/8/8/4Kr2 w - - 0 1"), "e1", "f1"), "Ke1xf1 ");
  EXPECT_EQ(Move::FromSquares(Sq("b1"), Sq("c3")).ToLongText(), "b1-c3");
}

TEST(Move, PieceLettersTakeTheWholeTable) {
  const Position start;
  Move m = Move::FromSquares(Sq("g1"), Sq("f3"));
  m.CompleteFrom(start.board);
  EXPECT_EQ(SetMovePieceLetters("XKDSLTBY"), 9);
  EXPECT_EQ(m.ToLongText(), "Sg1-f3 ");
  EXPECT_EQ(SetMovePieceLetters("XKQNBRPYZ"), 0);  // too long: refused
  EXPECT_EQ(m.ToLongText(), "Sg1-f3 ");
  EXPECT_EQ(SetMovePieceLetters("XKQNBRPY"), 9);
  EXPECT_EQ(m.ToLongText(), "Ng1-f3 ");
}

}  // namespace
}  // namespace zh

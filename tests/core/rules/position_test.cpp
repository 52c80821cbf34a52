#include "core/rules/position.h"

#include <gtest/gtest.h>

#include "core/rules/move.h"
#include "support/test_fen.h"

namespace zh {
namespace {

constexpr int Sq(const char* name) {
  return MakeSquare(name[0] - 'a', name[1] - '1');
}

Position Fen(const char* fen) {
  return test::ParseFenForTest(fen);
}

Position Play(Position p, const char* from, const char* to, int promotion = 0) {
  p.MakeMove(Move::FromSquares(Sq(from), Sq(to), promotion));
  return p;
}

TEST(Position, StartsAtTheStartPosition) {
  const Position p;
  EXPECT_TRUE(p.board.Equals(Board(true)));
  EXPECT_EQ(p.side, 0u);
  EXPECT_EQ(p.epFile, 0);
  EXPECT_EQ(p.castling, 15);
  EXPECT_EQ(p.whiteKing, 32);
  EXPECT_EQ(p.blackKing, 39);
  EXPECT_EQ(Fen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"), p);
  EXPECT_TRUE(p.IsValid());
}

TEST(Position, SetFindsTheLastKingOfEachColour) {
  Board b;
  b[3] = kKing;
  b[50] = kKing;
  Position p;
  p.Set(b, 1, 3, 0);
  EXPECT_EQ(p.whiteKing, 50);
  EXPECT_EQ(p.blackKing, kNoKing);
  EXPECT_EQ(p.side, 1u);
  EXPECT_EQ(p.epFile, 3);
}

TEST(Position, MakeMove) {
  const Position start;
  Position p = Play(start, "e2", "e4");
  EXPECT_EQ(p.epFile, 5);
  EXPECT_EQ(p.castling, 15);
  EXPECT_EQ(p.side, 1u);
  EXPECT_EQ(p.board[Sq("e4")], kPawn);
  EXPECT_EQ(p.board[Sq("e2")], kEmpty);
  p = Play(p, "g8", "f6");
  EXPECT_EQ(p.epFile, 0);
  EXPECT_EQ(p.side, 0u);

  const Position castles = Fen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  p = Play(castles, "e1", "f1");
  EXPECT_EQ(p.castling, 12);
  EXPECT_EQ(p.whiteKing, Sq("f1"));
  p = Play(castles, "h1", "h8");
  EXPECT_EQ(p.castling, 15 & ~kBlackShort & ~kWhiteShort);
  p = Play(castles, "e1", "g1");
  EXPECT_EQ(p.board[Sq("f1")], kRook);
  EXPECT_EQ(p.board[Sq("h1")], kEmpty);
  EXPECT_EQ(p.whiteKing, Sq("g1"));
  EXPECT_EQ(p.castling, 12);
  p = Play(Fen("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1"), "e8", "c8");
  EXPECT_EQ(p.board[Sq("d8")], kRook | kBlackBit);
  EXPECT_EQ(p.board[Sq("a8")], kEmpty);
  EXPECT_EQ(p.blackKing, Sq("c8"));
  EXPECT_EQ(p.castling, 3);

  // A diagonal pawn step onto an empty square takes the pawn beside it, ep file or not.
  p = Play(Fen("4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1"), "e5", "d6");
  EXPECT_EQ(p.board[Sq("d5")], kEmpty);
  EXPECT_EQ(p.board[Sq("d6")], kPawn);

  // A null move only passes the turn and clears the en-passant file.
  Position n = Play(start, "e2", "e4");
  n.MakeMoveSquares(10, 10, 0);
  EXPECT_EQ(n.side, 0u);
  EXPECT_EQ(n.epFile, 0);
  EXPECT_EQ(n.board[10], Play(start, "e2", "e4").board[10]);
}

// A move made from squares alone carries promotion 0: the pawn still becomes a queen
// of its own colour, not an empty square or code 8.
TEST(Position, PromotionWithoutATypeGivesAQueen) {
  Position w = Play(Fen("4k3/P7/8/8/8/8/8/4K3 w - - 0 1"), "a7", "a8");
  EXPECT_EQ(w.board[Sq("a8")], kQueen);
  Position b = Play(Fen("4k3/8/8/8/8/8/p7/4K3 b - - 0 1"), "a2", "a1");
  EXPECT_EQ(b.board[Sq("a1")], kQueen | kBlackBit);
  Position r = Play(Fen("4k3/8/8/8/8/8/p7/4K3 b - - 0 1"), "a2", "a1", kRook);
  EXPECT_EQ(r.board[Sq("a1")], kRook | kBlackBit);
  Position bad = Play(Fen("4k3/8/8/8/8/8/p7/4K3 b - - 0 1"), "a2", "a1", 9);
  EXPECT_EQ(bad.board[Sq("a1")], kQueen | kBlackBit);
}

TEST(Position, ChecksAndQueries) {
  const Position check = Fen("4k3/8/8/8/8/8/8/4R1K1 b - - 0 1");
  EXPECT_TRUE(check.IsInCheck());
  EXPECT_FALSE(check.IsOpponentInCheck());
  Position illegal = check;
  illegal.side = 0;
  EXPECT_FALSE(illegal.IsInCheck());
  EXPECT_TRUE(illegal.IsOpponentInCheck());
  EXPECT_FALSE(illegal.IsValid());

  const Position p = Fen("4k3/P7/8/8/8/8/7p/4K3 w - - 0 1");
  EXPECT_TRUE(p.IsPromotionMove(Sq("a7"), Sq("a8")));
  EXPECT_TRUE(p.IsPromotionMove(Sq("h2"), Sq("h1")));
  EXPECT_FALSE(p.IsPromotionMove(Sq("e1"), Sq("e2")));

  const Position start;
  EXPECT_EQ(start.GetPieceSquares(kKnight, 0).bits, (uint64_t{1} << 8) | (uint64_t{1} << 48));
  EXPECT_EQ(start.GetPieceSquares(kKing, 1).bits, uint64_t{1} << 39);
  EXPECT_EQ(start.GetSideSquares(0).Count(), 16);
  EXPECT_TRUE(start.GetSideSquares(1).Contains(Sq("a7")));
  EXPECT_EQ(start.GetMaterialSum(0, true), 800);
  EXPECT_EQ(start.GetMaterialSum(1, false), 900 + 2 * 450 + 4 * 300);
}

TEST(Position, CastlingRightsFromPlacement) {
  Position p = Fen("r3k3/8/8/8/8/8/8/R3K2R w - - 0 1");
  EXPECT_EQ(p.CastlingRightsFromPlacement(), kWhiteLong | kWhiteShort | kBlackLong);
  EXPECT_EQ(p.castling, kWhiteLong | kWhiteShort | kBlackLong);
  Position q = Fen("r3k3/8/8/8/8/8/8/R2K3R w KQkq - 0 1");
  EXPECT_EQ(q.CastlingRightsFromPlacement(), kBlackLong);
}

TEST(Position, MirrorGivesTheMirroredPosition) {
  const Position p = Fen("r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1");
  Position m = p;
  m.Mirror();
  EXPECT_EQ(m, Fen("r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1"));
  m.Mirror();
  EXPECT_EQ(m, p);
}

TEST(Position, NormalizeWithRightsOnlyMirrorsAndChecksEnPassant) {
  // Black to move after e2-e4: mirrored; the file stays only with a pawn to take.
  Position p = Fen("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
  EXPECT_EQ(p.Normalize(), kColoursMirrored);
  EXPECT_EQ(p.epFile, 0);
  EXPECT_EQ(p.side, 0u);
  Position q = Fen("rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 1");
  EXPECT_EQ(q.Normalize(), 0);
  EXPECT_EQ(q.epFile, 4);
}

TEST(Position, NormalizeFlipsAndReflectsPawnlessPositions) {
  Position p = Fen("8/8/8/8/8/8/k7/K7 w - - 0 1");
  EXPECT_EQ(p.Normalize(), kFilesFlipped | kReflected);
  EXPECT_EQ(p.whiteKing, Sq("h1"));
  EXPECT_EQ(p.blackKing, Sq("g1"));
  EXPECT_EQ(p.board[Sq("h1")], kKing);
  EXPECT_EQ(p.board[Sq("g1")], kKing | kBlackBit);
  Position found = p;
  found.FindKings();
  EXPECT_EQ(found, p);
}

// Without the reflection each king square goes through the board's own transform:
// the black king does not land on the white king's square.
TEST(Position, NormalizeMapsEachKingSquare) {
  Position p = Fen("7k/8/8/8/8/8/1K6/8 w - - 0 1");
  EXPECT_EQ(p.Normalize(), kFilesFlipped);
  EXPECT_EQ(p.whiteKing, Sq("g2"));
  EXPECT_EQ(p.blackKing, Sq("a8"));
  Position found = p;
  found.FindKings();
  EXPECT_EQ(found, p);
  // With pawns only the files flip; the en-passant file follows.
  Position ep = Fen("4k3/8/8/1Pp5/8/8/8/2K5 w - c6 0 1");
  EXPECT_EQ(ep.Normalize(), kFilesFlipped);
  EXPECT_EQ(ep.epFile, 6);
  EXPECT_EQ(ep, Fen("3k4/8/8/5pP1/8/8/8/5K2 w - f6 0 1"));
}

}  // namespace
}  // namespace zh

#include <gtest/gtest.h>

#include "core/rules/exchange.h"
#include "core/rules/movelist.h"
#include "support/test_fen.h"

namespace zh {
namespace {

int Sq(const char* name) {
  return MakeSquare(name[0] - 'a', name[1] - '1');
}

SquareSet Squares(std::initializer_list<const char*> names) {
  SquareSet set;
  for (const char* n : names) set.Add(Sq(n));
  return set;
}

Move CompletedMove(const Position& p, const char* from, const char* to) {
  Move m = Move::FromSquares(Sq(from), Sq(to));
  m.CompleteFrom(p.board);
  return m;
}

TEST(Attacks, PieceAndSideAttacks) {
  const Position start;
  EXPECT_EQ(start.board.GetPieceAttacks(Sq("b1")), Squares({"a3", "c3", "d2"}));
  EXPECT_EQ(start.board.GetPieceAttacks(Sq("a1")), Squares({"a2", "b1"}));
  EXPECT_EQ(start.board.GetPieceAttacks(Sq("h7")), Squares({"g6"}));
  EXPECT_TRUE(start.board.GetPieceAttacks(Sq("e4")).IsEmpty());
  EXPECT_EQ(start.board.GetSideAttacks(0).Count(), 22);  // ranks 1-3 but a1 and h1
}

TEST(Attacks, BatteriesCountInFull) {
  const Position p = test::ParseFenForTest("k7/8/8/8/8/8/Q7/R6K w - - 0 1");
  EXPECT_EQ(p.board.GetAttackers(Sq("a8"), 0), Squares({"a1", "a2"}));
  AttackTally white, black;
  CountSquareAttackers(p.board, Sq("a8"), white, black);
  EXPECT_EQ(white.count, 2);
  EXPECT_EQ(white.lowest, 80);  // only the first in each direction sets the values
  EXPECT_EQ(black.count, 0);
  EXPECT_EQ(black.lowest, 127);

  // Rook in front of the queen: lowest value 44.
  const Position q = test::ParseFenForTest("k7/8/8/8/8/8/R7/Q6K w - - 0 1");
  CountSquareAttackers(q.board, Sq("a8"), white, black);
  EXPECT_EQ(white.count, 2);
  EXPECT_EQ(white.lowest, 44);
  EXPECT_EQ(white.highest, 44);

  int16_t table[64];
  q.board.CountSquareAttackers(0, Squares({"a8", "h8", "h7"}), table);
  EXPECT_EQ(table[Sq("a8")], 2);
  EXPECT_EQ(table[Sq("h8")], 1);
  EXPECT_EQ(table[Sq("h7")], 0);
  EXPECT_EQ(table[Sq("b8")], 0);  // not asked
}

TEST(Attacks, PawnAttackerWithBishopBehind) {
  const Position p = test::ParseFenForTest("k7/8/8/8/4p3/8/2P5/1B5K w - - 0 1");
  AttackTally white, black;
  CountSquareAttackers(p.board, Sq("d3"), white, black);
  EXPECT_EQ(white.count, 2);
  EXPECT_EQ(white.lowest, 11);
  EXPECT_EQ(black.count, 1);
  EXPECT_EQ(p.board.GetAttackers(Sq("d3"), 0), Squares({"c2"}));  // the bishop is masked there
}

TEST(Exchange, KeysAndLoss) {
  // A pawn takes an undefended queen.
  const Position p = test::ParseFenForTest("k7/8/8/3q4/4P3/8/8/K7 w - - 0 1");
  EXPECT_EQ(p.StaticExchange(CompletedMove(p, "e4", "d5")), -800);
  // A queen takes a pawn that a pawn defends.
  const Position d = test::ParseFenForTest("k7/8/2p5/3p4/8/8/8/K2Q4 w - - 0 1");
  EXPECT_GT(d.StaticExchange(CompletedMove(d, "d1", "d5")), 0);

  int16_t key = 1;
  EXPECT_EQ(p.GetExchangeLoss(CompletedMove(p, "e4", "d5"), &key), 0);
  EXPECT_EQ(key, -800);
  EXPECT_GT(p.GetExchangeLoss(CompletedMove(p, "a1", "b1")), 0);

  ScoredMoveList list;
  p.ScoreLegalMoves(list);
  MoveList legal;
  EXPECT_EQ(list.Count(), legal.GenerateLegal(p));
}

TEST(Exchange, EndangeredPiecesAndMoveSafety) {
  // The black queen on d5 is attacked by a pawn; the rook on a8 is safe; h4 is contested.
  const Position p = test::ParseFenForTest("r3k3/8/8/3q4/4P2n/6P1/8/4K3 b - - 0 1");
  SquareList safe, threatened, contested;
  p.GetEndangeredPieces(safe, threatened, contested);
  EXPECT_TRUE(threatened.ToSquareSet().Contains(Sq("d5")));
  EXPECT_FALSE(threatened.ToSquareSet().Contains(Sq("a8")));

  SquareList good, bad, even;
  // A pawn on f5 guards g4, a rook on a5 guards a4.
  const Position w = test::ParseFenForTest("4k3/8/8/r4p2/8/8/8/3QK3 w - - 0 1");
  w.GetMoveSafety(Sq("d1"), good, bad, even);
  SquareList targets;
  w.GetMoveTargets(Sq("d1"), targets);
  EXPECT_EQ(good.count + bad.count + even.count, targets.count);
  EXPECT_TRUE(good.ToSquareSet().Contains(Sq("c2")));
  EXPECT_TRUE(bad.ToSquareSet().Contains(Sq("g4")));
  EXPECT_TRUE(bad.ToSquareSet().Contains(Sq("a4")));
}

TEST(SquareSafety, FlagsAndAdjustment) {
  AttackTally none, one{1, 11, 11}, two{2, 11, 31};
  const Position p = test::ParseFenForTest("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
  EXPECT_EQ(GetSquareSafety(p.board, none, none, Sq("d4"), false), kSafetyUnattacked);
  EXPECT_EQ(GetSquareSafety(p.board, one, one, Sq("d4"), false), 0);
  EXPECT_EQ(GetSquareSafety(p.board, two, one, Sq("d4"), false), kSafetySafe);
  EXPECT_EQ(GetSquareSafety(p.board, two, one, Sq("d4"), true), kSafetyThreatened);
  // A side alone on a square with the cheaper attacker: contested either way.
  EXPECT_EQ(GetSquareSafety(p.board, one, none, Sq("d4"), false), kSafetyContested);
  // The white king attacked by black: threatened, attacked.
  EXPECT_EQ(GetSquareSafety(p.board, none, one, Sq("e1"), false), kSafetyThreatened | kSafetyAttacked);

  int flags = kSafetyThreatened | kSafetyAttacked;
  AdjustSquareSafety(flags, kQueen, kPawn);  // a queen taking a pawn stays threatened
  EXPECT_EQ(flags, kSafetyThreatened | kSafetyAttacked);
  AdjustSquareSafety(flags, kKnight, kRook);
  EXPECT_EQ(flags, kSafetySafe | kSafetyAttacked);
  flags = kSafetyContested;
  AdjustSquareSafety(flags, kPawn, 0);
  EXPECT_EQ(flags, kSafetyContested);
}

TEST(Exchange, SmallQueries) {
  const Position p;
  EXPECT_TRUE(p.LeavesHomeSquare(CompletedMove(p, "g1", "f3")));
  EXPECT_FALSE(p.LeavesHomeSquare(CompletedMove(p, "e2", "e4")));
  SquareList targets;
  p.GetMoveTargets(Sq("g1"), targets);
  EXPECT_EQ(targets.ToText(), "f3+h3");

  const Position r = test::ParseFenForTest("4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1");
  const Move take = CompletedMove(r, "e4", "d5");
  EXPECT_TRUE(take.IsRecapture(r.board, MoveCode(static_cast<uint8_t>(Sq("c6")),
                                                static_cast<uint8_t>(Sq("d5")), 0, 0)));
  EXPECT_FALSE(take.IsRecapture(r.board, MoveCode(0, static_cast<uint8_t>(Sq("e5")), 0, 0)));

  MaterialTracker m;
  m.Reset();
  EXPECT_EQ(m.white, 8 * 11 + 2 * 31 + 2 * 34 + 2 * 44 + 80 + 90);
  m.Update(r.board, 5, true);
  m.Update(r.board, 7, false);  // within two plies of the forced update
  EXPECT_EQ(m.changed, 0);
  m.Update(r.board, 8, false);
  EXPECT_EQ(m.changed, 1);
  EXPECT_EQ(m.white, 90 + 11);
  EXPECT_EQ(m.previousWhite, 8 * 11 + 2 * 31 + 2 * 34 + 2 * 44 + 80 + 90);
}

TEST(MoveSquareRelation, Codes) {
  const Position p = test::ParseFenForTest("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
  auto relation = [&](const char* sq, const char* second, const char* from, const char* to) {
    GameMove m = GameMove::FromSquares(Sq(from), Sq(to));
    m.Complete(p);
    MoveSquareRelation r;
    r.Compute(Sq(sq), Sq(second), m, p);
    return r.GetKind();
  };
  EXPECT_EQ(relation("a5", "h8", "a1", "a5"), MoveSquareRelation::kToSquare);
  EXPECT_EQ(relation("c3", "a1", "a1", "a5"), MoveSquareRelation::kFromSecond);
  EXPECT_EQ(relation("a3", "a7", "a1", "a5"), MoveSquareRelation::kBetween);
  EXPECT_EQ(relation("c3", "d8", "a1", "d1"), MoveSquareRelation::kAttacksSecond);
  EXPECT_EQ(relation("c3", "h3", "e1", "f2"), MoveSquareRelation::kNone);
}

}  // namespace
}  // namespace zh

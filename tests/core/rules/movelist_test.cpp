#include "core/rules/movelist.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/legal_by_playing.h"
#include "support/perft.h"
#include "support/test_fen.h"

namespace zh {
namespace {

std::vector<std::string> Texts(const MoveList& list) {
  std::vector<std::string> out;
  for (const MoveCode& m : list) out.push_back(test::UciMove(m));
  return out;
}

TEST(MoveList, StartPositionOrder) {
  MoveList list;
  ASSERT_EQ(list.GenerateLegal(Position()), 20);
  const std::vector<std::string> expected = {"a2a4", "a2a3", "b1a3", "b1c3", "b2b4", "b2b3", "c2c4",
                                             "c2c3", "d2d4", "d2d3", "e2e4", "e2e3", "f2f4", "f2f3",
                                             "g1f3", "g1h3", "g2g4", "g2g3", "h2h4", "h2h3"};
  EXPECT_EQ(Texts(list), expected);
  EXPECT_EQ(list.At(0).kind, kDoubleStep);
  EXPECT_EQ(list.At(1).kind, 0);
}

// Every piece kind in one position: squares in order, then each piece's steps.
TEST(MoveList, PseudoLegalOrderOfEveryPiece) {
  const Position p = test::ParseFenForTest("4k3/8/8/8/8/8/1p6/R3K2R w KQ - 0 1");
  MoveList list;
  list.Generate(p);
  const std::vector<std::string> expected = {
      // rook a1: -8 none, -1 none, +8 b1 c1 d1, +1 a2..a8
      "a1b1", "a1c1", "a1d1", "a1a2", "a1a3", "a1a4", "a1a5", "a1a6", "a1a7", "a1a8",
      // king e1: steps -9 -8 -7 -1 +1 +7 +8 +9, then short and long castling
      "e1d1", "e1d2", "e1e2", "e1f1", "e1f2", "e1g1", "e1c1",
      // rook h1: -8 g1 f1, +1 h2..h8
      "h1g1", "h1f1", "h1h2", "h1h3", "h1h4", "h1h5", "h1h6", "h1h7", "h1h8"};
  EXPECT_EQ(Texts(list), expected);
  EXPECT_EQ(list.At(15).kind, kWhiteShortCastle);
  EXPECT_EQ(list.At(16).kind, kWhiteLongCastle);
}

TEST(MoveList, PromotionsComeQueenRookBishopKnight) {
  const Position p = test::ParseFenForTest("1n5k/4P3/8/8/8/8/8/4K3 w - - 0 1");
  MoveList list;
  list.GenerateLegal(p);
  std::vector<std::pair<int, int>> promos;
  for (const MoveCode& m : list)
    if (m.kind & kPromotion) promos.push_back({m.to, m.promotion});
  // e8, d8 and f8 are empty: four pushes and no capture.
  const std::vector<std::pair<int, int>> expected = {{39, 2}, {39, 5}, {39, 4}, {39, 3}};
  EXPECT_EQ(promos, expected);

  const Position capture = test::ParseFenForTest("3nk3/4P3/8/8/8/8/8/K7 w - - 0 1");
  list.GenerateLegal(capture);
  std::vector<std::string> texts = Texts(list);
  // Push to e8 is blocked by the king; the capture of d8 promotes four ways.
  const std::vector<std::string> pawnMoves(texts.end() - 4, texts.end());
  EXPECT_EQ(pawnMoves, (std::vector<std::string>{"e7d8q", "e7d8r", "e7d8b", "e7d8n"}));
  EXPECT_EQ(list.At(list.Count() - 1).kind, kPromotion | kCapture);
}

TEST(MoveList, LimitCutsTheGeneration) {
  MoveList list;
  EXPECT_EQ(list.Generate(Position(), 1), 1);
  EXPECT_EQ(test::UciMove(list.At(0)), "a2a4");
  EXPECT_EQ(list.Generate(Position(), 3), 3);
  EXPECT_EQ(test::UciMove(list.At(2)), "b1a3");
  EXPECT_EQ(list.Generate(Position(), 1000), 20);
}

TEST(MoveList, OutOfRangeIndexGivesSlotZero) {
  MoveList list;
  list.GenerateLegal(Position());
  EXPECT_EQ(list.At(300).from, list.At(0).from);
  EXPECT_EQ(list.At(300).to, list.At(0).to);
  EXPECT_EQ(list.At(-1).to, list.At(0).to);
}

TEST(MoveList, MatedAndStalematedSidesHaveNoMoves) {
  MoveList list;
  // Fool's mate.
  const Position mated =
      test::ParseFenForTest("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3");
  EXPECT_EQ(list.GenerateLegal(mated), 0);
  EXPECT_TRUE(mated.IsCheckmate());
  EXPECT_FALSE(mated.IsStalemate());
  const Position stalemate = test::ParseFenForTest("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
  EXPECT_EQ(list.GenerateLegal(stalemate), 0);
  EXPECT_TRUE(stalemate.IsStalemate());
  EXPECT_FALSE(stalemate.IsCheckmate());
  EXPECT_TRUE(Position().HasLegalMoves());
}

TEST(MoveList, EnPassantOnlyBesideTheFile) {
  // Black just played d7-d5; pawns on c5 and e5 may take, the one on a5 may not.
  const Position p = test::ParseFenForTest("4k3/8/8/P1PpP3/8/8/8/4K3 w - d6 0 1");
  MoveList list;
  list.GenerateLegal(p);
  std::vector<std::string> ep;
  for (const MoveCode& m : list)
    if (m.kind & kEnPassant) ep.push_back(test::UciMove(m));
  EXPECT_EQ(ep, (std::vector<std::string>{"c5d6", "e5d6"}));
  // Black to move, white pawn just arrived on e4.
  const Position b = test::ParseFenForTest("4k3/8/8/8/3pP3/8/8/4K3 b - e3 0 1");
  list.GenerateLegal(b);
  EXPECT_TRUE(list.Contains(Move::FromSquares(27, 34)));  // d4xe3
}

// A damaged en-passant file (above 8, or pointing at an occupied square or at a file
// without an enemy pawn) gives no en-passant move and writes nothing off the board.
TEST(MoveList, DamagedEnPassantFileGivesNoCapture) {
  Position p = test::ParseFenForTest("4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1");
  MoveList list;
  for (int file = 9; file <= 15; ++file) {
    p.epFile = static_cast<uint8_t>(file);
    list.GenerateLegal(p);
    for (const MoveCode& m : list) EXPECT_FALSE(m.kind & kEnPassant) << file;
  }
  // Target square occupied.
  Position occupied = test::ParseFenForTest("4k3/8/3n4/3pP3/8/8/8/4K3 w - - 0 1");
  occupied.epFile = 4;
  list.GenerateLegal(occupied);
  for (const MoveCode& m : list) EXPECT_FALSE(m.kind & kEnPassant);
  // No black pawn beside the mover.
  Position nopawn = test::ParseFenForTest("4k3/8/8/3nP3/8/8/8/4K3 w - - 0 1");
  nopawn.epFile = 4;
  list.GenerateLegal(nopawn);
  for (const MoveCode& m : list) EXPECT_FALSE(m.kind & kEnPassant);
  // Set() keeps only 0..8.
  Position set;
  set.Set(p.board, 0, 12, 0);
  EXPECT_EQ(set.epFile, 0);
}

// Counting looks at the legal moves only, not at codes left behind the count.
TEST(MoveList, CountsStayWithinTheList) {
  // The rook on e2 (33) is pinned by the rook on e8: its sideways moves are dropped.
  const Position p = test::ParseFenForTest("4r1k1/8/8/8/8/8/4R3/4K3 w - - 0 1");
  MoveList list;
  list.Generate(p);
  EXPECT_EQ(list.CountFromSquare(33), 13);
  EXPECT_EQ(list.CountToSquare(1), 1);  // e2-a2
  ASSERT_EQ(list.GenerateLegal(p), 10);
  EXPECT_EQ(list.CountFromSquare(33), 6);  // e3..e8
  EXPECT_EQ(list.CountToSquare(1), 0);
  uint8_t other = 0;
  EXPECT_EQ(list.FindFromSquare(33, other), 4);  // after the four king moves
  EXPECT_EQ(other, 34);                          // e2-e3
  EXPECT_EQ(list.FindToSquare(39, other), 9);
  EXPECT_EQ(other, 33);
  EXPECT_EQ(list.FindToSquare(1, other), list.Count());
}

TEST(MoveList, ContainsComparesPromotionOnlyForPromotions) {
  const Position p = test::ParseFenForTest("4k3/P7/8/8/8/8/8/4K3 w - - 0 1");
  MoveList list;
  list.GenerateLegal(p);
  EXPECT_TRUE(list.Contains(Move::FromSquares(6, 7, kKnight)));
  EXPECT_FALSE(list.Contains(Move::FromSquares(6, 7, kKing)));
  EXPECT_TRUE(list.Contains(Move::FromSquares(32, 40)));  // Ke1-f1
  EXPECT_FALSE(list.Contains(Move::FromSquares(32, 48)));
}

// The generator finds legality from checks and pins; the list must equal the one
// got by playing every pseudo-legal move, in every position of the perft trees...
void ExpectLegalByPlaying(const Position& p, int depth) {
  MoveList list;
  list.GenerateLegal(p);
  ASSERT_TRUE(test::SameAsLegalByPlaying(p, list)) << test::FenForTest(p);
  if (depth == 0) return;
  for (const MoveCode& m : list) {
    Position next = p;
    next.MakeMoveSquares(m.from, m.to, m.promotion);
    ExpectLegalByPlaying(next, depth - 1);
  }
}

TEST(MoveList, PerftTreesMatchLegalByPlaying) {
  for (const test::PerftCase& c : test::PerftCases())
    ExpectLegalByPlaying(test::ParseFenForTest(c.fen), 2);
}

// ...and on random boards, legal or not: several kings, none, damaged fields.
TEST(MoveList, RandomBoardsMatchLegalByPlaying) {
  std::mt19937 random(7);
  constexpr uint8_t kCodes[] = {2, 3, 4, 5, 6, 10, 11, 12, 13, 14};
  for (int i = 0; i < 20000; ++i) {
    Board b;
    const int men = 1 + static_cast<int>(random() % 24);
    for (int k = 0; k < men; ++k) b[random() % 64] = kCodes[random() % std::size(kCodes)];
    const int kings = random() % 10 == 0 ? static_cast<int>(random() % 4) : 1;
    for (int k = 0; k < kings; ++k) b[random() % 64] = kKing;
    for (int k = 0; k < kings; ++k) b[random() % 64] = kKing | kBlackBit;
    if (i % 16 == 0) b[random() % 64] = static_cast<uint8_t>(random() % 256);  // damaged code
    Position p;
    p.Set(b, random() % 2, 0, static_cast<uint8_t>(random() % 16));
    p.epFile = static_cast<uint8_t>(random() % 16);
    MoveList list;
    list.GenerateLegal(p);
    ASSERT_TRUE(test::SameAsLegalByPlaying(p, list))
        << test::FenForTest(p) << " ep " << int(p.epFile);
  }
}

// The single-move test answers as the legal list does for every pseudo-legal move
// (pinned, in check, castling through attack, en passant exposing the king, several
// kings or damaged codes) and for squares no piece moves between.
TEST(MoveList, IsLegalMoveAgreesWithTheLegalList) {
  std::mt19937 random(11);
  std::vector<Position> positions;
  for (const test::PerftCase& c : test::PerftCases()) positions.push_back(test::ParseFenForTest(c.fen));
  constexpr uint8_t kCodes[] = {2, 3, 4, 5, 6, 10, 11, 12, 13, 14};
  for (int i = 0; i < 3000; ++i) {
    Board b;
    const int men = 1 + static_cast<int>(random() % 24);
    for (int k = 0; k < men; ++k) b[random() % 64] = kCodes[random() % std::size(kCodes)];
    const int kings = random() % 10 == 0 ? static_cast<int>(random() % 4) : 1;
    for (int k = 0; k < kings; ++k) b[random() % 64] = kKing;
    for (int k = 0; k < kings; ++k) b[random() % 64] = kKing | kBlackBit;
    if (i % 16 == 0) b[random() % 64] = static_cast<uint8_t>(random() % 256);
    Position p;
    p.Set(b, random() % 2, 0, static_cast<uint8_t>(random() % 16));
    p.epFile = static_cast<uint8_t>(random() % 16);
    positions.push_back(p);
  }
  int legalSeen = 0, illegalSeen = 0;
  for (const Position& p : positions) {
    MoveList legal, pseudo;
    legal.GenerateLegal(p);
    pseudo.Generate(p);
    const auto inLegal = [&](int from, int to) {
      for (const MoveCode& m : legal)
        if (m.from == from && m.to == to) return true;
      return false;
    };
    std::vector<std::pair<int, int>> pairs;
    for (const MoveCode& m : pseudo) pairs.emplace_back(m.from, m.to);
    for (int k = 0; k < 8; ++k) pairs.emplace_back(random() % 64, random() % 64);
    for (const auto& [from, to] : pairs) {
      const bool expected = inLegal(from, to);
      ASSERT_EQ(MoveList::IsLegalMove(p, from, to), expected)
          << test::FenForTest(p) << " ep " << int(p.epFile) << " " << from << "-" << to;
      (expected ? legalSeen : illegalSeen)++;
    }
  }
  EXPECT_GT(legalSeen, 10000);
  EXPECT_GT(illegalSeen, 10000);
}

// More than 255 pseudo-legal moves: the generation stops at the limit.
TEST(MoveList, CrowdedBoardStopsAtTheLimit) {
  const Position p =
      test::ParseFenForTest("QQQQQQQk/Q5QQ/Q6Q/Q2Q3Q/Q6Q/Q2Q3Q/Q3Q2Q/KQQQQQQQ w - - 0 1");
  MoveList list;
  EXPECT_EQ(list.Generate(p), MoveList::kMaxLimit);
  EXPECT_EQ(list.Generate(p, 300), MoveList::kMaxLimit);
  const int legal = list.GenerateLegal(p);
  EXPECT_GT(legal, 0);
  EXPECT_LE(legal, MoveList::kMaxLimit);
  EXPECT_TRUE(test::SameAsLegalByPlaying(p, list));
}

}  // namespace
}  // namespace zh

// Items of tree records: statistics arithmetic, move transformation against the
// normal form, record move lists and the move values of the tree book.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "books/tree/tree_items.h"
#include "books/tree/tree_move_code.h"
#include "books/tree/tree_values.h"
#include "core/rules/movelist.h"
#include "database/game/game_header.h"

namespace zh {
namespace {

GameHeader Header(int result, int eval = 0, int whiteElo = 0, int blackElo = 0) {
  GameHeader h;
  h.record.type = kGameRecord;
  h.record.resultByte = static_cast<uint8_t>(result);
  h.record.evalByte = static_cast<uint8_t>(eval);
  h.record.whiteElo = static_cast<uint16_t>(whiteElo);
  h.record.blackElo = static_cast<uint16_t>(blackElo);
  return h;
}

TEST(StatisticItemTest, ScoresColoursAndGames) {
  StatisticItem s;
  s.whiteWins = s.blackWins = s.draws = 1;
  EXPECT_EQ(s.WhiteScore(), 50);
  EXPECT_EQ(s.BlackScore(), 50);
  EXPECT_EQ(StatisticItem{}.WhiteScore(), 0);

  StatisticItem won;
  const GameHeader white = Header(2, 0, 2400, 2300);
  won.FromGame(&white);
  StatisticItem same = won;
  same.SwapColours(kFilesFlipped | kReflected);
  EXPECT_EQ(same, won);
  won.SwapColours(kColoursMirrored);
  EXPECT_EQ(won.blackWins, 1u);
  EXPECT_EQ(won.whiteWins, 0u);
  EXPECT_EQ(won.whitePoints, 0u);
  EXPECT_EQ(won.whiteRatingSum, 2300u);
  EXPECT_EQ(won.blackRatingSum, 2400u);

  StatisticItem open;
  const GameHeader unfinished = Header(3, 1);
  open.FromGame(&unfinished);
  EXPECT_EQ(open.games, 1u);
  EXPECT_EQ(open.whitePoints, 9u);
  open.FromGame(nullptr);
  EXPECT_EQ(open.whitePoints, 5u);
}

TEST(StatisticItemTest, CompactFormKeepsTwelveRatingBits) {
  StatisticItem s;
  const GameHeader h = Header(1, 0, 4200, 2000);
  s.FromGame(&h);
  StatisticItem back;
  back.UnpackCompact(s.PackCompact());
  EXPECT_EQ(back.whiteRatingSum, 104u);
  EXPECT_EQ(back.blackRatingSum, 2000u);
  EXPECT_EQ(back.draws, 1u);
  EXPECT_EQ(back.whitePoints, 5u);
  uint8_t bytes[30];
  s.Pack(bytes);
  EXPECT_EQ(StatisticItem::Unpack(bytes).whiteRatingSum, 4200u);
}

TEST(StatisticItemTest, SaturatesAndKeepsAverages) {
  StatisticItem big;
  big.games = big.whiteWins = 1'000'000;
  big.whitePoints = 300'000'000;
  big.whiteRated = 1'000'000;
  big.whiteRatingSum = 2'500'000'000u;
  StatisticItem sum;
  for (int i = 0; i < 17; ++i) sum.Add(big);
  uint8_t bytes[30];
  sum.Pack(bytes);
  const StatisticItem stored = StatisticItem::Unpack(bytes);
  EXPECT_EQ(stored.games, 0xFFFFFFu);
  EXPECT_EQ(stored.whiteWins, 0xFFFFFFu);
  EXPECT_EQ(stored.whitePoints, 0xFFFFFFFFu);
  EXPECT_EQ(stored.whiteRated, 1'000'000u);
  EXPECT_EQ(stored.AverageWhiteRating(), 2500u);
}

// Random games: the move turned by the normalising steps of P leads from Normalize(P)
// to Normalize(P after the move), and the way back gives the move again.
TEST(TransformMoveTest, AgreesWithNormalize) {
  std::mt19937 random(50);
  std::map<int, int> stepsSeen;
  for (int game = 0; game < 400; ++game) {
    Position p;
    for (int ply = 0; ply < 120; ++ply) {
      MoveList list;
      if (list.GenerateLegal(p) == 0) break;
      const MoveCode code = list.At(static_cast<int>(random() % list.Count()));
      Position normal = p;
      const int steps = normal.Normalize();
      ++stepsSeen[steps];
      GameMove m = GameMove::FromSquares(code.from, code.to, code.promotion);
      m.Complete(p);
      GameMove turned = m;
      TransformMove(turned, steps);
      Position after = p;
      after.MakeMoveSquares(code.from, code.to, code.promotion);
      Position normalAfter = after;
      normalAfter.Normalize();
      Position played = normal;
      played.MakeMoveSquares(turned.from, turned.to, code.promotion);
      played.Normalize();
      ASSERT_EQ(played, normalAfter) << "steps " << steps;
      EXPECT_EQ(turned.piece, normal.board[turned.from]);
      UntransformMove(turned, steps);
      EXPECT_EQ(turned.from, m.from);
      EXPECT_EQ(turned.to, m.to);
      EXPECT_EQ(turned.piece, m.piece);

      PositionItem item(normal);
      GameMove stored = m;
      TransformMove(stored, steps);
      item.SetMove(stored, false);
      uint8_t record[kMaxTreeRecord];
      ASSERT_GT(item.WriteTo(record), 0u);
      TreeMoveList moves;
      ASSERT_TRUE(PositionItem::ReadMoveList(record, moves));
      if (m.promotion == 0 || m.promotion == kQueen) {
        ASSERT_EQ(moves.count, 1);
        moves.Untransform(steps);
        EXPECT_EQ(moves.moves[0].from, m.from);
        EXPECT_EQ(moves.moves[0].to, m.to);
      } else {
        EXPECT_EQ(moves.count, 0);
      }
      p = after;
    }
  }
  EXPECT_GT(stepsSeen.size(), 2u);
}

Position StartNormal() {
  Position p;
  p.Normalize();
  return p;
}

TEST(PositionItemTest, UnderPromotionIsStoredAsEmptyMove) {
  PositionItem item(StartNormal());
  GameMove m = GameMove::FromSquares(12, 13);
  m.kind = kPromotion;
  m.promotion = kKnight;
  item.SetMove(m, false);
  uint8_t record[kMaxTreeRecord];
  const uint32_t length = item.WriteTo(record);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(record[PositionKeyLength(record)], 1);
  PositionItem back;
  EXPECT_EQ(back.ReadFrom(record, length), length);
  EXPECT_EQ(back.position, item.position);
}

// A record of the start position with `moves` entries, each a legal move byte.
std::vector<uint8_t> RecordWithMoves(int moves, uint8_t value = 3) {
  const Position p = StartNormal();
  MoveList list;
  list.GenerateLegal(p);
  PositionItem item(p);
  uint8_t record[kMaxTreeRecord];
  item.WriteTo(record);
  TreeRecordItems items;
  PieceIndexBoard board;
  board.SetFromPosition(p, 0);
  for (int i = 0; i < moves; ++i) {
    const MoveCode c = list.At(i % list.Count());
    GameMove m = GameMove::FromSquares(c.from, c.to);
    m.Complete(p);
    items.AddMove({EncodeTreeMove(board, m), value});
  }
  return PackTreeRecord(record, items);
}

TEST(PositionItemTest, MoveListsReadAtMostThirtyTwoAndDropBadBytes) {
  auto record = RecordWithMoves(40);
  TreeMoveList list;
  ASSERT_TRUE(PositionItem::ReadMoveList(record.data(), list));
  EXPECT_EQ(list.count, 32);
  for (int i = 0; i < list.count; ++i) EXPECT_EQ(list.values[i], 3);

  // A byte that names no move is left out.
  auto two = RecordWithMoves(2);
  two[PositionKeyLength(two.data()) + 1] = StoredTreeMove(PieceIndexBoard::kEscape);
  ASSERT_TRUE(PositionItem::ReadMoveList(two.data(), list));
  EXPECT_EQ(list.count, 1);

  record[0] = static_cast<uint8_t>((record[0] & 0xE0) | 3);  // a key too short to decode
  EXPECT_FALSE(PositionItem::ReadMoveList(record.data(), list));
  EXPECT_EQ(list.count, 0);
}

TEST(MoveListMergeTest, SameMovesLeaveListAndFullListStops) {
  auto stored = RecordWithMoves(10, 0);
  auto added = RecordWithMoves(5, 7);
  std::vector<uint8_t> copy(kMaxTreeRecord);
  std::copy(stored.begin(), stored.end(), copy.begin());
  EXPECT_TRUE(AllMovesPresent(copy.data(), added.data()));
  EXPECT_EQ(MergeMoveLists(copy.data(), added.data(), kTreeRecordTail), 0u);
  EXPECT_EQ(UpdateMoveValues(copy.data(), added.data()), 5);
  TreeRecordItems items;
  ASSERT_TRUE(UnpackTreeRecord(copy.data(), stored.size(), items));
  EXPECT_EQ(items.moves.size(), 10u);
  EXPECT_EQ(items.moves[0].value, 7);
  EXPECT_EQ(items.moves[9].value, 0);

  // 127 stored entries: a new move byte is not appended.
  const Position p = StartNormal();
  PositionItem item(p);
  uint8_t key[kMaxTreeRecord];
  item.WriteTo(key);
  TreeRecordItems full;
  for (int i = 0; i < kMaxTreeMoves; ++i) full.AddMove({static_cast<uint8_t>(i + 1), 1});
  auto fullRecord = PackTreeRecord(key, full);
  TreeRecordItems one;
  one.AddMove({200, 1});
  auto extra = PackTreeRecord(key, one);
  std::vector<uint8_t> merged(kMaxTreeRecord);
  std::copy(fullRecord.begin(), fullRecord.end(), merged.begin());
  EXPECT_FALSE(AllMovesPresent(merged.data(), extra.data()));
  EXPECT_EQ(MergeMoveLists(merged.data(), extra.data(), kTreeRecordTail), 0u);
  TreeRecordItems check;
  EXPECT_TRUE(UnpackTreeRecord(merged.data(), fullRecord.size(), check));
  EXPECT_EQ(check.moves.size(), static_cast<size_t>(kMaxTreeMoves));
}

TEST(TreeValuesTest, FromGrades) {
  const uint8_t none[3] = {0, 0, 0};
  int values[3];
  const uint8_t grades[3] = {1, 5, 9};
  ASSERT_EQ(ValuesFromGrades(none, grades, 3, values), 0);
  EXPECT_EQ(values[0], 125);
  EXPECT_EQ(values[1], 125 - 15);
  EXPECT_EQ(values[2], 125 - 250);
  const uint8_t low[2] = {0, 1};
  EXPECT_EQ(ValuesFromGrades(none, low, 2, values), 1);
  const uint8_t marked[2] = {0, ZelkoItem::kMarkedMove};
  EXPECT_EQ(ValuesFromGrades(marked, grades, 2, values), 1);
}

TEST(TreeValuesTest, FromStatistics) {
  TreeSettings settings;
  settings.minGames = 5;
  StatisticItem items[3];
  items[0].blackWins = 10;  // White scores 0
  items[1].whiteWins = 2;   // few games, perfect score, strong opponents
  items[1].blackRated = 2;
  items[1].blackRatingSum = 5200;
  items[2] = items[1];
  items[2].blackRatingSum = 5198;
  int values[3];
  ASSERT_EQ(ValuesFromStatistics(settings, items, 3, values, 1), 0);
  EXPECT_EQ(values[0], 125);
  EXPECT_LT(values[1], 125);
  EXPECT_EQ(values[2], 125);
  StatisticItem empty[2];
  values[0] = values[1] = 9;
  EXPECT_EQ(ValuesFromStatistics(settings, empty, 2, values, 1), 0);
  EXPECT_EQ(values[0], 0);
}

}  // namespace
}  // namespace zh

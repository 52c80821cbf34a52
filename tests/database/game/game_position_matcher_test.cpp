#include "database/game/game_position_matcher.h"

#include <gtest/gtest.h>

#include <map>
#include <numeric>
#include <vector>

#include "database/game/game_cursor.h"
#include "database/game/game_item.h"
#include "database/item_number_iterator.h"
#include "database/game_test_util.h"

namespace zh {
namespace {

constexpr char kReference[] = "e2e4 c7c5 g1f3 d7d6 d2d4 c5d4 f3d4 g8f6 b1c3 a7a6 c1e3 e7e5 d4b3 c8e6";

// Games by number, entered as coordinate moves; unknown numbers cannot be read.
class FakeDatabase : public GameReader {
 public:
  std::map<uint32_t, std::string> games;
  int reads = 0;
  int ReadGameForMatch(uint32_t number, TQGame& game) override {
    ++reads;
    auto it = games.find(number);
    if (it == games.end()) return 12;
    GameCursor cursor(&game);
    test::Enter(cursor, it->second);
    return 0;
  }
};

class FakeKey : public PositionGameLists {
 public:
  std::map<std::vector<uint8_t>, std::vector<uint32_t>> lists;
  bool failing = false;
  int GamesOfPosition(const uint8_t packed[kPackedPositionSize], std::vector<uint32_t>& numbers,
                      int limit) override {
    if (failing) return -1;
    auto it = lists.find(std::vector<uint8_t>(packed, packed + kPackedPositionSize));
    if (it == lists.end()) return 0;
    numbers.assign(it->second.begin(), it->second.begin() + std::min<long>(limit, static_cast<long>(it->second.size())));
    return 1;
  }
};

GamePositionMatcher ReferenceMatcher() {
  TQGame game;
  GameCursor cursor(&game);
  test::Enter(cursor, kReference);
  cursor.GoToPly(5);  // the matcher takes the whole path to the line end
  GamePositionMatcher m;
  m.Build(cursor);
  return m;
}

TEST(GamePositionMatcher, CommonPlies) {
  const GamePositionMatcher m = ReferenceMatcher();
  ASSERT_EQ(m.SlotCount(), 14);
  FakeDatabase db;
  const struct {
    const char* moves;
    int expected;
  } cases[] = {
      {"e2e4 c7c5 g1f3 d7d6 d2d4 c5d4 f3d4 g8f6 b1c3 a7a6 c1e3 e7e5 d4f3 h7h6", 12},
      {kReference, 14},
      {"e2e4 c7c5 g1f3 d7d6 d2d4 c5d4 f3d4 g8f6 b1c3 a7a6 c1e3 e7e5 d4b3 c8e6 f2f3 b7b5", 14},
      {"e2e4 c7c5 g1f3", 3},
      {"e2e4 c7c5", -1},             // fewer than three plies never count
      {"d2d4 d7d6 e2e4 c7c5", -1},   // no position after the same number of plies
      {"g1f3 d7d6 e2e4 c7c5 d2d4 c5d4 f3d4", 7},  // a transposition counts
  };
  for (const auto& c : cases) {
    TQGame game;
    GameCursor cursor(&game);
    test::Enter(cursor, c.moves);
    EXPECT_EQ(m.CommonPlies(game), c.expected) << c.moves;
  }
}

TEST(GamePositionMatcher, RankGamesSortsAndLimits) {
  GamePositionMatcher m = ReferenceMatcher();
  FakeDatabase db;
  db.games[5] = "e2e4 c7c5 g1f3";
  db.games[6] = kReference;
  db.games[7] = "e2e4 c7c5 g1f3 d7d6 d2d4 c5d4 f3d4 g8f6 b1c3 a7a6 c1e3 e7e5 d4f3 h7h6";
  const uint32_t numbers[] = {4, 5, 6, 7};
  EXPECT_EQ(m.RankGames(db, numbers, 4), 4);
  uint32_t order[4];
  int16_t depths[4];
  ASSERT_EQ(m.GetNumbers(order, 10), 4);
  ASSERT_EQ(m.GetDepths(depths, 3), 3);
  EXPECT_EQ(std::vector<uint32_t>(order, order + 4), (std::vector<uint32_t>{6, 7, 5, 4}));
  EXPECT_EQ(std::vector<int16_t>(depths, depths + 3), (std::vector<int16_t>{14, 12, 3}));

  std::vector<uint32_t> many(9000);
  std::iota(many.begin(), many.end(), 100);
  db.reads = 0;
  EXPECT_EQ(m.RankGames(db, many.data(), 9000), 8191);
  EXPECT_EQ(db.reads, 8191);
  EXPECT_EQ(m.Results().size(), 8191u);
}

TEST(GamePositionMatcher, RankByKeyUsesTheDeepestKnownPosition) {
  GamePositionMatcher m = ReferenceMatcher();
  FakeDatabase db;
  db.games[1] = kReference;
  db.games[2] = "e2e4 c7c5 g1f3 d7d6";
  FakeKey key;
  EXPECT_EQ(m.RankByKey(db, nullptr), -1);
  EXPECT_EQ(m.RankByKey(db, &key), -1);  // no position known
  key.lists[std::vector<uint8_t>(m.Slot(3), m.Slot(3) + 32)] = {2, 1};
  key.lists[std::vector<uint8_t>(m.Slot(1), m.Slot(1) + 32)] = {9};
  EXPECT_EQ(m.RankByKey(db, &key), 2);
  uint32_t order[2];
  m.GetNumbers(order, 2);
  EXPECT_EQ(order[0], 1u);
  key.lists[std::vector<uint8_t>(m.Slot(10), m.Slot(10) + 32)] = {};
  EXPECT_EQ(m.RankByKey(db, &key), 0);  // the deepest known entry lists no game
  key.failing = true;
  EXPECT_EQ(m.RankByKey(db, &key), -1);
}

TEST(ItemNumberIterator, RangesAndLists) {
  ItemNumberIterator range(3, 5);
  EXPECT_EQ(range.Count(), 3u);
  std::vector<int32_t> seen;
  for (int32_t n = range.First(); n >= 0; n = range.Next()) seen.push_back(n);
  EXPECT_EQ(seen, (std::vector<int32_t>{3, 4, 5}));
  EXPECT_FALSE(range.HasMore());
  EXPECT_FALSE(range.Contains(4));  // only a list answers

  SortedLONGArr list;
  for (int32_t v : {40, 10, 30}) list.Append(v);
  list.Sort();
  ItemNumberIterator listed(&list);
  EXPECT_EQ(listed.Count(), 3u);
  EXPECT_EQ(listed.First(), 10);
  EXPECT_TRUE(listed.HasMore());
  EXPECT_EQ(listed.Next(), 30);
  EXPECT_EQ(listed.Next(), 40);
  EXPECT_FALSE(listed.HasMore());
  EXPECT_EQ(listed.Next(), -1);
  EXPECT_TRUE(listed.Contains(30));
  EXPECT_FALSE(listed.Contains(20));

  ItemNumberIterator empty(5, 4);
  EXPECT_EQ(empty.Count(), 0u);
  EXPECT_EQ(empty.First(), -1);
}

}  // namespace
}  // namespace zh

#include "core/rules/scored_movelist.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/rules/board.h"

namespace zh {
namespace {

std::string Label(int i) {
  std::string s = "m";
  return s += std::to_string(i);
}

// Entry i goes from square i to square i + 1 with the key keys[i].
ScoredMoveList Filled(const std::vector<int16_t>& keys) {
  ScoredMoveList list;
  for (size_t i = 0; i < keys.size(); ++i) {
    Move m = Move::FromSquares(static_cast<int>(i), static_cast<int>(i) + 1);
    m.text = Label(static_cast<int>(i));
    list.Append(m, keys[i]);
  }
  return list;
}

std::vector<int> FromSquares(const ScoredMoveList& list) {
  std::vector<int> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.MoveAt(i).from);
  return out;
}

// Equal keys keep the order this quicksort gives them; callers take the first of them.
TEST(ScoredMoveList, SortOrderOfEqualKeysIsFixed) {
  ScoredMoveList list = Filled({30, -10, 30, 0, -10, 30, 5, 0, -10, 30, 0, 5});
  list.Sort();
  std::vector<int16_t> keys;
  for (int i = 0; i < list.Count(); ++i) keys.push_back(list.KeyAt(i));
  EXPECT_EQ(keys, (std::vector<int16_t>{-10, -10, -10, 0, 0, 0, 5, 5, 30, 30, 30, 30}));
  EXPECT_EQ(FromSquares(list), (std::vector<int>{4, 8, 1, 10, 7, 3, 6, 11, 9, 2, 0, 5}));
  // Moves travel with their keys, text included.
  for (int i = 0; i < list.Count(); ++i)
    EXPECT_EQ(list.MoveAt(i).text, Label(list.MoveAt(i).from));
}

TEST(ScoredMoveList, SortsSmallAndSortedInputs) {
  ScoredMoveList empty;
  empty.Sort();
  EXPECT_EQ(empty.Count(), 0);
  ScoredMoveList one = Filled({7});
  one.Sort();
  EXPECT_EQ(one.KeyAt(0), 7);
  ScoredMoveList same = Filled({1, 1, 1, 1, 1});
  same.Sort();
  EXPECT_EQ(FromSquares(same), (std::vector<int>{3, 2, 4, 0, 1}));
  ScoredMoveList down = Filled({5, 4, 3, 2, 1, 0});
  down.Sort();
  EXPECT_EQ(FromSquares(down), (std::vector<int>{5, 4, 3, 2, 1, 0}));
}

TEST(ScoredMoveList, AppendFindAndOutOfRange) {
  ScoredMoveList list;
  for (int i = 0; i < 300; ++i) list.Append(Move::FromSquares(i % 64, (i + 1) % 64), 0);
  EXPECT_EQ(list.Count(), ScoredMoveList::kCapacity);
  EXPECT_EQ(list.MoveAt(256).kind, 63);
  EXPECT_EQ(list.MoveAt(-1).kind, 63);
  EXPECT_EQ(list.KeyAt(999), 0);

  ScoredMoveList promos;
  promos.Append(Move::FromSquares(52, 53, kQueen), 1);
  promos.Append(Move::FromSquares(52, 53, kKnight), 2);
  promos.Append(Move::FromSquares(8, 16), 3);
  EXPECT_EQ(promos.Find(Move::FromSquares(52, 53, kKnight)), 1);
  EXPECT_EQ(promos.Find(Move::FromSquares(52, 53)), 0);  // no promotion asked: first one
  EXPECT_EQ(promos.Find(Move::FromSquares(8, 16)), 2);
  EXPECT_EQ(promos.Find(Move::FromSquares(8, 17)), -1);
}

}  // namespace
}  // namespace zh

#include "core/rules/square_marks.h"

#include <gtest/gtest.h>

namespace zh {
namespace {

constexpr int kE4 = 4 * 8 + 3;

TEST(SquareMarks, StoredTextAndEdits) {
  SquareMarkList list;
  list.SetText("\x02\x01\x03\x02\x05");
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.GetText(), "\x02\x01\x03\x02");
  EXPECT_EQ(list.MarkAt(1), (SquareMark{2, 1}));
  EXPECT_EQ(list.MarkAt(2), (SquareMark{0, 0}));
  EXPECT_EQ(list.MarkAt(-1), (SquareMark{0, 0}));

  list.SetMark({1, kE4});
  list.SetMark({3, kE4});
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.MarkAt(2), (SquareMark{3, kE4}));
  list.RemoveOnSquare({0, 0});
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.MarkAt(0), (SquareMark{2, 1}));
  list.RemoveAt(5);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(SquareMark::FromText("\x04", 0), (SquareMark{0, 0}));
}

TEST(SquareValueMap, FillsFromMarksSetsAndLists) {
  SquareMarkList marks;
  marks.SetMark({7, kE4});
  SquareValueMap map;
  map.SetFromMarks(marks);
  EXPECT_EQ(map.ValueAt(kE4), 7);

  SquareSet set;
  set.Add(0);
  set.Add(63);
  map.SetSquareSet(set, -1);
  SquareList list;
  list.Add(9);
  map.SetSquareList(list, 0x1234);
  uint8_t bytes[64];
  map.StoreBytes(bytes);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[9], 0x34);
  *map.SlotPtr(64 + 5) = 2;
  EXPECT_EQ(map.ValueAt(5), 2);

  SquareValueMap other;
  EXPECT_TRUE(map.Differs(other));
  int8_t cache = -1;
  EXPECT_TRUE(other.IsAllZero(cache));
  other.SetValue(3, 1);
  EXPECT_TRUE(other.IsAllZero(cache));  // the cached answer
  other.Assign(map);
  EXPECT_FALSE(other.Differs(map));
}

// A stored mark names its square with one byte, up to 254: damaged marks must not
// write outside the 64 values.
TEST(SquareValueMap, DamagedMarkSquaresAreSkipped) {
  SquareMarkList marks;
  marks.SetText(std::string("\x05\xFF\x05\x41\x06\x40", 6));
  EXPECT_EQ(marks.Count(), 3);
  SquareValueMap map;
  map.SetFromMarks(marks);
  for (int s = 0; s < 63; ++s) EXPECT_EQ(map.ValueAt(s), 0) << s;
  EXPECT_EQ(map.ValueAt(63), 5);
  map.SetValue(200, 9);
  map.SetValue(-1, 9);
  EXPECT_EQ(map.ValueAt(63), 5);
  EXPECT_EQ(marks.GetText().size(), 6u);  // the stored text is kept as read
}

}  // namespace
}  // namespace zh

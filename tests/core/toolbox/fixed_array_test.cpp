#include "core/toolbox/fixed_array.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "core/rules/square_set.h"

namespace zh {
namespace {

TEST(FixedArray, ItemsAndRefusedSizes) {
  FixedArray a(3, 5);
  ASSERT_EQ(a.Count(), 3u);
  EXPECT_EQ(a.At(2) - a.At(0), 10);
  EXPECT_EQ(a.At(3), nullptr);
  EXPECT_EQ(*a.At(1), 0);
  a.Free();
  EXPECT_EQ(a.Count(), 0u);
  EXPECT_EQ(a.At(0), nullptr);

  // A count read from a damaged file: the byte size does not fit, the array stays empty.
  const FixedArray huge(UINT64_MAX / 2, 4);
  EXPECT_EQ(huge.Count(), 0u);
  EXPECT_EQ(huge.At(0), nullptr);
}

TEST(SquareSet, TwoWordView) {
  SquareSet s;
  s.Add(0);
  s.Add(31);
  s.Add(63);
  EXPECT_EQ(s.Word(0), 0x80000001u);
  EXPECT_EQ(s.Word(1), 0x80000000u);
}

}  // namespace
}  // namespace zh

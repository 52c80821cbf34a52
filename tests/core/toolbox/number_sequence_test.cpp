#include "core/toolbox/number_sequence.h"

#include <gtest/gtest.h>

#include <vector>

namespace zh {
namespace {

std::vector<int32_t> Walk(NumberSequence& s) {
  std::vector<int32_t> out;
  for (int32_t n = s.First(); s.HasMore(); n = s.Next()) out.push_back(n);
  return out;
}

TEST(NumberSequence, RangeAndArrayWalkAlike) {
  NumberSequence s;
  s.SetRange(7, 9);
  EXPECT_EQ(s.Size(), 3);
  EXPECT_EQ(Walk(s), (std::vector<int32_t>{7, 8, 9}));
  s.First();
  s.Next();
  EXPECT_EQ(s.Position(), 1);

  SortedLONGArr a;
  for (int32_t v : {4, 2, 9}) a.Append(v);
  s.SetArray(&a);
  EXPECT_EQ(s.Size(), 3);
  EXPECT_EQ(Walk(s), (std::vector<int32_t>{4, 2, 9}));
  EXPECT_EQ(s.Next(), 0);

  SortedLONGArr empty;
  s.SetArray(&empty);
  s.First();
  EXPECT_FALSE(s.HasMore());

  s.SetRange(INT32_MAX - 1, INT32_MAX);
  EXPECT_EQ(Walk(s), (std::vector<int32_t>{INT32_MAX - 1, INT32_MAX}));
}

}  // namespace
}  // namespace zh

#include "core/toolbox/interval_table.h"

#include <gtest/gtest.h>

namespace zh {
namespace {

TEST(IntervalTable, FindsIntervalsAndValues) {
  const int32_t bounds[] = {0, 4, 8};
  IntervalTable t(bounds, nullptr, 2);
  struct Case {
    int32_t x, index;
  };
  for (const Case& c : {Case{3, 0}, Case{0, 0}, Case{4, 1}, Case{7, 1}, Case{8, -1}, Case{9, -1},
                        Case{-1, -2}})
    EXPECT_EQ(t.Find(c.x), c.index) << c.x;

  const int32_t values[] = {100, 200};
  t.Set(bounds, values, 2);
  EXPECT_EQ(t.Find(5), 200);
  EXPECT_EQ(t.Find(0), 100);
}

}  // namespace
}  // namespace zh

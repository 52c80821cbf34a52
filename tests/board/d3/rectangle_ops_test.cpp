#include <gtest/gtest.h>

#include "core/toolbox/rectangle.h"

namespace zh {
namespace {

TEST(RectangleOps, IntersectAndUnion) {
  const Rectangle a{0, 0, 9, 9}, b{5, 5, 20, 7}, far{30, 30, 40, 40}, empty{};
  EXPECT_EQ(Intersect(a, b), (Rectangle{5, 5, 9, 7}));
  EXPECT_TRUE(Intersect(a, far).IsEmpty());
  EXPECT_TRUE(Intersect(a, empty).IsEmpty());
  EXPECT_EQ(Intersect(a, Rectangle{9, 9, 12, 12}), (Rectangle{9, 9, 9, 9}));  // one pixel
  EXPECT_EQ(Union(a, b), (Rectangle{0, 0, 20, 9}));
  EXPECT_EQ(Union(a, empty), a);
  EXPECT_EQ(Union(empty, far), far);
  EXPECT_TRUE(Union(empty, empty).IsEmpty());
}

}  // namespace
}  // namespace zh

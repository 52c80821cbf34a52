#include "core/toolbox/random_generator.h"

#include <gtest/gtest.h>

#include "support/recording_services.h"

namespace zh {
namespace {

// The published check of the minimal standard generator: from state 1, the state after
// 10,000 steps is 1,043,618,065.
TEST(RandomGenerator, MinimalStandardCheck) {
  RandomGenerator g(1 ^ RandomGenerator::kMask);
  EXPECT_EQ(g.State(), 1);
  const double first = g.Next();
  EXPECT_DOUBLE_EQ(first, 16807.0 / 2147483647.0);
  for (int i = 1; i < 10000; ++i) g.Next();
  EXPECT_EQ(g.State(), 1043618065);
}

TEST(RandomGenerator, ValuesStayInsideTheUnitInterval) {
  RandomGenerator g(42);
  for (int i = 0; i < 10000; ++i) {
    const double v = g.Next();
    ASSERT_GT(v, 0.0);
    ASSERT_LT(v, 1.0);
  }
}

TEST(RandomGenerator, ModeOneSeedsFromTheClock) {
  test::RecordingServices rec;
  rec.wallTime = 0x7FFF * 3 + 5;
  RandomGenerator a(1);
  EXPECT_EQ(a.State(), 5 ^ RandomGenerator::kMask);
  rec.wallTime = 6;
  RandomGenerator b(1);
  EXPECT_NE(a.Next(), b.Next());

  RandomGeneratorService service(1 ^ RandomGenerator::kMask);
  EXPECT_EQ(service.Next(), 16807u);
}

}  // namespace
}  // namespace zh

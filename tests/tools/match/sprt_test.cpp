// The sequential test of the match referee.
#include <gtest/gtest.h>

#include "sprt.h"

namespace zh::match {
namespace {

// Values worked out by hand from the formula: n (s1 - s0)(2 mean - s0 - s1) / (2 var).
TEST(Sprt, LikelihoodRatioOfResults) {
  const SprtBounds b;  // 0, 10, 0.05, 0.05
  EXPECT_NEAR(SprtLlr(60, 100, 40, b), 1.00549, 1e-4);
  EXPECT_NEAR(SprtLlr(40, 100, 60, b), -1.34344, 1e-4);
  EXPECT_NEAR(SprtLlr(300, 400, 300, b), -0.68997, 1e-4);
  EXPECT_EQ(SprtLlr(0, 0, 0, b), 0);
  EXPECT_EQ(SprtLlr(5, 0, 0, b), 0);  // no spread yet
  EXPECT_NEAR(SprtLower(b), -2.94444, 1e-4);
  EXPECT_NEAR(SprtUpper(b), 2.94444, 1e-4);
}

TEST(Sprt, DecisionsAtTheBounds) {
  const SprtBounds b;
  EXPECT_EQ(Sprt(60, 100, 40, b), SprtDecision::kContinue);
  EXPECT_EQ(Sprt(120, 200, 80, b), SprtDecision::kContinue);    // 55 % over 400 games: 2.01
  EXPECT_EQ(Sprt(180, 300, 120, b), SprtDecision::kAcceptH1);    // 55 % over 600: 3.02
  EXPECT_EQ(Sprt(100, 200, 150, b), SprtDecision::kAcceptH0);    // -2.99
  EXPECT_EQ(Sprt(1500, 2000, 1500, b), SprtDecision::kAcceptH0);  // even: not 10 Elo stronger
}

TEST(Sprt, ParsesBoundsAndRefusesNonsense) {
  SprtBounds b;
  ASSERT_TRUE(ParseSprt("0,10", b));
  EXPECT_EQ(b.elo1, 10);
  EXPECT_EQ(b.alpha, 0.05);
  ASSERT_TRUE(ParseSprt("-5,5,0.1,0.02", b));
  EXPECT_EQ(b.elo0, -5);
  EXPECT_EQ(b.beta, 0.02);
  for (const char* bad : {"", "10", "10,0", "0,10,0", "0,10,0,0.05", "0,10,0.05,0.7", "0,10,0.05,0.05x", "a,b"})
    EXPECT_FALSE(ParseSprt(bad, b)) << bad;
}

}  // namespace
}  // namespace zh::match

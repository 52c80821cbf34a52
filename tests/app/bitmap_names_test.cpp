#include "app/bitmap_names.h"

#include <gtest/gtest.h>

namespace zh {
namespace {

TEST(BitmapNames, VariantsMatchByUpperCasedBaseNameAndTheRingKeepsTheLastTen) {
  const std::vector<std::string> folder = {"TIMECTL.BMP", "readme.txt", "TIMECTL2.BMP", "timectlx.bmp",
                                           "TIME.BMP",    "XTIMECTL.BMP", "Timectl.old.png"};
  EXPECT_EQ(VariantMatches(folder, "TIMECTL"),
            (std::vector<std::string>{"TIMECTL.BMP", "TIMECTL2.BMP", "timectlx.bmp", "Timectl.old.png"}));
  EXPECT_TRUE(VariantMatches(folder, "AWARD").empty());

  std::vector<std::string> twelve;
  for (int i = 0; i < 12; ++i) twelve.push_back("AWARD" + std::to_string(i) + ".BMP");
  const std::vector<std::string> ring = VariantMatches(twelve, "AWARD");
  ASSERT_EQ(ring.size(), 10u);
  EXPECT_EQ(ring[0], "AWARD10.BMP");  // match j sits in slot j mod 10
  EXPECT_EQ(ring[1], "AWARD11.BMP");
  EXPECT_EQ(ring[2], "AWARD2.BMP");
  EXPECT_EQ(ring[9], "AWARD9.BMP");
}

TEST(BitmapNames, TableAndFallbacks) {
  EXPECT_EQ(BitmapName(10), "TIMECTL");
  EXPECT_EQ(BitmapName(32), "TLSTOP");
  EXPECT_EQ(BitmapName(46), "WIDE");
  EXPECT_EQ(BitmapName(49), "");
  EXPECT_EQ(FallbackBitmapId(0), 1003);
  EXPECT_EQ(FallbackBitmapId(11), 1003);
  EXPECT_EQ(FallbackBitmapId(12), 262);
  EXPECT_EQ(FallbackBitmapId(48), 262);
}

}  // namespace
}  // namespace zh

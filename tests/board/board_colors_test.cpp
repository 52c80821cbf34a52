#include "board/board_colors.h"

#include <gtest/gtest.h>

namespace zh {
namespace {

TEST(BoardColors, SchemesWithoutEntryGiveTheDefaultScheme) {
  EXPECT_EQ(BoardColors(5), BoardColors(0));
  EXPECT_EQ(BoardColors(6), BoardColors(0));
  EXPECT_FALSE(BoardColors(1) == BoardColors(0));
  BoardColors def(0);
  EXPECT_EQ(def.whitePieces, ColorRecord::Rgb(65535, 65535, 56576));
  EXPECT_EQ(def.blackPieces, ColorRecord::Rgb(0, 0, 0));
  EXPECT_EQ(def.darkSquares, ColorRecord::Rgb(42752, 32256, 23552));
}

TEST(BoardColors, OnlySchemeThreeHasTextureAndDashesKeepStartColours) {
  for (int s = 0; s <= 9; ++s) EXPECT_EQ(BoardColors(s).texture, s == 3 ? 1 : 0) << s;
  BoardColors one(1);
  EXPECT_EQ(one.whitePieces, ColorRecord::Rgb(65535, 65535, 65535));
  BoardColors three(3);
  EXPECT_EQ(three.whitePieces, ColorRecord::Rgb(65535, 65535, 65535));
  EXPECT_EQ(three.blackPieces, ColorRecord::Rgb(5120, 12800, 256));
  BoardColors eight(8);
  EXPECT_EQ(eight.blackPieces, ColorRecord::Rgb(3840, 3840, 3840));
}

}  // namespace
}  // namespace zh

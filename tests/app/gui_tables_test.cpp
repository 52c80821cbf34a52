#include "app/gui_tables.h"

#include <gtest/gtest.h>

namespace zh {
namespace {

TEST(GuiTables, NamedColoursAndComponentColours) {
  EXPECT_EQ(NamedColor(0), ColorRecord::Rgb(0, 0, 0));
  EXPECT_EQ(NamedColor(15), ColorRecord::Rgb(65535, 65535, 65535));
  EXPECT_EQ(NamedColor(9)->name, 9);
  EXPECT_FALSE(NamedColor(29));
  EXPECT_FALSE(NamedColor(-1));
  ColorRecord own = ColorRecord::Rgb(28000, 22000, 20000);
  EXPECT_EQ(ResolveColor(own), own);
  EXPECT_EQ(ResolveColor(ColorRecord{12, 0, 0, 0}), ColorRecord::Rgb(65535, 0, 0));
}

TEST(GuiTables, StoredFacesMapToDejaVu) {
  EXPECT_EQ(DisplayFace("Times New Roman"), "DejaVu Serif");
  EXPECT_EQ(DisplayFace("ZevorovuVI DoderoVI"), "DejaVu Sans Mono");
  EXPECT_EQ(DisplayFace("RuruvezuRA ZozozER"), "DejaVu Sans");
  EXPECT_EQ(DisplayFace("arial"), "DejaVu Sans");
  EXPECT_EQ(DisplayFace("Some Unknown Face"), "DejaVu Sans");
}

TEST(GuiTables, KeyCodesFollowTheirBlocks) {
  EXPECT_EQ(key::Digit(7), 263);
  EXPECT_EQ(key::Letter('C'), 514);
  EXPECT_EQ(key::Function(1), 768);
  EXPECT_EQ(key::kEscape, 1281);
  EXPECT_EQ(key::kSpace, 1284);
  EXPECT_EQ(key::kBackspace, 1283);
  EXPECT_EQ(key::kCtrl | key::kShift | key::kAlt, 0x7000);
}

}  // namespace
}  // namespace zh

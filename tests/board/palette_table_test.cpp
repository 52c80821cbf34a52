#include "board/palette_table.h"

#include <gtest/gtest.h>

namespace zh {
namespace {

TEST(PaletteTable, EqualColoursShareOneEntryAndTheTableStopsAt150) {
  ResetPaletteTable();
  EXPECT_EQ(AddPaletteColor(ColorRecord::Rgb(1, 2, 3)), 1);
  // Equal by components, whatever named colour the record came from.
  EXPECT_EQ(AddPaletteColor(ColorRecord{4, 1, 2, 3}), 1);
  for (uint16_t i = 1; i < 150; ++i) EXPECT_EQ(AddPaletteColor(ColorRecord::Rgb(i, 0, 0)), i + 1);
  EXPECT_EQ(AddPaletteColor(ColorRecord::Rgb(0, 0, 999)), 150);
  EXPECT_EQ(PaletteColorCount(), 150);
  EXPECT_EQ(PaletteColorAt(0), ColorRecord::Rgb(1, 2, 3));
  EXPECT_EQ(PaletteColorAt(149), ColorRecord::Rgb(149, 0, 0));
  ResetPaletteTable();
  EXPECT_EQ(PaletteColorCount(), 0);
}

}  // namespace
}  // namespace zh

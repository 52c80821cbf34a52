#include "board/palette.h"

#include <gtest/gtest.h>

#include "board/palette_table.h"
#include "support/recording_services.h"

namespace zh {
namespace {

struct PaletteTest : ::testing::Test {
  void SetUp() override {
    ResetPaletteTable();
    SetPalettePending(false);
  }
  void TearDown() override { ResetPaletteTable(); }
};

ColorRecord Grey(int i) { return ColorRecord::Rgb(static_cast<uint16_t>(i * 256), 7, 9); }

TEST_F(PaletteTest, TakesTheTableAndStopsAt256EntriesStillMarkingDirty) {
  for (int i = 0; i < 3; ++i) AddPaletteColor(Grey(i));
  Palette palette;
  ASSERT_EQ(palette.Entries().size(), 3u);
  EXPECT_EQ(palette.Entries()[2], (PaletteEntry{2, 0, 0, 0}));
  EXPECT_TRUE(palette.Select());
  EXPECT_FALSE(palette.IsDirty());
  for (int i = 0; i < 300; ++i) palette.AddEntry(ColorRecord::Rgb(0xffff, 0x1234, 0));
  EXPECT_EQ(palette.Entries().size(), 256u);
  EXPECT_EQ(palette.Entries().back(), (PaletteEntry{0xff, 0x12, 0, 0}));
  EXPECT_TRUE(palette.IsDirty());
}

TEST_F(PaletteTest, SelectWaitsWhilePendingAndRestoreNeedsASelection) {
  Palette palette;
  palette.Restore();  // nothing kept: nothing happens
  EXPECT_FALSE(palette.HasPrevious());
  SetPalettePending(true);
  EXPECT_FALSE(palette.Select());
  EXPECT_TRUE(IsPalettePending());
  EXPECT_FALSE(palette.HasPrevious());
  SetPalettePending(false);
  EXPECT_TRUE(palette.Select());
  EXPECT_TRUE(palette.HasPrevious());
  palette.Restore();
  EXPECT_FALSE(palette.HasPrevious());
}

TEST_F(PaletteTest, ASecondReleaseIsReportedOnce) {
  test::RecordingServices services;
  Palette palette;
  palette.Release();
  EXPECT_EQ(palette.State(), Palette::kReleased);
  EXPECT_TRUE(services.calls.empty());
  palette.Release();
  ASSERT_EQ(services.calls.size(), 1u);
  EXPECT_EQ(services.calls[0], "ErrorBox: Zeile: \nGraphics\\Palette\n36");
  EXPECT_EQ(palette.State(), Palette::kReleased);
}

TEST_F(PaletteTest, TheWorkWindowsListNeverUsesEntry255) {
  for (int i = 0; i < kPaletteSlots; ++i) AddPaletteColor(Grey(i));
  Palette palette;
  for (int i = 0; i < 100; ++i) palette.AddEntry(ColorRecord::Rgb(1, 2, 3));
  const std::vector<ColorRecord> list = WorkWindowPalette(palette);
  ASSERT_EQ(list.size(), 255u);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(list[static_cast<size_t>(i)].name, i);
  EXPECT_EQ(list[16], Grey(0));
  EXPECT_EQ(list[165], Grey(149));
  // Then the palette's own entries (the table again, as 8-bit values times 256).
  EXPECT_EQ(list[166], ColorRecord::Rgb(0, 0, 0));
  EXPECT_EQ(list[167].red, 256);
  EXPECT_EQ(PaletteTableColors().size(), 150u);
}

}  // namespace
}  // namespace zh

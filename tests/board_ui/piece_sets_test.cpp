#include <gtest/gtest.h>

#include <QPainter>

#include "app/gui_tables.h"
#include "board/palette_table.h"
#include "board/ui/piece_map.h"
#include "board/ui/piece_sets.h"
#include "board_ui/board_ui_support.h"

namespace zh {
namespace {

using test::Cache;

TEST(PieceMaps, TheBundlesMapsKeepTheRulesAtTheDecidedSizes) {
  test::LoadBundle();
  for (int id : kDrawnPieceMapIds) {
    const QImage map = PieceSetCache::BundleMap(id);
    ASSERT_FALSE(map.isNull()) << id;
    EXPECT_EQ(map.height(), 3 * PieceMapCellSize(id)) << id;
    EXPECT_EQ(CheckPieceMap(map).toStdString(), "") << id;
  }
  const int sizes[] = {16, 20, 24, 32, 40, 48, 64, 72};
  for (int style = 0; style < 8; ++style) EXPECT_EQ(Cache().GetSet(style)->GetSquareSize(), sizes[style]);
}

TEST(PieceMaps, TheRulesCatchBrokenMaps) {
  test::LoadBundle();
  const QImage good = PieceSetCache::BundleMap(9008);
  const int a = 40;
  QImage grey = good.copy();
  grey.setPixel(a / 2, a / 2, qRgb(128, 128, 128));
  QImage touching = good.copy();
  touching.setPixel(0, 0, qRgb(0, 0, 0));  // row 0 of the king's cell, on its border
  touching.setPixel(0, 2 * a, qRgb(0, 0, 0));
  QImage noShape = good.copy();
  for (int y = 2 * a; y < 3 * a; ++y)
    for (int x = 0; x < a; ++x) noShape.setPixel(x, y, qRgb(255, 255, 255));
  EXPECT_NE(CheckPieceMap(grey), "");
  EXPECT_NE(CheckPieceMap(touching), "");
  EXPECT_NE(CheckPieceMap(noShape), "");
  EXPECT_NE(CheckPieceMap(good.copy(0, 0, 6 * a, 3 * a)), "");
}

// One map cell of a piece: a white outline with a grey pixel inside, and a black
// piece with a near-black pixel; the silhouette covers both.
QImage HandMadeMap() {
  const int a = 8;
  QImage map(7 * a, 3 * a, QImage::Format_RGB32);
  map.fill(Qt::white);
  QPainter p(&map);
  for (int c = 0; c < 6; ++c) {
    p.setPen(Qt::black);
    p.drawRect(c * a + 2, 2, 3, 3);                 // white piece: outline, white fill
    p.fillRect(c * a + 2, a + 2, 4, 4, Qt::black);  // black piece
    p.fillRect(c * a + 2, 2 * a + 2, 4, 4, Qt::black);
  }
  p.end();
  map.setPixel(3, 3, qRgb(200, 200, 200));        // grey inside the white king
  map.setPixel(3, a + 3, qRgb(10, 10, 10));       // near black inside the black king
  return map;
}

TEST(PieceSets, RecolouringKeepsOnlyPureWhiteAndPureBlack) {
  BoardColors colours(3);
  colours.texture = 0;
  ColoredPieceBMPSet set(HandMadeMap(), colours);
  const QRgb whiteFill = QColor::fromRgba64(colours.whitePieces.red, colours.whitePieces.green,
                                            colours.whitePieces.blue).rgb();
  const QRgb blackFill = QColor::fromRgba64(colours.blackPieces.red, colours.blackPieces.green,
                                            colours.blackPieces.blue).rgb();
  const QImage& white = set.GetPieceBitmap(1, 0, 0);
  const QImage& black = set.GetPieceBitmap(1, 1, 0);
  EXPECT_EQ(white.pixel(3, 3), qRgb(0, 0, 0));  // grey turned black
  EXPECT_EQ(white.pixel(4, 3), whiteFill);       // pure white took the fill
  EXPECT_EQ(black.pixel(3, 3), qRgb(255, 255, 255));  // near black turned white
  EXPECT_EQ(black.pixel(4, 4), blackFill);
  // 8-bit white scales by 257: pure white passes the 16-bit test.
  EXPECT_EQ(set.GetPieceBitmap(2, 0, 0).pixel(3, 3), whiteFill);
}

TEST(PieceSets, ColouredPicturesHoldFourKindsOfPixel) {
  const BoardColors colours(3);
  SharedPieceSet set = Cache().GetColoredSet(4, colours);
  auto rgb = [](const ColorRecord& c) { return QColor::fromRgba64(c.red, c.green, c.blue).rgb(); };
  for (int type = 1; type <= 6; ++type)
    for (int colour = 0; colour < 2; ++colour)
      for (int sq = 0; sq < 2; ++sq) {
        const QImage& picture = set->GetPieceBitmap(type, colour, sq);
        const QImage& square = set->GetSquareBitmap(sq);
        const QRgb fill = rgb(colour ? colours.blackPieces : colours.whitePieces);
        const QRgb line = colour ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
        int filled = 0, lines = 0;
        for (int y = 0; y < picture.height(); ++y)
          for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            filled += p == fill, lines += p == line;
            ASSERT_TRUE(p == fill || p == line || p == square.pixel(x, y)) << type << colour << sq << " " << x << "," << y;
          }
        EXPECT_GT(filled, 20);
        if (colour == 0) {
          EXPECT_GT(lines, 20);  // the black pawn has no inner lines
        }
      }
  // The texture lies over the dark squares only.
  EXPECT_NE(set->GetSquareBitmap(1).pixel(0, 0), set->GetSquareBitmap(1).pixel(1, 0));
  EXPECT_EQ(set->GetSquareBitmap(0).pixel(0, 0), set->GetSquareBitmap(0).pixel(1, 0));
}

TEST(PieceSets, OneMapSetsStandOnTheMapsPictures) {
  SharedPieceSet set = Cache().GetSet(4);
  const QImage map = PieceSetCache::BundleMap(9008);
  EXPECT_EQ(set->GetPieceBitmap(1, 0, 0), PieceMapCell(map, 0, 0));
  EXPECT_EQ(set->GetPieceBitmap(3, 1, 0), PieceMapCell(map, 2, 1));
  EXPECT_EQ(set->GetSquareBitmap(1), PieceMapCell(map, 6, 1));
  EXPECT_EQ(set->GetSelectionBitmap(), PieceMapCell(map, 6, 2));
  EXPECT_TRUE(set->GetInvertedMask(1).isNull());
  EXPECT_TRUE(set->IsPlainDrawing());
  // Style 2 is style 5 halved: each pixel the mean of four.
  SharedPieceSet small = Cache().GetSet(2), big = Cache().GetSet(5);
  const QImage& b = big->GetPieceBitmap(5, 1, 1);
  const QRgb p[4] = {b.pixel(20, 20), b.pixel(21, 20), b.pixel(20, 21), b.pixel(21, 21)};
  int red = 0;
  for (QRgb q : p) red += qRed(q);
  EXPECT_EQ(qRed(small->GetPieceBitmap(5, 1, 1).pixel(10, 10)), red / 4);
}

TEST(PieceSetCache, SharesSetsAndRemakesThemOnlyForNewColours) {
  PieceSetCache& cache = Cache();
  EXPECT_EQ(cache.GetSet(3), cache.GetSet(11));
  EXPECT_EQ(cache.GetDisplaySet(3), cache.GetSet(3));
  BoardColors colours(2);
  SharedPieceSet first = cache.GetColoredSet(6, colours);
  EXPECT_EQ(cache.GetColoredSet(6, colours), first);
  colours.lightSquares.red ^= 0x100;
  EXPECT_NE(cache.GetColoredSet(6, colours), first);
  // The texture flag alone makes a new set, though the records compare equal.
  BoardColors textured = colours;
  textured.texture = 1;
  ASSERT_TRUE(textured == colours);
  SharedPieceSet plain = cache.GetColoredSet(6, colours);
  SharedPieceSet hatched = cache.GetColoredSet(6, textured);
  EXPECT_NE(hatched, plain);
  EXPECT_NE(hatched->GetSquareBitmap(1), plain->GetSquareBitmap(1));
}

TEST(PieceSetCache, AMissingMapGivesEmptySquaresAndALogLine) {
  PieceSetCache cache(65536, [](int) { return QImage(); });
  SharedPieceSet set = cache.GetSet(4);
  EXPECT_EQ(set->GetSquareSize(), 40);
  EXPECT_EQ(set->GetPieceBitmap(1, 0, 0), set->GetSquareBitmap(0));
}

TEST(BoardColors, AddToPaletteAddsTheFourColoursThenLightBlueAndBlue) {
  ResetPaletteTable();
  const BoardColors colours(0);
  colours.AddToPalette();
  ASSERT_EQ(PaletteColorCount(), 6);
  EXPECT_EQ(PaletteColorAt(0), colours.whitePieces);
  EXPECT_EQ(PaletteColorAt(1), colours.blackPieces);
  EXPECT_EQ(PaletteColorAt(2), colours.lightSquares);
  EXPECT_EQ(PaletteColorAt(3), colours.darkSquares);
  EXPECT_EQ(PaletteColorAt(4), *NamedColor(9));
  EXPECT_EQ(PaletteColorAt(5), *NamedColor(1));
  colours.AddToPalette();
  EXPECT_EQ(PaletteColorCount(), 6);
  ResetPaletteTable();
}

}  // namespace
}  // namespace zh

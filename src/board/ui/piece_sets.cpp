#include "board/ui/piece_sets.h"

#include <string>

#include "app/message_ids.h"
#include "board/ui/piece_map.h"
#include "board/ui/raster.h"
#include "core/services.h"

namespace zh {
namespace {

constexpr std::array<int, 8> kSquareSizes = {16, 20, 24, 32, 40, 48, 64, 72};
constexpr QRgb kWhite = 0xffffffff;
constexpr QRgb kBlack = 0xff000000;

PieceSets* gPieceSets = nullptr;

size_t StyleIndex(int style) { return static_cast<size_t>(((style % 8) + 8) % 8); }

QRgb ToRgb(const ColorRecord& c) { return QColor::fromRgba64(c.red, c.green, c.blue).rgb(); }

QImage Inverted(QImage image) {
  image.invertPixels(QImage::InvertRgb);
  return image;
}

// The picture `over` laid on `square`: the mask ORed (the shape turns white), then
// the picture ANDed.
QImage OnSquare(const QImage& square, const QImage& mask, const QImage& picture) {
  QImage result = square.copy();
  QPainter painter(&result);
  DrawBitmap(painter, 0, 0, mask, RasterOp::Or);
  DrawBitmap(painter, 0, 0, picture, RasterOp::And);
  return result;
}

QImage Halved(const QImage& source) {
  if (source.isNull()) return source;
  const int w = std::max(source.width() / 2, 1), h = std::max(source.height() / 2, 1);
  QImage result(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int r = 0, g = 0, b = 0;
      for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx) {
          const QRgb p = source.pixel(std::min(2 * x + dx, source.width() - 1), std::min(2 * y + dy, source.height() - 1));
          r += qRed(p), g += qGreen(p), b += qBlue(p);
        }
      result.setPixel(x, y, qRgb(r / 4, g / 4, b / 4));
    }
  return result;
}

// On the 16-bit scale an 8-bit component v is v * 257.
int Wide(int component8) { return component8 * 257; }
bool IsPureWhite(QRgb p) { return Wide(qRed(p)) > 65529 && Wide(qGreen(p)) > 65529 && Wide(qBlue(p)) > 65534; }

// A map of white cells, standing in for a map that cannot be had: empty squares.
QImage BlankMap(int cell) { return FilledBitmap(kPieceMapColumns * cell, 3 * cell, kWhite); }

}  // namespace

int PieceSetSquareSize(int style) { return kSquareSizes[StyleIndex(style)]; }

size_t BasicPieceBMPSet::Entry(int type, int colour, int square) {
  return static_cast<size_t>(((type & 7) << 2) | ((colour & 1) << 1) | (square & 1)) % 28;
}

const QImage& BasicPieceBMPSet::GetPieceBitmap(int type, int colour, int squareColour) const {
  if ((type & 7) == 0 || (type & 7) == 7) return squares_[squareColour & 1];
  return pictures_[Entry(type, colour, squareColour)];
}

void BasicPieceBMPSet::HalveSize() {
  for (QImage& i : pictures_) i = Halved(i);
  for (QImage& i : squares_) i = Halved(i);
  for (QImage& i : masks_) i = Halved(i);
  for (QImage& i : invertedMasks_) i = Halved(i);
  selection_ = Halved(selection_);
  overlay_ = Halved(overlay_);
}

OneMapPieceBMPSet::OneMapPieceBMPSet(const QImage& map) {
  const int a = map.height() / 3;
  squares_[0] = FilledBitmap(a, a, kWhite);
  squares_[1] = PieceMapCell(map, 6, 1);
  overlay_ = squares_[1];
  selection_ = PieceMapCell(map, 6, 2);
  masks_[0] = FilledBitmap(a, a, kBlack);
  for (int t = 1; t <= 6; ++t) {
    masks_[static_cast<size_t>(t)] = Inverted(PieceMapCell(map, t - 1, 2));
    for (int colour = 0; colour < 2; ++colour) {
      const QImage light = PieceMapCell(map, t - 1, colour);
      pictures_[Entry(t, colour, 0)] = light;
      pictures_[Entry(t, colour, 1)] = OnSquare(squares_[1], masks_[static_cast<size_t>(t)], light);
    }
  }
}

ColoredPieceBMPSet::ColoredPieceBMPSet(const QImage& map, const BoardColors& colors) {
  const int a = map.height() / 3;
  overlay_ = PieceMapCell(map, 6, 1);
  squares_[0] = FilledBitmap(a, a, ToRgb(colors.lightSquares));
  squares_[1] = FilledBitmap(a, a, ToRgb(colors.darkSquares));
  if (colors.texture) {
    QPainter painter(&squares_[1]);
    DrawBitmap(painter, 0, 0, overlay_, RasterOp::And);
  }
  selection_ = PieceMapCell(map, 6, 2);
  masks_[0] = FilledBitmap(a, a, kBlack);
  invertedMasks_[0] = FilledBitmap(a, a, kWhite);
  const QRgb whiteFill = ToRgb(colors.whitePieces), blackFill = ToRgb(colors.blackPieces);
  for (int t = 1; t <= 6; ++t) {
    const size_t type = static_cast<size_t>(t);
    invertedMasks_[type] = PieceMapCell(map, t - 1, 2);
    masks_[type] = Inverted(invertedMasks_[type]);
    // White: on black, the pure-white pixels inside the shape take the fill; the
    // inverted mask then turns the background white.
    QImage white = FilledBitmap(a, a, kBlack);
    QImage cut = PieceMapCell(map, t - 1, 0);
    {
      QPainter painter(&cut);
      DrawBitmap(painter, 0, 0, masks_[type], RasterOp::And);
    }
    for (int y = 0; y < a; ++y)
      for (int x = 0; x < a; ++x)
        if (IsPureWhite(cut.pixel(x, y))) white.setPixel(x, y, whiteFill);
    {
      QPainter painter(&white);
      DrawBitmap(painter, 0, 0, invertedMasks_[type], RasterOp::Or);
    }
    // Black: on white, the pure-black pixels take the fill.
    QImage black = FilledBitmap(a, a, kWhite);
    const QImage source = PieceMapCell(map, t - 1, 1);
    for (int y = 0; y < a; ++y)
      for (int x = 0; x < a; ++x)
        if (source.pixel(x, y) == kBlack) black.setPixel(x, y, blackFill);
    for (int sq = 0; sq < 2; ++sq) {
      pictures_[Entry(t, 0, sq)] = OnSquare(squares_[static_cast<size_t>(sq)], masks_[type], white);
      pictures_[Entry(t, 1, sq)] = OnSquare(squares_[static_cast<size_t>(sq)], masks_[type], black);
    }
  }
}

PieceSetCache::PieceSetCache(int, MapLoader loader) : loader_(std::move(loader)) {
  if (!loader_) loader_ = &PieceSetCache::BundleMap;
}

QImage PieceSetCache::BundleMap(int id) {
  QImage map(QStringLiteral(":/zkres/bitmap/%1.png").arg(id));
  return map.isNull() ? map : map.convertToFormat(QImage::Format_RGB32);
}

QImage PieceSetCache::LoadMap(int index) {
  const int id = kPieceMapIds[static_cast<size_t>(index)];
  QImage map = loader_(id);
  const int a = map.height() / 3;
  if (map.isNull() || a < 4 || map.width() < kPieceMapColumns * a) {
    LogLine(GetMessageText(msg::M_PIECE_MAP_MISSING) + " " + std::to_string(id));
    return BlankMap(PieceMapCellSize(id));
  }
  return map.convertToFormat(QImage::Format_RGB32);
}

SharedPieceSet PieceSetCache::GetSet(int style) {
  const size_t i = StyleIndex(style);
  if (!plain_[i]) {
    auto set = std::make_shared<OneMapPieceBMPSet>(LoadMap(static_cast<int>(i)));
    if (i == 2) set->HalveSize();
    plain_[i] = std::move(set);
  }
  return plain_[i];
}

SharedPieceSet PieceSetCache::GetColoredSet(int style, const BoardColors& colors) {
  const size_t i = StyleIndex(style);
  // The texture flag counts too: the record's own equality looks at the colours only.
  if (!colored_[i] || !(colors_[i] == colors) || colors_[i].texture != colors.texture) {
    auto set = std::make_shared<ColoredPieceBMPSet>(LoadMap(static_cast<int>(i)), colors);
    if (i == 2) set->HalveSize();
    // A board that still holds the old set keeps it alive.
    colored_[i] = std::move(set);
    colors_[i] = colors;
  }
  return colored_[i];
}

PieceSets* ThePieceSets() { return gPieceSets; }
void SetThePieceSets(PieceSets* sets) { gPieceSets = sets; }

}  // namespace zh

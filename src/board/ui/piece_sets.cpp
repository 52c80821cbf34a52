#include "board/ui/piece_sets.h"

#include <QFont>
#include <QPainter>

namespace zh {
namespace {

constexpr std::array<int, 8> kSquareSizes = {16, 20, 24, 32, 40, 48, 64, 72};
// The glyph of the white piece of types 1-6 (king, queen, knight, bishop, rook,
// pawn); the black glyph, which is filled, is 6 code points further on.
constexpr std::array<char16_t, 6> kWhiteGlyphs = {0x2654, 0x2655, 0x2658, 0x2657, 0x2656, 0x2659};
constexpr int kTypes = 7;

PieceSets* gPieceSets = nullptr;

QColor ToQColor(const ColorRecord& c) { return QColor::fromRgba64(c.red, c.green, c.blue); }

QImage Blank(int size, const QColor& colour) {
  QImage image(size, size, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

// A glyph in white on black, drawn without antialiasing.
QImage GlyphShape(int size, char16_t glyph) {
  QImage image = Blank(size, Qt::black);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::TextAntialiasing, false);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(size * 7 / 8);
  font.setStyleStrategy(QFont::NoAntialias);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(image.rect(), Qt::AlignCenter, QString(QChar(glyph)));
  return image;
}

bool Inside(const QImage& mask, int x, int y) { return qRed(mask.pixel(x, y)) != 0; }

QImage Halved(const QImage& source) {
  if (source.isNull()) return source;
  const int w = source.width() / 2, h = source.height() / 2;
  QImage result(std::max(w, 1), std::max(h, 1), QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int r = 0, g = 0, b = 0;
      for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx) {
          const QRgb p = source.pixel(2 * x + dx, 2 * y + dy);
          r += qRed(p), g += qGreen(p), b += qBlue(p);
        }
      result.setPixel(x, y, qRgb(r / 4, g / 4, b / 4));
    }
  return result;
}

class GlyphPieceSet final : public PieceBMPSet {
 public:
  GlyphPieceSet(int size, const QColor& light, const QColor& dark, const QColor& whiteFill,
                const QColor& blackFill, bool plain)
      : plain_(plain) {
    squares_[0] = Blank(size, light);
    squares_[1] = Blank(size, dark);
    overlay_ = squares_[1];
    selection_ = Blank(size, Qt::black);
    {
      QPainter p(&selection_);
      p.fillRect(QRect(2, 2, size - 4, size - 4), Qt::white);
    }
    masks_[0] = Blank(size, Qt::black);
    for (int t = 1; t < kTypes; ++t) {
      const char16_t white = kWhiteGlyphs[static_cast<size_t>(t - 1)];
      const QImage outline = GlyphShape(size, white);
      const QImage filled = GlyphShape(size, static_cast<char16_t>(white + 6));
      QImage mask = filled;
      for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
          if (Inside(outline, x, y)) mask.setPixel(x, y, qRgb(255, 255, 255));
      masks_[t] = mask;
      for (int colour = 0; colour < 2; ++colour)
        for (int sq = 0; sq < 2; ++sq) {
          QImage picture = squares_[sq];
          for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
              if (!Inside(mask, x, y)) continue;
              const bool ink = Inside(outline, x, y);
              const QColor fill = colour == 0 ? (ink ? QColor(Qt::black) : whiteFill)
                                              : (ink ? QColor(Qt::white) : blackFill);
              // Black pieces: the filled glyph in the fill colour, its inner lines light.
              picture.setPixel(x, y, fill.rgb());
            }
          pictures_[Entry(t, colour, sq)] = picture;
        }
    }
    pictures_[Entry(0, 0, 0)] = squares_[0];
    pictures_[Entry(0, 0, 1)] = squares_[1];
  }

  const QImage& GetPieceBitmap(int type, int colour, int squareColour) const override {
    return pictures_[Entry(type, colour, squareColour)];
  }
  const QImage& GetSquareBitmap(int squareColour) const override { return squares_[squareColour & 1]; }
  const QImage& GetSelectionBitmap() const override { return selection_; }
  const QImage& GetPieceMask(int type) const override { return masks_[static_cast<size_t>((type & 7) % kTypes)]; }
  const QImage& GetInvertedMask(int) const override { return none_; }
  int GetSquareSize() const override { return squares_[0].width(); }
  void HalveSize() override {
    for (QImage& i : pictures_) i = Halved(i);
    for (QImage& i : squares_) i = Halved(i);
    for (QImage& i : masks_) i = Halved(i);
    selection_ = Halved(selection_);
    overlay_ = Halved(overlay_);
  }
  const QImage& GetDarkSquareOverlay() const override { return overlay_; }
  bool IsPlainDrawing() const override { return plain_; }

 private:
  static size_t Entry(int type, int colour, int square) {
    return static_cast<size_t>(((type & 7) << 2) | ((colour & 1) << 1) | (square & 1)) % 28;
  }

  std::array<QImage, 28> pictures_;
  std::array<QImage, 2> squares_;
  std::array<QImage, kTypes> masks_;
  QImage selection_;
  QImage overlay_;
  QImage none_;
  bool plain_;
};

}  // namespace

int PieceSetSquareSize(int style) { return kSquareSizes[static_cast<size_t>(((style % 8) + 8) % 8)]; }

PieceSetCache::PieceSetCache(int) {}

SharedPieceSet PieceSetCache::GetSet(int style) {
  const size_t i = static_cast<size_t>(((style % 8) + 8) % 8);
  if (!plain_[i])
    plain_[i] = std::make_shared<GlyphPieceSet>(PieceSetSquareSize(style), Qt::white, QColor(160, 160, 160),
                                                Qt::white, Qt::black, true);
  return plain_[i];
}

SharedPieceSet PieceSetCache::GetColoredSet(int style, const BoardColors& colors) {
  const size_t i = static_cast<size_t>(((style % 8) + 8) % 8);
  if (!colored_[i] || !(colors_[i] == colors)) {
    colored_[i] = std::make_shared<GlyphPieceSet>(PieceSetSquareSize(style), ToQColor(colors.lightSquares),
                                                  ToQColor(colors.darkSquares), ToQColor(colors.whitePieces),
                                                  ToQColor(colors.blackPieces), false);
    colors_[i] = colors;
  }
  return colored_[i];
}

PieceSets* ThePieceSets() { return gPieceSets; }
void SetThePieceSets(PieceSets* sets) { gPieceSets = sets; }

}  // namespace zh

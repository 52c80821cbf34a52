// Draws the piece maps of the 2D boards from the chess glyphs of one font file:
// draw_piece_maps <font.ttf> <output folder>, writing <id>.png for every map id.
// The font is read by its path, so that no other face can stand in for it; a missing
// glyph, or a map that breaks the rules of board/ui/piece_map.h, fails the build.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <cstdio>

#include "board/ui/piece_map.h"

namespace {

// The map's columns are K, Q, N, B, R, P; the font's white glyphs run K, Q, R, B, N, P
// from U+2654, the black ones from U+265A.
constexpr char32_t kWhiteGlyphs[6] = {0x2654, 0x2655, 0x2658, 0x2657, 0x2656, 0x2659};
constexpr char32_t kBlackOffset = 6;
constexpr qreal kDesignSize = 1000;

bool GlyphPath(const QRawFont& font, char32_t code, QPainterPath& path) {
  if (!font.supportsCharacter(code)) return false;
  const QString text = QString::fromUcs4(&code, 1);
  const QList<quint32> glyphs = font.glyphIndexesForString(text);
  if (glyphs.size() != 1 || glyphs[0] == 0) return false;
  path = font.pathForGlyph(glyphs[0]);
  return !path.isEmpty();
}

void FillCell(QImage& map, int column, int row, const QPainterPath& path, const QTransform& place) {
  const int a = map.height() / 3;
  QPainter painter(&map);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setClipRect(column * a, row * a, a, a);
  painter.translate(column * a, row * a);
  painter.setTransform(place, true);
  painter.fillPath(path, Qt::black);
}

QImage DrawMap(const QPainterPath (&white)[6], const QPainterPath (&black)[6], int a) {
  QImage map(zh::kPieceMapColumns * a, 3 * a, QImage::Format_RGB32);
  map.fill(Qt::white);
  // One scale for all pieces keeps their sizes in proportion; the union of their
  // outlines is centred in a cell two pixels inside its border.
  QRectF bounds;
  for (int i = 0; i < 6; ++i) bounds = bounds.united(white[i].boundingRect()).united(black[i].boundingRect());
  const qreal room = a - 4;
  const qreal scale = room / std::max(bounds.width(), bounds.height());
  for (int c = 0; c < 6; ++c) {
    const QRectF own = white[c].boundingRect().united(black[c].boundingRect());
    QTransform place;
    place.translate(a / 2.0 - own.center().x() * scale, a / 2.0 - bounds.center().y() * scale);
    place.scale(scale, scale);
    FillCell(map, c, 0, white[c], place);
    FillCell(map, c, 1, black[c], place);
    const QImage shape = zh::PieceSilhouette(zh::PieceMapCell(map, c, 0), zh::PieceMapCell(map, c, 1));
    QPainter(&map).drawImage(c * a, 2 * a, shape);
  }
  // Cell (6, 1): a grey hatch on white, the texture of dark squares.
  for (int y = 0; y < a; ++y)
    for (int x = 0; x < a; ++x)
      if ((x + y) % 2 == 0) map.setPixel(6 * a + x, a + y, qRgb(136, 136, 136));
  // Cell (6, 2): white with a dark ring of two pixels, ANDed over a selected square.
  for (int y = 0; y < a; ++y)
    for (int x = 0; x < a; ++x) {
      const int edge = std::min(std::min(x, y), std::min(a - 1 - x, a - 1 - y));
      if (edge == 1 || edge == 2) map.setPixel(6 * a + x, 2 * a + y, qRgb(32, 32, 96));
    }
  return map;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: draw_piece_maps <font.ttf> <output folder>\n");
    return 2;
  }
  QGuiApplication app(argc, argv);
  const QRawFont font(QString::fromLocal8Bit(argv[1]), kDesignSize, QFont::PreferNoHinting);
  if (!font.isValid()) {
    std::fprintf(stderr, "draw_piece_maps: cannot read the font %s\n", argv[1]);
    return 1;
  }
  QPainterPath white[6], black[6];
  for (int i = 0; i < 6; ++i)
    if (!GlyphPath(font, kWhiteGlyphs[i], white[i]) || !GlyphPath(font, kWhiteGlyphs[i] + kBlackOffset, black[i])) {
      std::fprintf(stderr, "draw_piece_maps: the font has no glyph U+%04X or U+%04X\n",
                   static_cast<unsigned>(kWhiteGlyphs[i]), static_cast<unsigned>(kWhiteGlyphs[i] + kBlackOffset));
      return 1;
    }
  for (int id : zh::kDrawnPieceMapIds) {
    const QImage map = DrawMap(white, black, zh::PieceMapCellSize(id));
    const QString broken = zh::CheckPieceMap(map);
    if (!broken.isEmpty()) {
      std::fprintf(stderr, "draw_piece_maps: map %d: %s\n", id, qPrintable(broken));
      return 1;
    }
    const QString path = QStringLiteral("%1/%2.png").arg(QString::fromLocal8Bit(argv[2])).arg(id);
    if (!map.save(path, "PNG")) {
      std::fprintf(stderr, "draw_piece_maps: cannot write %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}

#include "board/ui/piece_map.h"

#include <vector>

namespace zh {
namespace {

constexpr QRgb kBlack = 0xff000000;
constexpr QRgb kWhite = 0xffffffff;

bool IsWhite(const QImage& image, int x, int y) { return image.pixel(x, y) == kWhite; }
bool IsBlack(const QImage& image, int x, int y) { return image.pixel(x, y) == kBlack; }

}  // namespace

int PieceMapCellSize(int mapId) {
  switch (mapId) {
    case 9000: return 16;
    case 9002: return 20;
    case 9006: return 32;
    case 9008: return 40;
    case 9010: return 48;
    case 9012: return 64;
    case 9014: return 72;
    default: return 0;
  }
}

QImage PieceMapCell(const QImage& map, int column, int row) {
  const int a = map.height() / 3;
  return map.copy(column * a, row * a, a, a).convertToFormat(QImage::Format_RGB32);
}

QImage PieceSilhouette(const QImage& white, const QImage& black) {
  const int w = white.width(), h = white.height();
  std::vector<char> reached(static_cast<size_t>(w * h), 0);
  std::vector<int> stack;
  auto open = [&](int x, int y) {
    return IsWhite(white, x, y) && IsWhite(black, x, y) && !reached[static_cast<size_t>(y * w + x)];
  };
  auto push = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= w || y >= h || !open(x, y)) return;
    reached[static_cast<size_t>(y * w + x)] = 1;
    stack.push_back(y * w + x);
  };
  for (int i = 0; i < w; ++i) push(i, 0), push(i, h - 1);
  for (int i = 0; i < h; ++i) push(0, i), push(w - 1, i);
  while (!stack.empty()) {
    const int p = stack.back();
    stack.pop_back();
    const int x = p % w, y = p / w;
    push(x + 1, y), push(x - 1, y), push(x, y + 1), push(x, y - 1);
  }
  QImage shape(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) shape.setPixel(x, y, reached[static_cast<size_t>(y * w + x)] ? kWhite : kBlack);
  return shape;
}

QString CheckPieceMap(const QImage& map) {
  const int a = map.height() / 3;
  if (a < 4 || map.height() != 3 * a || map.width() != kPieceMapColumns * a)
    return QStringLiteral("the map is not 7 by 3 square cells");
  for (int c = 0; c < 6; ++c) {
    const QImage white = PieceMapCell(map, c, 0), black = PieceMapCell(map, c, 1), shape = PieceMapCell(map, c, 2);
    const QString where = QStringLiteral(" (column %1)").arg(c);
    int whiteInk = 0, blackInk = 0, fill = 0;
    for (int y = 0; y < a; ++y)
      for (int x = 0; x < a; ++x) {
        for (const QImage* cell : {&white, &black, &shape})
          if (!IsWhite(*cell, x, y) && !IsBlack(*cell, x, y)) return QStringLiteral("a pixel is neither black nor white") + where;
        whiteInk += IsBlack(white, x, y);
        blackInk += IsBlack(black, x, y);
        fill += IsBlack(shape, x, y) && IsWhite(white, x, y);
      }
    if (whiteInk == 0 || fill == 0) return QStringLiteral("row 0 holds no outlined white piece") + where;
    if (blackInk <= whiteInk) return QStringLiteral("row 1 holds no filled black piece") + where;
    if (PieceSilhouette(white, black) != shape) return QStringLiteral("row 2 is not the piece's silhouette") + where;
    for (int y = 0; y < a; ++y)
      for (int x = 0; x < a; ++x) {
        if ((IsBlack(white, x, y) || IsBlack(black, x, y)) && !IsBlack(shape, x, y))
          return QStringLiteral("the silhouette misses a black pixel") + where;
        const bool rim = x == 0 || y == 0 || x == a - 1 || y == a - 1;
        if (rim && IsBlack(shape, x, y)) return QStringLiteral("a piece touches its cell's border") + where;
      }
  }
  return {};
}

}  // namespace zh

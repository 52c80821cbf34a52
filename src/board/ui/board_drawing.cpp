#include "board/ui/board_drawing.h"

#include <QPainterPath>
#include <QPolygon>
#include <cmath>

#include "app/gui_tables.h"
#include "app/ui/widgets/frames.h"

namespace zh {
namespace {

// Named colours of the tints and arrows.
constexpr int kBlack = 0;
constexpr int kLightRed = 12;
constexpr int kLightGreen = 10;
constexpr int kYellow = 14;

QImage Tint(int size, int colour, Qt::BrushStyle style) {
  QImage image(size, size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QBrush(NamedQColor(colour), style));
  painter.drawRect(image.rect());
  return image;
}

int ArrowColour(int code) {
  switch (code % 6) {
    case 1: return kLightGreen;
    case 2: return kYellow;
    case 3: return kLightRed;
    default: return kBlack;
  }
}

}  // namespace

Tints MakeTints(int squareSize) {
  Tints tints;
  tints[1] = Tint(squareSize, kLightGreen, Qt::SolidPattern);
  tints[2] = Tint(squareSize, kYellow, Qt::SolidPattern);
  tints[3] = Tint(squareSize, kLightRed, Qt::SolidPattern);
  tints[4] = Tint(squareSize, kLightRed, Qt::Dense4Pattern);
  tints[5] = Tint(squareSize, kLightGreen, Qt::SolidPattern);
  return tints;
}

QFont LabelFont() {
  QFont font(QString::fromUtf8(DisplayFace("Times").data(), static_cast<int>(DisplayFace("Times").size())));
  font.setPixelSize(12);
  font.setStyleStrategy(QFont::NoAntialias);
  return font;
}

void DrawArrows(QPainter& painter, const MarkList& arrows, const Board& board,
                const std::function<QPoint(int square)>& origin, int s) {
  painter.save();
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter.setRenderHint(QPainter::Antialiasing, false);
  const int thickness = s > 40 ? 2 : s > 31 ? 1 : 0;
  for (int i = 0; i < arrows.Count(); ++i) {
    const Mark arrow = arrows.GetMark(i);
    if (arrow.from > 63 || arrow.to > 63) continue;
    QPoint start = origin(arrow.from) + QPoint(s / 2, s / 2);
    QPoint end = origin(arrow.to) + QPoint(s / 2, s / 2);
    // Arrows between pieces start and end off the pieces' centres.
    const int e = s * 18 / 100;
    const int gx = start.x() < end.x() ? e : end.x() < start.x() ? -e : 0;
    int gy = start.y() < end.y() ? e : end.y() < start.y() ? -e : 0;
    if (gx == 0) gy *= 2;
    if (board[arrow.from] != 0) start += QPoint(gx, gy);
    if (board[arrow.to] != 0) end -= QPoint(gx, gy);

    QPoint base, left, right;
    const bool straight = start.x() == end.x() || start.y() == end.y();
    if (start.x() == end.x()) {
      const int q = s / 4, dir = end.y() > start.y() ? 1 : -1;
      base = end - QPoint(0, dir * 3 * q / 2);
      left = base - QPoint(q / 2 + 1, 0), right = base + QPoint(q / 2 + 1, 0);
    } else if (start.y() == end.y()) {
      const int q = s / 4, dir = end.x() > start.x() ? 1 : -1;
      base = end - QPoint(dir * 3 * q / 2, 0);
      left = base - QPoint(0, q / 2 + 1), right = base + QPoint(0, q / 2 + 1);
    } else {
      const int dx = end.x() - start.x(), dy = end.y() - start.y();
      const int d = std::max(1, static_cast<int>(std::sqrt(double(dx) * dx + double(dy) * dy)));
      const int reach = s / 4 + (s <= 40 ? 2 : 0);
      const int ux = reach * dx / d, uy = reach * dy / d;
      base = end - QPoint(3 * ux / 2, 3 * uy / 2);
      left = base + QPoint(uy / 2, -ux / 2), right = base - QPoint(uy / 2, -ux / 2);
    }
    const QColor colour = NamedQColor(ArrowColour(arrow.colour));
    painter.setPen(QPen(Qt::black, thickness + (straight ? 4 : 3), Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(start, base);
    painter.setPen(QPen(colour, thickness + (straight ? 2 : 1), Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(start, base);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(arrow.colour % 6 == 0 || arrow.colour % 6 > 3 ? QBrush(Qt::NoBrush) : QBrush(colour));
    painter.drawPolygon(QPolygon({end, left, right}));
  }
  painter.restore();
}

}  // namespace zh

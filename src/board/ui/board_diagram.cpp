#include <QFontMetrics>

#include "board/ui/board_window_2d.h"
#include "board/ui/raster.h"

namespace zh {

QImage DrawBoardDiagram(const Board& board, const PieceBMPSet& set, const BoardMarks& marks, bool frame, int part,
                        bool coordinates, bool flipped) {
  const int s = set.GetSquareSize();
  if (s <= 0) return {};
  const int m = (frame ? 1 : 0) + (coordinates ? 16 : 0);
  const int size = 2 * m + 8 * s;
  QImage image(size, size, QImage::Format_RGB32);
  if (image.isNull()) return {};
  image.fill(QColor::fromRgba64(61000, 61000, 61000));
  const Tints tints = MakeTints(s);
  auto origin = [&](int square) {
    const int f = square / 8, r = square % 8;
    return QPoint(m + (flipped ? 7 - f : f) * s, m + (flipped ? r : 7 - r) * s);
  };

  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, false);
  if (coordinates) {
    painter.setFont(LabelFont());
    painter.setPen(Qt::black);
    const QFontMetrics metrics(painter.font());
    for (int i = 0; i < 8; ++i) {
      const QString letter(QChar(flipped ? 'h' - i : 'a' + i));
      const QString digit(QChar(flipped ? '1' + i : '8' - i));
      painter.drawText(m + (2 * i + 1) * s / 2 - metrics.horizontalAdvance(letter) / 2, m + 8 * s + metrics.ascent(),
                       letter);
      painter.drawText(m / 2, m + (2 * i + 1) * s / 2 - metrics.height() / 2 + metrics.ascent(), digit);
    }
  }
  for (int sq = 0; sq < 64; ++sq) {
    const QPoint o = origin(sq);
    const int sc = SquareColour(sq), piece = board[sq] == 255 ? 0 : board[sq];
    const int type = piece & 7, colour = (piece >> 3) & 1;
    const int code = marks.squares.ValueAt(sq);
    const bool isPiece = type >= 1 && type <= 6;
    if (!HasTint(code)) {
      DrawBitmap(painter, o.x(), o.y(), isPiece ? set.GetPieceBitmap(type, colour, sc) : set.GetSquareBitmap(sc),
                 RasterOp::Overpaint);
      continue;
    }
    DrawBitmap(painter, o.x(), o.y(), set.GetSquareBitmap(sc), RasterOp::Overpaint);
    DrawBitmap(painter, o.x(), o.y(), tints[static_cast<size_t>(code)], RasterOp::And);
    if (isPiece) {
      QImage picture = set.GetPieceBitmap(type, colour, 0).copy();
      if (!set.GetInvertedMask(type).isNull()) {
        QPainter p(&picture);
        DrawBitmap(p, 0, 0, set.GetInvertedMask(type), RasterOp::Or);
      }
      DrawBitmap(painter, o.x(), o.y(), set.GetPieceMask(type), RasterOp::Or);
      DrawBitmap(painter, o.x(), o.y(), picture, RasterOp::And);
    }
  }
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  DrawArrows(painter, marks.arrows, board, origin, s);
  if (frame) {
    const int c = coordinates ? 16 : 0;
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(QPoint(c, c), QPoint(size - c - 1, size - c - 1)).adjusted(0, 0, -1, -1));
  }
  painter.end();

  const int h = m + 4 * s;
  switch (part) {
    case 1: return image.copy(0, 0, size, h);
    case 2: return image.copy(0, h, size, size - h);
    case 3: return image.copy(0, 0, h, size);
    case 4: return image.copy(h, 0, size - h, size);
    case 5: return image.copy(0, 0, h, h);
    case 6: return image.copy(h, 0, size - h, h);
    case 7: return image.copy(0, h, h, size - h);
    case 8: return image.copy(h, h, size - h, size - h);
    default: return image;
  }
}

}  // namespace zh

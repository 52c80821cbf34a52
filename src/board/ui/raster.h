// Bitmap drawing with the raster operations of the boards: overpaint, and the
// bitwise AND and OR of the drawing with what is there. Bitmaps are RGB32 images.
#pragma once

#include <QImage>
#include <QPainter>

namespace zh {

enum class RasterOp { Overpaint = 0, And = 2, Or = 3 };

inline QPainter::CompositionMode CompositionOf(RasterOp op) {
  switch (op) {
    case RasterOp::And: return QPainter::RasterOp_SourceAndDestination;
    case RasterOp::Or: return QPainter::RasterOp_SourceOrDestination;
    default: return QPainter::CompositionMode_Source;
  }
}

inline void DrawBitmap(QPainter& painter, int x, int y, const QImage& bitmap, RasterOp op) {
  painter.setCompositionMode(CompositionOf(op));
  painter.drawImage(x, y, bitmap);
}

// A square bitmap of one colour.
inline QImage FilledBitmap(int width, int height, QRgb colour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

}  // namespace zh

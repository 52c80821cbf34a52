#include "app/ui/widgets/frames.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QScrollBar>
#include <QWidget>
#include <algorithm>
#include <cstdlib>

#include "app/gui_tables.h"

namespace zh {
namespace {

constexpr int kHighlight = 26;
constexpr int kShadow = 27;
constexpr int kBlack = 0;

int gColourCount = 65536;

QColor Grey16(int level) {
  auto v = static_cast<quint16>(std::clamp(level, 0, 0xFFFF));
  return QColor::fromRgba64(v, v, v);
}

// A pen of `width` logical pixels, square caps, never thinner than one pixel.
QPen SolidPen(const QColor& colour, int width) {
  QPen pen(colour, std::max(width, 1));
  pen.setCapStyle(Qt::SquareCap);
  pen.setCosmetic(false);
  return pen;
}

}  // namespace

QColor NamedQColor(int number) {
  auto c = NamedColor(number);
  if (!c) return Qt::black;
  return QColor::fromRgba64(c->red, c->green, c->blue);
}

int DisplayColourCount() { return gColourCount; }
void SetDisplayColourCount(int count) { gColourCount = count; }

void FillBackground(QWidget& widget, int colour) {
  QPalette p = widget.palette();
  p.setColor(QPalette::Window, NamedQColor(colour));
  p.setColor(QPalette::Base, NamedQColor(colour));
  widget.setPalette(p);
  widget.setAutoFillBackground(true);
}

QPoint CenterInside(QSize outer, QSize inner) {
  return {(outer.width() - inner.width()) / 2, (outer.height() - inner.height()) / 2};
}

QRect Inflate(const QRect& rect, int d) { return rect.adjusted(-d, -d, d, d); }

void DrawPixelLine(QPainter& painter, QPoint from, QPoint to, const QColor& colour) {
  QRect r = QRect(from, to).normalized();
  if (r.width() == 1 || r.height() == 1) {
    painter.fillRect(r, colour);
    return;
  }
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(SolidPen(colour, 1));
  painter.drawLine(from, to);
  painter.restore();
}

void DrawOutline(QPainter& painter, const QRect& rect) {
  const QColor c = painter.pen().color();
  DrawPixelLine(painter, rect.topLeft(), rect.topRight(), c);
  DrawPixelLine(painter, rect.bottomLeft(), rect.bottomRight(), c);
  DrawPixelLine(painter, rect.topLeft(), rect.bottomLeft(), c);
  DrawPixelLine(painter, rect.topRight(), rect.bottomRight(), c);
}

void DrawGrooveLine(QPainter& painter, QPoint from, QPoint to, int width, bool raised) {
  if (to.x() < from.x()) std::swap(from, to);
  const int q = width / 4;
  QPoint across;
  bool falling = false;
  if (from.y() == to.y()) {
    across = {0, 1};
  } else if (from.x() == to.x()) {
    across = {1, 0};
  } else if (to.y() < from.y()) {
    across = {1, -1};
  } else {
    across = {1, 1};
    falling = true;
  }
  int first = raised ? kHighlight : kShadow;
  int second = raised ? kShadow : kHighlight;
  if (falling) first = kHighlight, second = kShadow;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(SolidPen(NamedQColor(first), width / 2));
  // A groove of width 2 or 3 has offsets below one pixel: its first line goes on
  // the pixel before the second, not under it.
  const int before = (q == 0 && width >= 2) ? 1 : q;
  painter.drawLine(from - across * before, to - across * before);
  painter.setPen(SolidPen(NamedQColor(second), width / 2));
  painter.drawLine(from + across * q, to + across * q);
  painter.restore();
}

void DrawBevel(QPainter& painter, const QRect& rect, int depth, bool raised, int sides, bool inside) {
  const QColor light = NamedQColor(raised ? kHighlight : kShadow);
  const QColor dark = NamedQColor(raised ? kShadow : kHighlight);
  const QColor innermost = NamedQColor(raised ? kBlack : kHighlight);
  for (int i = 0; i < depth; ++i) {
    // Ring 0 is the outermost one.
    const int offset = inside ? i : -(depth - i);
    const QRect r = Inflate(rect, -offset);
    if (sides & kSideTop) DrawPixelLine(painter, r.topLeft(), r.topRight(), light);
    if (sides & kSideLeft) DrawPixelLine(painter, r.topLeft(), r.bottomLeft(), light);
    const QColor& d = (depth > 3 && i == depth - 1) ? innermost : dark;
    if (sides & kSideBottom) DrawPixelLine(painter, r.bottomLeft(), r.bottomRight(), d);
    if (sides & kSideRight) DrawPixelLine(painter, r.topRight(), r.bottomRight(), d);
  }
}

void DrawTextRight(QPainter& painter, int x, int y, const QString& text) {
  painter.drawText(x - painter.fontMetrics().horizontalAdvance(text), y, text);
}

void DrawTextCentred(QPainter& painter, int left, int width, int y, const QString& text) {
  painter.drawText(left + (width - painter.fontMetrics().horizontalAdvance(text)) / 2, y, text);
}

void SetScrollValues(QScrollBar& bar, int a, int b, int c) {
  bar.setPageStep(b);
  bar.setRange(0, a);
  bar.setValue(c);
}

// ---- frame painters ----

WindowFrame::WindowFrame(int thickness, const QRect& rect, int colour, int colourCount)
    : thickness_(std::max(thickness, 0)), rect_(rect), colour_(colour), colourCount_(colourCount) {}

void WindowFrame::DrawRing(QPainter& painter, int i, const QColor& light, const QColor& dark) const {
  const QRect r = Inflate(rect_, -i);
  DrawPixelLine(painter, r.topLeft(), r.topRight(), light);
  DrawPixelLine(painter, r.topLeft(), r.bottomLeft(), light);
  DrawPixelLine(painter, r.bottomLeft(), r.bottomRight(), dark);
  DrawPixelLine(painter, r.topRight(), r.bottomRight(), dark);
}

void WindowFrame::Draw(QPainter& painter) const {
  const QColor c = NamedQColor(colour_);
  for (int i = 0; i < thickness_; ++i) DrawRing(painter, i, c, c);
}

WindowFrame3D::WindowFrame3D(int thickness, const QRect& rect, bool pressed, int colourCount)
    : WindowFrame(thickness, rect, 0, colourCount), pressed_(pressed) {}

int WindowFrame3D::LightLevel(int thickness, int i) {
  const int step = 0x3FFF / std::max(thickness, 1);
  return 0xC000 + i * step;
}

int WindowFrame3D::DarkLevel(int thickness, int i) {
  const int step = 0x3FFF / std::max(thickness, 1);
  return 0xC000 - (3 * i * step) / 2;
}

bool WindowFrame3D::Plain() const { return colourCount_ <= 256 || thickness_ == 1; }

QColor WindowFrame3D::Grey(int level) const { return Grey16(level); }

void WindowFrame3D::Draw(QPainter& painter) const {
  const bool plain = Plain();
  for (int i = 0; i < thickness_; ++i) {
    QColor light = plain ? NamedQColor(kHighlight) : Grey(LightLevel(thickness_, i));
    QColor dark = plain ? NamedQColor(kShadow) : Grey(DarkLevel(thickness_, i));
    if (pressed_) std::swap(light, dark);
    DrawRing(painter, i, light, dark);
  }
}

bool WindowFrame3DPal::Plain() const { return colourCount_ <= 16; }

QColor WindowFrame3DPal::Grey(int level) const {
  const int byte = std::clamp(level, 0, 0xFFFF) >> 8;
  return QColor(byte, byte, byte);
}

void WindowFrame3DPalRound::Draw(QPainter& painter) const {
  const bool plain = Plain();
  const int radius = std::max(thickness_, 2);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  for (int i = 0; i < thickness_; ++i) {
    QColor light = plain ? NamedQColor(kHighlight) : Grey(LightLevel(thickness_, i));
    QColor dark = plain ? NamedQColor(kShadow) : Grey(DarkLevel(thickness_, i));
    if (pressed_) std::swap(light, dark);
    const QRect r = Inflate(rect_, -i);
    const int rr = std::max(radius - i, 1);
    // Straight parts between the corners.
    DrawPixelLine(painter, {r.left() + rr, r.top()}, {r.right() - rr, r.top()}, light);
    DrawPixelLine(painter, {r.left(), r.top() + rr}, {r.left(), r.bottom() - rr}, light);
    DrawPixelLine(painter, {r.left() + rr, r.bottom()}, {r.right() - rr, r.bottom()}, dark);
    DrawPixelLine(painter, {r.right(), r.top() + rr}, {r.right(), r.bottom() - rr}, dark);
    // Quarter circles; angles in 1/16 degree, counter-clockwise from three o'clock.
    const int d = 2 * rr;
    const QRect tl(r.left(), r.top(), d, d), tr(r.right() - d, r.top(), d, d);
    const QRect bl(r.left(), r.bottom() - d, d, d), br(r.right() - d, r.bottom() - d, d, d);
    auto arc = [&](const QRect& box, int start, int span, const QColor& c) {
      painter.setPen(SolidPen(c, 1));
      painter.drawArc(box, start * 16, span * 16);
    };
    arc(tl, 90, 90, light);
    arc(tr, 45, 45, light);
    arc(tr, 0, 45, dark);
    arc(bl, 180, 45, light);
    arc(bl, 225, 45, dark);
    arc(br, 270, 90, dark);
  }
  painter.restore();
}

int OffscreenBitmap::Resize(QSize size) {
  QImage made(size, QImage::Format_RGB32);
  if (made.isNull()) return -2;
  image_ = std::move(made);
  return 0;
}

}  // namespace zh

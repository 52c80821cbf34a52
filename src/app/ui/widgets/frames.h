// Drawing routines and frame painters of the widget library. Everything is drawn
// in logical pixels without antialiasing: a line of one pixel covers whole device
// pixels at any scale.
#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

class QPainter;
class QWidget;
class QScrollBar;

namespace zh {

// The colour of a numbered colour (gui_tables.h); black for an unknown number.
QColor NamedQColor(int number);
// The display's colour count as start-up found it; frames choose ramps by it.
int DisplayColourCount();
void SetDisplayColourCount(int count);

// Sets the widget's background (and its text background) to a numbered colour.
void FillBackground(QWidget& widget, int colour);
// The offset that centres `inner` inside `outer`.
QPoint CenterInside(QSize outer, QSize inner);
// The rectangle grown by d on every side (shrunk for a negative d).
QRect Inflate(const QRect& rect, int d);
// The four edges with the painter's pen colour, one pixel wide.
void DrawOutline(QPainter& painter, const QRect& rect);
// A horizontal or vertical line of one pixel.
void DrawPixelLine(QPainter& painter, QPoint from, QPoint to, const QColor& colour);
// Two parallel lines, pen width width/2, offset by -width/4 and +width/4 across the
// line; raised: colour 26 then 27, sunken: 27 then 26 (a falling diagonal keeps 26, 27).
void DrawGrooveLine(QPainter& painter, QPoint from, QPoint to, int width, bool raised);

// Side bits of a 3D frame.
inline constexpr int kSideTop = 1;
inline constexpr int kSideRight = 2;
inline constexpr int kSideBottom = 4;
inline constexpr int kSideLeft = 8;
inline constexpr int kSideAll = 15;
// A 3D frame of `depth` rings: inside, the rings run inwards from the rectangle's
// edge, otherwise outwards from one pixel outside it.
void DrawBevel(QPainter& painter, const QRect& rect, int depth, bool raised, int sides, bool inside);

// Text ending at x, or centred in [left, left + width), with its baseline at y.
void DrawTextRight(QPainter& painter, int x, int y, const QString& text);
void DrawTextCentred(QPainter& painter, int left, int width, int y, const QString& text);
// Scroll set-up: a is the bar's maximum, b its page step, c the thumb's position.
void SetScrollValues(QScrollBar& bar, int a, int b, int c);

// A frame of `thickness` rings around a rectangle, in one colour.
class WindowFrame {
 public:
  WindowFrame(int thickness, const QRect& rect, int colour = 0,
              int colourCount = DisplayColourCount());
  virtual ~WindowFrame() = default;
  virtual void Draw(QPainter& painter) const;

  void SetRect(const QRect& rect) { rect_ = rect; }
  const QRect& Rect() const { return rect_; }
  int Thickness() const { return thickness_; }
  // The rectangle inside the frame.
  QRect Inner() const { return Inflate(rect_, -thickness_); }

 protected:
  // Ring i (0 = outermost): top and left sides in `light`, bottom and right in `dark`.
  void DrawRing(QPainter& painter, int i, const QColor& light, const QColor& dark) const;

  int thickness_;
  QRect rect_;
  int colour_;
  int colourCount_;
};

// Light top and left, dark bottom and right; swapped when pressed. Grey ramps
// unless the display has 16 colours or fewer, no more than 256, or the frame is one
// pixel thick: then plain lines in colours 26 and 27.
class WindowFrame3D : public WindowFrame {
 public:
  WindowFrame3D(int thickness, const QRect& rect, bool pressed = false,
                int colourCount = DisplayColourCount());
  void Draw(QPainter& painter) const override;
  void SetPressed(bool pressed) { pressed_ = pressed; }

  // The 16-bit grey level of ramp line i.
  static int LightLevel(int thickness, int i);
  static int DarkLevel(int thickness, int i);

 protected:
  virtual bool Plain() const;
  virtual QColor Grey(int level) const;
  bool pressed_;
};

// The same ramps in 8-bit greys (the level's high byte); plain lines only on
// displays of 16 colours.
class WindowFrame3DPal : public WindowFrame3D {
 public:
  using WindowFrame3D::WindowFrame3D;

 protected:
  bool Plain() const override;
  QColor Grey(int level) const override;
};

// The palette ramps with rounded corners: each corner is a quarter circle whose
// rings continue the sides' ramps; the corners between a light and a dark side
// change ramp at their middle.
class WindowFrame3DPalRound : public WindowFrame3DPal {
 public:
  using WindowFrame3DPal::WindowFrame3DPal;
  void Draw(QPainter& painter) const override;
};

// An off-screen bitmap that keeps its previous image when a new one cannot be made.
class OffscreenBitmap {
 public:
  // 0, or -2 when no bitmap of that size can be made.
  int Resize(QSize size);
  QImage& Image() { return image_; }

 private:
  QImage image_;
};

}  // namespace zh

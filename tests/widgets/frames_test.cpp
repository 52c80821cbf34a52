#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QWidget>
#include <functional>

#include "app/ui/widgets/frames.h"
#include "app_ui/qt_app.h"

namespace zh {
namespace {

// A white canvas that paints one routine.
class Canvas final : public QWidget {
 public:
  explicit Canvas(std::function<void(QPainter&)> draw) : draw_(std::move(draw)) { resize(60, 60); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    draw_(p);
  }

 private:
  std::function<void(QPainter&)> draw_;
};

QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }
QRgb Named(int n) { return NamedQColor(n).rgb() & 0xFFFFFF; }
QRgb Grey16(int level) { return QColor::fromRgba64(level, level, level).rgb() & 0xFFFFFF; }
QRgb Grey8(int level) { return qRgb(level >> 8, level >> 8, level >> 8) & 0xFFFFFF; }
constexpr QRgb kWhite = 0xFFFFFF;

struct Probe {
  int x, y;
  QRgb colour;
};

struct FrameCase {
  const char* name;
  std::function<void(QPainter&)> draw;
  std::vector<Probe> probes;
};

TEST(Frames, DrawAsTheirDepthSidesAndColourCountSay) {
  const QRect r(10, 10, 30, 20);  // right 39, bottom 29
  const FrameCase cases[] = {
      {"raised bevel outside, all sides, depth 2",
       [&](QPainter& p) { DrawBevel(p, r, 2, true, kSideAll, false); },
       {{8, 20, Named(26)}, {9, 20, Named(26)}, {20, 8, Named(26)}, {41, 20, Named(27)}, {20, 31, Named(27)},
        {10, 20, kWhite}, {20, 10, kWhite}}},
      {"sunken bevel inside, depth 5: innermost ring in the innermost colour",
       [&](QPainter& p) { DrawBevel(p, r, 5, false, kSideAll, true); },
       {{10, 20, Named(27)}, {14, 20, Named(27)}, {20, 29, Named(26)}, {20, 25, Named(26)}, {15, 20, kWhite}}},
      {"raised depth 4 ends in black at the bottom and right",
       [&](QPainter& p) { DrawBevel(p, r, 4, true, kSideAll, true); },
       {{20, 26, Named(0)}, {36, 20, Named(0)}, {20, 29, Named(27)}, {13, 20, Named(26)}}},
      {"only the top and left sides",
       [&](QPainter& p) { DrawBevel(p, r, 2, true, kSideTop | kSideLeft, true); },
       {{20, 10, Named(26)}, {10, 20, Named(26)}, {20, 29, kWhite}, {39, 20, kWhite}}},
      {"horizontal groove line, raised then sunken",
       [&](QPainter& p) {
         DrawGrooveLine(p, {40, 10}, {10, 10}, 4, true);
         DrawGrooveLine(p, {10, 30}, {40, 30}, 4, false);
       },
       {{20, 9, Named(26)}, {20, 11, Named(27)}, {20, 29, Named(27)}, {20, 31, Named(26)}}},
      {"3D frame ramps: light 0xC000 + i*step, dark 0xC000 - 1.5*i*step",
       [&](QPainter& p) { WindowFrame3D(4, r, false, 65536).Draw(p); },
       {{20, 10, Grey16(0xC000)}, {20, 11, Grey16(0xC000 + 0xFFF)}, {13, 20, Grey16(0xC000 + 3 * 0xFFF)},
        {20, 29, Grey16(0xC000)}, {20, 28, Grey16(0xC000 - 0x17FE)}, {36, 20, Grey16(0xC000 - (9 * 0xFFF) / 2)}}},
      {"a pressed frame swaps the ramps",
       [&](QPainter& p) { WindowFrame3D(4, r, true, 65536).Draw(p); },
       {{20, 11, Grey16(0xC000 - 0x17FE)}, {20, 28, Grey16(0xC000 + 0xFFF)}}},
      {"thickness 1 draws plain lines", [&](QPainter& p) { WindowFrame3D(1, r, false, 65536).Draw(p); },
       {{20, 10, Named(26)}, {20, 29, Named(27)}}},
      {"256 colours without a palette draw plain lines",
       [&](QPainter& p) { WindowFrame3D(3, r, false, 256).Draw(p); },
       {{20, 12, Named(26)}, {20, 27, Named(27)}}},
      {"palette frame: the level's high byte", [&](QPainter& p) { WindowFrame3DPal(4, r, false, 256).Draw(p); },
       {{20, 11, Grey8(0xC000 + 0xFFF)}, {20, 28, Grey8(0xC000 - 0x17FE)}}},
      {"palette frame at 16 colours: plain", [&](QPainter& p) { WindowFrame3DPal(4, r, false, 16).Draw(p); },
       {{20, 11, Named(26)}, {20, 28, Named(27)}}},
      {"plain frame of three rings in one colour", [&](QPainter& p) { WindowFrame(3, r, 12).Draw(p); },
       {{20, 12, Named(12)}, {37, 20, Named(12)}, {20, 13, kWhite}}},
      {"round frame: corner left open, sides ramped",
       [&](QPainter& p) { WindowFrame3DPalRound(3, r, false, 65536).Draw(p); },
       {{10, 10, kWhite}, {20, 10, Grey8(0xC000)}, {20, 29, Grey8(0xC000)}}},
  };
  for (const FrameCase& c : cases) {
    SCOPED_TRACE(c.name);
    Canvas canvas(c.draw);
    const QImage image = canvas.grab().toImage();
    for (const Probe& p : c.probes)
      EXPECT_EQ(At(image, p.x, p.y), p.colour) << "at " << p.x << "," << p.y;
  }
}

TEST(Frames, SmallRoutines) {
  EXPECT_EQ(CenterInside({100, 50}, {30, 20}), QPoint(35, 15));
  EXPECT_EQ(Inflate(QRect(10, 10, 5, 5), 2), QRect(8, 8, 9, 9));
  EXPECT_EQ(Inflate(QRect(10, 10, 5, 5), -1), QRect(11, 11, 3, 3));
  OffscreenBitmap bitmap;
  EXPECT_EQ(bitmap.Resize({20, 10}), 0);
  EXPECT_EQ(bitmap.Image().size(), QSize(20, 10));
  EXPECT_EQ(bitmap.Resize({-5, 10}), -2);  // no such bitmap: the old one stays
  EXPECT_EQ(bitmap.Image().size(), QSize(20, 10));
}

}  // namespace
}  // namespace zh

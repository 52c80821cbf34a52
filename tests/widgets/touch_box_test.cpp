#include "app/ui/widgets/touch_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>

#include "app_ui/qt_app.h"
#include "support/fake_timers.h"
#include "support/recording_services.h"

namespace zh {
namespace {

QImage Solid(int w, int h, QRgb colour) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

struct Counter {
  int calls = 0;
  int32_t Hit(std::intptr_t) {
    ++calls;
    return 0;
  }
  CallbackLink Link() { return CallbackLink::Bind<Counter, &Counter::Hit>(this); }
};

// A box of bitmap cells 1..n of 20 x 10, with gaps and pictures where `kinds` says:
// 'b' bitmap cell, 'g' gap, 'p' picture of 15 x 10, 't' text cell.
void Fill(TouchBox& box, const char* kinds) {
  int id = 1;
  for (const char* k = kinds; *k; ++k) {
    switch (*k) {
      case 'b':
        box.AddBitmapCell(id++, Solid(20, 10, 0xFF0000FF), Solid(20, 10, 0xFF00FF00), Solid(20, 10, 0xFFFF0000));
        break;
      case 'g': box.AddGap(); break;
      case 'p': box.AddPictureCell(Solid(15, 10, 0xFF808080)); break;
      case 't': box.AddTextCell(id++, "T"); break;
    }
  }
}

// A mouse move without buttons, delivered straight to the widget.
void Move(QWidget& widget, QPoint at) {
  QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(widget.mapToGlobal(at)), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&widget, &move);
}

TEST(TouchBox, LayoutAndWrapping) {
  struct Case {
    const char* kinds;
    int rows;
    std::vector<QPoint> places;
    QSize total;
  } cases[] = {
      // One row: x advances by each width (bitmap 20, gap 12, picture 15) from the margin 8.
      {"bgbp", 1, {{8, 3}, {28, 3}, {40, 3}, {60, 3}}, {67, 16}},
      // Rows 1 never wrap however many cells.
      {"bbbbbbbb", 1, {{8, 3}, {28, 3}, {48, 3}, {68, 3}, {88, 3}, {108, 3}, {128, 3}, {148, 3}}, {160, 16}},
      // Two rows: a row holds what fits its half of the total width.
      {"bbbb", 2, {{8, 3}, {28, 3}, {8, 19}, {28, 19}}, {40, 32}},
      // Each row takes what fits the row width (total / rows), so five cells of a
      // two-row box make three rows.
      {"bbbbb", 2, {{8, 3}, {28, 3}, {8, 19}, {28, 19}, {8, 35}}, {50, 48}},
      {"bbbbbb", 3, {{8, 3}, {28, 3}, {8, 19}, {28, 19}, {8, 35}, {28, 35}}, {40, 48}},
  };
  test::TestApp();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kinds);
    TouchBox box(nullptr);
    Fill(box, c.kinds);
    box.SetRows(c.rows);
    ASSERT_EQ(box.Count(), static_cast<int>(c.places.size()));
    for (int i = 0; i < box.Count(); ++i) {
      EXPECT_EQ(QPoint(box.Cell(i).x, box.Cell(i).y), c.places[static_cast<size_t>(i)]) << i;
      EXPECT_EQ(box.Cell(i).lastInRow, i == box.Count() - 1);
    }
    EXPECT_EQ(box.TotalSize(), c.total);
  }
}

TEST(TouchBox, PressesReleasesAndHighlight) {
  test::TestApp();
  TouchBox box(nullptr);
  Fill(box, "bgbpb");
  box.resize(200, 40);
  Counter clicks;
  box.SetClickLink(clicks.Link());
  const QPoint cell1(10, 5), gap(32, 5), cell2(45, 5), picture(70, 5);

  // A press on a gap or a picture changes nothing.
  for (QPoint p : {gap, picture}) {
    QTest::mousePress(&box, Qt::LeftButton, {}, p);
    QTest::mouseRelease(&box, Qt::LeftButton, {}, p);
  }
  EXPECT_EQ(box.GetValue(), 0);
  EXPECT_EQ(clicks.calls, 0);

  // A press and release on one cell clicks it.
  QTest::mousePress(&box, Qt::LeftButton, {}, cell1);
  QTest::mouseRelease(&box, Qt::LeftButton, {}, cell1);
  EXPECT_EQ(box.GetValue(), 1);
  EXPECT_EQ(clicks.calls, 1);

  // Released over another cell: no link, but the value stays at the pressed cell.
  QTest::mousePress(&box, Qt::LeftButton, {}, cell2);
  EXPECT_EQ(box.Cell(2).state, 2);
  QTest::mouseRelease(&box, Qt::LeftButton, {}, cell1);
  EXPECT_EQ(box.GetValue(), 2);
  EXPECT_EQ(clicks.calls, 1);
  EXPECT_EQ(box.Pressed(), -1);
  EXPECT_EQ(box.Highlighted(), -1);

  // The mouse over a cell shows its highlighted look.
  box.ClearHighlight();
  for (int i = 0; i < box.Count(); ++i) const_cast<Location&>(box.Cell(i)).state = 0;
  Move(box, cell2);
  Move(box, cell2 + QPoint(1, 0));
  EXPECT_EQ(box.Highlighted(), 2);
  QImage shot = box.grab().toImage();
  EXPECT_EQ(shot.pixel(45, 5), 0xFF00FF00u);  // highlighted look
  EXPECT_EQ(shot.pixel(10, 5), 0xFF0000FFu);  // normal look
}

TEST(TouchBox, TheBitmapManagersSinkAddsAndReplacesCells) {
  test::TestApp();
  TouchBox box(nullptr);
  box.resize(100, 30);
  TouchBitmapSink& sink = box;
  sink.AddCell(7, Solid(20, 10, 0xFF0000FF), Solid(20, 10, 0xFF00FF00), Solid(20, 10, 0xFFFF0000));
  ASSERT_EQ(box.Count(), 1);
  EXPECT_EQ(box.Cell(0).Id(), 7);
  sink.ReplaceCell(7, Solid(20, 10, 0xFFFFFF00), Solid(20, 10, 0xFF00FF00), Solid(20, 10, 0xFFFF0000));
  sink.ReplaceCell(8, Solid(20, 10, 0xFF000000), Solid(20, 10, 0xFF000000), Solid(20, 10, 0xFF000000));
  EXPECT_EQ(box.Count(), 1);
  EXPECT_EQ(box.grab().toImage().pixel(10, 5), 0xFFFFFF00u);
}

TEST(TouchButton, RepeatsAfter200MsThenEveryMs) {
  test::TestApp();
  test::RecordingServices services;
  test::FakeTimers timers(services.ticks);
  TouchButton button(nullptr);
  button.SetBitmap(Solid(16, 16, 0xFF0000FF));
  Counter press, repeat, release;
  button.SetPressLink(press.Link());
  button.SetRepeatLink(repeat.Link());
  button.SetReleaseLink(release.Link());
  QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(press.calls, 1);
  EXPECT_EQ(button.CurrentLook(), TouchButton::kPressedLook);
  timers.Advance(199);
  EXPECT_EQ(repeat.calls, 0);
  timers.Advance(1);
  EXPECT_EQ(repeat.calls, 1);
  timers.Advance(10);
  EXPECT_EQ(repeat.calls, 11);
  QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 5));
  timers.Advance(100);
  EXPECT_EQ(repeat.calls, 11);
  EXPECT_EQ(release.calls, 1);
  EXPECT_EQ(timers.ActiveCount(), 0);
}

TEST(TouchNumericBox, BoundsAndChangeLink) {
  test::TestApp();
  test::RecordingServices services;
  test::FakeTimers timers(services.ticks);
  TouchNumericBox box(nullptr);
  box.resize(80, 30);
  Counter changes;
  box.SetChangeLink(changes.Link());
  box.SetMaximum(2);
  box.SetValue(1);
  QTest::mousePress(&box.UpButton(), Qt::LeftButton, {}, QPoint(2, 2));
  QTest::mouseRelease(&box.UpButton(), Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_EQ(box.Value(), 2);
  // At the maximum ">" still calls the link, without a change.
  QTest::mousePress(&box.UpButton(), Qt::LeftButton, {}, QPoint(2, 2));
  QTest::mouseRelease(&box.UpButton(), Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_EQ(box.Value(), 2);
  EXPECT_EQ(changes.calls, 2);
  EXPECT_TRUE(box.Changed());
  // A maximum below the value moves it at once; a minimum above it likewise.
  box.SetMaximum(-5);
  EXPECT_EQ(box.Value(), -5);
  EXPECT_EQ(box.ValueText().text(), "-5");
  box.SetMinimum(0);
  EXPECT_EQ(box.Value(), 0);
  box.Down();
  EXPECT_EQ(box.Value(), 0);
  EXPECT_EQ(changes.calls, 3);
}

}  // namespace
}  // namespace zh

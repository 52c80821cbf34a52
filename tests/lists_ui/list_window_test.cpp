#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/gui_tables.h"
#include "app/ui/list_window.h"
#include "app/ui/widgets/frames.h"
#include "app_ui/qt_app.h"
#include "core/toolbox/int_array.h"
#include "support/fake_timers.h"
#include "support/recording_services.h"

namespace zh {
namespace {

// Every row is filled with a colour that codes its number in even channel values,
// so that an inverted row (255 - value) has odd ones and decodes as well.
QRgb RowColour(int64_t row) {
  return qRgb(int((row >> 14) & 0x7F) << 1, int((row >> 7) & 0x7F) << 1, int(row & 0x7F) << 1);
}

class ColourList final : public ListWindow {
 public:
  ColourList(int64_t rows, int mode) : ListWindow(nullptr, mode, QFont("DejaVu Sans", 10)), rows_(rows) {}
  int64_t rows_;
  int draws = 0, activations = 0, contextClicks = 0;
  QPoint contextAt;
  int32_t next = 3;

  int64_t GetRowCount() override { return rows_; }
  int32_t GetColumnCount() override { return 200; }
  int DrawRow(QPainter& painter, int64_t row, QPoint at, int32_t, RowBounds&) override {
    ++draws;
    painter.fillRect(QRect(at, QSize(Rows()->width(), RowHeight())), QColor(RowColour(row)));
    return 0;
  }
  void ActivateRow() override { ++activations; }
  void ContextClick(int x, int y) override { ++contextClicks, contextAt = QPoint(x, y); }
  int32_t NextColumn() override { return next; }
  int32_t PreviousColumn() override { return next; }
};

// What the rows area shows: per visible row its number (-1 for an empty row) and
// whether it is inverted, read from the pixels at x.
struct Shown {
  std::vector<int64_t> rows;
  std::vector<int64_t> inverted;  // absolute rows
};

Shown Probe(ListWindow& list, int x = 40) {
  const QImage image = list.Rows()->grab().toImage();
  const QRgb background = NamedQColor(8).rgb() & 0xFFFFFF;
  Shown s;
  for (int i = 0; i < list.VisibleRows(); ++i) {
    QRgb c = image.pixel(x * image.width() / list.Rows()->width(),
                         (i * list.RowHeight() + list.RowHeight() / 2) * image.height() / list.Rows()->height()) &
             0xFFFFFF;
    const bool inverted = qRed(c) & 1;
    if (inverted) c = ~c & 0xFFFFFF;
    if (c == background && !inverted) {
      s.rows.push_back(-1);
      continue;
    }
    const int64_t row = (int64_t(qRed(c) >> 1) << 14) | (int64_t(qGreen(c) >> 1) << 7) | (qBlue(c) >> 1);
    s.rows.push_back(row);
    if (inverted) s.inverted.push_back(row);
  }
  return s;
}

// Saves the window's picture beside the tests when a step fails.
void SaveOnFailure(QWidget& w, const std::string& name) {
  if (!::testing::Test::HasFailure()) return;
  std::string file = std::string(ZH_OUTPUT_DIR) + "/list_failure_" + name + ".png";
  for (char& ch : file)
    if (ch == ' ') ch = '_';
  w.grab().save(QString::fromStdString(file));
  ADD_FAILURE() << "picture saved to " << file;
}

struct Fixture {
  test::RecordingServices services;
  test::FakeTimers timers{services.ticks};
  std::unique_ptr<ColourList> list;
  Fixture(int64_t rows, int mode, QSize size = QSize(800, 600)) {
    list = std::make_unique<ColourList>(rows, mode);
    list->resize(size);
    list->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(list.get()));
    QApplication::processEvents();
  }
  void Key(int qtKey, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(list->Rows(), static_cast<Qt::Key>(qtKey), mods);
  }
  QPoint RowPoint(int visibleRow) const { return QPoint(40, visibleRow * list->RowHeight() + list->RowHeight() / 2); }
  void Send(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons,
            Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QMouseEvent event(type, at, list->Rows()->mapToGlobal(at), button, buttons, mods);
    QApplication::sendEvent(list->Rows(), &event);
  }
};

constexpr int kMulti = list_mode::kMultiSelect | list_mode::kRowHighlight | list_mode::kHorizontalBar;

std::vector<int64_t> Range(int64_t first, int64_t last) {
  std::vector<int64_t> v;
  for (int64_t r = first; r <= last; ++r) v.push_back(r);
  return v;
}

TEST(ListWindow, KeysMoveTopCursorAndSelectionAsShown) {
  Fixture f(1'000'000, kMulti);
  ColourList& list = *f.list;
  const int64_t V = list.VisibleRows();
  ASSERT_GE(V, 10);
  ASSERT_LE(V * list.RowHeight(), 600);
  struct Step {
    const char* name;
    int key;
    Qt::KeyboardModifiers mods;
    int64_t top, cursor;
    std::vector<int64_t> inverted;
  };
  const int64_t n = 1'000'000;
  const int64_t half = V + V / 2;
  const Step steps[] = {
      {"down", Qt::Key_Down, Qt::NoModifier, 0, 1, {1}},
      {"shift down keeps", Qt::Key_Down, Qt::ShiftModifier, 0, 2, {1, 2}},
      {"shift up takes the left row out", Qt::Key_Up, Qt::ShiftModifier, 0, 1, {1}},
      {"up", Qt::Key_Up, Qt::NoModifier, 0, 0, {0}},
      {"up at the first row", Qt::Key_Up, Qt::NoModifier, 0, 0, {0}},
      {"page down to the last visible row", Qt::Key_PageDown, Qt::NoModifier, 0, V - 1, {0, V - 1}},
      {"page down a page", Qt::Key_PageDown, Qt::NoModifier, V - 1, 2 * V - 2, {2 * V - 2}},
      {"page up", Qt::Key_PageUp, Qt::NoModifier, 0, 0, {0}},
      {"home", Qt::Key_Home, Qt::NoModifier, 0, 0, {0}},
      {"shift page down from the first row", Qt::Key_PageDown, Qt::ShiftModifier, V - 1, half, Range(V - 1, half)},
      {"shift page up", Qt::Key_PageUp, Qt::ShiftModifier, 0, half - V + 1, Range(1, half - V + 1)},
      {"home clears", Qt::Key_Home, Qt::NoModifier, 0, 0, {0}},
      {"end", Qt::Key_End, Qt::NoModifier, n - V + 1, n - V + 1, {n - V + 1}},
      {"home again", Qt::Key_Home, Qt::NoModifier, 0, 0, {0}},
      {"shift end", Qt::Key_End, Qt::ShiftModifier, 0, 0, Range(0, V - 1)},
      {"down clears", Qt::Key_Down, Qt::NoModifier, 0, 1, {1}},
      {"space", Qt::Key_Space, Qt::NoModifier, 0, 2, {1, 2}},
      {"page down", Qt::Key_PageDown, Qt::NoModifier, 0, V - 1, {1, V - 1}},
      {"space wraps to the first visible row", Qt::Key_Space, Qt::NoModifier, 0, 0, {0, 1}},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    f.Key(s.key, s.mods);
    QApplication::processEvents();
    EXPECT_EQ(list.TopRow(), s.top);
    EXPECT_EQ(list.CursorRow(), s.cursor);
    const Shown shown = Probe(list);
    EXPECT_EQ(shown.rows.front(), s.top);
    EXPECT_EQ(shown.rows.back(), s.top + V - 1 < n ? s.top + V - 1 : -1);
    EXPECT_EQ(shown.inverted, s.inverted);
    SaveOnFailure(list, s.name);
    if (::testing::Test::HasFailure()) return;
  }
  EXPECT_EQ(list.Selection().Count(), 1);
  f.Key(Qt::Key_Return);
  f.Key(Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(list.activations, 1);
}

TEST(ListWindow, LeftAndRightScrollColumnsOrMoveTheCell) {
  {
    Fixture f(100, kMulti);
    const int half = std::max(f.list->Rules().VisibleColumns() / 2, 1);
    f.Key(Qt::Key_Right);
    EXPECT_EQ(f.list->Rules().FirstColumn(), half);
    EXPECT_EQ(f.list->HorizontalBar()->value(), half);
    f.Key(Qt::Key_Left);
    f.Key(Qt::Key_Left);
    EXPECT_EQ(f.list->Rules().FirstColumn(), 0);
    EXPECT_EQ(f.list->TopRow(), 0);
  }
  {
    Fixture f(100, list_mode::kCell | list_mode::kMultiSelect);
    ColourList& list = *f.list;
    const int cw = list.CharWidth();
    f.Key(Qt::Key_Right);  // NextColumn says 3 characters
    EXPECT_EQ(list.Rules().CursorX(), 3 * cw);
    QApplication::processEvents();
    // The cursor cell is inverted, the rest of its row is not.
    Shown inside = Probe(list, 3 * cw + cw / 2), outside = Probe(list, 3 * cw + cw * 2);
    EXPECT_EQ(inside.inverted, std::vector<int64_t>{0});
    EXPECT_TRUE(outside.inverted.empty());
    list.next = 0;  // no move: the cursor stays
    f.Key(Qt::Key_Left);
    EXPECT_EQ(list.Rules().CursorX(), 3 * cw);
    SaveOnFailure(list, "cell");
  }
}

TEST(ListWindow, ListShorterThanAPage) {
  Fixture f(5, kMulti);
  f.Key(Qt::Key_PageDown);
  EXPECT_EQ(f.list->CursorRow(), 4);
  f.Key(Qt::Key_PageDown);
  EXPECT_EQ(f.list->TopRow(), 0);
  f.Key(Qt::Key_End);
  EXPECT_EQ(f.list->TopRow(), 0);
  f.Key(Qt::Key_Down);
  const Shown shown = Probe(*f.list);
  EXPECT_EQ(std::vector<int64_t>(shown.rows.begin(), shown.rows.begin() + 6),
            (std::vector<int64_t>{0, 1, 2, 3, 4, -1}));
  EXPECT_EQ(shown.inverted, std::vector<int64_t>{1});
  EXPECT_EQ(f.list->VerticalBar()->value(), 0);
  f.list->rows_ = 0;
  f.list->Reset();
  EXPECT_EQ(f.list->VerticalBar()->value(), 1000);
  SaveOnFailure(*f.list, "short");
}

TEST(ListWindow, MouseSelectsTogglesDragsAndActivates) {
  Fixture f(1000, kMulti);
  ColourList& list = *f.list;
  QTest::mouseClick(list.Rows(), Qt::LeftButton, Qt::NoModifier, f.RowPoint(3));
  EXPECT_EQ(list.CursorRow(), 3);
  EXPECT_TRUE(list.Rows()->hasFocus());
  QTest::mouseClick(list.Rows(), Qt::LeftButton, Qt::ControlModifier, f.RowPoint(6));
  EXPECT_EQ(Probe(list).inverted, (std::vector<int64_t>{3, 6}));
  QTest::mouseClick(list.Rows(), Qt::LeftButton, Qt::ControlModifier, f.RowPoint(6));
  EXPECT_EQ(Probe(list).inverted, (std::vector<int64_t>{3}));
  QTest::mouseClick(list.Rows(), Qt::LeftButton, Qt::ShiftModifier, f.RowPoint(7));
  EXPECT_EQ(Probe(list).inverted, Range(3, 7));

  // A drag from row 2 to row 9, then back to row 5.
  f.Send(QEvent::MouseButtonPress, f.RowPoint(2), Qt::LeftButton, Qt::LeftButton);
  f.Send(QEvent::MouseMove, f.RowPoint(9), Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(Probe(list).inverted, Range(2, 9));
  f.Send(QEvent::MouseMove, f.RowPoint(5), Qt::NoButton, Qt::LeftButton);
  f.Send(QEvent::MouseButtonRelease, f.RowPoint(5), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(Probe(list).inverted, Range(2, 5));
  EXPECT_EQ(list.Selection().Count(), 4);

  // A plain click leaves exactly its row selected, also on a row of the selection.
  QTest::mouseClick(list.Rows(), Qt::LeftButton, Qt::NoModifier, f.RowPoint(4));
  EXPECT_EQ(Probe(list).inverted, std::vector<int64_t>{4});
  EXPECT_EQ(list.Selection().Count(), 1);

  // Dragging below the last visible row scrolls a row at a time.
  const int V = list.VisibleRows();
  f.Send(QEvent::MouseButtonPress, f.RowPoint(V - 2), Qt::LeftButton, Qt::LeftButton);
  f.Send(QEvent::MouseMove, QPoint(40, (V - 1) * list.RowHeight() + list.RowHeight() - 1), Qt::NoButton,
         Qt::LeftButton);
  f.Send(QEvent::MouseButtonRelease, f.RowPoint(V - 1), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(list.TopRow(), 1);
  EXPECT_EQ(Probe(list).inverted, Range(V - 2, V));

  QTest::mouseDClick(list.Rows(), Qt::LeftButton, Qt::NoModifier, f.RowPoint(2));
  EXPECT_EQ(list.activations, 1);
  QTest::mouseClick(list.Rows(), Qt::RightButton, Qt::NoModifier, QPoint(17, 23));
  EXPECT_EQ(list.contextClicks, 1);
  EXPECT_EQ(list.contextAt, QPoint(17, 23));
  SaveOnFailure(list, "mouse");
}

TEST(ListWindow, EdgeCasesOfPageAndThumb) {
  {
    Fixture f(1000, kMulti, QSize(400, 400 * 40));
    EXPECT_EQ(f.list->VisibleRows(), 300);
  }
  Fixture f(100'000, kMulti);
  ColourList& list = *f.list;
  const int64_t V = list.VisibleRows();
  QScrollBar& bar = *list.VerticalBar();
  // A jump of more than 15 rows draws the first row now and the page 200 ms later.
  list.draws = 0;
  bar.setSliderDown(true);
  bar.setSliderPosition(500);
  QApplication::processEvents();
  EXPECT_EQ(list.TopRow(), 50'000);
  EXPECT_EQ(list.draws, 1);
  f.timers.Advance(199);
  QApplication::processEvents();
  EXPECT_EQ(list.draws, 1);
  f.timers.Advance(1);
  QApplication::processEvents();
  EXPECT_EQ(list.draws, 1 + V);
  // Dragged to the end: at most two empty rows and never past the last row.
  bar.setSliderPosition(1000);
  bar.setSliderDown(false);
  QApplication::processEvents();
  EXPECT_EQ(list.TopRow(), 100'000 - V + 2);
  EXPECT_EQ(bar.value(), 1000);
  const Shown shown = Probe(list);
  EXPECT_EQ(shown.rows[V - 3], 99'999);
  EXPECT_EQ(shown.rows[V - 1], -1);
  // One line scrolls the pixels and draws one row.
  list.draws = 0;
  bar.triggerAction(QAbstractSlider::SliderSingleStepSub);
  QApplication::processEvents();
  EXPECT_EQ(list.TopRow(), 100'000 - V + 1);
  EXPECT_EQ(list.draws, 1);
  EXPECT_EQ(Probe(list).rows.front(), 100'000 - V + 1);
  // Ctrl+Right scrolls on the timer until a key stops it.
  f.Key(Qt::Key_Home);
  f.Key(Qt::Key_Right, Qt::ControlModifier);
  f.timers.Advance(kContinuousStepMs * 7);
  QApplication::processEvents();
  EXPECT_EQ(list.TopRow(), 7);
  EXPECT_EQ(Probe(list).rows.front(), 7);
  f.Key(Qt::Key_A);
  f.timers.Advance(1000);
  EXPECT_EQ(list.TopRow(), 7);
  EXPECT_EQ(list.CursorRow(), 7 + V - 1);
  // The wheel moves three rows a notch.
  QWheelEvent wheel(f.RowPoint(1), list.Rows()->mapToGlobal(f.RowPoint(1)), QPoint(), QPoint(0, -120),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(list.Rows(), &wheel);
  EXPECT_EQ(list.TopRow(), 10);
  SaveOnFailure(list, "thumb");
}

TEST(ListWindow, CtrlASelectsAMillionRowsThatStaySelected) {
  Fixture f(1'000'000, kMulti);
  ColourList& list = *f.list;
  const int64_t V = list.VisibleRows();
  f.Key(Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(list.Selection().Count(), 1'000'000);
  EXPECT_EQ(f.services.CallsStartingWith("Status: "), std::vector<std::string>{"Status: 1000000"});
  SortedLONGArr rows;
  ASSERT_TRUE(list.SelectedRows(rows));
  ASSERT_EQ(rows.Count(), 1'000'000u);
  bool ascending = true;
  for (uint32_t i = 0; i < rows.Count(); ++i) ascending = ascending && rows.Get(i) == int32_t(i);
  EXPECT_TRUE(ascending);
  for (int i = 0; i < 3; ++i) f.Key(Qt::Key_PageDown);
  for (int i = 0; i < 3; ++i) list.VerticalBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_GT(list.TopRow(), 3 * V);
  EXPECT_EQ(Probe(list).inverted.size(), size_t(V));
  for (int i = 0; i < 3; ++i) list.VerticalBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
  for (int i = 0; i < 4; ++i) f.Key(Qt::Key_PageUp);
  EXPECT_EQ(list.TopRow(), 0);
  EXPECT_EQ(Probe(list).inverted, Range(0, V - 1));
  EXPECT_EQ(list.Selection().Count(), 1'000'000);
  SaveOnFailure(list, "ctrl a");
}

TEST(ListWindow, InversionCoversTheRowAtAnyPixelRatio) {
  Fixture f(50, kMulti);
  ColourList& list = *f.list;
  f.Key(Qt::Key_Down);
  for (qreal ratio : {1.0, 1.5, 2.0}) {
    SCOPED_TRACE(ratio);
    QImage image(list.Rows()->size() * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::green);
    list.Rows()->render(&image);
    const int rh = list.RowHeight();
    const QRgb inverted = ~RowColour(1) & 0xFFFFFF;
    // Every device pixel of row 1 is inverted; the rows around it are not.
    // Row 1's device pixels are inverted, the rows around it are untouched, and no
    // pixel at the edges is left over or inverted twice.
    int invertedPixels = 0;
    for (int y = 0; y < int(3 * rh * ratio); ++y) {
      const QRgb c = image.pixel(int(5 * ratio), y) & 0xFFFFFF;
      ASSERT_TRUE(c == inverted || c == (RowColour(0) & 0xFFFFFF) || c == (RowColour(2) & 0xFFFFFF)) << y;
      if (c == inverted) {
        ++invertedPixels;
        EXPECT_GE(y, int(rh * ratio) - 1);
        EXPECT_LE(y, int(2 * rh * ratio));
      }
    }
    EXPECT_NEAR(invertedPixels, rh * ratio, 1.0);
  }
}

}  // namespace
}  // namespace zh

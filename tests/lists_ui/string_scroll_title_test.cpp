#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <functional>
#include <memory>
#include <vector>

#include "app/ui/scrollable_window.h"
#include "app/ui/string_list_window.h"
#include "app/ui/title_bars.h"
#include "app/ui/widgets/frames.h"
#include "app_ui/qt_app.h"
#include "support/fake_timers.h"
#include "support/recording_services.h"

namespace zh {
namespace {

QRgb Rgb(const QColor& c) { return c.rgb() & 0xFFFFFF; }

// Pixels of the image inside rect darker than middle grey: text ink.
int CountInk(const QImage& image, const QRect& rect) {
  int n = 0;
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (int x = rect.left(); x <= rect.right(); ++x) n += qGray(image.pixel(x, y)) < 128;
  return n;
}

// Pixels of the image inside rect that have exactly the colour.
int CountColour(const QImage& image, const QRect& rect, QRgb colour) {
  int n = 0;
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (int x = rect.left(); x <= rect.right(); ++x) n += (image.pixel(x, y) & 0xFFFFFF) == colour;
  return n;
}

void Show(QWidget& w, QSize size) {
  w.resize(size);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  QApplication::processEvents();
}

TEST(StringListWindow, WeightsColoursEntriesAndRightClicks) {
  test::RecordingServices services;
  test::FakeTimers timers(services.ticks);
  QFont font("DejaVu Sans");
  font.setPixelSize(20);
  StringListWindow list(nullptr, font, false);
  EXPECT_EQ(list.AddEntry("MMMMMM", kEntryNormal, kEntryBlack), 1);
  list.AddEntry("MMMMMM", kEntryBold, kEntryBlack);
  list.AddEntry("MMMMMM", kEntryDim, 12);  // weight 1 wins over the colour
  list.AddEntry("MMMMMM", kEntryNormal, 12);
  Show(list, QSize(400, 300));
  const QImage image = list.Rows()->grab().toImage();
  auto row = [&](int i) { return QRect(0, i * list.RowHeight(), 200, list.RowHeight()); };
  const QRgb black = 0, dim = Rgb(NamedQColor(7)), twelve = Rgb(NamedQColor(12));
  const int normal = CountColour(image, row(0), black), bold = CountColour(image, row(1), black);
  EXPECT_GT(normal, 50);
  EXPECT_GT(bold, normal * 5 / 4);
  EXPECT_GT(CountColour(image, row(2), dim), 50);
  EXPECT_EQ(CountColour(image, row(2), twelve), 0);
  EXPECT_GT(CountColour(image, row(3), twelve), 50);
  EXPECT_EQ(CountColour(image, row(3), black), 0);

  EXPECT_EQ(list.GetEntry(3), "MMMMMM");
  EXPECT_EQ(list.GetEntry(4), "?");
  EXPECT_EQ(list.GetEntry(-1), "?");
  list.SetEntryText(9, "x");  // out of range: nothing
  list.ReplaceEntry("abc", 1, kEntryNormal, 12);
  EXPECT_EQ(list.GetEntry(1), "abc");
  EXPECT_EQ(list.GetRowCount(), 4);
  EXPECT_EQ(list.GetColumnCount(), 255);

  int clicks = 0;
  list.rightClickLink = CallbackLink(&clicks, [](void* o, std::intptr_t) { return ++*static_cast<int*>(o); });
  QTest::mouseClick(list.Rows(), Qt::RightButton, Qt::NoModifier, QPoint(31, 12));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(list.LastRightClick(), QPoint(31, 12));
  list.Clear();
  EXPECT_EQ(list.GetRowCount(), 0);
  EXPECT_EQ(list.GetEntry(0), "?");
}

class Document final : public ScrollableWindow {
 public:
  using ScrollableWindow::ScrollableWindow;
  int begins = 0;
  std::vector<QPoint> scrolled;
  void BeginScroll() override { ++begins; }
  void Scrolled(QPoint origin) override { scrolled.push_back(origin); }
};

TEST(ScrollableWindow, BarsShowOnlyWhenNeeded) {
  struct Case {
    const char* name;
    int flags;
    QSize doc;
    bool hbar, vbar, corner;
    QPoint origin;
  };
  const Case cases[] = {
      {"fits: no bars", 0, {150, 80}, false, false, false, {0, 0}},
      {"fits, centred both ways", 6, {150, 80}, false, false, false, {25, 10}},
      {"taller: the vertical bar makes the horizontal one necessary", 0, {195, 300}, true, true, true, {0, 0}},
      {"only wider", 0, {400, 50}, true, false, false, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Document w(nullptr, c.flags);
    Show(w, QSize(200, 100));
    w.SetDocumentSize(c.doc);
    EXPECT_EQ(!w.HorizontalBar()->isHidden(), c.hbar);
    EXPECT_EQ(!w.VerticalBar()->isHidden(), c.vbar);
    EXPECT_EQ(!w.Corner()->isHidden(), c.corner);
    EXPECT_EQ(w.Origin(), c.origin);
    EXPECT_EQ(w.ViewSize().width(), 200 - (c.vbar ? w.VerticalBar()->width() : 0));
  }
}

TEST(ScrollableWindow, ScrollByClampsAndDragsEndWithOneScrolled) {
  for (bool follow : {false, true}) {
    SCOPED_TRACE(follow);
    Document w(nullptr, follow ? 1 : 0);
    Show(w, QSize(200, 100));
    w.SetDocumentSize(QSize(150, 1000));
    w.ScrollBy(-500, -5000);
    EXPECT_EQ(w.Origin(), QPoint(0, 100 - 1000));  // narrower side unchanged
    w.ScrollBy(0, 20000);
    EXPECT_EQ(w.Origin(), QPoint(0, 0));
    const int beginsBefore = w.begins;

    QScrollBar& bar = *w.VerticalBar();
    bar.setSliderDown(true);
    bar.setSliderPosition(50);
    bar.setSliderPosition(80);
    EXPECT_EQ(w.Origin().y(), follow ? -80 : 0);
    EXPECT_TRUE(w.scrolled.empty());
    bar.setSliderDown(false);
    EXPECT_EQ(w.begins, beginsBefore + 1);
    ASSERT_EQ(w.scrolled.size(), 1u);
    EXPECT_EQ(w.scrolled[0], QPoint(0, -80));
    EXPECT_EQ(w.Origin(), QPoint(0, -80));
    bar.triggerAction(QAbstractSlider::SliderSingleStepAdd);  // a step is a whole scroll
    EXPECT_EQ(w.scrolled.size(), 2u);
    EXPECT_EQ(w.Origin().y(), -80 - ScrollableWindow::kLineStep);
  }
}

TEST(ScrollableWindow, A100000PixelDocumentScrollsToItsEnd) {
  Document w(nullptr, 0);
  Show(w, QSize(300, 200));
  w.SetDocumentSize(QSize(250, 100000));
  w.VerticalBar()->triggerAction(QAbstractSlider::SliderToMaximum);
  const DocumentView v = w.GetViewRect();
  EXPECT_FALSE(v.noWidth || v.noHeight);
  EXPECT_EQ(v.top, 100000 - 200);
  EXPECT_EQ(v.bottom, 100000);
  EXPECT_EQ(v.left, 0);
  EXPECT_EQ(v.right, 250);
  w.ScrollTo(QPoint(0, -40000));
  EXPECT_EQ(w.GetViewRect().top, 40000);
  w.resize(300, 0);
  EXPECT_TRUE(w.GetViewRect().noHeight);
}

struct TitleFixture {
  test::RecordingServices services;
  GameTitleWindow bar;
  int changes = 0;
  TitleFixture(int width) {
    for (int i = 0; i < kGameColumns; ++i) bar.SetTitle(i, "H");
    bar.changeLink = CallbackLink(&changes, [](void* o, std::intptr_t) { return ++*static_cast<int*>(o); });
    Show(bar, QSize(width, 24));
    changes = 0;
  }
};

TEST(GameTitleWindow, ColumnsAppearAtTheirPlacesWithTheGrooveAtTheFoot) {
  for (int width : {559, 560}) {
    SCOPED_TRACE(width);
    TitleFixture f(width);
    ASSERT_EQ(f.bar.Gap(), 3);
    const GameTitleLayout& l = f.bar.Columns();
    EXPECT_EQ(l.visible[0], width == 560);
    EXPECT_EQ(l.visible[7], width == 560);
    EXPECT_EQ(l.visible[8], width == 560);
    const QImage image = f.bar.grab().toImage();
    const QRect text(0, 2, 1, 16);
    // Every visible title has ink at its x and none just before it.
    int lastEnd = 0;
    for (int i = 0; i < kGameColumns; ++i) {
      if (!l.visible[i]) continue;
      SCOPED_TRACE(i);
      EXPECT_GT(CountInk(image, text.translated(l.x[i], 0).adjusted(0, 0, 3, 0)), 0);
      EXPECT_EQ(CountInk(image, text.translated(l.x[i] - 2, 0).adjusted(0, 0, 1, 0)), 0);
      lastEnd = std::max(lastEnd, l.x[i] + 12);
    }
    // Nothing is drawn after the last visible column.
    EXPECT_EQ(CountInk(image, QRect(lastEnd, 0, width - lastEnd, 20)), 0);
    // The groove: colour 27 over colour 26 in the bottom rows.
    int y27 = -1, y26 = -1;
    for (int y = 24 - 4; y < 24; ++y) {
      const QRgb c = image.pixel(100, y) & 0xFFFFFF;
      if (c == Rgb(NamedQColor(27)) && y27 < 0) y27 = y;
      if (c == Rgb(NamedQColor(26)) && y26 < 0) y26 = y;
    }
    EXPECT_EQ(y27, 24 - 3);
    EXPECT_EQ(y26, 24 - 2);
  }
}

TEST(GameTitleWindow, NumberColumnFollowsTheHighestGame) {
  TitleFixture f(800);
  const std::pair<int64_t, int> cases[] = {{5, 1}, {999999, 6}, {10'000'000, 8}};
  for (auto [highest, chars] : cases) {
    SCOPED_TRACE(highest);
    f.changes = 0;
    f.bar.SetHighestGame(highest);
    EXPECT_EQ(f.changes, 1);
    EXPECT_EQ(f.bar.Columns().numberChars, chars);
    EXPECT_EQ(f.bar.Columns().x[1], 5 * chars + 2 * 3);
  }
}

TEST(GameTitleWindow, SplitterDragsAndBorderShiftsKeepTheShares) {
  TitleFixture f(800);
  ColSplitter& splitter = *f.bar.Splitter();
  EXPECT_EQ(splitter.x(), f.bar.Columns().splitterX);
  EXPECT_EQ(splitter.width(), ColSplitter::kWidth);
  EXPECT_EQ(splitter.cursor().shape(), Qt::SizeHorCursor);
  auto drag = [&](int toX) {
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
      QMouseEvent e(type, at, splitter.mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
      QApplication::sendEvent(&splitter, &e);
    };
    send(QEvent::MouseButtonPress, QPoint(3, 5), Qt::LeftButton);
    send(QEvent::MouseMove, QPoint(toX - splitter.x() + 3, 5), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, QPoint(toX - splitter.x() + 3, 5), Qt::NoButton);
  };
  const int start = splitter.x();
  drag(start + 5 * 4);  // four characters
  EXPECT_EQ(f.bar.Share1(), 26);
  EXPECT_EQ(f.bar.Share2(), 14);
  EXPECT_EQ(f.changes, 1);
  drag(5000);
  EXPECT_EQ(f.bar.Share1(), 42);
  EXPECT_EQ(f.bar.Share2(), 12);
  drag(-5000);
  EXPECT_EQ(f.bar.Share1(), 12);
  EXPECT_EQ(f.bar.Share2(), 35);
  f.changes = 0;
  f.bar.ShiftBorder(3);
  EXPECT_EQ(f.bar.Share1(), 15);
  EXPECT_EQ(f.bar.Share2(), 32);
  EXPECT_EQ(f.changes, 1);
  EXPECT_EQ(splitter.x(), f.bar.Columns().splitterX);
  // A single title hides the splitter.
  f.bar.SetSingleTitle("Games");
  EXPECT_TRUE(splitter.isHidden());
}

TEST(GameTitleWindow, TakesTheListFontAndSitsAboveTheRows) {
  test::RecordingServices services;
  test::FakeTimers timers(services.ticks);
  QFont font("DejaVu Sans");
  font.setPixelSize(20);
  StringListWindow list(nullptr, font, true);
  auto* bar = new GameTitleWindow;
  list.SetTitleWindow(bar);
  for (int i = 0; i < 30; ++i) list.AddEntry("row", kEntryNormal, kEntryBlack);
  Show(list, QSize(700, 400));
  EXPECT_EQ(bar->TextFont().pixelSize(), int(QFontMetrics(font).height() * 0.8));
  EXPECT_EQ(bar->CharWidth(), std::max(1, QFontMetrics(bar->TextFont()).averageCharWidth()));
  EXPECT_EQ(bar->Gap(), bar->CharWidth());
  EXPECT_EQ(bar->height(), list.RowHeight());
  EXPECT_EQ(list.Rows()->y(), bar->geometry().bottom() + 1);
  EXPECT_EQ(bar->width(), list.Rows()->width());
  EXPECT_FALSE(bar->Title(1).contains('~'));
}

}  // namespace
}  // namespace zh

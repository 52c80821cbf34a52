#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "app/gui_tables.h"
#include "app/list_rules.h"
#include "app/row_selection.h"
#include "app/scroll_layout.h"
#include "app/title_layout.h"
#include "core/toolbox/int_array.h"
#include "support/fake_timers.h"
#include "support/recording_services.h"

namespace zh {
namespace {

TEST(RowSelection, AgreesWithASetUnderRandomRangeEdits) {
  std::mt19937 random(7);
  RowSelection selection;
  std::set<int64_t> reference;
  for (int step = 0; step < 4000; ++step) {
    const int64_t a = random() % 200, b = a + random() % 12;
    switch (random() % 4) {
      case 0:
        selection.AddRange(a, b);
        for (int64_t r = a; r <= b; ++r) reference.insert(r);
        break;
      case 1:
        selection.RemoveRange(a, b);
        for (int64_t r = a; r <= b; ++r) reference.erase(r);
        break;
      case 2:
        if (selection.Toggle(a) != !reference.count(a)) FAIL() << "toggle answer at step " << step;
        if (!reference.erase(a)) reference.insert(a);
        break;
      default:
        if (random() % 50 == 0) selection.Clear(), reference.clear();
    }
    ASSERT_EQ(selection.Count(), static_cast<int64_t>(reference.size())) << "step " << step;
  }
  std::vector<int64_t> rows;
  selection.ForEach([&](int64_t r) { rows.push_back(r); });
  EXPECT_EQ(rows, std::vector<int64_t>(reference.begin(), reference.end()));
  for (int64_t r = -1; r < 215; ++r) EXPECT_EQ(selection.Contains(r), reference.count(r) == 1) << r;
  // Runs stay disjoint and never touch.
  int64_t lastEnd = -10;
  for (const auto& [first, last] : selection.Runs()) {
    EXPECT_GT(first, lastEnd + 1);
    EXPECT_LE(first, last);
    lastEnd = last;
  }
}

TEST(RowSelection, TenMillionRowsAreOneRunAndCopyInOrder) {
  RowSelection selection;
  selection.AddRange(0, 9'999'999);
  selection.Remove(5);
  EXPECT_EQ(selection.Count(), 9'999'999);
  EXPECT_EQ(selection.Runs().size(), 2u);
  selection.Add(5);
  EXPECT_EQ(selection.Runs().size(), 1u);

  RowSelection few;
  few.AddRange(40, 42);
  few.Add(3);
  SortedLONGArr out(4);
  ASSERT_TRUE(few.CopyTo(out));
  ASSERT_EQ(out.Count(), 4u);
  EXPECT_EQ(std::vector<int32_t>(out.Data(), out.Data() + 4), (std::vector<int32_t>{3, 40, 41, 42}));
  RowSelection huge;
  huge.Add(int64_t{1} << 33);
  SortedLONGArr none;
  EXPECT_FALSE(huge.CopyTo(none));
}

TEST(ListRules, DecimalOrderAndNumberColumn) {
  const std::pair<int64_t, int> orders[] = {{0, 0},       {9, 0},       {10, 1},       {99, 1},        {999, 2},
                                            {1000, 3},    {99999, 4},   {999999, 5},   {1000000, 6},  {9999999, 6},
                                            {10000000, 7}, {int64_t{1} << 40, 7}};
  for (auto [value, order] : orders) EXPECT_EQ(DecimalOrder(value), order) << value;
  EXPECT_EQ(NumberColumnChars(5), 1);
  EXPECT_EQ(NumberColumnChars(999999), 6);
  EXPECT_EQ(NumberColumnChars(10'000'000), 8);
}

TEST(ListRules, ThumbAndDraggedTop) {
  EXPECT_EQ(ThumbForTop(0, 0, 20), 1000);
  EXPECT_EQ(ThumbForTop(0, 100, 20), 0);
  EXPECT_EQ(ThumbForTop(1, 100000, 20), 1);  // never 0 away from the top
  EXPECT_EQ(ThumbForTop(50000, 100000, 20), 500);
  EXPECT_EQ(ThumbForTop(99980, 100000, 20), 1000);
  // 64-bit product: a 32-bit one wraps above 2,147,483 rows.
  EXPECT_EQ(ThumbForTop(3'000'000, 4'000'000, 20), 750);
  const int64_t count = 100000;
  const int visible = 30;
  EXPECT_EQ(TopForThumb(1000, count, visible), count - visible + 2);
  EXPECT_LE(TopForThumb(1000, 3, visible), 2);
  EXPECT_EQ(TopForThumb(1000, 3, visible), 0);  // short list: the lower bound wins
  EXPECT_EQ(TopForThumb(1000, 1, 1), 0);
  EXPECT_EQ(TopForThumb(500, count, visible), 50000);
  EXPECT_EQ(TopForThumb(1000, 0, visible), 0);
}

TEST(ListRules, LayoutCapsRowsAndGivesTitleItsRows) {
  struct Case {
    const char* name;
    ListLayoutInput in;
    int visible, titleRows, titleY, rowsY;
  };
  const Case cases[] = {
      {"tall enough for 400 rows shows 300", {218, 4000, 10, 7, 0, false, 1, 0}, 300, 0, 0, 0},
      {"left-over pixels split above", {218, 105, 10, 7, 0, false, 1, 0}, 10, 0, 2, 2},
      {"title takes one row", {218, 100, 10, 7, list_mode::kTitle, true, 3, 0}, 9, 1, 0, 10},
      {"multi-row title", {218, 100, 10, 7, list_mode::kTitleRows, true, 3, 0}, 7, 3, 0, 30},
      {"no title row when fewer than two fit", {218, 15, 10, 7, 0, true, 1, 0}, 1, 0, 2, 2},
      {"horizontal bar and bottom window", {218, 100, 10, 7, list_mode::kHorizontalBar, false, 1, 20}, 6, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ListLayout l = LayOutList(c.in);
    EXPECT_EQ(l.visibleRows, c.visible);
    EXPECT_EQ(l.titleRows, c.titleRows);
    EXPECT_EQ(l.titleY, c.titleY);
    EXPECT_EQ(l.rowsY, c.rowsY);
    EXPECT_EQ(l.rowsWidth, 200);
  }
}

class Host final : public ListHost {
 public:
  int64_t rows = 0;
  int changes = 0, topChanges = 0, activations = 0;
  int64_t GetRowCount() override { return rows; }
  int32_t GetColumnCount() override { return 100; }
  void TopRowChanged() override { ++topChanges; }
  void ActivateRow() override { ++activations; }
  void RulesChanged() override { ++changes; }
};

struct RulesFixture {
  test::RecordingServices services;
  test::FakeTimers timers{services.ticks};
  Host host;
  ListRules rules{host, list_mode::kMultiSelect | list_mode::kRowHighlight};
  RulesFixture(int64_t rows, int visible) {
    host.rows = rows;
    rules.SetGeometry(visible, 10, 40, 7);
    rules.TakeRedraw();
  }
};

TEST(ListRules, PageDownOnTheLastPageLeavesAtMostTwoEmptyRows) {
  for (int64_t rows : {25, 100, 101, 1000}) {
    SCOPED_TRACE(rows);
    RulesFixture f(rows, 20);
    for (int i = 0; i < 200; ++i) f.rules.KeyInput(key::kPageDown);
    EXPECT_EQ(f.rules.CursorRow(), rows - 1);
    EXPECT_LE(f.rules.TopRow() + 20 - rows, 2);
    EXPECT_GE(f.rules.TopRow() + 20 - rows, 0);
    for (int i = 0; i < 5; ++i) f.rules.PageDown();
    EXPECT_LE(f.rules.TopRow() + 20 - rows, 2);
  }
}

TEST(ListRules, ContinuousScrollStepsOnTheTimerUntilAKeyOrTheEnd) {
  RulesFixture f(1000, 20);
  EXPECT_TRUE(f.rules.KeyInput(key::kRight | key::kCtrl));
  EXPECT_EQ(f.rules.TopRow(), 0);  // no loop inside the key handler
  f.timers.Advance(kContinuousStepMs * 10);
  EXPECT_EQ(f.rules.TopRow(), 10);
  EXPECT_EQ(f.host.changes, 10);
  EXPECT_TRUE(f.rules.KeyInput(key::kDown));  // only stops
  EXPECT_FALSE(f.rules.ContinuousScrollRunning());
  EXPECT_EQ(f.rules.CursorRow(), 29);  // the last visible row
  f.timers.Advance(1000);
  EXPECT_EQ(f.rules.TopRow(), 10);

  f.rules.KeyInput(key::kRight | key::kCtrl);
  f.timers.Advance(kContinuousStepMs * 5000);
  EXPECT_FALSE(f.rules.ContinuousScrollRunning());
  EXPECT_EQ(f.rules.TopRow(), 980);
  EXPECT_EQ(f.rules.CursorRow(), 999);
  EXPECT_EQ(f.timers.ActiveCount(), 0);

  f.rules.KeyInput(key::kLeft | key::kCtrl);
  f.timers.Advance(kContinuousStepMs * 3);
  f.rules.MouseDown(5, 5, MouseButton::kLeft, 0, false);  // a click stops it too
  EXPECT_FALSE(f.rules.ContinuousScrollRunning());
  EXPECT_EQ(f.rules.TopRow(), 977);
  EXPECT_EQ(f.rules.CursorRow(), 977);
}

TEST(ListRules, ThumbJumpsDeferThePageForTwoHundredMilliseconds) {
  RulesFixture f(100000, 20);
  f.rules.ThumbDrag(1);  // 100 rows: a jump
  EXPECT_EQ(f.rules.TakeRedraw(), ListRedraw::kFirstRow);
  f.rules.ThumbDrag(1);
  EXPECT_EQ(f.rules.TakeRedraw(), ListRedraw::kChanges);
  f.timers.Advance(199);
  EXPECT_TRUE(f.rules.RedrawPending());
  f.timers.Advance(1);
  EXPECT_FALSE(f.rules.RedrawPending());
  EXPECT_EQ(f.rules.TakeRedraw(), ListRedraw::kAll);
  EXPECT_EQ(f.host.changes, 1);

  f.rules.ThumbDrag(2);  // 100 more rows, then released before the timer
  f.rules.ThumbReleased();
  EXPECT_EQ(f.rules.TakeRedraw(), ListRedraw::kAll);
  f.timers.Advance(1000);
  EXPECT_EQ(f.host.changes, 1);

  f.rules.ThumbDrag(2);
  f.host.rows = 100000;
  const int64_t before = f.rules.TopRow();
  f.rules.LineDown();  // small moves scroll
  EXPECT_EQ(f.rules.TopRow(), before + 1);
  EXPECT_EQ(f.rules.TakeRedraw(), ListRedraw::kChanges);
}

TEST(ListRules, ShiftPagingExtendsAndRetractsTheSelection) {
  RulesFixture f(1000, 20);
  f.rules.KeyInput(key::kDown);  // cursor 1
  f.rules.KeyInput(key::kPageDown | key::kShift);
  EXPECT_EQ(f.rules.Selection().Count(), 21);  // rows 1..21
  EXPECT_EQ(f.rules.CursorRow(), 21);
  f.rules.KeyInput(key::kPageUp | key::kShift);  // rows 2..21 out
  EXPECT_EQ(f.rules.Selection().Count(), 1);
  EXPECT_TRUE(f.rules.Selection().Contains(1));
  f.rules.KeyInput(key::kHome);
  f.rules.KeyInput(key::kPageDown | key::kShift);  // on the first visible row: one and a half pages
  EXPECT_EQ(f.rules.CursorRow(), 30);
  EXPECT_EQ(f.rules.Selection().Count(), 30);
  f.rules.KeyInput(key::kPageUp | key::kShift);  // rows 11..30 out, the view back to the top
  EXPECT_EQ(f.rules.Selection().Count(), 10);
  EXPECT_EQ(f.rules.TopRow(), 0);
  EXPECT_EQ(f.rules.CursorRow(), 11);
  f.rules.KeyInput(key::kHome);
  f.rules.KeyInput(key::kPageUp | key::kShift);  // would start above row 0: cleared, plain page up
  EXPECT_EQ(f.rules.Selection().Count(), 0);
  EXPECT_EQ(f.rules.CursorRow(), 0);
}

TEST(ListRules, KeysThatAreNotTheirs) {
  RulesFixture f(10, 20);
  for (int code : {key::kLeft | key::kShift, key::kRight | key::kAlt, key::kReturn | key::kCtrl,
                   key::kSpace | key::kShift, key::kF1, key::Letter('A')})
    EXPECT_FALSE(f.rules.KeyInput(code)) << code;
  EXPECT_EQ(f.host.activations, 0);
  EXPECT_TRUE(f.rules.KeyInput(key::kReturn));
  EXPECT_EQ(f.host.activations, 1);
  ListRules plain(f.host, list_mode::kMultiSelect);
  EXPECT_FALSE(plain.KeyInput(key::Letter('A') | key::kCtrl));  // Ctrl+A only highlights
}

TEST(ListRules, CtrlASelectsEveryRowFromTheFirstSelectable) {
  RulesFixture f(10'000'000, 20);
  EXPECT_TRUE(f.rules.KeyInput(key::Letter('A') | key::kCtrl));
  EXPECT_EQ(f.rules.Selection().Count(), 10'000'000);
  EXPECT_EQ(f.services.CallsStartingWith("Status: "), std::vector<std::string>{"Status: 10000000"});
}

TEST(TitleLayout, ColumnsFitTheWidth) {
  struct Case {
    int32_t width;
    int64_t highest;
    bool col0, col7;
    int numberChars;
  };
  const Case cases[] = {{559, 999999, false, false, 6}, {560, 999999, true, true, 6},
                        {560, 5, true, true, 1},        {900, 10'000'000, true, true, 8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    GameTitleInput in;
    in.width = c.width;
    in.highestGame = c.highest;
    const GameTitleLayout l = LayOutGameTitle(in);
    EXPECT_EQ(l.visible[0], c.col0);
    EXPECT_EQ(l.visible[7], c.col7);
    EXPECT_EQ(l.visible[8], c.col7);
    EXPECT_EQ(l.numberChars, c.numberChars);
    // Columns follow each other with the gap between them.
    const int32_t start1 = c.col0 ? 5 * c.numberChars + 6 : 3;
    EXPECT_EQ(l.x[1], start1);
    EXPECT_EQ(l.splitterX, start1 + l.width1);
    EXPECT_EQ(l.x[2], l.x[1] + l.width1 + 3);
    EXPECT_EQ(l.x[3], l.x[2] + l.width2 + 3);
    EXPECT_EQ(l.x[4], l.x[3] + 3 + 5 * 4);
    if (!c.col7) {
      EXPECT_EQ(l.x[7], 0);
    }
  }
  // A narrow bar keeps at least 18 characters for the names; a wide one 95 at most.
  GameTitleInput narrow;
  narrow.width = 100;
  const GameTitleLayout n = LayOutGameTitle(narrow);
  EXPECT_EQ(n.width1 + n.width2, 5 * 18 * 22 / 40 + 5 * 18 * 18 / 40);
  GameTitleInput wide;
  wide.width = 3000;
  const GameTitleLayout w = LayOutGameTitle(wide);
  EXPECT_EQ(w.width1, 475 * 22 / 40);
  int s1 = 22, s2 = 18;
  MoveNameBorder(s1, s2, 100);
  EXPECT_EQ(std::make_pair(s1, s2), std::make_pair(42, 12));
  MoveNameBorder(s1, s2, -100);
  EXPECT_EQ(std::make_pair(s1, s2), std::make_pair(12, 35));
}

TEST(ScrollLayout, BarsOriginsAndTheVisibleDocument) {
  struct Case {
    const char* name;
    ScrollInput in;
    bool hbar, vbar;
    int32_t ox, oy;
  };
  const Case cases[] = {
      {"fits: no bars", {200, 100, 150, 80, 0, 0, 0, 15, 15}, false, false, 0, 0},
      {"fits, centred", {200, 100, 150, 80, 0, 0, scroll_flag::kCentreX | scroll_flag::kCentreY, 15, 15},
       false, false, 25, 10},
      {"vertical bar makes the horizontal one necessary", {200, 100, 190, 300, 0, 0, 0, 15, 15}, true, true, 0, 0},
      {"origin pulled back from empty space", {200, 100, 190, 300, 0, -290, 0, 15, 15}, true, true, 0, -215},
      {"32-bit document", {200, 100, 50, 100000, 0, -99950, 0, 15, 15}, false, true, 0, -99900},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ScrollPlacement p = LayOutScroll(c.in);
    EXPECT_EQ(p.hbar, c.hbar);
    EXPECT_EQ(p.vbar, c.vbar);
    EXPECT_EQ(p.originX, c.ox);
    EXPECT_EQ(p.originY, c.oy);
  }
  int32_t x = 0, y = 0;
  ClampScrollOrigin(x, y, -1000, -1000000, 185, 100, 300, 100000);
  EXPECT_EQ(x, -115);
  EXPECT_EQ(y, -99900);
  ClampScrollOrigin(x, y, 5000, 5000, 185, 100, 100, 100000);  // narrower: x unchanged
  EXPECT_EQ(x, -115);
  EXPECT_EQ(y, -94900);
  const DocumentView end = VisibleDocument(0, -99900, 185, 100, 50, 100000);
  EXPECT_EQ(end.top, 99900);
  EXPECT_EQ(end.bottom, 100000);
  EXPECT_EQ(end.right, 50);
  EXPECT_FALSE(end.noWidth || end.noHeight);
  const DocumentView none = VisibleDocument(0, 0, 0, 100, 50, 100);
  EXPECT_TRUE(none.noWidth);
  EXPECT_EQ(StoredScrollFlags(7), scroll_flag::kFollowThumb | scroll_flag::kCentreX | scroll_flag::kCentreY);
}

}  // namespace
}  // namespace zh

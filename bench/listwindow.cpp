// A list of 1,000,000 rows in an 800 x 600 window, shown twice in one run: as a
// ListWindow whose rows draw their text, and as a QListView (uniform item sizes,
// extended selection) over a model that serves the same texts. Each benchmark
// times one operation together with the repaint it causes: a full repaint, Page
// Down, End, Home, Ctrl+A, Shift+End from the middle and a thumb drag to the middle.
// The goals: the list window at most as slow as the view on each operation, and
// within one 60 Hz frame (16.7 ms).
//
// HeapAfterCtrlA selects every row of lists of 1,000 and 10,000,000 rows and
// reports how much more heap the larger one holds ("extra KB"; the goal is below
// 1024).
//
// Build with the release preset and run build/release/bin/listwindow_bench off
// screen (it sets QT_QPA_PLATFORM=offscreen itself), on one core:
//   taskset -c 2 build/release/bin/listwindow_bench
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QAbstractListModel>
#include <QApplication>
#include <QKeyEvent>
#include <QListView>
#include <QPainter>
#include <QScrollBar>
#include <memory>

#include "app/ui/list_window.h"

namespace zh {
namespace {

constexpr int64_t kRows = 1'000'000;

// The text of a row, shared by both lists.
QString RowText(int64_t row) {
  return QStringLiteral("%1  Player %2, A - Player %3, B  1-0  %4")
      .arg(row + 1)
      .arg(row % 977)
      .arg(row % 631)
      .arg(1900 + row % 120);
}

class TextList final : public ListWindow {
 public:
  explicit TextList(int64_t rows)
      : ListWindow(nullptr, list_mode::kMultiSelect | list_mode::kRowHighlight, QFont("DejaVu Sans", 10)),
        rows_(rows) {}
  int64_t GetRowCount() override { return rows_; }
  int32_t GetColumnCount() override { return 80; }
  int DrawRow(QPainter& painter, int64_t row, QPoint at, int32_t, RowBounds&) override {
    painter.setFont(ListFont());
    painter.drawText(at.x() + 2, at.y() + ascent_, RowText(row));
    return 0;
  }

 private:
  int64_t rows_;
  int ascent_ = QFontMetrics(QFont("DejaVu Sans", 10)).ascent();
};

class TextModel final : public QAbstractListModel {
 public:
  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : int(kRows); }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    return RowText(index.row());
  }
};

struct Windows {
  TextList list{kRows};
  TextModel model;
  QListView view;
  Windows() {
    list.resize(800, 600);
    list.show();
    view.setFont(QFont("DejaVu Sans", 10));
    view.setUniformItemSizes(true);
    view.setSelectionMode(QAbstractItemView::ExtendedSelection);
    view.setModel(&model);
    view.resize(800, 600);
    view.show();
    view.setCurrentIndex(model.index(0));
    QApplication::processEvents();
  }
};

Windows& Shared() {
  static Windows* windows = new Windows;
  return *windows;
}

void Flush() { QApplication::processEvents(); }

void Key(QWidget* target, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, mods);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, mods);
  QApplication::sendEvent(target, &release);
}

enum class Side { kListWindow, kListView };
QWidget* Target(Side side) {
  return side == Side::kListWindow ? Shared().list.Rows() : static_cast<QWidget*>(&Shared().view);
}

// Runs prepare (not timed), then op and the repaint it causes (timed).
template <class Prepare, class Op>
void Timed(benchmark::State& state, Prepare prepare, Op op) {
  for (auto _ : state) {
    state.PauseTiming();
    prepare();
    Flush();
    state.ResumeTiming();
    op();
    Flush();
  }
}

void FullRepaint(benchmark::State& state, Side side) {
  QWidget* w = side == Side::kListWindow ? Shared().list.Rows() : Shared().view.viewport();
  Timed(state, [] {}, [w] { w->repaint(); });
}

void KeyFrom(benchmark::State& state, Side side, int fromKey, Qt::KeyboardModifiers fromMods, int key,
             Qt::KeyboardModifiers mods) {
  QWidget* w = Target(side);
  Timed(state, [&] { Key(w, fromKey, fromMods); }, [&] { Key(w, key, mods); });
}

void PageDown(benchmark::State& s, Side side) { KeyFrom(s, side, Qt::Key_Home, {}, Qt::Key_PageDown, {}); }
void End(benchmark::State& s, Side side) { KeyFrom(s, side, Qt::Key_Home, {}, Qt::Key_End, {}); }
void Home(benchmark::State& s, Side side) { KeyFrom(s, side, Qt::Key_End, {}, Qt::Key_Home, {}); }
void CtrlA(benchmark::State& s, Side side) {
  KeyFrom(s, side, Qt::Key_Home, {}, Qt::Key_A, Qt::ControlModifier);
}

void ShiftEndFromMiddle(benchmark::State& state, Side side) {
  Windows& ws = Shared();
  QWidget* w = Target(side);
  Timed(
      state,
      [&] {
        if (side == Side::kListWindow) {
          ws.list.GoTo(kRows / 2, 0);
        } else {
          ws.view.clearSelection();
          ws.view.setCurrentIndex(ws.model.index(int(kRows / 2)));
        }
      },
      [&] { Key(w, Qt::Key_End, Qt::ShiftModifier); });
}

void ThumbToMiddle(benchmark::State& state, Side side) {
  Windows& ws = Shared();
  QScrollBar* bar = side == Side::kListWindow ? ws.list.VerticalBar() : ws.view.verticalScrollBar();
  Timed(
      state, [&] { Key(Target(side), Qt::Key_Home); },
      [&] {
        bar->setSliderDown(true);
        bar->setSliderPosition((bar->minimum() + bar->maximum()) / 2);
        bar->setSliderDown(false);
      });
  state.counters["top"] = side == Side::kListWindow ? double(ws.list.TopRow())
                                                     : double(ws.view.indexAt(QPoint(5, 5)).row());
  state.counters["max"] = bar->maximum();
}

void HeapAfterCtrlA(benchmark::State& state) {
  for (auto _ : state) {
    size_t used[2] = {};
    const int64_t counts[2] = {1'000, 10'000'000};
    for (int i = 0; i < 2; ++i) {
      TextList list(counts[i]);
      list.resize(800, 600);
      list.show();
      Flush();
      const size_t before = mallinfo2().uordblks;
      Key(list.Rows(), Qt::Key_A, Qt::ControlModifier);
      Flush();
      used[i] = mallinfo2().uordblks - before;
      benchmark::DoNotOptimize(list.Selection().Count());
    }
    state.counters["extra KB"] = (double(used[1]) - double(used[0])) / 1024.0;
  }
}

#define ZH_BOTH(op)                                                        \
  BENCHMARK_CAPTURE(op, ListWindow, Side::kListWindow)->Unit(benchmark::kMillisecond); \
  BENCHMARK_CAPTURE(op, QListView, Side::kListView)->Unit(benchmark::kMillisecond)

ZH_BOTH(FullRepaint);
ZH_BOTH(PageDown);
ZH_BOTH(End);
ZH_BOTH(Home);
ZH_BOTH(CtrlA);
ZH_BOTH(ShiftEndFromMiddle);
ZH_BOTH(ThumbToMiddle);
BENCHMARK(HeapAfterCtrlA)->Iterations(1);

}  // namespace
}  // namespace zh

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

// The 2D board at 72-pixel squares with coordinates (a window of about 600 x 600):
// a full SetPosition redraw with its repaint, beside drawing the same 64 square
// pictures into an image of that size with QPainter::drawImage; ShowMove at speed 0
// and one animation frame as shares of a 60 Hz frame (16.7 ms).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPainter>

#include "app/ui/resource_bundle.h"
#include "board/ui/board_window_2d.h"
#include "board/ui/piece_sets.h"
#include "core/rules/move.h"

namespace {

using namespace zh;

constexpr int kStyle = 7;
constexpr int kE2 = 33, kE4 = 35;

PieceSetCache& Cache() {
  static ResourceBundle bundle;
  if (!bundle.IsLoaded() && !bundle.Load(ZH_DATA_DIR)) std::abort();
  static PieceSetCache cache;
  return cache;
}

std::unique_ptr<BoardWindow2D> MakeBoard() {
  auto board = std::make_unique<BoardWindow2D>(nullptr, Cache().GetSet(kStyle), 0, 1, 3);
  board->show();
  BoardMarks marks;
  marks.Clear();
  board->SetPosition(Board(true), marks, true);
  return board;
}

// A counter that reads as the share of a 60 Hz frame that one unit takes.
benchmark::Counter ShareOf60Hz(double units) {
  return benchmark::Counter(units / 60.0, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_SetPositionRedraw(benchmark::State& state) {
  auto board = MakeBoard();
  BoardMarks marks;
  marks.Clear();
  const Board start(true);
  for (auto _ : state) board->SetPosition(start, marks, true);
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["width"] = board->width();
}
BENCHMARK(BM_SetPositionRedraw)->Unit(benchmark::kMillisecond);

void BM_ReferenceDrawImage(benchmark::State& state) {
  auto board = MakeBoard();
  const SharedPieceSet set = Cache().GetSet(kStyle);
  QImage target(board->size(), QImage::Format_RGB32);
  const int s = set->GetSquareSize();
  for (auto _ : state) {
    QPainter painter(&target);
    for (int sq = 0; sq < 64; ++sq) {
      const int colour = ((sq / 8) ^ (sq % 8) ^ 1) & 1;
      painter.drawImage((sq / 8) * s + 22, (7 - sq % 8) * s + 4, set->GetPieceBitmap(sq % 8 == 1 ? 6 : 0, 0, colour));
    }
    benchmark::DoNotOptimize(target.constBits());
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReferenceDrawImage)->Unit(benchmark::kMillisecond);

void BM_ShowMoveSpeed0(benchmark::State& state) {
  auto board = MakeBoard();
  board->animationSpeed = 0;
  Move there, back;
  there.from = kE2, there.to = kE4;
  back.from = kE4, back.to = kE2;
  bool forth = true;
  for (auto _ : state) {
    board->ShowMove(forth ? there : back);
    forth = !forth;
  }
  state.counters["share_of_60Hz"] = ShareOf60Hz(static_cast<double>(state.iterations()));
}
BENCHMARK(BM_ShowMoveSpeed0)->Unit(benchmark::kMillisecond);

void BM_AnimationFrame(benchmark::State& state) {
  auto board = MakeBoard();
  board->animationSpeed = 2;
  int64_t frames = 0;
  board->frameHook = [&](QPoint) { ++frames; };
  bool forth = true;
  for (auto _ : state) {
    board->AnimateMove(forth ? kE2 : kE4, forth ? kE4 : kE2);
    forth = !forth;
  }
  state.counters["share_of_60Hz"] = ShareOf60Hz(static_cast<double>(frames));
}
BENCHMARK(BM_AnimationFrame)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

// The 3D board at an 800 x 600 inlay with the default view and the initial position:
// a full render (ApplySettings) beside filling the same projected, shaded polygons
// (board, pieces and shadows) with QPainter::drawPolygon into an 800 x 600 image; one
// step of a knight's flight and the ShowBoard of a capture as shares of a 60 Hz frame
// (16.7 ms).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPainter>

#include "board/d3/d3_settings.h"
#include "board/ui/d3/d3_board_win.h"
#include "board/ui/d3/scene_painter.h"
#include "core/rules/move.h"

namespace {

using namespace zh;
using namespace zh::d3;

constexpr int kFrame = 3;
constexpr int kG1 = 48, kF3 = 42, kE4 = 35, kD5 = 28;

std::unique_ptr<D3BoardWin> MakeBoard() {
  D3BoardWin::SetScreenSize(QSize(1024, 768));
  TheD3Settings() = D3Settings();
  auto board = std::make_unique<D3BoardWin>(nullptr, 1, kFrame);
  board->resize(800 + 2 * kFrame, 600 + 2 * kFrame);
  board->show();
  QApplication::processEvents();
  board->ShowBoard(Board(true).squares);
  return board;
}

benchmark::Counter ShareOf60Hz(double units) {
  return benchmark::Counter(units / 60.0, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_FullRender(benchmark::State& state) {
  auto board = MakeBoard();
  for (auto _ : state) board->ApplySettings(&board->Settings());
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FullRender)->Unit(benchmark::kMillisecond);

void FillPolygons(QPainter& painter, const SceneObject& object) {
  for (size_t i = 0; i < object.Polygons().size(); ++i) {
    const ScenePolygon& p = object.Polygons()[i];
    if (p.backFacing) continue;
    QPolygon polygon;
    for (const ScreenPoint& s : object.PolygonOnScreen(i)) polygon.append(QPoint(s.x, s.y));
    painter.setBrush(ShadedDisplayColor(p.color, p.brightness));
    painter.drawPolygon(polygon);
  }
}

void BM_ReferencePolygons(benchmark::State& state) {
  auto board = MakeBoard();
  const D3Scene& scene = board->Scene();
  QImage target(800, 600, QImage::Format_RGB32);
  for (auto _ : state) {
    target.fill(Qt::black);
    QPainter painter(&target);
    painter.setPen(Qt::NoPen);
    for (size_t i = 0; i < scene.BoardObjects().Count(); ++i) FillPolygons(painter, scene.BoardObjects()[i]);
    painter.setBrush(QColor(0x1f1f1f));
    for (size_t i = 0; i < scene.Pieces().Count(); ++i) {
      QPolygon shadow;
      for (const SceneVertex& v : scene.Pieces()[i].Outline()) shadow.append(QPoint(v.screenX, v.screenY));
      painter.drawPolygon(shadow);
    }
    for (size_t i = 0; i < scene.Pieces().Count(); ++i) FillPolygons(painter, scene.Pieces()[i]);
    benchmark::DoNotOptimize(target.constBits());
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReferencePolygons)->Unit(benchmark::kMillisecond);

void BM_KnightFlightStep(benchmark::State& state) {
  auto board = MakeBoard();
  int64_t steps = 0;
  board->stepHook = [&](int, int) { ++steps; };
  bool forth = true;
  for (auto _ : state) {
    board->AnimateMove(forth ? kG1 : kF3, forth ? kF3 : kG1);
    forth = !forth;
  }
  state.counters["share_of_60Hz"] = ShareOf60Hz(static_cast<double>(steps));
}
BENCHMARK(BM_KnightFlightStep)->Unit(benchmark::kMillisecond)->Repetitions(3);

void BM_ShowBoardCapture(benchmark::State& state) {
  auto board = MakeBoard();
  Board before(true), after;
  before[kE4] = 6;
  before[33] = 0;
  before[kD5] = 14;
  before[30] = 0;
  after = before;
  after[kD5] = 6;
  after[kE4] = 0;
  bool forth = true;
  for (auto _ : state) {
    board->ShowBoard(forth ? after.squares : before.squares);
    forth = !forth;
  }
  state.counters["share_of_60Hz"] = ShareOf60Hz(static_cast<double>(state.iterations()));
}
BENCHMARK(BM_ShowBoardCapture)->Unit(benchmark::kMillisecond)->Repetitions(3);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

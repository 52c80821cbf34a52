// The 3D board's piece set: the twelve models it builds whenever it (re)builds its
// pieces, parsed from their scene texts each time, at the default and the largest
// meridian counts; and the clipping of square outlines to a repaint rectangle.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "board/d3/piece_model.h"
#include "board/d3/screen_geometry.h"

namespace {

void BuildPieceSet(benchmark::State& state) {
  const int meridians = static_cast<int>(state.range(0));
  const char* const names[] = {"King", "Queen", "Knight", "Bishop", "Rook", "Pawn"};
  size_t polygons = 0;
  for (auto _ : state) {
    for (int colour = 0; colour < 2; ++colour)
      for (int type = 0; type < 6; ++type) {
        zh::d3::SceneObject model = zh::d3::PieceModel::Build(names[type], type, meridians, 2);
        polygons += model.Polygons().size();
        benchmark::DoNotOptimize(model);
      }
  }
  state.counters["polygons/set"] = benchmark::Counter(double(polygons) / double(state.iterations()));
}
BENCHMARK(BuildPieceSet)->Arg(16)->Arg(63)->Unit(benchmark::kMicrosecond);

void ClipQuads(benchmark::State& state) {
  std::mt19937 random(5);
  std::uniform_int_distribution<int> coord(-100, 900);
  std::vector<zh::d3::ScreenPolygon> quads;
  for (int i = 0; i < 1024; ++i) {
    const int x = coord(random), y = coord(random);
    auto p = [](int px, int py) { return zh::d3::ScreenPoint{int16_t(px), int16_t(py)}; };
    quads.push_back({p(x, y), p(x + 60, y + 5), p(x + 70, y + 50), p(x - 5, y + 45)});
  }
  const zh::Rectangle repaint{100, 100, 700, 500};
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(zh::d3::ClipPolygonToRectangle(quads[i++ & 1023], repaint));
}
BENCHMARK(ClipQuads);

}  // namespace

BENCHMARK_MAIN();

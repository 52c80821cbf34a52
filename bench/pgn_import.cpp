// Reading generated PGN games (comments, glyphs, variations, set-ups) through the PGN
// file into games, beside pgn-extract parsing the same file on one core. Both report
// games per second; our reader should not be slower. The copy into a header-set
// database joins this program when that database exists.
//
// Build with the release preset and run build/release/bin/pgn_import_bench.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "database/game_item.h"
#include "database/pgn_file.h"
#include "support/pgn_corpus.h"

namespace zh {
namespace {

constexpr int kGames = 100000;

const std::string& CorpusFile() {
  static const std::string path = [] {
    const auto dir = std::filesystem::temp_directory_path();
    const std::string pgn = (dir / "zh-pgn-import-bench.pgn").string();
    const std::string coordinates = (dir / "zh-pgn-import-bench-coord.pgn").string();
    if (!test::WritePgnCorpus(ZH_PGN_EXTRACT, coordinates, pgn, kGames, 2024)) std::abort();
    std::filesystem::remove(coordinates);
    return pgn;
  }();
  return path;
}

void OurReader(benchmark::State& state) {
  const std::string& path = CorpusFile();
  int64_t games = 0;
  for (auto _ : state) {
    FilePgn file(path, false);
    for (int64_t k = 1; k <= file.GameCount(); ++k) {
      TQGame game;
      if (file.ReadGame(k, game) != 0) std::abort();
      benchmark::DoNotOptimize(game.body.mainLine.Count());
    }
    games += file.GameCount();
  }
  state.counters["games/s"] = benchmark::Counter(static_cast<double>(games), benchmark::Counter::kIsRate);
}
BENCHMARK(OurReader)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void PgnExtract(benchmark::State& state) {
  const std::string command = std::string(ZH_PGN_EXTRACT) + " -s --quiet -o /dev/null " + CorpusFile() + " 2>/dev/null";
  int64_t games = 0;
  for (auto _ : state) {
    if (std::system(command.c_str()) == -1) std::abort();
    games += kGames;
  }
  state.counters["games/s"] = benchmark::Counter(static_cast<double>(games), benchmark::Counter::kIsRate);
}
BENCHMARK(PgnExtract)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace zh

BENCHMARK_MAIN();

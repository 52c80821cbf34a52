// Importing PGN: 100,000 generated games of about 80 plies (comments, glyphs,
// variations, set-ups) copied from a PGN database into a new header-set database,
// beside pgn-extract parsing the same file, in one run. Both report games per second
// (wall clock) and CPU games per second (pgn-extract's from the children's usage), three
// runs each; the closing lines give the ratios of the medians, which should reach 1.5.
// Reading the PGN file alone is measured as well, to tell the reader's share from the
// header set's.
//
// Build with the release preset and run build/release/bin/pgn_import_bench.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "database/game/game_item.h"
#include "database/headerset/tqg_database.h"
#include "database/pgn/pgn_database.h"
#include "database/pgn/pgn_file.h"

#include "bench_corpus.h"

namespace zh {
namespace {

constexpr int kGames = 100000;
constexpr int kPlies = 80;

std::filesystem::path Folder() {
  static const auto dir = bench::FreshFolder("zh-pgn-import-bench");
  return dir;
}

const std::string& CorpusBase() {
  static const std::string base = bench::WriteCorpus(Folder(), kGames, 2024, kPlies);
  return base;
}

bench::GameRates ours, theirs;

void SetRate(benchmark::State& state, int64_t games) {
  state.counters["games/s"] =
      benchmark::Counter(static_cast<double>(games), benchmark::Counter::kIsRate);
}

void ImportIntoHeaderSet(benchmark::State& state) {
  const std::string& base = CorpusBase();
  const std::string target = (Folder() / "imported").string();
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const double cpu = bench::CpuSeconds(RUSAGE_SELF);
    {
      PgnDatabase source(base, false, false);
      TqgDatabase set(target, true);
      int last = source.GetCount();
      CopyOptions options;
      if (source.ErrorState() != 0 || set.ErrorState() != 0 ||
          set.CopyGameRange(source, 1, last, options) != kDbDone || set.GetCount() != kGames)
        std::abort();
    }
    ours.Record(state, kGames, bench::Seconds(start), bench::CpuSeconds(RUSAGE_SELF) - cpu);
    for (const char* e : {".tqh", ".tqg", ".tqa", ".tqc", ".tqp", ".tqs", ".tqt", ".tqj"})
      std::filesystem::remove(target + e);
  }
}
BENCHMARK(ImportIntoHeaderSet)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

void ReadPgnOnly(benchmark::State& state) {
  const std::string path = CorpusBase() + ".pgn";
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
  SetRate(state, games);
}
BENCHMARK(ReadPgnOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void PgnExtract(benchmark::State& state) {
  const std::string command =
      std::string(ZH_PGN_EXTRACT) + " -s --quiet -o /dev/null " + CorpusBase() + ".pgn 2>/dev/null";
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const double cpu = bench::CpuSeconds(RUSAGE_CHILDREN);
    if (std::system(command.c_str()) == -1) std::abort();
    theirs.Record(state, kGames, bench::Seconds(start), bench::CpuSeconds(RUSAGE_CHILDREN) - cpu);
  }
}
BENCHMARK(PgnExtract)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

}  // namespace
}  // namespace zh

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  zh::bench::PrintBeside("import", zh::ours.wall, zh::theirs.wall);
  zh::bench::PrintBeside("CPU: import", zh::ours.cpu, zh::theirs.cpu);
  return 0;
}

// Exporting PGN: 100,000 generated games of about 80 plies (comments, glyphs,
// variations, set-ups) copied from a header-set database into a new PGN file, beside
// pgn-extract copying the same games from PGN to PGN, in one run. Both report games
// per second (median of three runs, wall clock) and CPU games per second (pgn-extract's
// from the children's usage); the closing lines give both ratios. The wall-clock ratio
// should be at least 1.5; on a busy disk the CPU ratio tells the programs apart.
//
// Build with the release preset and run build/release/bin/pgn_export_bench.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "database/headerset/tqg_database.h"
#include "database/pgn/pgn_database.h"

#include "bench_corpus.h"

namespace zh {
namespace {

constexpr int kGames = 100000;
constexpr int kPlies = 80;

std::filesystem::path Folder() {
  static const auto dir = bench::FreshFolder("zh-pgn-export-bench");
  return dir;
}

// The games as PGN (pgn-extract's source) and as a header set (ours).
const std::string& CorpusBase() {
  static const std::string base = [] {
    const std::string b = bench::WriteCorpus(Folder(), kGames, 2024, kPlies);
    PgnDatabase source(b, false, false);
    TqgDatabase set((Folder() / "set").string(), true);
    int last = source.GetCount();
    CopyOptions options;
    if (source.ErrorState() != 0 || set.ErrorState() != 0 ||
        set.CopyGameRange(source, 1, last, options) != kDbDone || set.GetCount() != kGames)
      std::abort();
    return b;
  }();
  return base;
}

bench::GameRates ours, theirs;

void ExportFromHeaderSet(benchmark::State& state) {
  CorpusBase();
  const std::string target = (Folder() / "exported").string();
  for (auto _ : state) {
    std::filesystem::remove(target + ".pgn");
    const auto start = std::chrono::steady_clock::now();
    const double cpu = bench::CpuSeconds(RUSAGE_SELF);
    {
      TqgDatabase set((Folder() / "set").string(), false);
      PgnDatabase out(target, true);
      int last = set.GetCount();
      CopyOptions options;
      if (set.ErrorState() != 0 || (out.ErrorState() != 0 && out.ErrorState() != 2) ||
          out.CopyGameRange(set, 1, last, options) != kDbDone || out.GetCount() != kGames)
        std::abort();
    }
    ours.Record(state, kGames, bench::Seconds(start), bench::CpuSeconds(RUSAGE_SELF) - cpu);
  }
}
BENCHMARK(ExportFromHeaderSet)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

void PgnExtractCopy(benchmark::State& state) {
  const std::string target = (Folder() / "copied.pgn").string();
  const std::string command = std::string(ZH_PGN_EXTRACT) + " --quiet -o " + target + " " +
                              CorpusBase() + ".pgn 2>/dev/null";
  for (auto _ : state) {
    std::filesystem::remove(target);
    const auto start = std::chrono::steady_clock::now();
    const double cpu = bench::CpuSeconds(RUSAGE_CHILDREN);
    if (std::system(command.c_str()) != 0) std::abort();
    theirs.Record(state, kGames, bench::Seconds(start), bench::CpuSeconds(RUSAGE_CHILDREN) - cpu);
  }
}
BENCHMARK(PgnExtractCopy)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

}  // namespace
}  // namespace zh

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  zh::bench::PrintBeside("export", zh::ours.wall, zh::theirs.wall);
  zh::bench::PrintBeside("CPU: export", zh::ours.cpu, zh::theirs.cpu);
  return 0;
}

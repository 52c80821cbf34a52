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

std::vector<double> ours, theirs, oursCpu, theirsCpu;

void Record(benchmark::State& state, std::vector<double>& rates, double seconds,
            std::vector<double>& cpuRates, double cpuSeconds) {
  rates.push_back(kGames / seconds);
  cpuRates.push_back(kGames / cpuSeconds);
  state.counters["games/s"] = rates.back();
  state.counters["cpu games/s"] = cpuRates.back();
}

// CPU seconds of this process or of its finished children.
double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void ExportFromHeaderSet(benchmark::State& state) {
  CorpusBase();
  const std::string target = (Folder() / "exported").string();
  for (auto _ : state) {
    std::filesystem::remove(target + ".pgn");
    const auto start = std::chrono::steady_clock::now();
    const double cpu = CpuSeconds(RUSAGE_SELF);
    {
      TqgDatabase set((Folder() / "set").string(), false);
      PgnDatabase out(target, true);
      int last = set.GetCount();
      CopyOptions options;
      if (set.ErrorState() != 0 || (out.ErrorState() != 0 && out.ErrorState() != 2) ||
          out.CopyGameRange(set, 1, last, options) != kDbDone || out.GetCount() != kGames)
        std::abort();
    }
    Record(state, ours, Seconds(start), oursCpu, CpuSeconds(RUSAGE_SELF) - cpu);
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
    const double cpu = CpuSeconds(RUSAGE_CHILDREN);
    if (std::system(command.c_str()) != 0) std::abort();
    Record(state, theirs, Seconds(start), theirsCpu, CpuSeconds(RUSAGE_CHILDREN) - cpu);
  }
}
BENCHMARK(PgnExtractCopy)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace
}  // namespace zh

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const double a = zh::Median(zh::ours), b = zh::Median(zh::theirs);
  if (a > 0 && b > 0)
    std::printf("export %.0f games/s, pgn-extract %.0f games/s, ratio %.2f\n", a, b, a / b);
  const double c = zh::Median(zh::oursCpu), d = zh::Median(zh::theirsCpu);
  if (c > 0 && d > 0)
    std::printf("CPU: export %.0f games/s, pgn-extract %.0f games/s, ratio %.2f\n", c, d, c / d);
  return 0;
}

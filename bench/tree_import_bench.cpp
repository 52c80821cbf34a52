// Games into a position tree: 100,000 generated games of about 80 plies added from a
// PGN database to a new tree ("Length" 40, variations off, through the write cache),
// beside pgn-extract replaying the same file into FENs, in one run on one core. Both
// report games per second; the closing line gives the ratio, which should reach 0.5.
// A second benchmark learns 10,000 of the games into that tree (no target: it shows
// the cost of one page write per learned position).
//
// Build with the release preset and run `taskset -c 7 build/release/bin/tree_import_bench`.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "books/learning/tree_learning.h"
#include "books/tree/opening_tree.h"
#include "core/services.h"
#include "database/game/game_item.h"
#include "database/pgn/pgn_database.h"

#include "bench_corpus.h"

namespace zh {
namespace {

constexpr int kGames = 100000;
constexpr int kPlies = 80;
constexpr int kLearned = 10000;

std::filesystem::path Folder() {
  static const auto dir = bench::FreshFolder("zh-tree-import-bench");
  return dir;
}

const std::string& CorpusBase() {
  static const std::string base = bench::WriteCorpus(Folder(), kGames, 2051, kPlies);
  return base;
}

std::string TreeBase() {
  return (Folder() / "tree").string();
}

void RemoveTree() {
  for (const char* e : {".ctg", ".ctb", ".cto"}) std::filesystem::remove(TreeBase() + e);
}

std::vector<double> ours, theirs;

void ImportIntoTree(benchmark::State& state) {
  const std::string& base = CorpusBase();
  TreeSettings settings;
  settings.length = 40;
  settings.ecoLength = false;
  settings.inclVars = false;
  for (auto _ : state) {
    RemoveTree();
    const auto start = std::chrono::steady_clock::now();
    {
      PgnDatabase source(base, false, false);
      OpeningTree tree(TreeBase());
      NullTreeViews views;
      if (source.ErrorState() != 0 || tree.Status() != 0 ||
          AddDatabaseToTree(tree, views, source, 1, source.GetCount(), settings) != 0)
        std::abort();
    }
    ours.push_back(kGames / bench::Seconds(start));
    state.counters["games/s"] = ours.back();
  }
}
BENCHMARK(ImportIntoTree)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

void PgnExtract(benchmark::State& state) {
  const std::string command = std::string(ZH_PGN_EXTRACT) + " --fencomments --quiet -o /dev/null " +
                              CorpusBase() + ".pgn 2>/dev/null";
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) == -1) std::abort();
    theirs.push_back(kGames / bench::Seconds(start));
    state.counters["games/s"] = theirs.back();
  }
}
BENCHMARK(PgnExtract)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

// Learns the first games into the tree the import left, alternating the sides.
void LearnIntoTree(benchmark::State& state) {
  PgnDatabase source(CorpusBase(), false, false);
  OpeningTree tree(TreeBase());
  if (source.ErrorState() != 0 || tree.Status() != 0) std::abort();
  std::vector<TQGame> games(kLearned);
  for (int i = 0; i < kLearned; ++i)
    if (source.ReadGame(i + 1, games[static_cast<size_t>(i)], false) != 0) std::abort();
  for (auto _ : state) {
    for (int i = 0; i < kLearned; ++i)
      if (LearnGameInTree(TreeLearning{&tree, &games[static_cast<size_t>(i)]}, i % 2, 500) != 0)
        std::abort();
  }
  state.counters["games/s"] = benchmark::Counter(static_cast<double>(kLearned) * state.iterations(),
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(LearnIntoTree)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace zh

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  zh::bench::PrintBeside("tree import", zh::ours, zh::theirs);
  return 0;
}

// Opening tree lookups: all successors of a position at once beside one lookup per
// move, with the file cache dropped before each run, and warm single lookups beside
// two random preads (4 and 4096 bytes) of the same files. The tree holds the first 30
// plies of 100,000 seeded random games.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "books/tree/opening_tree.h"
#include "core/rules/movelist.h"

namespace {

constexpr int kGames = 100'000;
constexpr int kPlies = 30;
constexpr size_t kProbes = 10'000;

struct Fixture {
  std::string base;
  std::vector<zh::Position> stored;  // positions looked up, each stored

  Fixture() {
    base = (std::filesystem::temp_directory_path() / "zh-opening-tree-bench").string();
    for (const char* e : {".ctg", ".ctb", ".cto"}) std::filesystem::remove(base + e);
    zh::OpeningTree tree(base);
    std::mt19937 random(11);
    for (int g = 0; g < kGames; ++g) {
      zh::Position p;
      for (int ply = 0; ply < kPlies; ++ply) {
        tree.AddPosition(p, nullptr);
        if (stored.size() < kProbes && random() % 50 == 0) stored.push_back(p);
        zh::MoveList list;
        if (list.GenerateLegal(p) == 0) break;
        const zh::MoveCode m = list.At(static_cast<int>(random() % list.Count()));
        p.MakeMoveSquares(m.from, m.to, m.promotion);
      }
    }
  }
};

Fixture& Tree() {
  static Fixture fixture;
  return fixture;
}

void DropCache(const std::string& base) {
  for (const char* e : {".ctg", ".ctb", ".cto"}) {
    const int fd = open((base + e).c_str(), O_RDONLY);
    if (fd < 0) continue;
    posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    close(fd);
  }
}

// Lookups per second counted per move.
void BM_FindChildrenCold(benchmark::State& state) {
  Fixture& f = Tree();
  int64_t moves = 0;
  for (auto _ : state) {
    state.PauseTiming();
    DropCache(f.base);
    zh::OpeningTree tree(f.base);
    state.ResumeTiming();
    for (const zh::Position& p : f.stored) {
      zh::MoveList list;
      const int n = list.GenerateLegal(p);
      std::vector<zh::MoveCode> codes(list.begin(), list.end());
      zh::StatisticItem stats[256];
      benchmark::DoNotOptimize(tree.FindChildren(p, codes.data(), n, codes.data(), stats,
                                                 nullptr, nullptr, nullptr, n));
      moves += n;
    }
  }
  state.counters["moves/s"] = benchmark::Counter(static_cast<double>(moves),
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FindChildrenCold)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_FindPositionPerMoveCold(benchmark::State& state) {
  Fixture& f = Tree();
  int64_t moves = 0;
  for (auto _ : state) {
    state.PauseTiming();
    DropCache(f.base);
    zh::OpeningTree tree(f.base);
    state.ResumeTiming();
    for (const zh::Position& p : f.stored) {
      zh::MoveList list;
      list.GenerateLegal(p);
      for (const zh::MoveCode& m : list) {
        zh::Position next = p;
        next.MakeMoveSquares(m.from, m.to, m.promotion);
        zh::StatisticItem s;
        benchmark::DoNotOptimize(tree.FindPosition(next, &s));
        ++moves;
      }
    }
  }
  state.counters["moves/s"] = benchmark::Counter(static_cast<double>(moves),
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FindPositionPerMoveCold)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_FindPositionWarm(benchmark::State& state) {
  Fixture& f = Tree();
  zh::OpeningTree tree(f.base);
  size_t i = 0;
  for (auto _ : state) {
    zh::StatisticItem s;
    benchmark::DoNotOptimize(tree.FindPosition(f.stored[i++ % f.stored.size()], &s));
  }
}
BENCHMARK(BM_FindPositionWarm);

// The floor of a lookup: an index entry and a page read at random.
void BM_TwoPreads(benchmark::State& state) {
  Fixture& f = Tree();
  const int index = open((f.base + ".cto").c_str(), O_RDONLY);
  const int pages = open((f.base + ".ctg").c_str(), O_RDONLY);
  const off_t indexSize = lseek(index, 0, SEEK_END);
  const off_t pageCount = lseek(pages, 0, SEEK_END) / 4096;
  std::mt19937 random(3);
  uint8_t small[4];
  std::vector<uint8_t> page(4096);
  for (auto _ : state) {
    benchmark::DoNotOptimize(pread(index, small, 4, static_cast<off_t>(random() % (indexSize - 4))));
    benchmark::DoNotOptimize(
        pread(pages, page.data(), 4096, static_cast<off_t>(random() % pageCount) * 4096));
  }
  close(index);
  close(pages);
}
BENCHMARK(BM_TwoPreads);

}  // namespace

BENCHMARK_MAIN();

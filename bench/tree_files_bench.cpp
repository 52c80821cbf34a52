// Position tree files on a cached disk: inserting 1,000,000 generated keys one by one
// into a new tree, and locating 1,000,000 stored keys in a warm tree, next to the raw
// calls that bound them on the same files: two preads at random offsets (4 bytes of
// the index, a 4096-byte page) per lookup, and a pread plus a pwrite of a page per
// insert. Locating should keep at least a third of the two-pread rate, inserting a
// fifth of the pread-and-pwrite rate.
//
// Build with the release preset and run build/release/bin/tree_files_bench.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "books/tree/tree_files.h"

namespace zh {
namespace {

constexpr int kKeys = 1'000'000;

using Key = std::vector<uint8_t>;

std::vector<Key> Keys() {
  std::mt19937 random(1);
  std::vector<Key> keys(kKeys);
  for (Key& key : keys) {
    const auto length = static_cast<uint8_t>(9 + random() % 12);
    key.resize(length);
    for (auto& b : key) b = static_cast<uint8_t>(random());
    key[0] = static_cast<uint8_t>((key[0] & 0xE0) | length);
  }
  return keys;
}

std::vector<uint8_t> RecordOf(const Key& key) {
  TreeRecordItems items;
  items.AddMove({key[1], 0});
  items.statistics.games = 1;
  return PackTreeRecord(key.data(), items);
}

std::string Folder() {
  static const std::string dir = [] {
    std::string d = (std::filesystem::temp_directory_path() / "zh-tree-bench-XXXXXX").string();
    if (!mkdtemp(d.data())) std::abort();
    std::atexit([] { std::filesystem::remove_all(Folder()); });
    return d;
  }();
  return dir;
}

const std::vector<Key>& BenchKeys() {
  static const std::vector<Key> keys = Keys();
  return keys;
}

// The warm tree of all keys, written once.
const std::string& FullTree() {
  static const std::string base = [] {
    const std::string b = Folder() + "/full";
    TreeFiles tree(b);
    for (const Key& key : BenchKeys()) {
      TreeLocation at;
      if (tree.Insert(RecordOf(key).data(), at) != 0) std::abort();
    }
    return b;
  }();
  return base;
}

void TreeInsert(benchmark::State& state) {
  const auto& keys = BenchKeys();
  std::vector<std::vector<uint8_t>> records;
  records.reserve(keys.size());
  for (const Key& key : keys) records.push_back(RecordOf(key));
  int round = 0;
  for (auto _ : state) {
    const std::string base = Folder() + "/insert" + std::to_string(round++);
    TreeFiles tree(base);
    for (const auto& record : records) {
      TreeLocation at;
      if (tree.Insert(record.data(), at) != 0) std::abort();
    }
    state.counters["pages"] = tree.Pages().PageCount();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kKeys);
}
BENCHMARK(TreeInsert)->Unit(benchmark::kMillisecond)->Iterations(1);

void TreeLocate(benchmark::State& state) {
  const std::string& base = FullTree();
  std::vector<const Key*> order;
  for (const Key& key : BenchKeys()) order.push_back(&key);
  std::shuffle(order.begin(), order.end(), std::mt19937(2));
  TreeFiles tree(base);
  for (auto _ : state) {
    for (const Key* key : order) {
      TreeLocation at;
      if (!tree.Locate(key->data(), at)) std::abort();
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kKeys);
}
BENCHMARK(TreeLocate)->Unit(benchmark::kMillisecond);

struct RawFiles {
  int pages;
  int index;
  uint64_t pageCount;
  uint64_t entries;
  RawFiles() {
    const std::string& base = FullTree();
    pages = open((base + ".ctg").c_str(), O_RDWR);
    index = open((base + ".cto").c_str(), O_RDONLY);
    pageCount = (std::filesystem::file_size(base + ".ctg") - 4096) / 4096;
    entries = (std::filesystem::file_size(base + ".cto") - 16) / 4;
  }
  ~RawFiles() {
    close(pages);
    close(index);
  }
};

void TwoPreads(benchmark::State& state) {
  RawFiles files;
  std::mt19937_64 random(3);
  uint8_t entry[4];
  uint8_t page[4096];
  for (auto _ : state) {
    for (int i = 0; i < kKeys; ++i) {
      const auto e = static_cast<off_t>(16 + 4 * (random() % files.entries));
      const auto p = static_cast<off_t>(4096 + 4096 * (random() % files.pageCount));
      if (pread(files.index, entry, 4, e) != 4 || pread(files.pages, page, 4096, p) != 4096)
        std::abort();
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kKeys);
}
BENCHMARK(TwoPreads)->Unit(benchmark::kMillisecond);

void PreadPwritePage(benchmark::State& state) {
  RawFiles files;
  std::mt19937_64 random(4);
  uint8_t page[4096];
  for (auto _ : state) {
    for (int i = 0; i < kKeys; ++i) {
      const auto p = static_cast<off_t>(4096 + 4096 * (random() % files.pageCount));
      if (pread(files.pages, page, 4096, p) != 4096 || pwrite(files.pages, page, 4096, p) != 4096)
        std::abort();
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kKeys);
}
BENCHMARK(PreadPwritePage)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zh

BENCHMARK_MAIN();

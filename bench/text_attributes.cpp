// The attribute layer of a 65,519-character text with 20 formats and 2,000 runs,
// written to and read from its stored form, beside a memcpy of the same stored bytes
// plus one pass over the characters (what any reader of the form must at least do).
// Reading should stay within 4 times that baseline; the read benchmark reports the
// ratio as `x_baseline`.
//
// Build with the release preset and run build/release/bin/text_bench.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "text/buffer.h"
#include "text/text_attributes.h"

namespace zh {
namespace {

constexpr uint32_t kCharacters = 65519;
constexpr int kFormats = 20;
constexpr int kRuns = 2000;

struct Sample {
  std::string stored;
  std::string characters;
};

const Sample& TheSample() {
  static const Sample sample = [] {
    std::mt19937 random(59);
    std::vector<CCharFormat> formats;
    for (int k = 0; k < kFormats; ++k) {
      CCharFormat f(true);
      f.SetName(k % 2 ? "Arial" : "Times New Roman");
      f.SetSize(0, static_cast<int16_t>(12 + k));
      f.SetBold(static_cast<uint8_t>(k % 3 == 0));
      f.SetColour(k % 8);
      formats.push_back(f);
    }
    CTextAttributes layer;
    uint32_t left = kCharacters;
    for (int r = 0; r < kRuns; ++r) {
      const uint32_t length = r + 1 == kRuns ? left : std::min<uint32_t>(left, 1 + random() % 64);
      CAttributeCursor cursor(layer, layer.Count());
      // Neighbouring runs differ, so that every run is stored as one.
      cursor.formatBefore = formats[static_cast<size_t>(r % kFormats)];
      cursor.styleBefore = static_cast<uint16_t>(r % 4);
      layer.Insert(cursor, static_cast<int32_t>(length), false);
      left -= length;
    }
    Sample s;
    CBuffer out(layer.StoreSize());
    layer.Write(out);
    out.ToString(s.stored);
    for (uint32_t i = 0; i < kCharacters; ++i) s.characters.push_back(static_cast<char>('a' + i % 26));
    return s;
  }();
  return sample;
}

// memcpy of the stored bytes and one pass over the characters.
uint64_t Baseline(const Sample& s, std::vector<char>& copy) {
  std::memcpy(copy.data(), s.stored.data(), s.stored.size());
  uint64_t sum = 0;
  for (char c : s.characters) sum += static_cast<uint8_t>(c);
  return sum + static_cast<uint8_t>(copy[s.stored.size() / 2]);
}

double BaselineNanoseconds(const Sample& s) {
  std::vector<char> copy(s.stored.size());
  constexpr int kRepeats = 2000;
  uint64_t sink = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRepeats; ++i) {
    sink += Baseline(s, copy);
    benchmark::DoNotOptimize(sink);
    benchmark::ClobberMemory();
  }
  const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
  return took.count() / kRepeats;
}

void BM_BaselineCopyAndPass(benchmark::State& state) {
  const Sample& s = TheSample();
  std::vector<char> copy(s.stored.size());
  for (auto _ : state) {
    benchmark::DoNotOptimize(Baseline(s, copy));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.stored.size()));
}

// Reads into a fresh layer each time (its storage newly allocated), or into one layer
// emptied between reads (its storage kept, as the arrays keep it when cleared).
void ReadAttributes(benchmark::State& state, bool fresh) {
  const Sample& s = TheSample();
  const double baseline = BaselineNanoseconds(s);
  CTextAttributes kept;
  double total = 0;
  for (auto _ : state) {
    CTextAttributes own;
    CTextAttributes& layer = fresh ? own : kept;
    const auto start = std::chrono::steady_clock::now();
    CBuffer in(s.stored);
    if (!layer.Read(in, CAttributeCursor(layer), CTextAttributes::kCurrentVersion, kCharacters))
      state.SkipWithError("the stored form did not read");
    benchmark::DoNotOptimize(layer.Count());
    const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
    total += took.count();
    state.SetIterationTime(took.count() / 1e9);
    if (!fresh) layer.Insert(CAttributeCursor(layer), -static_cast<int32_t>(layer.Count()), false);
  }
  state.counters["x_baseline"] = total / static_cast<double>(state.iterations()) / baseline;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.stored.size()));
}

void BM_ReadAttributes(benchmark::State& state) { ReadAttributes(state, true); }
void BM_ReadAttributesKeptStorage(benchmark::State& state) { ReadAttributes(state, false); }

void BM_WriteAttributes(benchmark::State& state) {
  const Sample& s = TheSample();
  CTextAttributes layer;
  CBuffer in(s.stored);
  layer.Read(in, CAttributeCursor(layer), CTextAttributes::kCurrentVersion, kCharacters);
  for (auto _ : state) {
    CBuffer measure(0);
    layer.Write(measure);
    CBuffer out(measure.Position());
    layer.Write(out);
    benchmark::DoNotOptimize(out.Data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.stored.size()));
}

BENCHMARK(BM_BaselineCopyAndPass);
BENCHMARK(BM_ReadAttributes)->UseManualTime();
BENCHMARK(BM_ReadAttributesKeptStorage)->UseManualTime();
BENCHMARK(BM_WriteAttributes);

}  // namespace
}  // namespace zh

BENCHMARK_MAIN();

// Sequential reading of a 50 MB cached file: 46-byte records through the paged file's
// window (buffer 23,000 bytes) next to plain 23,000-byte pread calls, which bound
// what any buffered reader can reach. Both report bytes per second; the paged file
// should keep at least a third of the pread rate.
//
// Build with the release preset and run build/release/bin/paged_file_bench.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "database/storage/paged_file.h"

namespace zh {
namespace {

constexpr uint64_t kFileSize = 50'000'000;
constexpr uint32_t kBuffer = 23000;
constexpr int32_t kRecord = 46;

std::string gPath;

const std::string& BenchFile() {
  static const std::string& path = [&]() -> const std::string& {
    gPath = (std::filesystem::temp_directory_path() / "zh-paged-file-bench.bin").string();
    const std::string& p = gPath;
    std::vector<uint8_t> chunk(1 << 20);
    for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<uint8_t>(i * 13);
    const int fd = open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (uint64_t done = 0; done < kFileSize;) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(chunk.size(), kFileSize - done));
      if (write(fd, chunk.data(), n) != static_cast<ssize_t>(n)) std::abort();
      done += n;
    }
    close(fd);
    std::atexit([] { std::filesystem::remove(gPath); });
    return p;
  }();
  return path;
}

void PagedFileRecords(benchmark::State& state) {
  PagedFile file(BenchFile(), false, kBuffer, 20700);
  uint8_t record[kRecord];
  uint64_t sum = 0;
  for (auto _ : state) {
    for (uint64_t offset = 0; offset + kRecord <= kFileSize; offset += kRecord) {
      if (file.Read(record, offset, kRecord) != 0) std::abort();
      sum += record[0];
    }
  }
  benchmark::DoNotOptimize(sum);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * (kFileSize / kRecord * kRecord)));
}
BENCHMARK(PagedFileRecords)->Unit(benchmark::kMillisecond);

void PreadChunks(benchmark::State& state) {
  const int fd = open(BenchFile().c_str(), O_RDONLY);
  std::vector<uint8_t> buffer(kBuffer);
  uint64_t sum = 0;
  for (auto _ : state) {
    for (uint64_t offset = 0; offset < kFileSize; offset += kBuffer) {
      if (pread(fd, buffer.data(), kBuffer, static_cast<off_t>(offset)) < 0) std::abort();
      sum += buffer[0];
    }
  }
  close(fd);
  benchmark::DoNotOptimize(sum);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileSize));
}
BENCHMARK(PreadChunks)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zh

BENCHMARK_MAIN();

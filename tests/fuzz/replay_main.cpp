// Replays committed corpus files through a fuzz target's entry function (the normal
// build runs this in ctest; the clang build links libFuzzer instead).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    if (std::filesystem::is_directory(argv[i])) {
      for (const auto& entry : std::filesystem::directory_iterator(argv[i]))
        if (entry.is_regular_file()) files.push_back(entry.path());
    } else {
      files.emplace_back(argv[i]);
    }
  }
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    // An exactly sized heap copy, so that AddressSanitizer sees reads past the input.
    const std::vector<uint8_t> data{std::istreambuf_iterator<char>(in), {}};
    auto* copy = new uint8_t[data.size() + (data.empty() ? 1 : 0)];
    std::copy(data.begin(), data.end(), copy);
    LLVMFuzzerTestOneInput(copy, data.size());
    delete[] copy;
  }
  std::printf("replayed %zu inputs\n", files.size());
  return files.empty() ? 1 : 0;
}

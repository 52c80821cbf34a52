// Compressing any block and expanding the result gives the block back.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/toolbox/compressor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static zh::Compressor compressor;
  if (size > zh::Compressor::kMaxBlock) size = zh::Compressor::kMaxBlock;
  std::vector<uint8_t> block(size + 1);
  size_t blockSize = 0;
  if (compressor.Compress(data, size, block.data(), blockSize) != 0 || blockSize > size + 1)
    std::abort();
  std::vector<uint8_t> back(zh::Compressor::kMaxBlock);
  size_t produced = 0;
  if (compressor.Expand(block.data(), blockSize, back.data(), back.size(), produced) != 0 ||
      produced != size || (size && std::memcmp(back.data(), data, size) != 0))
    std::abort();
  return 0;
}

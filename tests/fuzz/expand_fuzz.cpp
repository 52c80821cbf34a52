// Expanding any input: no write past the 65530-byte output, no read past the input,
// always an end, and an output length only on success.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/toolbox/compressor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static zh::Compressor compressor;
  std::vector<uint8_t> out(zh::Compressor::kMaxBlock);
  size_t produced = 1;
  const int32_t rc = compressor.Expand(data, size, out.data(), out.size(), produced);
  if (rc == 0 ? produced > out.size() : produced != 0) std::abort();
  return 0;
}

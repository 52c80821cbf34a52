// Little-endian integers of 1 to 4 bytes, as the disk trees and the header-library
// records store them.
#pragma once

#include <cstdint>

namespace zh {

constexpr uint32_t GetLittleEndian(const uint8_t* p, int width) {
  uint32_t v = 0;
  for (int i = width - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

constexpr void PutLittleEndian(uint8_t* p, int width, uint32_t v) {
  for (int i = 0; i < width; ++i, v >>= 8) p[i] = static_cast<uint8_t>(v);
}

constexpr int32_t GetLE32(const uint8_t* p) { return static_cast<int32_t>(GetLittleEndian(p, 4)); }
constexpr void PutLE32(uint8_t* p, int32_t v) { PutLittleEndian(p, 4, static_cast<uint32_t>(v)); }

}  // namespace zh

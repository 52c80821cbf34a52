// Big-endian integers of 1 to 4 bytes, as the database files store them.
#pragma once

#include <cstdint>

namespace zh {

constexpr uint32_t GetBigEndian(const uint8_t* p, int width) {
  uint32_t v = 0;
  for (int i = 0; i < width; ++i) v = v << 8 | p[i];
  return v;
}

constexpr void PutBigEndian(uint8_t* p, int width, uint32_t v) {
  for (int i = width - 1; i >= 0; --i, v >>= 8) p[i] = static_cast<uint8_t>(v);
}

}  // namespace zh

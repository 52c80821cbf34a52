// Big-endian integers of 1 to 4 bytes, as the database files store them, and the
// 10-byte file header built from them.
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

// The 10-byte file header of the game and annotation files: a word and two numbers.
constexpr void PackBigEndian10(uint8_t* p, uint16_t word, uint32_t first, uint32_t second) {
  PutBigEndian(p, 2, word);
  PutBigEndian(p + 2, 4, first);
  PutBigEndian(p + 6, 4, second);
}

constexpr void UnpackBigEndian10(const uint8_t* p, uint16_t& word, uint32_t& first,
                                 uint32_t& second) {
  word = static_cast<uint16_t>(GetBigEndian(p, 2));
  first = GetBigEndian(p + 2, 4);
  second = GetBigEndian(p + 6, 4);
}

}  // namespace zh

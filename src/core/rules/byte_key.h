// Keyed byte arithmetic of the old single-file format: three ways to combine two
// bytes of a record with the format's key values into one byte, and the check byte
// that the header stores.
#pragma once

#include <array>
#include <cstdint>

#include "core/rules/move_coding_tables.h"

namespace zh {

class ByteKey {
 public:
  constexpr ByteKey() : ByteKey(move_coding::kByteKey) {}
  constexpr explicit ByteKey(const std::array<int16_t, 4>& keys) : k_(keys) {}

  // a + b + first key.
  constexpr uint8_t Add(uint8_t a, uint8_t b) const {
    return static_cast<uint8_t>(a + b + Low(0));
  }
  // (a xor second key) * (b made odd) + high byte of the second key.
  constexpr uint8_t Multiply(uint8_t a, uint8_t b) const {
    return static_cast<uint8_t>((a ^ Low(1)) * (b | 1) + High(1));
  }
  // a xor third key, rotated left by b + fourth key (mod 8), xor high byte of the third.
  constexpr uint8_t Rotate(uint8_t a, uint8_t b) const {
    const unsigned v = static_cast<uint8_t>(a ^ Low(2));
    const unsigned r = (b + Low(3)) & 7u;
    return static_cast<uint8_t>(((v << r) | (v >> ((8 - r) & 7))) ^ High(2));
  }
  // All bytes folded through the three functions in turn.
  constexpr uint8_t CheckByte(const uint8_t* bytes, int n) const {
    uint8_t c = High(3);
    for (int i = 0; i < n; ++i) {
      switch (i % 3) {
        case 0: c = Add(c, bytes[i]); break;
        case 1: c = Multiply(c, bytes[i]); break;
        default: c = Rotate(c, bytes[i]); break;
      }
    }
    return c;
  }

 private:
  constexpr unsigned Low(int i) const { return static_cast<uint16_t>(k_[static_cast<size_t>(i)]) & 0xFFu; }
  constexpr unsigned High(int i) const { return static_cast<uint16_t>(k_[static_cast<size_t>(i)]) >> 8; }

  std::array<int16_t, 4> k_;
};

}  // namespace zh

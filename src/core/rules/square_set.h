// A set of board squares: square s is bit s of one 64-bit word (byte s / 8, bit s mod 8).
#pragma once

#include <bit>
#include <cstdint>

namespace zh {

struct SquareSet {
  uint64_t bits = 0;

  constexpr SquareSet() = default;
  constexpr explicit SquareSet(uint64_t b) : bits(b) {}

  constexpr void Add(int square) { bits |= uint64_t{1} << square; }
  constexpr void Remove(int square) { bits &= ~(uint64_t{1} << square); }
  constexpr bool Contains(int square) const { return (bits >> square) & 1; }
  constexpr int Count() const { return std::popcount(bits); }
  constexpr bool IsEmpty() const { return bits == 0; }
  // The lowest square of a non-empty set.
  constexpr int First() const { return std::countr_zero(bits); }

  // The two-word view: squares 0..31 in word 0, 32..63 in word 1.
  constexpr uint32_t Word(int i) const { return static_cast<uint32_t>(bits >> (i ? 32 : 0)); }

  constexpr SquareSet operator|(SquareSet o) const { return SquareSet(bits | o.bits); }
  constexpr SquareSet operator&(SquareSet o) const { return SquareSet(bits & o.bits); }
  constexpr bool operator==(const SquareSet&) const = default;
};

}  // namespace zh

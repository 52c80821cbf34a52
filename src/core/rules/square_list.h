// A list of at most 64 squares (free entries 255) and square names for messages.
#pragma once

#include <cstdint>
#include <string>

#include "core/rules/square_set.h"

namespace zh {

struct SquareList {
  static constexpr int kCapacity = 64;
  uint8_t squares[kCapacity];
  int16_t count = 0;

  SquareList() { Clear(); }
  void Clear();
  // Appends when fewer than 64.
  void Add(int square);
  static SquareList FromSquareSet(SquareSet set);
  SquareSet ToSquareSet() const;
  // "a1", "a1+b2", "a1, b2+c3".
  std::string ToText() const;
};

}  // namespace zh

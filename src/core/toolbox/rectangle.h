// An inclusive rectangle of pixels; empty when right < left or bottom < top.
#pragma once

#include <cstdint>

namespace zh {

struct Rectangle {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = -1;
  int32_t bottom = -1;

  constexpr int32_t GetWidth() const { return right < left ? 0 : right - left + 1; }
  constexpr int32_t GetHeight() const { return bottom < top ? 0 : bottom - top + 1; }
  constexpr bool operator==(const Rectangle&) const = default;
};

}  // namespace zh

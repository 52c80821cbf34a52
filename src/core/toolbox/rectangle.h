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
  constexpr bool IsEmpty() const { return right < left || bottom < top; }
};

// The pixels in both; empty when they do not overlap.
constexpr Rectangle Intersect(const Rectangle& a, const Rectangle& b) {
  if (a.IsEmpty() || b.IsEmpty()) return Rectangle{};
  Rectangle r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
              a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
  return r.IsEmpty() ? Rectangle{} : r;
}

// The smallest rectangle holding both; an empty one adds nothing.
constexpr Rectangle Union(const Rectangle& a, const Rectangle& b) {
  if (a.IsEmpty()) return b.IsEmpty() ? Rectangle{} : b;
  if (b.IsEmpty()) return a;
  return Rectangle{a.left < b.left ? a.left : b.left, a.top < b.top ? a.top : b.top,
                   a.right > b.right ? a.right : b.right, a.bottom > b.bottom ? a.bottom : b.bottom};
}

}  // namespace zh

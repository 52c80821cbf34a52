// Step-function lookup over ascending boundaries: value i holds for
// boundaries[i] <= x < boundaries[i + 1]. The arrays belong to the caller.
#pragma once

#include <cstdint>

namespace zh {

class IntervalTable {
 public:
  IntervalTable() = default;
  IntervalTable(const int32_t* boundaries, const int32_t* values, int32_t n) {
    Set(boundaries, values, n);
  }
  // n + 1 boundaries and n values (or no values: Find answers the interval index).
  void Set(const int32_t* boundaries, const int32_t* values, int32_t n);
  // -2 below the first boundary, -1 at or above the last one.
  int32_t Find(int32_t x) const;

 private:
  const int32_t* boundaries_ = nullptr;
  const int32_t* values_ = nullptr;
  int32_t n_ = 0;
};

}  // namespace zh

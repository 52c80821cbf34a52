// A forward cursor over either a closed range of numbers or the values of an array,
// with one interface: First, then while HasMore: use the number, Next.
#pragma once

#include <cstdint>

#include "core/toolbox/int_array.h"

namespace zh {

class NumberSequence {
 public:
  // first, first + 1, ..., last.
  void SetRange(int32_t first, int32_t last);
  // The array's values in index order (not owned; null walks nothing).
  void SetArray(const SortedLONGArr* array);

  int32_t First();
  int32_t Next();
  // 0-based position of the cursor.
  int64_t Position() const;
  bool HasMore() const;
  int64_t Size() const;

 private:
  int32_t first_ = 0;
  int32_t last_ = -1;
  int64_t current_ = 0;
  const SortedLONGArr* array_ = nullptr;
  bool isArray_ = false;
};

}  // namespace zh

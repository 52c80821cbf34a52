// Walks the item numbers of a job: a range first..last, or the numbers of a sorted
// list in its order.
#pragma once

#include <cstdint>

#include "core/toolbox/int_array.h"

namespace zh {

class ItemNumberIterator {
 public:
  ItemNumberIterator(int32_t first, int32_t last) : first_(first), last_(last) {}
  // Walks the list (not owned; it must outlive the iterator).
  explicit ItemNumberIterator(const SortedLONGArr* list) : list_(list) {}

  // The first number; -1 when there is none.
  int32_t First();
  // The next number; -1 after the last.
  int32_t Next();
  // Next() will give a number.
  bool HasMore() const;
  uint32_t Count() const;
  // Only a list answers; a range answers false.
  bool Contains(int32_t n) const { return list_ && list_->Contains(n); }

  int32_t userValue = 0;

 private:
  int32_t Current() const;

  int32_t first_ = 0;
  int32_t last_ = -1;
  const SortedLONGArr* list_ = nullptr;
  int64_t position_ = 0;
};

}  // namespace zh

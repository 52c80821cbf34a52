#include "core/toolbox/interval_table.h"

#include <algorithm>

namespace zh {

void IntervalTable::Set(const int32_t* boundaries, const int32_t* values, int32_t n) {
  boundaries_ = boundaries;
  values_ = values;
  n_ = n;
}

int32_t IntervalTable::Find(int32_t x) const {
  if (!boundaries_ || n_ < 0) return -1;
  if (x < boundaries_[0]) return -2;
  if (x >= boundaries_[n_]) return -1;
  // The first boundary above x closes the interval that holds x.
  const int32_t* above = std::upper_bound(boundaries_, boundaries_ + n_ + 1, x);
  const int32_t i = static_cast<int32_t>(above - boundaries_) - 1;
  return values_ ? values_[i] : i;
}

}  // namespace zh

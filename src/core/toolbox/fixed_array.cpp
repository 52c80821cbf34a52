#include "core/toolbox/fixed_array.h"

#include <limits>
#include <new>

namespace zh {

FixedArray::FixedArray(uint64_t count, uint32_t itemSize) : itemSize_(itemSize) {
  if (count == 0 || itemSize == 0) return;
  if (count > std::numeric_limits<size_t>::max() / itemSize) return;
  data_.reset(new (std::nothrow) uint8_t[count * itemSize]());
  if (data_) count_ = count;
}

uint8_t* FixedArray::At(uint64_t i) {
  return i < count_ ? data_.get() + i * itemSize_ : nullptr;
}

const uint8_t* FixedArray::At(uint64_t i) const {
  return i < count_ ? data_.get() + i * itemSize_ : nullptr;
}

void FixedArray::Free() {
  data_.reset();
  count_ = 0;
}

}  // namespace zh

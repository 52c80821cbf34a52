// One block of `count` items of a fixed size, allocated at once. Counts come from
// file sizes, so the byte size is computed in 64 bits and checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace zh {

class FixedArray {
 public:
  FixedArray() = default;
  // Allocates count * itemSize bytes (zeroed); the array stays empty (count 0) when
  // the size overflows or the allocation fails.
  FixedArray(uint64_t count, uint32_t itemSize);

  // Item i, or null when i is not below the count.
  uint8_t* At(uint64_t i);
  const uint8_t* At(uint64_t i) const;
  void Free();

  uint64_t Count() const { return count_; }
  uint32_t ItemSize() const { return itemSize_; }
  uint8_t* Data() { return data_.get(); }

 private:
  std::unique_ptr<uint8_t[]> data_;
  uint32_t itemSize_ = 0;
  uint64_t count_ = 0;
};

}  // namespace zh

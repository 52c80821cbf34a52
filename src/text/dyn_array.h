// Growable arrays of bytes and of 16-bit values. They grow linearly, by the initial
// capacity each time, and never beyond their maximum; an insertion that would pass
// the maximum or finds no memory answers false and leaves the array as it was.
// Counts are 32-bit in memory; the default maximum of a text keeps them below 65536.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

namespace zh {

template <class T>
class DynArray {
 public:
  DynArray(uint32_t capacity, uint32_t maximum) : capacity_(capacity), maximum_(maximum), step_(capacity) {
    if (capacity_ > 0) {
      data_.reset(new (std::nothrow) T[capacity_]);
      if (!data_) capacity_ = 0;
    }
  }
  ~DynArray() = default;
  DynArray(const DynArray&) = delete;
  DynArray& operator=(const DynArray&) = delete;

  // Opens n uninitialised elements at the position.
  bool InsertGap(uint32_t position, uint32_t n) {
    if (position > count_) return false;
    const uint64_t needed = uint64_t{count_} + n;
    if (needed > maximum_) return false;
    if (needed > capacity_) {
      const uint32_t grown = static_cast<uint32_t>(std::min<uint64_t>(needed + step_, maximum_));
      std::unique_ptr<T[]> bigger(new (std::nothrow) T[grown]);
      if (!bigger) return false;
      if (count_ > 0) std::memcpy(bigger.get(), data_.get(), count_ * sizeof(T));
      data_ = std::move(bigger);
      capacity_ = grown;
    }
    if (position < count_) std::memmove(data_.get() + position + n, data_.get() + position, (count_ - position) * sizeof(T));
    count_ = static_cast<uint32_t>(needed);
    return true;
  }
  // Removes n elements at the position; the tail moves down. The caller keeps
  // position + n within the count.
  void Remove(uint32_t position, uint32_t n) {
    if (position >= count_ || n == 0) return;
    if (n > count_ - position) n = count_ - position;
    std::memmove(data_.get() + position, data_.get() + position + n, (count_ - position - n) * sizeof(T));
    count_ -= n;
  }
  // The storage stays.
  void Clear() { count_ = 0; }

  T* Data() { return data_.get(); }
  const T* Data() const { return data_.get(); }
  T& operator[](uint32_t i) { return data_[i]; }
  const T& operator[](uint32_t i) const { return data_[i]; }
  uint32_t Count() const { return count_; }
  uint32_t Capacity() const { return capacity_; }
  uint32_t Maximum() const { return maximum_; }
  uint32_t Step() const { return step_; }

 private:
  std::unique_ptr<T[]> data_;
  uint32_t capacity_;
  uint32_t count_ = 0;
  uint32_t maximum_;
  uint32_t step_;
};

using DynArrayUCHAR = DynArray<uint8_t>;
using DynArrayUSHORT = DynArray<uint16_t>;

}  // namespace zh

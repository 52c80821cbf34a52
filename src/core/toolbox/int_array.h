// Growable arrays of 32-bit integers: lists of game numbers (search results,
// selections, marked games).
#pragma once

#include <cstdint>
#include <memory>

namespace zh {

class LONGArr {
 public:
  enum Status : int32_t { kOk = 0, kDestroyed = 3, kNoMemory = 5 };

  virtual ~LONGArr();

  // count = 0; capacity and storage stay.
  virtual void Clear() { count_ = 0; }
  virtual bool Append(int32_t value) = 0;
  // Index i modulo the capacity (0 without storage). Storage beyond the count reads 0.
  virtual int32_t Get(uint32_t i) const;
  // Stores at index i modulo the capacity; returns 0.
  virtual int32_t Set(int32_t value, uint32_t i);
  virtual bool IsFull() const { return count_ == capacity_; }

  int32_t GetStatus() const { return status_; }
  uint32_t Count() const { return count_; }
  uint32_t Capacity() const { return capacity_; }
  const int32_t* Data() const { return items_.get(); }

 protected:
  explicit LONGArr(uint32_t capacity);
  // Zero-filled storage of n values, or null when it cannot be had.
  virtual std::unique_ptr<int32_t[]> Allocate(uint32_t n);

  int32_t status_ = kOk;
  uint32_t count_ = 0;
  uint32_t capacity_ = 0;
  std::unique_ptr<int32_t[]> items_;
};

class SortedLONGArr : public LONGArr {
 public:
  // The capacity is at least 32; status 5 when the storage cannot be had.
  explicit SortedLONGArr(uint32_t capacity = 32);

  // Appends, growing a full array by a third (at least to 32). False when the value
  // could not be stored; the array is then unchanged.
  bool Append(int32_t value) override;
  // Sorts the first count values ascending.
  void Sort();
  // Sorts and removes repeated values (under the wait cursor): strictly ascending.
  void SortUnique();
  // Removes the first occurrence and returns its former index; count when absent.
  uint32_t Remove(int32_t value);
  bool Contains(int32_t value) const;
  uint32_t CountOf(int32_t value) const;
};

}  // namespace zh

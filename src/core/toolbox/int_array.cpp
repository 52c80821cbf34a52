#include "core/toolbox/int_array.h"

#include <algorithm>
#include <new>

#include "core/services.h"

namespace zh {
namespace {
constexpr uint32_t kMinCapacity = 32;
// Keeps the byte size of the storage well inside what an allocation can take.
constexpr uint32_t kMaxCapacity = 0x3FFFFFFF;
}  // namespace

LONGArr::LONGArr(uint32_t capacity) {
  items_ = LONGArr::Allocate(capacity);
  if (items_ || capacity == 0) {
    capacity_ = capacity;
  } else {
    status_ = kNoMemory;
  }
}

LONGArr::~LONGArr() { status_ = kDestroyed; }

std::unique_ptr<int32_t[]> LONGArr::Allocate(uint32_t n) {
  if (n > kMaxCapacity) return nullptr;
  return std::unique_ptr<int32_t[]>(new (std::nothrow) int32_t[n]());
}

int32_t LONGArr::Get(uint32_t i) const { return capacity_ ? items_[i % capacity_] : 0; }

int32_t LONGArr::Set(int32_t value, uint32_t i) {
  if (capacity_) items_[i % capacity_] = value;
  return 0;
}

SortedLONGArr::SortedLONGArr(uint32_t capacity) : LONGArr(std::max(capacity, kMinCapacity)) {}

bool SortedLONGArr::Append(int32_t value) {
  if (count_ == capacity_) {
    const uint32_t grown = std::max(capacity_ + capacity_ / 3, kMinCapacity);
    if (grown <= capacity_) return false;
    std::unique_ptr<int32_t[]> items = Allocate(grown);
    if (!items) return false;
    std::copy_n(items_.get(), count_, items.get());
    items_ = std::move(items);
    capacity_ = grown;
    status_ = kOk;
  }
  items_[count_++] = value;
  return true;
}

void SortedLONGArr::Sort() {
  if (count_ > 1) std::sort(items_.get(), items_.get() + count_);
}

void SortedLONGArr::SortUnique() {
  WaitCursor wait;
  Sort();
  if (count_ > 1)
    count_ = static_cast<uint32_t>(std::unique(items_.get(), items_.get() + count_) - items_.get());
}

uint32_t SortedLONGArr::Remove(int32_t value) {
  int32_t* end = items_.get() + count_;
  int32_t* at = std::find(items_.get(), end, value);
  if (at == end) return count_;
  std::copy(at + 1, end, at);
  --count_;
  return static_cast<uint32_t>(at - items_.get());
}

bool SortedLONGArr::Contains(int32_t value) const {
  return std::find(items_.get(), items_.get() + count_, value) != items_.get() + count_;
}

uint32_t SortedLONGArr::CountOf(int32_t value) const {
  return static_cast<uint32_t>(std::count(items_.get(), items_.get() + count_, value));
}

}  // namespace zh

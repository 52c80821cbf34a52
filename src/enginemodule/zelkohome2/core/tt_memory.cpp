#include "enginemodule/zelkohome2/core/tt_memory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace zh::zelko2 {

size_t TtMemory::SizeForKb(int32_t kb) {
  int64_t bytes = static_cast<int64_t>(kb) * 1024;
  bytes -= bytes % static_cast<int64_t>(kSegmentBytes);
  return static_cast<size_t>(std::clamp<int64_t>(bytes, kMinBytes, kMaxBytes));
}

bool TtMemory::Allocate(size_t bytes) {
  Free();
  raw_ = std::malloc(bytes + 32);
  if (!raw_) return false;
  auto address = reinterpret_cast<uintptr_t>(raw_);
  base_ = reinterpret_cast<uint8_t*>((address + 31) & ~uintptr_t{31});
  bytes_ = bytes;
  size_t count = bytes / kSegmentBytes;
  for (int slot = 0; slot < kSegmentSlots; ++slot) segments_[slot] = base_ + (slot % count) * kSegmentBytes;
  return true;
}

void TtMemory::Free() {
  std::free(raw_);
  raw_ = nullptr;
  base_ = nullptr;
  bytes_ = 0;
  std::fill(std::begin(segments_), std::end(segments_), nullptr);
}

void TtMemory::Clear() {
  for (size_t offset = 0; offset < bytes_; offset += 8) {
    uint32_t empty = kEmpty;
    std::memcpy(base_ + offset, &empty, 4);
  }
}

size_t TtMemory::CountUsed() const {
  size_t used = 0;
  for (size_t offset = 0; offset < bytes_; offset += 8) {
    uint32_t word;
    std::memcpy(&word, base_ + offset, 4);
    used += word != kEmpty;
  }
  return used;
}

}  // namespace zh::zelko2

#include "enginemodule/zelkohome2/core/tt_memory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include <sys/mman.h>

namespace zh::zelko2 {

size_t TtMemory::SizeForKb(int32_t kb) {
  int64_t bytes = static_cast<int64_t>(kb) * 1024;
  bytes -= bytes % static_cast<int64_t>(kSegmentBytes);
  return static_cast<size_t>(std::clamp<int64_t>(bytes, kMinBytes, kMaxBytes));
}

bool TtMemory::Allocate(size_t bytes) {
  Free();
  // Aligned to large pages and offered to the kernel as such: fewer page faults and
  // fewer address translations on a table that is read at random.
  raw_ = std::aligned_alloc(kLargePage, (bytes + kLargePage - 1) / kLargePage * kLargePage);
  if (!raw_) return false;
  madvise(raw_, bytes, MADV_HUGEPAGE);
  base_ = static_cast<uint8_t*>(raw_);
  bytes_ = bytes;
  size_t count = bytes / kSegmentBytes;
  for (int slot = 0; slot < kSegmentSlots; ++slot) segments_[slot] = base_ + (slot % count) * kSegmentBytes;
  // The first clear also brings the pages in; done here, it is not paid by the first
  // search.
  Clear();
  return true;
}

void TtMemory::Free() {
  std::free(raw_);
  raw_ = nullptr;
  base_ = nullptr;
  bytes_ = 0;
  std::fill(std::begin(segments_), std::end(segments_), nullptr);
}

bool TtMemory::Clear(const std::function<bool()>& stop) {
  // One pass of whole empty entries (the marker word, then zeros) over the block, in
  // pieces between which a stop is looked at.
  constexpr size_t kPiece = kLargePage / 8;
  auto* entries = reinterpret_cast<uint64_t*>(base_);
  const size_t count = bytes_ / 8;
  for (size_t at = 0; at < count; at += kPiece) {
    if (stop && stop()) return false;
    std::fill_n(entries + at, std::min(kPiece, count - at), uint64_t{kEmpty});
  }
  return true;
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

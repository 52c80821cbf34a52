#include "text/format_table.h"

#include "text/buffer.h"

namespace zh {

CFormatTable::CFormatTable(int32_t slots) {
  const size_t n = static_cast<size_t>(std::max(slots, 0));
  formats_.resize(n);
  references_.assign(n, 0);
}

int32_t CFormatTable::Intern(const CCharFormat& format) {
  for (int32_t i = 0; i < occupied_; ++i) {
    if (formats_[static_cast<size_t>(i)]->Equals(format)) {
      ++references_[static_cast<size_t>(i)];
      return i;
    }
  }
  if (occupied_ == Count()) {
    if (Count() >= kMaxSlots) return -1;
    const size_t grown = static_cast<size_t>(std::min(Count() + kGrowth, kMaxSlots));
    formats_.resize(grown);
    references_.resize(grown, 0);
  }
  const auto slot = static_cast<size_t>(occupied_++);
  formats_[slot] = std::make_unique<CCharFormat>(format);
  references_[slot] = 1;
  return static_cast<int32_t>(slot);
}

void CFormatTable::Release(int32_t index, int32_t n) {
  if (index >= 0 && index < occupied_) references_[static_cast<size_t>(index)] -= n;
}

void CFormatTable::Write(CBuffer& buffer) const {
  buffer.WriteShort(static_cast<uint16_t>(occupied_));
  for (int32_t i = 0; i < occupied_; ++i) {
    buffer.WriteShort(static_cast<uint16_t>(i));
    formats_[static_cast<size_t>(i)]->Write(buffer);
  }
}

uint32_t CFormatTable::StoreSize() const {
  uint32_t size = 2;
  for (int32_t i = 0; i < occupied_; ++i) size += 2 + formats_[static_cast<size_t>(i)]->StoreSize();
  return size;
}

}  // namespace zh

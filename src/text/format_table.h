// The formats of one text, shared: equal formats are interned into one slot with a
// reference count. Slots fill from 0 upwards and are never emptied while the text
// lives, so the free slots are always the tail; a full table grows by 16 slots.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "text/char_format.h"

namespace zh {

class CBuffer;

class CFormatTable {
 public:
  static constexpr int32_t kGrowth = 16;
  // Slot indices are stored in 16 bits.
  static constexpr int32_t kMaxSlots = 65535;

  explicit CFormatTable(int32_t slots = kGrowth);

  // The slot of an equal format with one more reference, or a new slot holding a copy.
  // -1 when the table cannot take another format.
  int32_t Intern(const CCharFormat& format);
  // Adds n references to an occupied slot.
  void AddReferences(int32_t index, int32_t n) {
    if (index >= 0 && index < occupied_) references_[static_cast<size_t>(index)] += n;
  }
  void Release(int32_t index, int32_t n = 1);

  int32_t Count() const { return static_cast<int32_t>(formats_.size()); }
  int32_t Occupied() const { return occupied_; }
  const CCharFormat* At(int32_t index) const {
    return index >= 0 && index < occupied_ ? formats_[static_cast<size_t>(index)].get() : nullptr;
  }
  int32_t References(int32_t index) const {
    return index >= 0 && index < occupied_ ? references_[static_cast<size_t>(index)] : 0;
  }

  // The number of occupied slots, then each slot's index and tagged format.
  void Write(CBuffer& buffer) const;
  uint32_t StoreSize() const;

 private:
  std::vector<std::unique_ptr<CCharFormat>> formats_;
  // 32-bit in memory: one text can hold more references than 16 bits count.
  std::vector<int32_t> references_;
  int32_t occupied_ = 0;
};

}  // namespace zh

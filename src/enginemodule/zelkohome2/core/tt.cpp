#include "enginemodule/zelkohome2/core/tt.h"

#include <cstring>

namespace zh::zelko2 {

TtEntry* TranspositionTable::Bucket(uint64_t key) const {
  const uint32_t low = static_cast<uint32_t>(key) & 0xFFFF;
  const uint32_t entry = ((low << 2) | (low >> 14)) & 0x7FFF;
  uint8_t* segment = memory_.segment(SegmentSlot(key));
  return reinterpret_cast<TtEntry*>(segment + (entry * 8 & ~31u));
}

TranspositionTable::Probe TranspositionTable::Find(uint64_t key, int side, int depth) const {
  TtEntry* bucket = Bucket(key);
  const uint32_t check = CheckBits(key, side);
  TtEntry* smallest = nullptr;
  int smallest_depth = 0x100;
  for (int i = 0; i < 4; ++i) {
    TtEntry& e = bucket[i];
    if (e.word == TtMemory::kEmpty) {
      if (smallest_depth > -1) smallest = &e, smallest_depth = -1;
      continue;
    }
    if ((e.word & ~0xFFu) == check) return {&e, true};
    if (e.depth() < smallest_depth) smallest = &e, smallest_depth = e.depth();
  }
  if (smallest_depth < depth) return {smallest, false};
  return {};
}

int TranspositionTable::UsagePercent() const {
  const size_t bytes = memory_.bytes();
  if (bytes == 0) return 0;
  size_t used = 0;
  const uint8_t* base = memory_.segment(0);
  for (size_t offset = 0; offset + 4 <= bytes; offset += 82 * 4) {
    uint32_t word;
    std::memcpy(&word, base + offset, 4);
    if (word != TtMemory::kEmpty) used += 41;
  }
  return static_cast<int>((bytes / 16 + 100 * used + 4000) / (bytes / 8));
}

}  // namespace zh::zelko2

// The transposition table over the segmented memory: 8-byte entries in buckets of
// four. Word 0 holds the stored depth in its low byte (0x80 empty, 0x7F open on the
// search path or part of the game history) and the check bits above it: bit 9 the
// side to move and bits 10..31 of the key's high half. Bytes 4..5 hold the score
// with its bound in the low three bits, bytes 6 and 7 the best move's squares.
#pragma once

#include <cstdint>

#include "enginemodule/zelkohome2/core/tt_memory.h"
#include "enginemodule/zelkohome2/core/types.h"

namespace zh::zelko2 {

enum : uint8_t {
  kDepthOpen = 0x7F,
  kDepthEmpty = 0x80,
};

enum : int {
  kBoundUpper = 0,
  kBoundExact = 2,
  kBoundLower = 4,
};

struct TtEntry {
  uint32_t word = TtMemory::kEmpty;
  int16_t score = 0;
  uint8_t from = 0;  // 0x88 squares of the best move; equal when there is none
  uint8_t to = 0;
  uint8_t depth() const { return static_cast<uint8_t>(word); }
};
static_assert(sizeof(TtEntry) == 8);

class TranspositionTable {
 public:
  explicit TranspositionTable(TtMemory& memory) : memory_(memory) {}

  // The entry of a key: a matching one (hit), else the entry to claim (the smallest
  // stored depth, the earlier on ties), or null when every entry is deeper than depth.
  struct Probe {
    TtEntry* entry = nullptr;
    bool hit = false;
  };
  Probe Find(uint64_t key, int side, int depth) const;

  static uint32_t CheckBits(uint64_t key, int side) {
    return (static_cast<uint32_t>(key >> 32) & ~0x3FFu) | static_cast<uint32_t>(side) << 9;
  }
  // Bucket address of a key: segment by bits 22..31, entry by the low 16 bits
  // rotated left by two.
  TtEntry* Bucket(uint64_t key) const;
  // Segment slot and byte offset inside the segment (for tests).
  static int SegmentSlot(uint64_t key) { return static_cast<int>(static_cast<uint32_t>(key) >> 22); }

  bool Clear(const std::function<bool()>& stop = {}) { return memory_.Clear(stop); }
  // Usage in percent from one sample in 41 entries.
  int UsagePercent() const;

 private:
  TtMemory& memory_;
};

}  // namespace zh::zelko2

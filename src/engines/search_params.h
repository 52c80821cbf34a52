// The playing level of an engine object, copied as one block, and the six engine
// slots it chooses from: 0 default, 1 the playing engine, 2 and 3 engines picked by
// the position, 4 the endgame-table engine, 5 the mate engine.
#pragma once

#include <array>
#include <cstdint>

namespace zh {

class EngineInstance;

inline constexpr int kEngineSlots = 6;
inline constexpr int32_t kNoSlot = 7;
inline constexpr int32_t kEndgameSlot = 4;
inline constexpr int32_t kMateSlot = 5;

// Slot 0 to 5; null when empty.
using EngineSlots = std::array<EngineInstance*, kEngineSlots>;

// Level types.
enum SearchType : int32_t {
  kLevelClock = 1,
  kLevelStrength = 2,
  kLevelAverageTime = 4,
  kLevelFixedTime = 5,
  kLevelInfinite = 7,
  kLevelFixedDepth = 8,
  kLevelMate = 9,
  kLevelMate2 = 10,
  kLevelMate3 = 11,
  kLevelHandicap = 15,
  kLevelQuiz = 16,
};

struct SearchParams {
  int16_t SearchDepth = 3;
  int16_t MateDepth = 99;
  int32_t SearchType = kLevelAverageTime;
  int32_t EngineType = kNoSlot;    // the user's slot, 0 = automatic choice
  int32_t PositionSlot = kNoSlot;  // the slot chosen for the position
  uint8_t BookOn = 1;
  uint8_t PermBrain = 1;
  uint8_t Validation = 1;

  // The chosen slot when asked for and set, else the user's slot.
  int32_t GetEngineSlot(bool usePositionSlot) const {
    return usePositionSlot && PositionSlot != kNoSlot ? PositionSlot : EngineType;
  }
  // The slot to use while the small-search check runs: in place of an endgame-table
  // engine, slot 3, else the first of slots 1 and 2 that holds an engine; else none.
  int32_t GetFallbackSlot(const EngineSlots& slots) const;

  bool operator==(const SearchParams&) const = default;
};

// Whether the slot index is 0 to 5 and holds an engine.
bool SlotHolds(const EngineSlots& slots, int32_t slot);
// The first of slots 0 to 3 that holds an engine, kNoSlot when none.
int32_t FirstLoadedSlot(const EngineSlots& slots);

}  // namespace zh

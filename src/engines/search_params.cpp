#include "engines/search_params.h"

#include "engines/engine_instance.h"

namespace zh {

bool SlotHolds(const EngineSlots& slots, int32_t slot) {
  return slot >= 0 && slot < kEngineSlots && slots[static_cast<size_t>(slot)] != nullptr;
}

int32_t FirstLoadedSlot(const EngineSlots& slots) {
  for (int32_t s = 0; s <= 3; ++s)
    if (SlotHolds(slots, s)) return s;
  return kNoSlot;
}

int32_t SearchParams::GetFallbackSlot(const EngineSlots& slots) const {
  if (GetEngineSlot(true) != kEndgameSlot || !SlotHolds(slots, kEndgameSlot) ||
      !slots[kEndgameSlot]->IsEndgameEngine())
    return kNoSlot;
  for (int32_t s : {3, 1, 2})
    if (SlotHolds(slots, s)) return s;
  return kNoSlot;
}

}  // namespace zh

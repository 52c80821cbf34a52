// The slot records handed to the engine host, one per engine instance. The 32
// records live for the whole process: the host reads a record for as long as its
// engine runs, which may outlast the instance and even the close wait. The use count
// (+32) is the only word both sides change, always atomically.
#pragma once

#include <cstdint>

#include "enginemodule/interface/records.h"

namespace zh {

class SlotRecords {
 public:
  static constexpr int kCount = 32;

  // Takes the first record ever taken whose use count is 0, else the next untaken
  // one, and sets its use count to 1; null when all 32 are in use.
  static eng::EngineSlotRecord* Take();
  static void AddUse(eng::EngineSlotRecord* record);
  static void DropUse(eng::EngineSlotRecord* record);
  static int32_t UseCount(const eng::EngineSlotRecord* record);
  // How many records were ever taken (0..32).
  static int TakenCount();
  static const eng::EngineSlotRecord* At(int index);
};

}  // namespace zh

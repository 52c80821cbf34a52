#include "engines/slot_records.h"

#include <atomic>
#include <mutex>

namespace zh {
namespace {

struct Table {
  std::mutex mutex;  // taking a record; the counts themselves are atomic
  eng::EngineSlotRecord records[SlotRecords::kCount]{};
  int taken = 0;
};

// Never freed: host threads may read a record after the program has stopped waiting.
Table& Records() {
  static Table* table = new Table;
  return *table;
}

std::atomic_ref<int32_t> Count(eng::EngineSlotRecord* record) { return std::atomic_ref<int32_t>(record->use_count); }

}  // namespace

eng::EngineSlotRecord* SlotRecords::Take() {
  Table& table = Records();
  std::lock_guard lock(table.mutex);
  for (int i = 0; i < table.taken; ++i) {
    int32_t free = 0;
    if (Count(&table.records[i]).compare_exchange_strong(free, 1)) return &table.records[i];
  }
  if (table.taken == kCount) return nullptr;
  eng::EngineSlotRecord* record = &table.records[table.taken++];
  Count(record).store(1);
  return record;
}

void SlotRecords::AddUse(eng::EngineSlotRecord* record) { Count(record).fetch_add(1); }

void SlotRecords::DropUse(eng::EngineSlotRecord* record) { Count(record).fetch_sub(1); }

int32_t SlotRecords::UseCount(const eng::EngineSlotRecord* record) {
  return Count(const_cast<eng::EngineSlotRecord*>(record)).load();
}

int SlotRecords::TakenCount() {
  Table& table = Records();
  std::lock_guard lock(table.mutex);
  return table.taken;
}

const eng::EngineSlotRecord* SlotRecords::At(int index) {
  return index >= 0 && index < kCount ? &Records().records[index] : nullptr;
}

}  // namespace zh

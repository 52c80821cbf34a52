#include "engines/engine_wait.h"

#include <algorithm>

#include "core/services.h"
#include "engines/engine_table.h"

namespace zh {

uint64_t DeadlineIn(uint32_t ms) { return Clock().TicksMs() + ms; }

WaitEnd PauseWithEvents(uint32_t ms, const std::function<bool()>& condition) {
  const uint64_t deadline = DeadlineIn(ms);
  const uint32_t slices = std::max<uint32_t>(ms / kWaitSliceMs, 1);
  for (uint32_t i = 0; i < slices; ++i) {
    if (condition && condition()) return WaitEnd::kMet;
    if (ApplicationFlags().quitRequested) return WaitEnd::kQuit;
    if (Clock().TicksMs() >= deadline) break;
    App().WaitForEvents(kWaitSliceMs);
  }
  return WaitEnd::kDeadline;
}

void RunPendingEvents() { WaitUntil([] { return true; }, 0); }

WaitEnd WaitUntil(const std::function<bool()>& condition, uint64_t deadline, int32_t watchedEngine) {
  App().WaitForEvents(0);
  for (;;) {
    if (condition && condition()) return WaitEnd::kMet;
    EngineTable* table = EngineTable::Current();
    if (watchedEngine != 0 && table != nullptr && table->HasHostGone(watchedEngine)) return WaitEnd::kHostGone;
    if (ApplicationFlags().quitRequested) return WaitEnd::kQuit;
    const uint64_t now = Clock().TicksMs();
    if (now >= deadline) {
      if (watchedEngine != 0 && table != nullptr) {
        if (EngineInstance* instance = table->FindById(watchedEngine)) instance->ReportNoAnswer();
      }
      return WaitEnd::kDeadline;
    }
    App().WaitForEvents(static_cast<int32_t>(std::min<uint64_t>(deadline - now, kWaitSliceMs)));
  }
}

}  // namespace zh

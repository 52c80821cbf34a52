#include "core/toolbox/id_counter.h"

#include "core/services.h"

namespace zh {

int32_t IdCounter::Draw() {
  const auto step = static_cast<int32_t>(Clock().TicksMs() & 15) + 1;
  return last_.fetch_add(step) + step;
}

IdCounter& EngineIds() {
  static IdCounter counter;
  return counter;
}

}  // namespace zh

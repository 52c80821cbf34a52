// Process-wide id counters, one per kind of object that the hosts address by id
// (engine instances, devices). An id is never handed out twice in a process.
#pragma once

#include <atomic>
#include <cstdint>

namespace zh {

class IdCounter {
 public:
  // The next id: the last one plus 1 to 16 (the low four bits of the clock's
  // millisecond ticks, plus one). Lock-free; any thread may draw.
  int32_t Draw();
  int32_t Last() const { return last_.load(); }

 private:
  std::atomic<int32_t> last_{0};
};

// The counter of engine instance ids.
IdCounter& EngineIds();

}  // namespace zh

// Timers on a hand-advanced clock: Advance(ms) moves the ticks forward and fires
// every timer that falls due on the way, in deadline order (equal deadlines in
// the order they were started), including timers that handlers start meanwhile.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/services.h"

namespace zh::test {

class FakeTimers final : public TimerService {
 public:
  // Installs itself as the timer service until destroyed; `ticks` is the clock
  // (usually RecordingServices::ticks) that Advance moves.
  explicit FakeTimers(uint64_t& ticks);
  ~FakeTimers() override;
  FakeTimers(const FakeTimers&) = delete;
  FakeTimers& operator=(const FakeTimers&) = delete;

  std::unique_ptr<Timer> MakeTimer(std::function<void()> handler) override;

  void Advance(uint64_t ms);
  // Timers that exist and run.
  int ActiveCount() const;

  class FakeTimer;

 private:
  friend class FakeTimer;
  uint64_t& ticks_;
  uint64_t sequence_ = 0;
  std::vector<FakeTimer*> timers_;
  ScopedServices guard_;
};

}  // namespace zh::test

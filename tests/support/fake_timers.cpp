#include "support/fake_timers.h"

#include <algorithm>

namespace zh::test {

class FakeTimers::FakeTimer final : public Timer {
 public:
  FakeTimer(FakeTimers& owner, std::function<void()> handler)
      : owner_(owner), handler_(std::move(handler)) {
    owner_.timers_.push_back(this);
  }
  ~FakeTimer() override { std::erase(owner_.timers_, this); }

  void Start(int32_t ms) override { Arm(ms, 0); }
  void StartPeriodic(int32_t ms) override { Arm(ms, std::max<int32_t>(ms, 1)); }
  void Stop() override { active_ = false; }
  bool IsActive() const override { return active_; }

  void Arm(int32_t ms, uint64_t period) {
    active_ = true;
    period_ = period;
    deadline_ = owner_.ticks_ + static_cast<uint64_t>(std::max<int32_t>(ms, 0));
    order_ = owner_.sequence_++;
  }

  FakeTimers& owner_;
  std::function<void()> handler_;
  bool active_ = false;
  uint64_t deadline_ = 0;
  uint64_t period_ = 0;
  uint64_t order_ = 0;
};

FakeTimers::FakeTimers(uint64_t& ticks) : ticks_(ticks), guard_([this] {
  Services s;
  s.timers = this;
  return s;
}()) {}

FakeTimers::~FakeTimers() = default;

std::unique_ptr<Timer> FakeTimers::MakeTimer(std::function<void()> handler) {
  return std::make_unique<FakeTimer>(*this, std::move(handler));
}

void FakeTimers::Advance(uint64_t ms) {
  const uint64_t target = ticks_ + ms;
  for (;;) {
    FakeTimer* next = nullptr;
    for (FakeTimer* t : timers_) {
      if (!t->active_ || t->deadline_ > target) continue;
      if (!next || t->deadline_ < next->deadline_ ||
          (t->deadline_ == next->deadline_ && t->order_ < next->order_))
        next = t;
    }
    if (!next) break;
    ticks_ = next->deadline_;
    if (next->period_ > 0) {
      next->deadline_ += next->period_;
      next->order_ = sequence_++;
    } else {
      next->active_ = false;
    }
    // The handler may delete its timer: call a copy.
    std::function<void()> handler = next->handler_;
    if (handler) handler();
  }
  ticks_ = target;
}

int FakeTimers::ActiveCount() const {
  return static_cast<int>(std::count_if(timers_.begin(), timers_.end(),
                                        [](const FakeTimer* t) { return t->active_; }));
}

}  // namespace zh::test

// A GUI-thread poster for tests: posted calls wait in a queue until the test drains
// it on its own thread. Installs itself while it lives.
#pragma once

#include <deque>
#include <functional>
#include <mutex>

#include "core/services.h"

namespace zh::test {

class QueuedPoster final : public PosterService {
 public:
  QueuedPoster() : scope_(Services{.poster = this}) {}

  void Post(std::function<void()> call) override {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(call));
  }
  // Runs the queued calls in order on the calling thread; answers how many ran.
  int Drain() {
    int ran = 0;
    for (;;) {
      std::function<void()> call;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (queue_.empty()) return ran;
        call = std::move(queue_.front());
        queue_.pop_front();
      }
      if (call) call();
      ++ran;
    }
  }
  size_t Pending() {
    std::lock_guard<std::mutex> lock(mutex_);
    return queue_.size();
  }

 private:
  std::mutex mutex_;
  std::deque<std::function<void()>> queue_;
  ScopedServices scope_;
};

}  // namespace zh::test

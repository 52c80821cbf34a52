// The one deferred call of the GUI thread and the wait that keeps the GUI alive.
#pragma once

#include <cstdint>
#include <memory>

#include "core/services.h"

class QTimer;

namespace zh {

// Calls a link with a data word about 10 ms later on the GUI thread. Arming again
// before expiry replaces link and data and restarts the period: only the last call
// happens, once.
class DelayedCall {
 public:
  static constexpr int kDelayMs = 10;

  DelayedCall();
  ~DelayedCall();
  DelayedCall(const DelayedCall&) = delete;
  DelayedCall& operator=(const DelayedCall&) = delete;

  void Arm(CallbackLink link, std::intptr_t data);
  bool IsPending() const { return timer_ != nullptr; }

 private:
  void OnTimeout();

  std::unique_ptr<QTimer> timer_;
  std::intptr_t data_ = 0;
  CallbackLink link_;
};

// The application's delayed call: the installed one, else one made on first use.
DelayedCall& TheDelayedCall();
// Installs the application's delayed call (null: back to the one made on first use).
void InstallDelayedCall(DelayedCall* call);
inline void CallLater(CallbackLink link, std::intptr_t data) { TheDelayedCall().Arm(link, data); }

// Dispatches GUI events until `ms` milliseconds have passed (at least one pass;
// negative counts as 0) or CancelWait is called. Each wait keeps its own deadline,
// so an outer wait outlives an inner one.
void WaitMs(int32_t ms);
// Ends every running WaitMs after the event being handled; when none runs, the next
// WaitMs returns at once without dispatching.
void CancelWait();

}  // namespace zh

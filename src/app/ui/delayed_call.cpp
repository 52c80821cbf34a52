#include "app/ui/delayed_call.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

namespace zh {

DelayedCall::DelayedCall() = default;
DelayedCall::~DelayedCall() = default;

void DelayedCall::Arm(CallbackLink link, std::intptr_t data) {
  data_ = data;
  link_ = link;
  timer_ = std::make_unique<QTimer>();
  timer_->setSingleShot(true);
  QObject::connect(timer_.get(), &QTimer::timeout, [this] { OnTimeout(); });
  timer_->start(kDelayMs);
}

void DelayedCall::OnTimeout() {
  // The expired timer leaves the record first, so a call armed by the callback
  // stays pending. The timer is still inside its signal: delete it later.
  QTimer* expired = timer_.release();
  expired->deleteLater();
  CallbackLink link = link_;
  std::intptr_t data = data_;
  link.Call(data);
}

namespace {
DelayedCall* gInstalledCall = nullptr;
}

DelayedCall& TheDelayedCall() {
  if (gInstalledCall) return *gInstalledCall;
  static DelayedCall call;
  return call;
}

void InstallDelayedCall(DelayedCall* call) { gInstalledCall = call; }

namespace {
int gRunningWaits = 0;
uint64_t gCancelCount = 0;
bool gCancelPending = false;
}  // namespace

void WaitMs(int32_t ms) {
  if (gRunningWaits == 0 && gCancelPending) {
    gCancelPending = false;
    return;
  }
  ms = std::max(ms, int32_t{0});
  QDeadlineTimer deadline(ms);
  QTimer wake;  // wakes the event loop at the deadline
  wake.setSingleShot(true);
  wake.setTimerType(Qt::PreciseTimer);
  wake.start(ms);
  const uint64_t cancels = gCancelCount;
  ++gRunningWaits;
  do {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    // A timer that fired a little early must not leave the loop asleep.
    if (!wake.isActive() && !deadline.hasExpired())
      wake.start(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
  } while (cancels == gCancelCount && !deadline.hasExpired());
  --gRunningWaits;
}

void CancelWait() {
  if (gRunningWaits > 0)
    ++gCancelCount;
  else
    gCancelPending = true;
}

}  // namespace zh

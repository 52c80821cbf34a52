#include "app/ui/delayed_call.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>
#include <vector>

#include "qt_app.h"

namespace zh {
namespace {

struct Sink {
  std::vector<std::intptr_t> seen;
  int32_t Take(std::intptr_t data) {
    seen.push_back(data);
    return 1;
  }
};

CallbackLink LinkTo(Sink& s) { return CallbackLink::Bind<Sink, &Sink::Take>(&s); }

void RunUntilIdle() {
  for (int i = 0; i < 10 && TheDelayedCall().IsPending(); ++i) WaitMs(20);
}

TEST(DelayedCall, OnlyTheLastOfTwoCallsRunsOnce) {
  Sink sink;
  // Both calls are made inside one handler, as the program does.
  QTimer::singleShot(0, [&] {
    CallLater(LinkTo(sink), 1);
    CallLater(LinkTo(sink), 2);
  });
  WaitMs(5);
  RunUntilIdle();
  WaitMs(30);
  EXPECT_EQ(sink.seen, std::vector<std::intptr_t>{2});
}

struct Rearming {
  int calls = 0;
  int32_t Run(std::intptr_t data) {
    ++calls;
    if (data > 0) CallLater(CallbackLink::Bind<Rearming, &Rearming::Run>(this), data - 1);
    return 0;
  }
};

TEST(DelayedCall, CallArmedInsideTheCallbackRunsToo) {
  Rearming r;
  CallLater(CallbackLink::Bind<Rearming, &Rearming::Run>(&r), 2);
  RunUntilIdle();
  EXPECT_EQ(r.calls, 3);
  EXPECT_FALSE(TheDelayedCall().IsPending());
}

TEST(WaitMs, CancelBeforeWaitReturnsWithoutDispatching) {
  bool dispatched = false;
  QTimer::singleShot(0, [&] { dispatched = true; });
  CancelWait();
  WaitMs(1000);
  EXPECT_FALSE(dispatched);
  WaitMs(0);  // the flag was used up: this wait dispatches
  EXPECT_TRUE(dispatched);
}

TEST(WaitMs, CancelInsideAWaitEndsIt) {
  QElapsedTimer clock;
  clock.start();
  QTimer::singleShot(10, [] { CancelWait(); });
  WaitMs(30000);
  EXPECT_LT(clock.elapsed(), 10000);
  // Nothing is left pending: the next wait runs to its deadline with events.
  bool dispatched = false;
  QTimer::singleShot(0, [&] { dispatched = true; });
  WaitMs(5);
  EXPECT_TRUE(dispatched);
}

TEST(WaitMs, OuterWaitKeepsItsOwnDeadline) {
  QElapsedTimer clock;
  clock.start();
  qint64 innerEnded = -1;
  QTimer::singleShot(5, [&] {
    WaitMs(10);
    innerEnded = clock.elapsed();
  });
  WaitMs(120);
  ASSERT_GE(innerEnded, 10);
  EXPECT_GE(clock.elapsed(), 120);
  EXPECT_LT(innerEnded, 120);
}

TEST(WaitMs, NegativeCountIsZeroAndStillDispatches) {
  bool dispatched = false;
  QTimer::singleShot(0, [&] { dispatched = true; });
  WaitMs(-5);
  EXPECT_TRUE(dispatched);
}

}  // namespace
}  // namespace zh

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "app/ui/qt_services.h"
#include "app_ui/qt_app.h"
#include "support/fake_timers.h"
#include "support/recording_services.h"

namespace zh {
namespace {

struct TimerCase {
  const char* name;
  // Drives the timer; `fired` collects the ticks of each firing.
  void (*run)(test::FakeTimers& timers, std::unique_ptr<Timer>& timer, uint64_t& ticks);
  std::vector<uint64_t> expected;
  bool activeAfter;
};

TEST(Timers, FakeTimersFireInDeadlineOrderAsHandlersAsk) {
  const TimerCase cases[] = {
      {"single shot fires once",
       [](test::FakeTimers& t, std::unique_ptr<Timer>& timer, uint64_t&) {
         timer->Start(100);
         t.Advance(1000);
       },
       {100}, false},
      {"periodic fires every period",
       [](test::FakeTimers& t, std::unique_ptr<Timer>& timer, uint64_t&) {
         timer->StartPeriodic(300);
         t.Advance(1000);
       },
       {300, 600, 900}, true},
      {"a second start restarts",
       [](test::FakeTimers& t, std::unique_ptr<Timer>& timer, uint64_t&) {
         timer->Start(100);
         t.Advance(50);
         timer->Start(100);
         t.Advance(1000);
       },
       {150}, false},
      {"stop before the deadline",
       [](test::FakeTimers& t, std::unique_ptr<Timer>& timer, uint64_t&) {
         timer->StartPeriodic(100);
         t.Advance(150);
         timer->Stop();
         t.Advance(1000);
       },
       {100}, false},
  };
  for (const TimerCase& c : cases) {
    SCOPED_TRACE(c.name);
    test::RecordingServices rec;
    test::FakeTimers timers(rec.ticks);
    std::vector<uint64_t> fired;
    std::unique_ptr<Timer> timer = Timers().MakeTimer([&] { fired.push_back(rec.ticks); });
    c.run(timers, timer, rec.ticks);
    EXPECT_EQ(fired, c.expected);
    EXPECT_EQ(timer->IsActive(), c.activeAfter);
  }
}

TEST(Timers, HandlersRestartStopAndDeleteTheirOwnTimers) {
  test::RecordingServices rec;
  test::FakeTimers timers(rec.ticks);
  std::vector<std::string> events;
  std::unique_ptr<Timer> restarting, stopping, deleting;
  int restarts = 0;
  restarting = Timers().MakeTimer([&] {
    events.push_back("restart@" + std::to_string(rec.ticks));
    if (++restarts < 3) restarting->Start(40);
  });
  stopping = Timers().MakeTimer([&] {
    events.push_back("stop@" + std::to_string(rec.ticks));
    stopping->Stop();
  });
  deleting = Timers().MakeTimer([&] {
    events.push_back("delete@" + std::to_string(rec.ticks));
    deleting.reset();
  });
  restarting->Start(50);
  stopping->StartPeriodic(70);
  deleting->StartPeriodic(60);
  timers.Advance(500);
  EXPECT_EQ(events, (std::vector<std::string>{"restart@50", "delete@60", "stop@70", "restart@90",
                                              "restart@130"}));
  EXPECT_EQ(deleting, nullptr);
  EXPECT_EQ(timers.ActiveCount(), 0);
  EXPECT_EQ(rec.ticks, 500u);
}

TEST(Timers, TheNullServiceNeverFires) {
  int fired = 0;
  auto timer = Timers().MakeTimer([&] { ++fired; });
  timer->StartPeriodic(1);
  EXPECT_FALSE(timer->IsActive());
  EXPECT_EQ(fired, 0);
}

TEST(Timers, TheQtTimerFiresOncePerStartAndMayDeleteItself) {
  QtServices qt;
  int fired = 0;
  std::unique_ptr<Timer> timer;
  timer = Timers().MakeTimer([&] {
    if (++fired == 2) timer.reset();
  });
  QEventLoop loop;
  auto runFor = [&](int ms) {
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
  };
  timer->Start(1);
  runFor(60);
  EXPECT_EQ(fired, 1);
  EXPECT_FALSE(timer->IsActive());
  timer->StartPeriodic(1);
  runFor(60);
  EXPECT_EQ(fired, 2);
  EXPECT_EQ(timer, nullptr);
}

}  // namespace
}  // namespace zh

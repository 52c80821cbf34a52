// The engine manager's chess clocks on fake timers, the evaluation watch and the
// evaluation history.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engines/engine_manager.h"
#include "engines/engine_views.h"
#include "engines/eval_watch.h"
#include "support/fake_timers.h"
#include "support/recording_services.h"

namespace zh::test {
namespace {

class RecordingViews final : public ClockView, public SearchView, public EvalProfileView {
 public:
  void ShowCountdown(int clock, int32_t t) override { calls.push_back("down " + std::to_string(clock) + " " + std::to_string(t)); }
  void ShowCountUp(int clock, int32_t t) override { calls.push_back("up " + std::to_string(clock) + " " + std::to_string(t)); }
  void MarkSide(int side) override { calls.push_back("mark " + std::to_string(side)); }
  void SetLamp(int value) override { lamps.push_back(value); }
  bool StoreScore(int ply, const EvalValue& score, int16_t depth) override {
    stored.push_back(ply * 100000 + score.value * 10 + depth);
    return true;
  }
  std::vector<std::string> calls;
  std::vector<int> lamps;
  std::vector<int> stored;
};

class ClockTest : public ::testing::Test {
 protected:
  ClockTest() {
    services.ticks = 100000;
    engine = manager.Pool().GetSession(manager.Pool().CreateSession());
    manager.SetEngine(engine);
    manager.TimeOverLink = CallbackLink::Bind<ClockTest, &ClockTest::TimeOver>(this);
  }
  int32_t TimeOver(std::intptr_t) { return ++timeOvers, pauseOnTimeOver ? 1 : 0; }
  // A clock level of five seconds for the game.
  void BlitzOfFiveSeconds() {
    const TimePeriod t[2] = {{500, 0, 1000, 0}, {0, 0, 1000, 5}};
    engine->SetTimeControl(t, kBlitzControl);
  }
  int Count(const std::string& prefix) const {
    int n = 0;
    for (const std::string& c : views.calls) n += c.starts_with(prefix);
    return n;
  }

  RecordingServices services;
  FakeTimers timers{services.ticks};
  RecordingViews views;
  ScopedEngineViews installed{EngineViews{.clock = &views, .search = &views, .profile = &views}};
  EngineManager manager{0, nullptr, 1 << 20};
  ChessEngine* engine = nullptr;
  int timeOvers = 0;
  bool pauseOnTimeOver = false;
};

TEST_F(ClockTest, PauseResumeOverrunTakeBackAndCountUp) {
  // A pause of 10 s does not count.
  manager.SwitchClock(1);
  timers.Advance(3000);
  EXPECT_EQ(manager.Elapsed(), 300);
  manager.PauseClock();
  timers.Advance(10000);
  services.ticks += 10000;
  manager.ResumeClock();
  EXPECT_EQ(manager.Elapsed(), 300);
  timers.Advance(1000);
  EXPECT_EQ(manager.Elapsed(), 400);

  // A user pause holds against a plain resume.
  manager.PauseByUser();
  manager.ResumeClock();
  EXPECT_TRUE(manager.IsPaused());
  manager.ResumeByUser();
  EXPECT_FALSE(manager.IsPaused());

  // Over the budget: -1 and the time-over call on every tick until the clock pauses.
  BlitzOfFiveSeconds();
  EXPECT_FALSE(manager.IsCountUp());
  manager.SwitchClock(0);
  views.calls.clear();
  timers.Advance(8000);
  EXPECT_EQ(timeOvers, 3);  // at 6, 7 and 8 s
  EXPECT_EQ(Count("down 0 -1"), 3);
  pauseOnTimeOver = true;
  timers.Advance(3000);
  EXPECT_EQ(timeOvers, 4);
  EXPECT_TRUE(manager.IsPaused());

  // Take-back: the taken-back move's time runs on, and leaves the first total.
  manager.SwitchClock(4);
  const int32_t totalA = manager.TotalA();
  engine->Clock.RecordMoveTime(700, 3);
  manager.TakeBackClock();
  EXPECT_EQ(manager.Ply(), 3);
  EXPECT_EQ(manager.Elapsed(), 700);
  EXPECT_EQ(manager.TotalA(), totalA - 700);

  // Count-up levels add the totals; a take-back gives the time back to the total.
  engine->Params.SearchType = kLevelAverageTime;
  manager.TimeControlChanged();
  EXPECT_TRUE(manager.IsCountUp());
  manager.ResetClocks(0);
  EXPECT_EQ(manager.TotalA(), 10);
  manager.SwitchClock(1);
  views.calls.clear();
  timers.Advance(2000);
  EXPECT_EQ(views.calls.back(), "up 1 210");
  engine->Clock.RecordMoveTime(500, 0);
  manager.TakeBackClock();
  EXPECT_EQ(manager.TotalA(), 510);
}

TEST_F(ClockTest, DrawingOrderAndAnalysisDisplay) {
  BlitzOfFiveSeconds();
  // A new game draws the second clock, then the first, marks neither and pauses.
  views.calls.clear();
  manager.ResetClocks(0);
  ASSERT_GE(views.calls.size(), 3u);
  EXPECT_TRUE(views.calls[0].starts_with("down 1 "));
  EXPECT_TRUE(views.calls[1].starts_with("down 0 "));
  EXPECT_EQ(views.calls[2], "mark 3");
  EXPECT_TRUE(manager.IsPaused());

  // A changed time control draws the other side's clock first.
  manager.SwitchClock(2);
  views.calls.clear();
  manager.TimeControlChanged();
  std::vector<std::string> draws;
  for (const std::string& c : views.calls)
    if (c.starts_with("down")) draws.push_back(c.substr(0, 6));
  EXPECT_EQ(draws, (std::vector<std::string>{"down 1", "down 0"}));

  // Analysis counts up with 1 in the hundredths.
  services.play.analysisMode = 1;
  views.calls.clear();
  timers.Advance(2500);
  EXPECT_EQ(views.calls[views.calls.size() - 2], "up 0 201");
  EXPECT_EQ(views.calls.back(), "up 1 0");
}

TEST_F(ClockTest, LineCountStaysWithinLimits) {
  engine->NumberOfMainlines = 1;
  EXPECT_FALSE(manager.AdjustLineCount(-1));
  EXPECT_TRUE(manager.AdjustLineCount(125));
  EXPECT_EQ(engine->NumberOfMainlines, 126);
  EXPECT_EQ(services.play.nLines, 126);
  EXPECT_FALSE(manager.AdjustLineCount(1));
  EXPECT_EQ(engine->NumberOfMainlines, 126);
}

// ---- evaluation watch and history ----

TEST_F(ClockTest, EvaluationWatchLamps) {
  EvalWatch watch;
  struct Case {
    int16_t before, after;
    bool query;
    int lamp;
    bool blunder;
  };
  const std::vector<Case> cases = {
      {100, 200, false, SearchView::kLampBlunder, true},    // 100 is above 80 and above 0.4 x 200
      {200, 300, false, SearchView::kLampDoubtful, false},  // 100 is not above 0.4 x 300
      {200, 230, false, SearchView::kLampQuiet, false},
      {100, 200, true, SearchView::kLampOff, false},  // a running query turns the lamp off
  };
  for (const Case& c : cases) {
    watch.Reset();
    watch.OnNewPly(1);
    watch.Check(EvalValue{kEvalCentipawns, c.before, 0}, false, 5);
    watch.OnNewPly(2);
    watch.SetQueryRunning(c.query);
    EXPECT_EQ(watch.Check(EvalValue{kEvalCentipawns, c.after, 0}, false, 5), c.blunder) << c.after;
    EXPECT_EQ(views.lamps.back(), c.lamp) << c.before << " " << c.after;
  }
  // The profile gets every checked score with its ply and depth.
  EXPECT_EQ(views.stored.back(), 2 * 100000 + 200 * 10 + 5);
}

TEST(EvalHistoryTest, EntriesRangeAndAverage) {
  RecordingServices services;
  EvalHistory history;
  const EvalValue s30{kEvalCentipawns, 30, 0}, s20{kEvalCentipawns, 20, 0}, s10{kEvalCentipawns, 10, 0};
  EXPECT_TRUE(history.SetItem(0, s30, 2));
  EXPECT_TRUE(history.SetItem(1, s20, 4));
  EXPECT_TRUE(history.SetItem(2, s10, 4));
  EXPECT_FALSE(history.SetItem(1, s10, 3));  // shallower: refused
  EXPECT_EQ(history.GetItem(1).value, 20);
  EXPECT_TRUE(history.SetItem(1, s30, 6));  // deeper: replaces
  EXPECT_EQ(history.GetItem(1).value, 30);
  EXPECT_TRUE(history.SetItem(1, s20, 6));
  EXPECT_FALSE(history.SetItem(600, s10, 9));
  EXPECT_FALSE(history.SetItem(-1, s10, 9));
  EXPECT_EQ(history.GetItem(600).value, 30);  // entry 0
  EXPECT_EQ(history.GetItem(-5).value, 30);

  int16_t max = 0, min = 0;
  EXPECT_TRUE(history.GetRange(0, 2, max, min));
  EXPECT_EQ(max, 30);
  EXPECT_EQ(min, 10);
  EXPECT_TRUE(history.GetRange(2, 2, max, min));
  EXPECT_EQ(max, 10);
  EXPECT_EQ(min, 10);
  EXPECT_FALSE(history.GetRange(3, 9, max, min));
  EXPECT_FALSE(history.GetRange(2, 1, max, min));
  EXPECT_EQ(history.GetAverage(2, 5), 15);  // plies 2 and 1; ply 0 is not counted
  history.Clear();
  EXPECT_EQ(history.GetItem(1).kind, kEvalNone);
  EXPECT_EQ(history.GetAverage(2, 5), 0);
}

}  // namespace
}  // namespace zh::test

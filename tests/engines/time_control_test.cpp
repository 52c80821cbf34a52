#include "engines/time_control.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace zh {
namespace {

TimeControl WithPeriods(std::vector<TimePeriod> periods) {
  TimeControl control;
  for (size_t i = 0; i < periods.size(); ++i) control.SetPeriod(periods[i], static_cast<int>(i));
  return control;
}

TEST(TimeControl, DefaultsGiveTwelveSixAndThreeMinutes) {
  const TimeControl control;
  for (int p = 0; p < TimeControl::kPlies; ++p) {
    const int32_t expected = p < 80 ? 72030 : p < 120 ? 108030 : 126030;
    ASSERT_EQ(control.BudgetAt(p), expected) << "ply " << p;
    ASSERT_EQ(control.UsedAt(p), 0) << "ply " << p;
  }
  EXPECT_EQ(control.RecordedCount(), 0);
  EXPECT_EQ(control.ExtraTimeSide(), -1);
  EXPECT_EQ(control.GetBudget(0), 72030);
}

TEST(TimeControl, TimePerMoveCountsThePreviousMovesAsUsed) {
  const TimePeriod perMove{500, 0, 1, 2};
  TimeControl control = WithPeriods({perMove, perMove, perMove});
  EXPECT_EQ(control.BudgetAt(0), 530);
  EXPECT_EQ(control.BudgetAt(1), 530);
  EXPECT_EQ(control.BudgetAt(2), 1030);
  EXPECT_EQ(control.BudgetAt(3), 1030);
  for (int p = 0; p < TimeControl::kPlies; ++p) {
    ASSERT_EQ(control.BudgetAt(p), 30 + 500 * (p / 2 + 1)) << "ply " << p;
    if (p >= 2) {
      ASSERT_EQ(control.UsedAt(p), control.BudgetAt(p - 2)) << "ply " << p;
    }
  }
  // Time saved on a move carries over to the next.
  control.RecordMoveTime(100, 0);
  control.RecordMoveTime(100, 1);
  EXPECT_EQ(control.GetBudget(2), 1030 - 100);
}

TEST(TimeControl, BlitzAddsTheIncrementAfterEveryMove) {
  const TimeControl control = WithPeriods({{24000, 200, 1000, 3}});
  EXPECT_EQ(control.BudgetAt(0), 24030);
  EXPECT_EQ(control.BudgetAt(1), 24030);
  EXPECT_EQ(control.BudgetAt(2), 24230);
  for (int p = 0; p < TimeControl::kPlies; ++p)
    ASSERT_EQ(control.BudgetAt(p), 24030 + 200 * (p / 2)) << "ply " << p;
  EXPECT_EQ(control.MovesToGo(300), 1000);
  EXPECT_EQ(control.IncrementAt(300), 200);
}

TEST(TimeControl, MovesToGoAndIncrementWalkThePeriods) {
  const TimeControl defaults;
  const struct {
    int ply;
    int16_t movesToGo;
  } rows[] = {{-5, 40}, {0, 40}, {1, 40}, {78, 1}, {79, 1}, {80, 20}, {118, 1}, {120, 1000}, {5000, 1000}};
  for (const auto& row : rows) EXPECT_EQ(defaults.MovesToGo(row.ply), row.movesToGo) << "ply " << row.ply;

  // 10 moves with 5 s added, then 5 moves repeating with 1 s.
  const TimeControl repeating = WithPeriods({{1000, 500, 10, 3}, {2000, 100, 5, 3}, {0, 0, 0, 0}});
  EXPECT_EQ(repeating.MovesToGo(18), 1);
  EXPECT_EQ(repeating.IncrementAt(18), 500);
  EXPECT_EQ(repeating.MovesToGo(20), 5);
  EXPECT_EQ(repeating.MovesToGo(30), 5);  // period 1 again
  EXPECT_EQ(repeating.IncrementAt(30), 100);
  EXPECT_EQ(repeating.MovesToGo(2000), 0);  // beyond the game's 301 moves
  EXPECT_EQ(repeating.IncrementAt(2000), 0);
}

TEST(TimeControl, BudgetIsLessTheSidesLatestRecordedTotal) {
  TimeControl control;
  for (int p = 0; p <= 78; ++p) control.RecordMoveTime(100 + p, p);
  const int32_t whiteTotal = control.UsedAt(78);
  EXPECT_EQ(whiteTotal, control.GetUsedSoFar(78));
  EXPECT_EQ(control.GetBudget(80), 108030 - whiteTotal);
  // Two moves ahead of the record, the side's latest recorded ply still counts.
  EXPECT_EQ(control.GetBudget(82), 108030 - whiteTotal);
  EXPECT_EQ(control.GetUsedSoFar(84), whiteTotal);
  EXPECT_EQ(control.GetMoveTime(78), 178);
  EXPECT_EQ(control.GetMoveTime(79), 0);  // not recorded
  EXPECT_EQ(control.LongestMove(0, 600), 178);
  EXPECT_EQ(control.LongestMove(10, 9), 0);
}

TEST(TimeControl, RecordingAheadAddsToWhatTheEntryHolds) {
  TimeControl control;
  for (int p = 0; p <= 5; ++p) control.RecordMoveTime(1000, p);
  const int32_t before = control.UsedAt(8);
  control.RecordMoveTime(700, 10);
  EXPECT_EQ(control.UsedAt(10), before + 700);
  EXPECT_EQ(control.RecordedCount(), 11);
  // Recording an earlier ply again cuts the record there.
  control.RecordMoveTime(5, 2);
  EXPECT_EQ(control.RecordedCount(), 3);
  EXPECT_EQ(control.UsedAt(2), 1005);
}

TEST(TimeControl, DeductedIncrementNeverGivesANegativeTime) {
  TimeControl control = WithPeriods({{6000, 300, 20, 4}, {6000, 0, 1000, 1}});
  control.RecordMoveTime(100, 0);  // 1 s less 3 s
  EXPECT_EQ(control.UsedAt(0), 0);
  control.RecordMoveTime(500, 2);
  EXPECT_EQ(control.UsedAt(2), 200);
  control.RecordMoveTime(500, 40);  // period 1 deducts nothing
  EXPECT_EQ(control.UsedAt(40), control.UsedAt(38) + 500);
  // A negative time goes in as 0 as well.
  control.RecordMoveTime(-800, 4);
  EXPECT_EQ(control.UsedAt(4), 200);
}

TEST(TimeControl, ExtraTimeIsGivenOnceToOneSide) {
  TimeControl control = WithPeriods({{24000, 200, 1000, 3}, {6000, 100, 1000, 5}});
  const TimeControl before = control;
  control.AddExtraTime(-1);
  EXPECT_EQ(control.ExtraTimeSide(), -1);
  control.AddExtraTime(3);  // side 1
  EXPECT_EQ(control.ExtraTimeSide(), 1);
  for (int i = 0; i <= 300; ++i) {
    ASSERT_EQ(control.BudgetAt(1 + 2 * i), before.BudgetAt(1 + 2 * i) + 6000 + (i + 1) * 100);
    ASSERT_EQ(control.BudgetAt(2 * i), before.BudgetAt(2 * i));
  }
  const int32_t given = control.BudgetAt(1);
  control.AddExtraTime(0);
  EXPECT_EQ(control.BudgetAt(1), given);
  EXPECT_EQ(control.BudgetAt(0), before.BudgetAt(0));
  control.Reset();  // a new game takes it back
  EXPECT_EQ(control.ExtraTimeSide(), -1);
  EXPECT_EQ(control.BudgetAt(1), before.BudgetAt(1));

  control.AddToAllBudgets(-50);
  for (int p = 0; p < TimeControl::kPlies; ++p) ASSERT_EQ(control.BudgetAt(p), before.BudgetAt(p) - 50);
}

TEST(TimeControl, PeriodIndexOutsideTheControlChangesNothing) {
  TimeControl control;
  TimePeriod period;
  EXPECT_EQ(control.SetPeriod({1, 1, 1, 1}, 3), 0);
  control.GetPeriod(period, -1);
  EXPECT_EQ(period, (TimePeriod{72000, 0, 40, 1}));
  EXPECT_EQ(control.BudgetAt(0), 72030);
}

// A control without a period of positive moves is period 0's time for the game.
TEST(TimeControl, NoCountedPeriodIsOnePeriodForTheRestOfTheGame) {
  const TimeControl control = WithPeriods({{9000, 100, 0, 3}, {500, 0, -2, 1}, {700, 0, 0, 1}});
  for (int p = 0; p < TimeControl::kPlies; ++p)
    ASSERT_EQ(control.BudgetAt(p), 9030 + 100 * (p / 2)) << "ply " << p;
  EXPECT_EQ(control.MovesToGo(0), 1000);
  EXPECT_EQ(control.MovesToGo(500), 1000);
  EXPECT_EQ(control.IncrementAt(500), 100);
}

// A negative move count is an unused period, never a period without end.
TEST(TimeControl, NegativeMoveCountIsAnUnusedPeriod) {
  const TimeControl skipped = WithPeriods({{1000, 0, 10, 1}, {500, 50, -3, 3}, {200, 7, 5, 1}});
  EXPECT_EQ(skipped.BudgetAt(19), 1030);
  EXPECT_EQ(skipped.BudgetAt(20), 1230);  // period 2 follows period 0
  EXPECT_EQ(skipped.BudgetAt(30), 1430);  // and repeats
  EXPECT_EQ(skipped.MovesToGo(20), 5);
  EXPECT_EQ(skipped.IncrementAt(20), 7);

  const TimeControl lastNegative = WithPeriods({{1000, 0, 10, 1}, {500, 0, -3, 1}, {0, 0, 0, 0}});
  EXPECT_EQ(lastNegative.BudgetAt(20), 2030);  // period 0 repeats
  EXPECT_EQ(lastNegative.MovesToGo(20), 10);
  EXPECT_EQ(lastNegative.MovesToGo(601), 10);
  EXPECT_EQ(lastNegative.IncrementAt(601), 0);
}

// Every operation ends and stays within the tables whatever the periods hold.
TEST(TimeControl, RandomControlsEndAndStayInTheTables) {
  std::mt19937 random(20261211);
  auto between = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  auto time = [&] { return between(-100, 10'000'000); };
  auto ply = [&] { return between(0, 3) == 0 ? between(-1000, 100'000) : between(-2, 610); };
  for (int round = 0; round < 10'000; ++round) {
    TimeControl control;
    for (int i = 0; i < 3; ++i)
      control.SetPeriod({time(), time(), static_cast<int16_t>(between(-5, 1000)), between(0, 5)}, i);
    for (int k = 0; k < 8; ++k) control.RecordMoveTime(time(), ply());
    control.AddExtraTime(between(-1, 1));
    if (round % 7 == 0) control.AddToAllBudgets(time());
    for (int k = 0; k < 8; ++k) {
      const int p = ply();
      control.GetBudget(p);
      control.GetUsedSoFar(p);
      control.GetMoveTime(p);
      control.IncrementAt(p);
      const int16_t togo = control.MovesToGo(p);
      ASSERT_TRUE(togo >= 0 && togo <= 1000) << togo;
    }
    control.LongestMove(ply(), ply());
    ASSERT_LE(control.RecordedCount(), TimeControl::kPlies);
    control.Reset();
  }
}

}  // namespace
}  // namespace zh

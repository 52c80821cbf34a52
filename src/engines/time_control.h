// A time control of up to three periods with its per-ply tables: the time each side
// may have used by the end of a move (budget) and the time it has used (used). Times
// are in hundredths of a second; ply p belongs to white when even, and a side's plies
// are p, p + 2, ... The tables cover 301 moves per side; a later ply reads entry 601
// and a write beyond it is dropped.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace zh {

struct TimePeriod {
  int32_t Time = 0;         // 1/100 s given at the start of the period
  int32_t TimePerMove = 0;  // increment, 1/100 s
  int16_t Moves = 0;        // moves in the period; 1000 = rest of the game; 0 or less = unused
  int32_t ControlType = 0;  // mode: 3 increment added, 4 increment taken off, 5 extra time

  bool operator==(const TimePeriod&) const = default;
};

class TimeControl {
 public:
  static constexpr int kPlies = 602;
  static constexpr int kPeriods = 3;
  static constexpr int16_t kRestOfGame = 1000;
  static constexpr int32_t kMargin = 30;  // every budget carries 0.3 s
  static constexpr int32_t kModeAddIncrement = 3;
  static constexpr int32_t kModeDeductIncrement = 4;
  static constexpr int32_t kModeExtraTime = 5;

  // 40 moves in 12 minutes, 20 in 6, the rest in 3.
  TimeControl();

  // Period `index` (0 to 2); any other index gives period 0.
  void GetPeriod(TimePeriod& period, int index) const;
  // Sets a period and rebuilds; another index changes nothing (answer 0).
  int32_t SetPeriod(const TimePeriod& period, int index);
  // Both tables from the periods; the allowance after the last entry, or 0 when the
  // used table was cleared (a control of more than one move in its first period).
  int32_t Rebuild();
  void ClearUsed() { used_.fill(0); }
  // A new game: takes back extra time, clears the used times (not the count).
  void Reset();

  void RecordMoveTime(int32_t time, int ply);
  // Records one time per ply from ply 0 (a loaded game's stored move times).
  void FillFromMoveTimes(std::span<const int32_t> times);

  int32_t GetMoveTime(int ply) const;
  int32_t LongestMove(int firstPly, int lastPly) const;
  // The time left for the move of a ply.
  int32_t GetBudget(int ply) const;
  int32_t GetUsedSoFar(int ply) const;
  int16_t MovesToGo(int ply) const;
  int32_t IncrementAt(int ply) const;

  // Gives period 1's time and increments once to one side (period 1 of mode 5).
  void AddExtraTime(int side);
  void AddToAllBudgets(int32_t amount);

  int32_t BudgetAt(int ply) const { return budget_[Index(ply)]; }
  int32_t UsedAt(int ply) const { return used_[Index(ply)]; }
  int16_t RecordedCount() const { return recorded_; }
  int16_t ExtraTimeSide() const { return extraSide_; }

 private:
  static int Index(int ply) { return ply < 0 ? 0 : ply >= kPlies ? kPlies - 1 : ply; }
  // The period as every walk reads it: a control without any period of a positive
  // move count is period 0's time for the rest of the game.
  TimePeriod Effective(int index) const;
  bool HasCountedPeriod() const;
  // The period after `index` that a walk goes on with.
  int NextPeriod(int index) const;
  // Index of the period that holds the move number, -1 when the walk runs out.
  int PeriodOfMove(int moveNumber, int16_t* movesToGo) const;
  bool FirstPeriodIsTimePerMove() const { return Effective(0).Moves <= 1; }

  std::array<TimePeriod, kPeriods> periods_;
  std::array<int32_t, kPlies> used_{};
  std::array<int32_t, kPlies> budget_{};
  int16_t recorded_ = 0;
  int16_t extraSide_ = -1;
};

}  // namespace zh

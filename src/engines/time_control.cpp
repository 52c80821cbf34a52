#include "engines/time_control.h"

#include <algorithm>
#include <limits>

namespace zh {
namespace {

// Sums are taken in 64 bits and stored saturated: a control read from a file may hold
// any 32-bit time.
int32_t Saturate(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

TimeControl::TimeControl() {
  periods_[0] = {72000, 0, 40, 1};
  periods_[1] = {36000, 0, 20, 1};
  periods_[2] = {18000, 0, kRestOfGame, 0};
  Rebuild();
}

bool TimeControl::HasCountedPeriod() const {
  return std::any_of(periods_.begin(), periods_.end(), [](const TimePeriod& p) { return p.Moves > 0; });
}

TimePeriod TimeControl::Effective(int index) const {
  if (!HasCountedPeriod()) {
    TimePeriod whole = periods_[0];
    whole.Moves = kRestOfGame;
    return whole;
  }
  return periods_[static_cast<size_t>(index)];
}

int TimeControl::NextPeriod(int index) const {
  for (int k = index + 1; k < kPeriods; ++k)
    if (Effective(k).Moves > 0) return k;
  return index;  // the last counted period repeats
}

void TimeControl::GetPeriod(TimePeriod& period, int index) const {
  period = periods_[static_cast<size_t>(index >= 0 && index < kPeriods ? index : 0)];
}

int32_t TimeControl::SetPeriod(const TimePeriod& period, int index) {
  if (index < 0 || index >= kPeriods) return 0;
  periods_[static_cast<size_t>(index)] = period;
  return Rebuild();
}

int32_t TimeControl::Rebuild() {
  budget_[0] = budget_[1] = kMargin;
  used_[0] = used_[1] = used_[2] = 0;
  int64_t allowance = kMargin;
  int p = 0;
  int j = 0;
  while (p < kPlies) {
    const TimePeriod period = Effective(j);
    allowance += period.Time;
    for (int k = 0; k < period.Moves && p < kPlies; ++k) {
      budget_[static_cast<size_t>(p)] = budget_[static_cast<size_t>(p + 1)] = Saturate(allowance);
      p += 2;
      if (p < kPlies) used_[static_cast<size_t>(p)] = used_[static_cast<size_t>(p + 1)] = Saturate(allowance);
      if (period.ControlType == kModeAddIncrement) allowance += period.TimePerMove;
    }
    if (period.Moves == kRestOfGame) break;
    // Only the first period can be uncounted here; a counted one always fills plies.
    j = NextPeriod(j);
  }
  extraSide_ = -1;
  if (!FirstPeriodIsTimePerMove()) {
    ClearUsed();
    return 0;
  }
  return Saturate(allowance);
}

void TimeControl::Reset() {
  if (extraSide_ != -1) Rebuild();
  ClearUsed();
}

void TimeControl::RecordMoveTime(int32_t time, int ply) {
  if (ply < 0) ply = 0;
  if (ply >= kPlies) return;
  int64_t t = time;
  if (std::any_of(periods_.begin(), periods_.end(),
                  [](const TimePeriod& p) { return p.ControlType == kModeDeductIncrement; })) {
    int covered = 0;
    for (int j = 0; j < kPeriods; ++j) {
      const TimePeriod period = Effective(j);
      const bool holds = period.Moves == kRestOfGame || ply < covered + 2 * std::max<int>(period.Moves, 0);
      if (holds) {
        if (period.ControlType == kModeDeductIncrement) t = std::max<int64_t>(t - period.TimePerMove, 0);
        break;
      }
      covered += 2 * std::max<int>(period.Moves, 0);
      if (covered >= kPlies) break;
    }
  }
  const auto p = static_cast<size_t>(ply);
  used_[p] = ply < 2 ? Saturate(t) : Saturate(used_[p - 2] + t);
  recorded_ = static_cast<int16_t>(ply + 1);
}

void TimeControl::FillFromMoveTimes(std::span<const int32_t> times) {
  const size_t n = std::min(times.size(), static_cast<size_t>(kPlies));
  for (size_t i = 0; i < n; ++i) RecordMoveTime(times[i], static_cast<int>(i));
}

int32_t TimeControl::GetMoveTime(int ply) const {
  if (ply < 0) ply = 0;
  if (ply >= recorded_) return 0;
  const auto p = static_cast<size_t>(ply);
  return ply < 2 ? used_[p] : Saturate(int64_t{used_[p]} - used_[p - 2]);
}

int32_t TimeControl::LongestMove(int firstPly, int lastPly) const {
  if (firstPly > lastPly) return 0;
  // Negative plies read as ply 0; plies beyond the tables were never recorded.
  const int first = std::max(firstPly, 0);
  const int last = std::min(std::max(lastPly, 0), kPlies - 1);
  int32_t longest = 0;
  for (int p = first; p <= last; ++p) longest = std::max(longest, GetMoveTime(p));
  return longest;
}

int32_t TimeControl::GetBudget(int ply) const {
  if (ply < 0) return budget_[0];
  const int32_t budget = budget_[static_cast<size_t>(Index(ply))];
  if (ply < 2) return budget;
  const int n = recorded_;
  if (ply - 2 < n) return Saturate(int64_t{budget} - used_[static_cast<size_t>(ply - 2)]);
  // The side's latest recorded ply: the smallest even k from 4 on with ply - k < n.
  int64_t k = int64_t{ply} - n + 1;
  k += k & 1;
  k = std::max<int64_t>(k, 4);
  if (ply < k) return budget;
  return Saturate(int64_t{budget} - used_[static_cast<size_t>(ply - k)]);
}

int32_t TimeControl::GetUsedSoFar(int ply) const {
  const int n = recorded_;
  if (!FirstPeriodIsTimePerMove()) {
    // Stepping back from far beyond the tables ends at the same ply as from 602 or 603.
    if (ply > kPlies + 1) ply = kPlies + (ply & 1);
    while (ply >= n && ply > 1) ply -= 2;
  }
  if (ply < 0) ply = 0;
  return ply < n ? used_[static_cast<size_t>(ply)] : 0;
}

int TimeControl::PeriodOfMove(int moveNumber, int16_t* movesToGo) const {
  int j = 0;
  int sum = 0;
  for (;;) {
    const TimePeriod period = Effective(j);
    if (period.Moves == kRestOfGame) {
      *movesToGo = kRestOfGame;
      return j;
    }
    if (period.Moves > 0) sum += period.Moves;
    if (sum > moveNumber) {
      *movesToGo = static_cast<int16_t>(sum - moveNumber);
      return j;
    }
    if (sum >= kPlies) {
      *movesToGo = 0;
      return -1;
    }
    j = NextPeriod(j);
  }
}

int16_t TimeControl::MovesToGo(int ply) const {
  int16_t togo = 0;
  PeriodOfMove(std::max(ply, 0) / 2, &togo);
  return togo;
}

int32_t TimeControl::IncrementAt(int ply) const {
  int16_t togo = 0;
  const int j = PeriodOfMove(std::max(ply, 0) / 2, &togo);
  return j < 0 ? 0 : Effective(j).TimePerMove;
}

void TimeControl::AddExtraTime(int side) {
  const TimePeriod& extra = periods_[1];
  if (side < 0 || extraSide_ != -1 || extra.ControlType != kModeExtraTime) return;
  if (extra.Time == 0 && extra.TimePerMove == 0) return;
  const int s = side % 2;
  for (int i = 0; i <= 300; ++i) {
    int32_t& entry = budget_[static_cast<size_t>(s + 2 * i)];
    entry = Saturate(int64_t{entry} + extra.Time + int64_t{i + 1} * extra.TimePerMove);
  }
  extraSide_ = static_cast<int16_t>(s);
}

void TimeControl::AddToAllBudgets(int32_t amount) {
  for (int32_t& entry : budget_) entry = Saturate(int64_t{entry} + amount);
}

}  // namespace zh

// The strength level's side of an engine object: the time control it plays to, its
// user-defined mode and the engine's rating. Until ratings derive depths, a strength
// search is a clock search of one line on that control.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "engines/time_control.h"

namespace zh {

namespace eng {
struct PositionBlock;
}

class EloEstimator {
 public:
  static constexpr int32_t kUserMode = 5;

  // Takes up to three periods; the mode follows the first period's.
  void SetTimeControl(std::span<const TimePeriod> periods);
  void SetUserMode() { mode_ = kUserMode; }
  void SetEngineRating(int32_t rating) { rating_ = rating; }

  int32_t Mode() const { return mode_; }
  int32_t EngineRating() const { return rating_; }
  const std::array<TimePeriod, TimeControl::kPeriods>& Control() const { return control_; }
  bool RatedGame() const { return false; }

  // One line, a clock search (mode 1, depth 0).
  void FillBlock(eng::PositionBlock& block) const;

 private:
  std::array<TimePeriod, TimeControl::kPeriods> control_{};
  int32_t mode_ = kUserMode;
  int32_t rating_ = 2400;
};

}  // namespace zh

#include "engines/elo_estimator.h"

#include <algorithm>

#include "enginemodule/interface/records.h"

namespace zh {

void EloEstimator::SetTimeControl(std::span<const TimePeriod> periods) {
  control_ = {};
  std::copy_n(periods.begin(), std::min(periods.size(), control_.size()), control_.begin());
  mode_ = control_[0].ControlType;
}

void EloEstimator::FillBlock(eng::PositionBlock& block) const {
  block.lines_wanted = 1;
  block.mode = 1;
  block.depth = 0;
}

}  // namespace zh

// The steps each piece type walks, as a range of the step table (K, Q, N, B, R).
#pragma once

#include <cstdint>

#include "core/rules/board.h"

namespace zh {

struct PieceStepRange {
  uint8_t first;
  uint8_t count;
};
inline constexpr PieceStepRange kPieceStepRanges[8] = {
    {0, 0},
    {kKingSteps, 8},
    {kDiagonalSteps, 8},
    {kKnightSteps, 8},
    {kDiagonalSteps, 4},
    {kStraightSteps, 4},
    {0, 0},
    {0, 0},
};

}  // namespace zh

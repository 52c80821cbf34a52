// Endgame knowledge by material signature: for a signature index (the non-pawn
// weight sum) of at most 43 a recogniser checks the exact material, the pawns and
// the kings, and leaves the value alone, declares a draw, sets a win value or shifts
// the value towards the side that cannot win.
#pragma once

#include <cstdint>

#include "enginemodule/zelkohome2/core/position.h"

namespace zh::zelko2 {

// The value returned for a position reached by a move of `mover` (value and result
// from the mover's view). Reads only the piece masks and the king squares.
int32_t EvaluateEndgame(const Position& position, uint32_t signature, int mover, int32_t value);

}  // namespace zh::zelko2

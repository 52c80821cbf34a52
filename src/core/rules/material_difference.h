// The material difference beside the board: each side's piece types in square order
// with equal types paired off between the sides.
#pragma once

#include <cstdint>

#include "core/rules/board.h"

namespace zh {

// Fills the lists (room for 16 each) with what remains of each side's piece types.
void MaterialDifference(const Board& board, uint8_t* white, int& whiteCount, uint8_t* black,
                        int& blackCount);

}  // namespace zh

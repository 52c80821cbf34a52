// Move bytes of the tree records: the one-byte move code of the record's position
// stored through a fixed substitution.
#pragma once

#include <cstdint>

#include "books/tree/tree_move_table.h"
#include "core/rules/game_move.h"
#include "core/rules/piece_index_board.h"

namespace zh {

constexpr uint8_t StoredTreeMove(uint8_t code) {
  return kTreeMoveTable[code];
}
constexpr uint8_t TreeMoveCode(uint8_t stored) {
  return kTreeMoveInverse[stored];
}

// The stored byte of a move of the position that `board` numbers.
uint8_t EncodeTreeMove(const PieceIndexBoard& board, const GameMove& move);
// The move of a stored byte; false when the byte names no move of the board.
bool DecodeTreeMove(const PieceIndexBoard& board, uint8_t stored, bool black, GameMove& move);

}  // namespace zh

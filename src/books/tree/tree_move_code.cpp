#include "books/tree/tree_move_code.h"

namespace zh {

uint8_t EncodeTreeMove(const PieceIndexBoard& board, const GameMove& move) {
  return StoredTreeMove(board.EncodeMove(move));
}

bool DecodeTreeMove(const PieceIndexBoard& board, uint8_t stored, bool black, GameMove& move) {
  return board.DecodeMove(TreeMoveCode(stored), black, move);
}

}  // namespace zh

// The move list of the old single-file format, which stores a move as its index
// here. It is the pseudo-legal generator of MoveList run with the format's
// parameters: at most 126 entries, castling offered on the board alone (king and rook
// on their squares, the squares between empty, no rights asked), the side passed in.
#pragma once

#include <cstdint>

#include "core/rules/board.h"
#include "core/rules/movelist.h"

namespace zh {

class CodingMoveList {
 public:
  static constexpr int kSlots = 126;

  CodingMoveList() { Init(); }

  void Init();
  // Pseudo-legal moves of `side` (1 black) with en-passant file + 1 (0 none); a
  // generation that reaches the limit stops there with count = limit.
  int Generate(const Board& board, int epFilePlusOne, int side, int limit = kSlots);

  int Count() const { return list_.Count(); }
  // Entry i, or entry 0 for an index outside 0..125.
  const MoveCode& At(int i) const { return list_.At(i >= 0 && i < kSlots ? i : 0); }
  const MoveCode* begin() const { return list_.begin(); }
  const MoveCode* end() const { return list_.end(); }
  // Index of the move with these squares (and promotion type), Count() when none.
  int IndexOf(int from, int to, int promotion = 0) const;

 private:
  MoveList list_;
};

}  // namespace zh

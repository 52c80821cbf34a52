// The checking-move generator of the first quiescence ply: every capture, every
// promotion push and the quiet moves that pass a table test for giving check,
// directly or by uncovering a line piece. The test may let through a quiet move that
// does not check; it produces no en-passant capture.
#pragma once

#include "enginemodule/zelkohome2/core/position.h"

namespace zh::zelko2 {

class CheckGenerator {
 public:
  explicit CheckGenerator(const Position& position) { Begin(position); }
  void Begin(const Position& position);
  // The next move, false when the generator has ended.
  bool Next(const Position& position, Move& move);

 private:
  bool Pick(const Position& p);
  bool Step(const Position& p, Move& move);
  bool Passes(Square t) const { return (ReachBits(t - king_) & mask_) != 0; }
  bool Yield(Square to, int flags, Move& move) {
    move = Move{from_, to, flags};
    return true;
  }

  Handle index_ = 0;
  Handle own_king_ = 0;
  Square king_ = 0;  // the opponent king
  Square from_ = 0;
  Square to_ = 0;
  Routine routine_ = kRoutineNone;
  bool castling_ = false;
  int step_ = 0;
  uint32_t mask_ = 0;
  bool done_ = false;
};

}  // namespace zh::zelko2

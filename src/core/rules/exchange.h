// Running material count and the relation of a move to a square; the exchange and
// safety queries themselves are members of Position (exchange.cpp).
#pragma once

#include <cstdint>

#include "core/rules/board.h"
#include "core/rules/game_move.h"
#include "core/rules/position.h"
#include "core/rules/scored_movelist.h"
#include "core/rules/square_list.h"
#include "core/rules/square_safety.h"

namespace zh {

struct MaterialTracker {
  int16_t white = 0;
  int16_t black = 0;
  int16_t previousWhite = 0;
  int16_t previousBlack = 0;
  int16_t lastPly = -99;  // ply of the last forced update
  int16_t spare = 0;
  uint8_t changed = 0;

  // Counts the start position.
  void Reset();
  void ResetFrom(const Board& board);
  // With force: only remembers the ply. Otherwise recounts when more than two plies
  // passed since then, keeping the old totals as the previous ones.
  void Update(const Board& board, int ply, bool force);

 private:
  void Count(const Board& board);
};

// How a move relates to a square and a second square.
struct MoveSquareRelation {
  enum Code : int16_t {
    kNone = 0,
    kAttacksSecond = 1,  // the moved piece attacks the second square
    kUncovers = 2,       // lines up on the square with a piece of its colour behind
    kUncoversKing = 3,
    kBetween = 4,        // ends between the two squares
    kFromSecond = 5,
    kToSquare = 6,
  };
  int16_t code = kNone;
  uint8_t pieceBehind = 0;

  void Compute(int square, int second, const GameMove& move, const Position& before);
  int GetKind() const { return code; }
};

}  // namespace zh

// Decides after every move whether the game has ended by the rules: mate, stalemate,
// insufficient material, threefold repetition, 100 plies without capture or pawn move,
// or the program's ply limit.
#pragma once

#include <cstdint>
#include <memory>

#include "core/rules/position.h"

namespace zh {

class GameCursor;

enum GameEndCode : int {
  kGameGoesOn = 0,
  kGameMate = 1,
  kGameStalemate = 2,
  kGameNoMaterial = 3,
  kGameRepetition = 4,
  kGameHundredPlies = 5,
  kGameTooLong = 6,
};

// The game ends at this ply index (584 is the last allowed one).
inline constexpr int kGamePlyLimit = 585;

class GameEndTester {
 public:
  GameEndTester();
  ~GameEndTester();
  GameEndTester(const GameEndTester&) = delete;
  GameEndTester& operator=(const GameEndTester&) = delete;

  // The GameEndCode of the cursor's current position; the cursor is not changed.
  int Test(const GameCursor& cursor);

 private:
  // Walks back along the cursor's path for a threefold repetition or 100 plies
  // without capture, promotion or pawn move.
  int TestRepetition(const GameCursor& cursor);

  std::unique_ptr<GameCursor> scratch_;
};

// True when no side can mate with the material on the board: no queen, rook or pawn,
// and a lone minor piece, or bishops all on squares of one colour.
bool IsInsufficientMaterial(const Board& board);

// The en-passant file that matters for repetition: the position's file when a pawn of
// the side to move stands beside the pawn that made the double step, else 0.
uint8_t EffectiveEnPassantFile(const Position& position);

}  // namespace zh

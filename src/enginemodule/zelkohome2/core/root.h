// Preparation of the root before each run of a search: game phase and the constants
// that follow from it, the piece-square tables built from the base tables and the
// root's pawn and king placement, the search variants of the piece routines, the
// root evaluation and the root move list.
#pragma once

#include <cstdint>

#include "enginemodule/zelkohome2/core/engine.h"

namespace zh::zelko2 {

// Presence bits of the material on the board.
enum : uint8_t {
  kWhitePawns = 1,
  kWhitePieces = 2,
  kBlackPawns = 4,
  kBlackPieces = 8,
};

struct RootInfo {
  int phase_sum = 0;
  uint8_t presence = 0;
  bool endgame = false;
  bool null_forbidden = false;
  int eval_offset = 0;       // added to the static value in the null-move condition
  int null_offset = 0;       // taken from the side that passes
  int king_move_value = 0;   // constant A
  int queen_file_value = 0;  // constant B
  int null_reduction = 0;    // R
  int material = 0;          // white pawns-worth in the low byte, black's in the high byte
  bool kbnk = false;
  uint8_t king_wings = 0;  // 0x40/0x10 white king on f..h / a..c, 0x80/0x20 black's
};

// Phase constants of a phase sum and presence bits, and R for a selectivity.
RootInfo PhaseOf(int phase_sum, uint8_t presence, int selectivity);

// Prepares the root of the engine's current position.
RootInfo PrepareRoot(Engine& engine, int selectivity);

// Shifts the piece-square tables by the aggressiveness (-2..2) for the side to move.
void ApplyAggressiveness(Position& position, int aggressiveness);

// The evaluation of the current position from white's view, summed from scratch:
// the pieces placed one at a time through their routines, the bishop pairs and the
// pawn structure of every file.
int32_t EvaluateFromScratch(const Position& position);

}  // namespace zh::zelko2

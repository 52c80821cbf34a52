// Tallies of the attackers of one square and the safety flags the board's markers
// show: whether a square or the piece on it is safe, threatened or contested.
#pragma once

#include <cstdint>

#include "core/rules/board.h"

namespace zh {

// Exchange values by piece type (empty, K, Q, N, B, R, P).
inline constexpr int16_t kExchangeValues[8] = {0, 90, 80, 31, 34, 44, 11, 0};

struct AttackTally {
  int16_t count = 0;
  int16_t lowest = 127;  // of the first attacker in each direction
  int16_t highest = 0;
};

// Safety flags. The low three bits hold one of threatened, safe or contested: for a
// piece as its own side sees it, for an empty square by the view flag.
enum SquareSafety : uint16_t {
  kSafetyThreatened = 1,
  kSafetySafe = 2,
  kSafetyContested = 4,
  kSafetyAttacked = 8,   // an occupied square that the piece's enemy attacks
  kSafetyCovered = 16,   // an occupied square that the piece's own side covers
  kSafetyUnattacked = 32,
};

// Attackers of the square by both sides; batteries and pieces behind pawns count.
void CountSquareAttackers(const Board& board, int square, AttackTally& white, AttackTally& black);
// Flags of the square from the two tallies. `whiteView` decides how an empty square
// reads: set, a square that white dominates is threatened.
int GetSquareSafety(const Board& board, const AttackTally& white, const AttackTally& black,
                    int square, bool whiteView);
// A capture of a piece of at least the mover's worth makes a threatened or contested
// destination safe.
void AdjustSquareSafety(int& flags, int pieceType, int capturedType);

}  // namespace zh

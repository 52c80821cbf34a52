// Tallies of the attackers of one square and the safety flags the board's markers
// show: whether a square or the piece on it is safe, threatened or contested.
#pragma once

#include <cstdint>

#include "core/board.h"

namespace zh {

// Exchange values by piece type (empty, K, Q, N, B, R, P).
inline constexpr int16_t kExchangeValues[8] = {0, 90, 80, 31, 34, 44, 11, 0};

struct AttackTally {
  int16_t count = 0;
  int16_t lowest = 127;  // of the first attacker in each direction
  int16_t highest = 0;
};

// Safety flags.
enum SquareSafety : uint16_t {
  kSafetyWhiteSide = 1,  // see GetSquareSafety
  kSafetyBlackSide = 2,
  kSafetyContested = 4,
  kSafetyAttacked = 8,   // an occupied square that the piece's enemy attacks
  kSafetyCovered = 16,   // an occupied square that the piece's own side covers
  kSafetyUnattacked = 32,
};

// Attackers of the square by both sides; batteries and pieces behind pawns count.
void CountSquareAttackers(const Board& board, int square, AttackTally& white, AttackTally& black);
// Flags of the square from the two tallies; `flag` takes the view of the side that
// has just moved.
int GetSquareSafety(const Board& board, const AttackTally& white, const AttackTally& black,
                    int square, bool flag);
// A capture of a piece of at least the mover's worth makes a threatened or contested
// destination safe.
void AdjustSquareSafety(int& flags, int pieceType, int capturedType);

}  // namespace zh

// Hand-set tables of the small search, indexed by square a1 = 0 .. h8 = 63 rank by
// rank from white's side (black reads them mirrored). Frozen by a golden test.
#pragma once

#include <array>
#include <cstdint>

namespace zh::mini {

// Material by internal type: queen, rook, bishop, knight, pawn, king.
inline constexpr int16_t kValue[6] = {1300, 700, 445, 420, 110, 0};

using Table = std::array<int8_t, 64>;

inline constexpr Table kPawnTable = {
    0,  0,  0,  0,  0,  0,  0,  0,   //
    4,  6,  6,  -8, -8, 6,  6,  4,   //
    4,  2,  4,  6,  6,  4,  2,  4,   //
    0,  2,  8,  18, 18, 8,  2,  0,   //
    6,  8,  12, 22, 22, 12, 8,  6,   //
    14, 16, 20, 28, 28, 20, 16, 14,  //
    30, 32, 36, 40, 40, 36, 32, 30,  //
    0,  0,  0,  0,  0,  0,  0,  0,
};
inline constexpr Table kKnightTable = {
    -40, -26, -20, -18, -18, -20, -26, -40,  //
    -24, -8,  0,   4,   4,   0,   -8,  -24,  //
    -18, 4,   12,  14,  14,  12,  4,   -18,  //
    -14, 6,   16,  22,  22,  16,  6,   -14,  //
    -14, 8,   18,  24,  24,  18,  8,   -14,  //
    -16, 6,   14,  18,  18,  14,  6,   -16,  //
    -24, -8,  2,   6,   6,   2,   -8,  -24,  //
    -40, -26, -20, -18, -18, -20, -26, -40,
};
inline constexpr Table kBishopTable = {
    -14, -8, -10, -8, -8, -10, -8, -14,  //
    -6,  10, 4,   6,  6,  4,   10, -6,   //
    -4,  6,  8,   8,  8,  8,   6,  -4,   //
    -2,  4,  10,  12, 12, 10,  4,  -2,   //
    -2,  6,  10,  12, 12, 10,  6,  -2,   //
    -4,  4,  8,   8,  8,  8,   4,  -4,   //
    -6,  2,  2,   2,  2,  2,   2,  -6,   //
    -14, -8, -8,  -8, -8, -8,  -8, -14,
};
inline constexpr Table kRookTable = {
    -4, -2, 2,  6,  6,  2,  -2, -4,  //
    -8, -4, 0,  0,  0,  0,  -4, -8,  //
    -8, -4, 0,  0,  0,  0,  -4, -8,  //
    -8, -4, 0,  0,  0,  0,  -4, -8,  //
    -6, -2, 0,  2,  2,  0,  -2, -6,  //
    -2, 2,  4,  4,  4,  4,  2,  -2,  //
    12, 16, 16, 16, 16, 16, 16, 12,  //
    4,  4,  4,  6,  6,  4,  4,  4,
};
inline constexpr Table kQueenTable = {
    -12, -8, -6, -2, -4, -6, -8, -12,  //
    -8,  0,  2,  2,  2,  2,  0,  -8,   //
    -6,  2,  4,  4,  4,  4,  2,  -6,   //
    -2,  2,  4,  6,  6,  4,  2,  -2,   //
    -2,  2,  4,  6,  6,  4,  2,  -2,   //
    -6,  2,  4,  4,  4,  4,  2,  -6,   //
    -8,  0,  2,  2,  2,  2,  0,  -8,   //
    -12, -8, -6, -4, -4, -6, -8, -12,
};
inline constexpr Table kKingMiddle = {
    20,  30,  10,  -4,  0,   -4,  34,  22,   //
    10,  12,  -8,  -20, -20, -8,  12,  10,   //
    -14, -22, -28, -36, -36, -28, -22, -14,  //
    -28, -36, -44, -52, -52, -44, -36, -28,  //
    -36, -44, -52, -60, -60, -52, -44, -36,  //
    -40, -48, -56, -64, -64, -56, -48, -40,  //
    -44, -52, -60, -64, -64, -60, -52, -44,  //
    -48, -56, -64, -64, -64, -64, -56, -48,
};
inline constexpr Table kKingEnd = {
    -50, -36, -26, -20, -20, -26, -36, -50,  //
    -36, -20, -8,  -2,  -2,  -8,  -20, -36,  //
    -26, -8,  8,   14,  14,  8,   -8,  -26,  //
    -20, -2,  14,  24,  24,  14,  -2,  -20,  //
    -20, -2,  14,  24,  24,  14,  -2,  -20,  //
    -26, -8,  8,   14,  14,  8,   -8,  -26,  //
    -36, -20, -8,  -2,  -2,  -8,  -20, -36,  //
    -50, -36, -26, -20, -20, -26, -36, -50,
};
// Squares a piece reaches, for the mobility sums of the move generator; the root adds
// the squares around the enemy king.
inline constexpr Table kReach = {
    2, 3, 4, 4, 4, 4, 3, 2,      //
    3, 5, 6, 6, 6, 6, 5, 3,      //
    4, 6, 8, 9, 9, 8, 6, 4,      //
    4, 7, 10, 12, 12, 10, 7, 4,  //
    5, 8, 11, 13, 13, 11, 8, 5,  //
    5, 8, 10, 12, 12, 10, 8, 5,  //
    4, 6, 8, 8, 8, 8, 6, 4,      //
    3, 4, 5, 5, 5, 5, 4, 3,
};
// Reach bonus on the eight squares around the enemy king, set at the root.
inline constexpr int kReachNearKing = 8;

// Attack terms of the move generator: a slider bearing through its first man on the
// enemy king, or on a more valuable enemy man behind it; an enemy man no enemy pawn
// covers; a slider backed by a friendly man of its kind; a rook on an enemy pawn the
// pawn evaluation marked weak.
inline constexpr int kXrayKing = 24;
inline constexpr int kXrayValuable = 12;
inline constexpr int kUncoveredTarget = 7;
inline constexpr int kBattery = 5;
inline constexpr int kRookOnWeakPawn = 8;
// The generator's terms count 30/256.
inline constexpr int kMobilityWeight = 30;

// Root-time changes to the square tables: rooks on files without own pawns (half
// open) or without any pawn (open), knights and queens near the enemy king by
// distance, the castled king squares while the right is kept.
inline constexpr int kRookHalfOpen = 8;
inline constexpr int kRookOpen = 14;
inline constexpr int kNearKing[8] = {0, 12, 10, 6, 3, 0, 0, 0};
inline constexpr int kCastledSquare = 10;

// Pawn file pattern of a pawn: bit 0 an own pawn on the a-side neighbour file, bit 1
// another own pawn on the pawn's file, bit 2 an own pawn on the h-side neighbour file,
// bits 3-5 an enemy pawn on the same three files.
inline constexpr std::array<int8_t, 64> MakePawnFiles() {
  std::array<int8_t, 64> t{};
  for (int i = 0; i < 64; ++i) {
    int v = 0;
    const bool isolated = (i & 5) == 0;
    if (isolated) v -= (i & 16) ? 10 : 16;  // isolated, worse on a half-open file
    if (i & 2) v -= 10;                      // doubled
    if ((i & 5) == 5) v += 4;                // both neighbours: a chain or a duo
    if ((i & 56) == 0) v += 4;               // no enemy pawn near: free to advance
    t[i] = static_cast<int8_t>(v);
  }
  return t;
}
inline constexpr std::array<int8_t, 64> kPawnFiles = MakePawnFiles();
// A pawn no own pawn covers whose stop square an enemy pawn covers, with no own pawn
// on a neighbouring file behind it.
inline constexpr int kBackward = 14;
// The pawn total counts factor/8: more once the pieces are thin.
inline constexpr int kPawnFactorMiddle = 8;
inline constexpr int kPawnFactorEnd = 10;

// Passed pawns by rank from their own side: middle game, endgame.
inline constexpr int16_t kPassed[2][8] = {{0, 6, 10, 18, 32, 56, 90, 0},
                                          {0, 12, 18, 34, 60, 100, 150, 0}};
// Pawn shield by the six squares before the king (bits 1, 2, 4 nearer rank from the
// a-side, 8, 16, 32 farther): a pawn on the nearer rank is worth most, one step
// further less, the king's own file most of the three.
inline constexpr std::array<int8_t, 64> MakeShield() {
  std::array<int8_t, 64> t{};
  constexpr int kNear[3] = {8, 12, 8}, kFar[3] = {4, 7, 4};
  for (int i = 0; i < 64; ++i) {
    int v = -26;
    for (int b = 0; b < 3; ++b)
      if (i & (1 << b)) v += kNear[b];
      else if (i & (8 << b)) v += kFar[b];
    t[i] = static_cast<int8_t>(v);
  }
  return t;
}
inline constexpr std::array<int8_t, 64> kShield = MakeShield();

// Move ordering: a capture's key is the victim's class less the attacker's, by type
// (queen, rook, bishop, knight, pawn, king; the last victim slot an empty square).
inline constexpr int kVictimClass[7] = {90, 80, 70, 70, 60, 0, 0};
inline constexpr int kAttackerClass[6] = {10, 8, 6, 6, 2, 12};

// Middle-game queen flag: set at the root for a side whose queen stands at home while
// at least this many of its minor pieces still do; the queen leaving then costs 18.
inline constexpr int kQueenFlagMinors = 2;
inline constexpr int kQueenFlagCost = 18;

}  // namespace zh::mini

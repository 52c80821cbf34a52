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
// Passed pawns by rank from their own side: middle game, endgame.
inline constexpr int16_t kPassed[2][8] = {{0, 6, 10, 18, 32, 56, 90, 0},
                                          {0, 12, 18, 34, 60, 100, 150, 0}};
// Pawn shield by the six squares before the king (bits 1, 2, 4 nearer rank from the
// a-side, 8, 16, 32 farther).
inline constexpr std::array<int8_t, 64> MakeShield() {
  std::array<int8_t, 64> t{};
  for (int i = 0; i < 64; ++i) {
    int v = -24;
    for (int b = 0; b < 3; ++b)
      if (i & (1 << b)) v += 10;
      else if (i & (8 << b)) v += 5;
    t[i] = static_cast<int8_t>(v);
  }
  return t;
}
inline constexpr std::array<int8_t, 64> kShield = MakeShield();

}  // namespace zh::mini

// Squares that a piece reaches from a square on an empty board, as 64-bit words with
// bit file * 8 + rank: the layout of the position's type-file masks, so that a mask
// ANDed with a word tells whether any piece of a kind stands on one of the squares.
// Reach is symmetric but for pawns: the squares from which a white pawn attacks a
// target are those a black pawn on the target would capture to.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "enginemodule/zelkohome2/core/types.h"

namespace zh::zelko2 {

using SquareWords = std::array<uint64_t, 64>;

// Index of a 0x88 square in the words and tables below.
constexpr int SquareBit(Square s) { return FileOf(s) * 8 + RankOf(s); }

namespace detail {
constexpr SquareWords ReachWords(std::initializer_list<int> steps, bool slide) {
  SquareWords words{};
  for (int s64 = 0; s64 < 64; ++s64) {
    const Square from = ToSquare88(s64);
    uint64_t& word = words[static_cast<std::size_t>(SquareBit(from))];
    for (const int step : steps) {
      for (Square s = from + step; OnBoard(s); s += step) {
        word |= uint64_t{1} << SquareBit(s);
        if (!slide) break;
      }
    }
  }
  return words;
}
}  // namespace detail

inline constexpr SquareWords kWhitePawnReach = detail::ReachWords({15, 17}, false);
inline constexpr SquareWords kBlackPawnReach = detail::ReachWords({-15, -17}, false);
inline constexpr SquareWords kKnightReach = detail::ReachWords({14, 18, 31, 33, -14, -18, -31, -33}, false);
inline constexpr SquareWords kDiagonalReach = detail::ReachWords({15, 17, -15, -17}, true);
inline constexpr SquareWords kStraightReach = detail::ReachWords({1, -1, 16, -16}, true);
inline constexpr SquareWords kQueenReach = detail::ReachWords({15, 17, -15, -17, 1, -1, 16, -16}, true);
inline constexpr SquareWords kKingReach = detail::ReachWords({1, -1, 16, -16, 15, 17, -15, -17}, false);

}  // namespace zh::zelko2

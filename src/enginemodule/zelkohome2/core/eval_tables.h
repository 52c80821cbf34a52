// Base tables of the evaluation, signed bytes multiplied by 8 when they are added.
// Square tables are written from white's view with rank 8 in the first row and the
// files a to h from left to right; black reads them rank-mirrored. The tables marked
// "ours" are this engine's own choice; they are frozen by a golden test and change
// only together with a match result.
#pragma once

#include <array>
#include <cstdint>

namespace zh::zelko2::tables {

using SquareTable = std::array<int8_t, 64>;

// Value of a table at a square of white's view (file 0..7, rank 0..7).
constexpr int At(const SquareTable& t, int file, int rank) { return t[(7 - rank) * 8 + file]; }

constexpr SquareTable kPawnMiddlegame = {
    0,  0,  0,  0,  0,  0,  0,  0,   //
    7,  7,  8,  8,  8,  8,  7,  7,   //
    4,  4,  6,  7,  7,  6,  4,  4,   //
    1,  1,  2,  5,  5,  2,  1,  1,   //
    -2, 0,  2,  5,  5,  2,  0,  -2,  //
    0,  -1, 1,  1,  1,  0,  -1, 1,   //
    -2, -2, -1, -1, -1, 0,  -1, -2,  //
    0,  0,  0,  0,  0,  0,  0,  0};

constexpr SquareTable kPawnEndgame = {
    0,  0,  0,  0,  0,  0,  0,  0,   //
    7,  6,  5,  4,  4,  5,  6,  7,   //
    4,  3,  2,  2,  2,  2,  3,  4,   //
    2,  1,  1,  1,  1,  1,  1,  2,   //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    -1, -1, -1, -1, -1, -1, -1, -1,  //
    -2, -2, -2, -2, -2, -2, -2, -2,  //
    0,  0,  0,  0,  0,  0,  0,  0};

constexpr SquareTable kKnight = {
    -2, 2, 4,  4,  4,  4,  2, -2,  //
    0,  4, 6,  6,  6,  6,  4, 0,   //
    0,  4, 8,  12, 12, 8,  4, 0,   //
    0,  4, 10, 10, 10, 10, 4, 0,   //
    -1, 4, 6,  8,  8,  6,  4, -1,  //
    1,  4, 5,  6,  6,  6,  4, 1,   //
    -1, 3, 4,  4,  4,  4,  3, -1,  //
    0,  0, 1,  1,  1,  1,  -1, -2};

constexpr SquareTable kBishop = {
    2, 0, 1, 2, 2, 1, 0, 2,  //
    0, 3, 4, 4, 4, 4, 3, 0,  //
    2, 4, 5, 6, 6, 5, 4, 2,  //
    1, 3, 6, 6, 6, 6, 4, 1,  //
    3, 4, 4, 5, 5, 5, 4, 3,  //
    5, 4, 6, 5, 5, 6, 5, 4,  //
    3, 7, 6, 2, 3, 4, 8, 3,  //
    4, 0, 2, 0, 0, 0, 0, 6};

constexpr SquareTable kRook = {
    3, 3, 3, 4, 4, 3, 3, 3,  //
    2, 2, 2, 3, 3, 2, 2, 2,  //
    1, 1, 1, 2, 2, 1, 1, 1,  //
    0, 0, 0, 1, 1, 0, 0, 0,  //
    0, 0, 0, 1, 1, 0, 0, 0,  //
    0, 0, 0, 1, 1, 0, 0, 0,  //
    0, 0, 0, 1, 1, 0, 0, 0,  //
    0, 0, 0, 1, 1, 0, 0, 0};

constexpr SquareTable kQueen = {
    0, 0, 2, 2, 2, 2, 0, 0,  //
    0, 2, 2, 3, 3, 2, 2, 0,  //
    0, 2, 4, 5, 5, 4, 2, 0,  //
    2, 2, 3, 3, 3, 3, 2, 2,  //
    2, 2, 2, 2, 2, 2, 2, 2,  //
    0, 3, 4, 4, 4, 4, 4, 0,  //
    0, 2, 4, 4, 4, 4, 2, 0,  //
    0, 0, 0, 2, 2, 0, 0, 0};

constexpr SquareTable kKingMiddlegame = {
    6,  6,  4,  2,   0,   1,  6,  7,   //
    4,  4,  0,  -4,  -4,  -2, 6,  6,   //
    -2, -2, -4, -8,  -8,  -4, -2, -2,  //
    -4, -6, -8, -12, -12, -8, -6, -4,  //
    -4, -6, -8, -12, -12, -8, -6, -4,  //
    -2, -2, -4, -8,  -8,  -4, -2, -2,  //
    4,  4,  0,  -4,  -4,  -2, 6,  6,   //
    6,  7,  4,  2,   0,   1,  6,  7};

constexpr SquareTable kKingEndgame = {
    2, 4,  6,  8,  8,  6,  4,  2,  //
    4, 6,  8,  10, 10, 8,  6,  4,  //
    6, 8,  10, 12, 12, 10, 8,  6,  //
    8, 10, 12, 14, 14, 12, 10, 8,  //
    8, 10, 12, 14, 14, 12, 10, 8,  //
    6, 8,  10, 12, 12, 10, 8,  6,  //
    4, 6,  8,  10, 10, 8,  6,  4,  //
    2, 4,  6,  8,  8,  6,  4,  2};

// Ours. Type 7: knight outpost value, read when a knight stands supported by a pawn
// with no enemy pawn able to drive it away; strongest on the central squares of the
// fifth and sixth ranks.
constexpr SquareTable kKnightOutpost = {
    0, 0, 0, 0, 0, 0, 0, 0,  //
    0, 1, 2, 3, 3, 2, 1, 0,  //
    0, 2, 4, 5, 5, 4, 2, 0,  //
    0, 2, 4, 5, 5, 4, 2, 0,  //
    0, 1, 2, 3, 3, 2, 1, 0,  //
    0, 0, 0, 0, 0, 0, 0, 0,  //
    0, 0, 0, 0, 0, 0, 0, 0,  //
    0, 0, 0, 0, 0, 0, 0, 0};

// Ours. Type 8: blockage value of an own pawn standing in front of a bishop on a
// diagonal; central pawns block the long diagonals most.
constexpr SquareTable kBishopBlockage = {
    0, 0, 0, 0, 0, 0, 0, 0,  //
    0, 0, 0, 0, 0, 0, 0, 0,  //
    0, 0, 0, 0, 0, 0, 0, 0,  //
    0, 0, 1, 1, 1, 1, 0, 0,  //
    0, 1, 1, 2, 2, 1, 1, 0,  //
    0, 1, 2, 2, 2, 2, 1, 0,  //
    0, 0, 1, 1, 1, 1, 0, 0,  //
    0, 0, 0, 0, 0, 0, 0, 0};

// Ours. Attack on the enemy king's wing (king on files f to h): pieces drawn towards
// the king's side in the enemy half.
constexpr SquareTable kKingWingAttack = {
    0, 0, 0, 1, 2, 3, 3, 2,  //
    0, 0, 0, 1, 2, 3, 3, 2,  //
    0, 0, 0, 1, 2, 3, 3, 2,  //
    0, 0, 0, 1, 1, 2, 2, 1,  //
    0, 0, 0, 0, 1, 1, 1, 0,  //
    0, 0, 0, 0, 0, 0, 0, 0,  //
    0, 0, 0, 0, 0, 0, 0, 0,  //
    0, 0, 0, 0, 0, 0, 0, 0};

// Ours. The same for an enemy king on the queen's wing (files a to c).
constexpr SquareTable kQueenWingAttack = {
    2, 3, 3, 2, 1, 0, 0, 0,  //
    2, 3, 3, 2, 1, 0, 0, 0,  //
    2, 3, 3, 2, 1, 0, 0, 0,  //
    1, 2, 2, 1, 1, 0, 0, 0,  //
    0, 1, 1, 1, 0, 0, 0, 0,  //
    0, 0, 0, 0, 0, 0, 0, 0,  //
    0, 0, 0, 0, 0, 0, 0, 0,  //
    0, 0, 0, 0, 0, 0, 0, 0};

// Ours. Bonuses laid around a king: index by file and rank distance (0..7 each),
// used for the queen near the enemy king and for the kings in the endgame.
constexpr std::array<int8_t, 8> kNearKing = {6, 5, 3, 2, 1, 0, 0, 0};

// Colour weight of a square for the bad-bishop term (fixed), rank 8 first.
constexpr SquareTable kColourWeight = {
    0, 0,  0,  0,   0,   0,  0,   0,  //
    0, 0,  8,  8,   -8,  -8, 0,   0,  //
    0, 8,  -8, 16,  -16, 8,  -16, 0,  //
    0, -8, 8,  -16, 16,  -8, 8,   0,  //
    0, 8,  -8, 16,  -16, 8,  -8,  0,  //
    0, -8, 8,  -16, 16,  -8, 16,  0,  //
    0, 0,  -8, -8,  8,   8,  0,   0,  //
    0, 0,  0,  0,   0,   0,  0,   0};

// Ours. Two own pawns side by side, by the square of the left one: a phalanx holds
// more of the centre the further it has come.
constexpr SquareTable kPhalanx = {
    0, 0, 0, 0, 0, 0, 0, 0,  //
    3, 3, 4, 5, 4, 3, 3, 0,  //
    2, 2, 3, 4, 3, 2, 2, 0,  //
    1, 1, 2, 3, 2, 1, 1, 0,  //
    0, 1, 1, 2, 1, 1, 0, 0,  //
    0, 0, 1, 1, 1, 0, 0, 0,  //
    0, 0, 0, 0, 0, 0, 0, 0,  //
    0, 0, 0, 0, 0, 0, 0, 0};

// Ours. Bonus a pawn gains for leaving its file: the centre pawns are the ones to
// move first, the pawns before a castled king the ones to keep.
constexpr std::array<int8_t, 8> kPawnMoveBonus = {0, 0, 1, 2, 2, 0, -1, -1};

// Ours. N[f]: a file without own pawns; the pawn itself is counted by the material,
// so only the rook files lose a little of their hold on the wing. This is the row of
// a king in the centre and of the endgame.
constexpr std::array<int8_t, 8> kNoPawnFile = {-1, 0, 0, 0, 0, 0, 0, -1};
// Ours. Shield rows, N[f] for a king on its wing: a file before the king without an
// own pawn is a hole in its shield, the file right in front of it the worst.
constexpr std::array<int8_t, 8> kShieldKingWing = {-1, 0, 0, 0, 0, -2, -5, -4};
constexpr std::array<int8_t, 8> kShieldQueenWing = {-4, -5, -2, 0, 0, 0, 0, -1};
// Ours. The shield row's f-file entry gains this (engine units) when the king is on
// its wing and an own rook stands on the f-file, which it would open.
constexpr int kShieldRookOnF = 40;

// Ours. Base of the shield and storm table added to the pawn table outside the
// endgame. It is flat: the wing terms built on it at the root do the work (own pawns
// before the own king gain, own pawns before the enemy king count less so that trading
// them to open lines is cheap, and a pawn wedged on f6 or c6 against the king gains).
constexpr SquareTable kShieldStorm = {};
// Ours. King shield, by rank from the own side: an own pawn on a file of the own
// king's wing (g and h, or a to c) outside the endgame. Unmoved or one step forward
// it covers the king; further up it has left a hole behind it.
constexpr std::array<int8_t, 8> kKingShield = {0, 2, 1, -1, -2, -2, -2, 0};
// Ours. Pawn storm, by rank from the own side: an own pawn on a file of the enemy
// king's wing outside the endgame gains as it comes up against the king's shield.
constexpr std::array<int8_t, 8> kPawnStorm = {0, 0, 0, 1, 2, 3, 0, 0};
// Ours. R[f]: a rook on a file without own pawns, most in the centre.
constexpr std::array<int8_t, 8> kRookFile = {2, 2, 3, 4, 4, 3, 2, 2};

// Ours. A rammed pawn (blocked by an enemy pawn, no own pawn beside it) in units of 8
// of the pawn-file scores: fixed at home it hems in its own pieces, far advanced it
// holds space.
constexpr SquareTable kRammed = {
    0,  0,  0,  0,  0,  0,  0,  0,   //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    1,  1,  1,  1,  1,  1,  1,  1,   //
    0,  1,  1,  1,  1,  1,  1,  0,   //
    0,  0,  0,  -1, -1, 0,  0,  0,   //
    -1, -1, -1, -2, -2, -1, -1, -1,  //
    -1, -1, -2, -2, -2, -2, -1, -1,  //
    0,  0,  0,  0,  0,  0,  0,  0};

}  // namespace zh::zelko2::tables

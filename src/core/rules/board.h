// The board: 64 piece codes indexed by square (file * 8 + rank, a1 = 0, a2 = 1,
// b1 = 8, h8 = 63), the edge-flag and step tables that keep every step on the
// board, the attack test and the small chess helpers all code uses.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

#include "core/rules/square_set.h"

namespace zh {

// Piece codes: type in the low three bits, colour bit 8 for black.
enum PieceType : uint8_t {
  kEmpty = 0,
  kKing = 1,
  kQueen = 2,
  kKnight = 3,
  kBishop = 4,
  kRook = 5,
  kPawn = 6,
};
inline constexpr uint8_t kBlackBit = 8;

constexpr int TypeOf(int code) {
  return code & 7;
}
constexpr int ColourOf(int code) {
  return code & kBlackBit;
}
constexpr int FileOf(int square) {
  return square >> 3;
}
constexpr int RankOf(int square) {
  return square & 7;
}
constexpr int MakeSquare(int file, int rank) {
  return file * 8 + rank;
}
constexpr bool IsOnBoard(int square) {
  return square >= 0 && square < 64;
}

// One bit per board edge line a square lies on.
enum EdgeFlag : uint8_t {
  kEdgeRank8 = 0x01,
  kEdgeRank7 = 0x02,
  kEdgeFileA = 0x04,
  kEdgeFileB = 0x08,
  kEdgeRank1 = 0x10,
  kEdgeRank2 = 0x20,
  kEdgeFileH = 0x40,
  kEdgeFileG = 0x80,
};

constexpr std::array<uint8_t, 64> MakeEdgeFlags() {
  std::array<uint8_t, 64> t{};
  for (int s = 0; s < 64; ++s) {
    int f = FileOf(s), r = RankOf(s);
    uint8_t e = 0;
    if (r == 7) e |= kEdgeRank8;
    if (r == 6) e |= kEdgeRank7;
    if (r == 0) e |= kEdgeRank1;
    if (r == 1) e |= kEdgeRank2;
    if (f == 0) e |= kEdgeFileA;
    if (f == 1) e |= kEdgeFileB;
    if (f == 7) e |= kEdgeFileH;
    if (f == 6) e |= kEdgeFileG;
    t[s] = e;
  }
  return t;
}
inline constexpr std::array<uint8_t, 64> kEdgeFlags = MakeEdgeFlags();

// A step is allowed from square s only when kEdgeFlags[s] & mask is 0.
struct Step {
  uint8_t mask;
  int8_t delta;
};

// Knight, diagonal, straight and king steps one behind the other: a queen uses the
// eight steps that start at the diagonal list.
inline constexpr Step kSteps[28] = {
    // knight
    {0x1C, -17},
    {0x0D, -15},
    {0xD0, +15},
    {0xC1, +17},
    {0x34, -10},
    {0x07, -6},
    {0x70, +6},
    {0x43, +10},
    // diagonal
    {0x14, -9},
    {0x50, +7},
    {0x41, +9},
    {0x05, -7},
    // straight
    {0x04, -8},
    {0x10, -1},
    {0x40, +8},
    {0x01, +1},
    // king
    {0x14, -9},
    {0x04, -8},
    {0x05, -7},
    {0x10, -1},
    {0x01, +1},
    {0x50, +7},
    {0x40, +8},
    {0x41, +9},
};
inline constexpr int kKnightSteps = 0;
inline constexpr int kDiagonalSteps = 8;
inline constexpr int kStraightSteps = 12;
inline constexpr int kKingSteps = 16;
// Squares from which a white (black) pawn attacks a square.
inline constexpr Step kWhitePawnAttackers[2] = {{0x14, -9}, {0x50, +7}};
inline constexpr Step kBlackPawnAttackers[2] = {{0x05, -7}, {0x41, +9}};

constexpr bool CanStep(int square, Step step) {
  return (kEdgeFlags[square] & step.mask) == 0;
}

// The squares a step list reaches from each square, in step order, precomputed from
// the edge flags: the targets of one step each (knight, king), or the squares of a
// ray walked to the edge (one ray per diagonal and straight step).
struct SquareList8 {
  uint8_t count;
  uint8_t squares[8];
};

constexpr std::array<SquareList8, 64> MakeLeaperTargets(int first) {
  std::array<SquareList8, 64> t{};
  for (int s = 0; s < 64; ++s)
    for (int i = first; i < first + 8; ++i)
      if (CanStep(s, kSteps[i]))
        t[s].squares[t[s].count++] = static_cast<uint8_t>(s + kSteps[i].delta);
  return t;
}
inline constexpr std::array<SquareList8, 64> kKnightTargets = MakeLeaperTargets(kKnightSteps);
inline constexpr std::array<SquareList8, 64> kKingTargets = MakeLeaperTargets(kKingSteps);

// Rays by square and direction 0..7: the four diagonal steps, then the four straight ones.
constexpr std::array<std::array<SquareList8, 8>, 64> MakeRays() {
  std::array<std::array<SquareList8, 8>, 64> t{};
  for (int s = 0; s < 64; ++s) {
    for (int d = 0; d < 8; ++d) {
      const Step step = kSteps[kDiagonalSteps + d];
      SquareList8& ray = t[s][d];
      for (int q = s; CanStep(q, step);) {
        q += step.delta;
        ray.squares[ray.count++] = static_cast<uint8_t>(q);
      }
    }
  }
  return t;
}
inline constexpr std::array<std::array<SquareList8, 8>, 64> kRays = MakeRays();

// Rights bits a move keeps when it starts or ends on a square.
constexpr std::array<uint8_t, 64> MakeCastlingMask() {
  std::array<uint8_t, 64> t{};
  for (auto& v : t) v = 0x0F;
  t[0] = 0x0E;   // a1
  t[32] = 0x0C;  // e1
  t[56] = 0x0D;  // h1
  t[7] = 0x0B;   // a8
  t[39] = 0x03;  // e8
  t[63] = 0x07;  // h8
  return t;
}
inline constexpr std::array<uint8_t, 64> kCastlingMask = MakeCastlingMask();

struct Board {
  uint8_t squares[64];
  // Square at which the last comparison found a difference; only a speed aid.
  mutable uint32_t cachedIndex;

  Board() : Board(false) {}
  explicit Board(bool start);

  uint8_t operator[](int square) const { return squares[square]; }
  uint8_t& operator[](int square) { return squares[square]; }

  void Assign(const Board& other);
  // Copies the squares and keeps the cached index.
  void CopySquares(const Board& other);
  void Clear();
  void SetStartPosition();
  // Compares the square of the last difference first, then all squares in order.
  bool DiffersFrom(const Board& other) const;
  bool Equals(const Board& other) const { return !DiffersFrom(other); }
  // Every square holding `code` on `source` gets `code` here.
  void MergePieceKind(const Board& source, int code);

  // Attack sets (attacks.cpp). Side 1 is black, any other value white.
  // Squares the piece on `square` attacks; rays include their first occupied square.
  SquareSet GetPieceAttacks(int square) const;
  SquareSet GetSideAttacks(int side) const;
  // Squares of the side's pieces that attack `square`; batteries count in full.
  SquareSet GetAttackers(int square, int side) const;
  // table[s] := number of the side's attackers of s for every s in `squares`, else 0.
  void CountSquareAttackers(int side, SquareSet squares, int16_t table[64]) const;
};
static_assert(std::is_trivially_copyable_v<Board>);
static_assert(offsetof(Board, squares) == 0 && offsetof(Board, cachedIndex) == 64);
static_assert(sizeof(Board) == 68);

// Whether a piece of the given side attacks the square.
bool TestSquareAttacked(const Board& board, int square, bool byBlack);
inline bool IsSquareAttacked(const Board& board, int square, bool byBlack) {
  return TestSquareAttacked(board, square, byBlack);
}
// Whether the first king of that side in square order is attacked; false without one.
bool IsKingAttacked(const Board& board, bool black);
// 0 for a board a game can reach, -1 otherwise.
int16_t ValidateBoard(const Board& board, bool blackToMove);

// Maps 0<->1, 16<->32, 64<->128; any other value is returned unchanged.
constexpr uint32_t OppositeSide(uint32_t v) {
  switch (v) {
    case 0:
      return 1;
    case 1:
      return 0;
    case 16:
      return 32;
    case 32:
      return 16;
    case 64:
      return 128;
    case 128:
      return 64;
    default:
      return v;
  }
}

// Material by type: queen 900, knight 300, bishop 300, rook 450, pawn 100.
constexpr int PieceValue(int code) {
  constexpr int kValues[8] = {0, 0, 900, 300, 300, 450, 100, 0};
  return kValues[code & 7];
}

// The letter of the piece type in the user's language: message text 23 starts with
// the letters of K, Q, N, B, R, P; a blank when the text has no such character.
char PieceLetter(int code);
// "a1" .. "h8".
std::string SquareName(int square);
// The name of white (side 0) or black (any other value) without mnemonic marks;
// empty when the text is missing.
std::string SideName(int side);

constexpr uint8_t ManhattanDistance(int a, int b) {
  int df = FileOf(a) - FileOf(b), dr = RankOf(a) - RankOf(b);
  return static_cast<uint8_t>((df < 0 ? -df : df) + (dr < 0 ? -dr : dr));
}
// Exchanges file and rank: file-major numbering to rank-major and back.
constexpr int TransposeSquare(int s) {
  return ((s << 3) & 63) | ((s >> 3) & 7);
}

}  // namespace zh

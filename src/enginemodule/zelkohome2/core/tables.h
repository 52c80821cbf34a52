// Constant tables of the engine core: the square-difference tables, the piece
// attribute words, the hash keys and the per-square castling masks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "enginemodule/zelkohome2/core/types.h"

namespace zh::zelko2 {

// Byte 0 of an AttackTable entry: step relation bits.
enum : uint32_t {
  kLineClassMask = 0x03,  // 1 rank, 2 diagonal of +15, 3 diagonal of +17, 0 file or none
  kStepWhitePawn = 0x04,
  kStepBlackPawn = 0x08,
  kStepWhiteDouble = 0x10,
  kStepBlackDouble = 0x20,
  kStepCastling = 0x40,
  kStepContact = 0x80,
};
// Byte 1: reach bits.
enum : uint32_t {
  kReachWhitePawn = 0x01,
  kReachBlackPawn = 0x02,
  kReachStraight = 0x04,
  kReachDiagonal = 0x08,
  kReachKnight = 0x10,
  kReachAdjacent = 0x20,
  kReachNotFile = 0x40,
  kReachFile = 0x80,
  kReachLines = kReachStraight | kReachDiagonal,
  kReachContact = kReachKnight | kReachAdjacent,
};

// Square difference d = piece square - target square, -119..119.
constexpr int kDiffOffset = 120;
constexpr int kDiffCount = 240;

namespace detail {

struct DiffTables {
  std::array<uint32_t, kDiffCount> attack{};
  std::array<int, kDiffCount> step{};
};

// Built from the bit rules: every difference between real squares is a unique
// pair of file and rank distances.
constexpr DiffTables BuildDiffTables() {
  DiffTables t;
  for (int df = -7; df <= 7; ++df) {
    for (int dr = -7; dr <= 7; ++dr) {
      const int d = dr * 16 + df;
      uint32_t b0 = 0, b1 = 0;
      const bool rank = dr == 0 && df != 0;
      const bool file = df == 0 && dr != 0;
      const bool diag = df != 0 && (df == dr || df == -dr);
      if (rank) b0 |= 1;
      if (diag) b0 |= (df == -dr) ? 2 : 3;  // +15 goes one file left per rank up
      if (d == -16) b0 |= kStepWhitePawn;
      if (d == 16) b0 |= kStepBlackPawn;
      if (d == -32) b0 |= kStepWhiteDouble;
      if (d == 32) b0 |= kStepBlackDouble;
      if (d == 2 || d == -2) b0 |= kStepCastling;
      const bool adjacent = d != 0 && df >= -1 && df <= 1 && dr >= -1 && dr <= 1;
      const bool knight = (df * df + dr * dr) == 5;
      if (adjacent || knight) b0 |= kStepContact;
      if (d == -15 || d == -17) b1 |= kReachWhitePawn;
      if (d == 15 || d == 17) b1 |= kReachBlackPawn;
      if (rank || file) b1 |= kReachStraight;
      if (diag) b1 |= kReachDiagonal;
      if (knight) b1 |= kReachKnight;
      if (adjacent) b1 |= kReachAdjacent;
      b1 |= file ? kReachFile : kReachNotFile;
      t.attack[static_cast<std::size_t>(d + kDiffOffset)] = b0 | b1 << 8;
      if (rank || file || diag) {
        const int fd = df < 0 ? -df : df, rd = dr < 0 ? -dr : dr;
        t.step[static_cast<std::size_t>(d + kDiffOffset)] = d / (fd > rd ? fd : rd);
      }
    }
  }
  return t;
}
inline constexpr DiffTables kDiff = BuildDiffTables();

constexpr uint32_t Attr(uint32_t step, uint32_t reach, uint32_t check, uint32_t value) {
  return step | reach << 8 | check << 16 | value << 24;
}
// Rows by code >> 2: white codes 8..13, black codes 16..21.
inline constexpr std::array<uint32_t, 6> kWhiteAttributes = {
    Attr(0x14, 0x01, 0x01, 1), Attr(0, 0x10, 0x10, 3), Attr(0, 0x08, 0x08, 3),
    Attr(0, 0x04, 0x04, 5),    Attr(0, 0x0C, 0x0C, 9), Attr(0x40, 0x20, 0x00, 20)};
inline constexpr std::array<uint32_t, 6> kBlackAttributes = {
    Attr(0x28, 0x02, 0x02, 1), Attr(0, 0x10, 0x10, 3), Attr(0, 0x08, 0x08, 3),
    Attr(0, 0x04, 0x04, 5),    Attr(0, 0x0C, 0x0C, 9), Attr(0x40, 0x20, 0x00, 20)};

}  // namespace detail

// AttackTable entry (bytes 0 and 1 used) of a difference.
inline uint32_t AttackEntry(int d) { return detail::kDiff.attack[static_cast<std::size_t>(d + kDiffOffset)]; }
inline uint32_t StepBits(int d) { return AttackEntry(d) & 0xFF; }
inline uint32_t ReachBits(int d) { return (AttackEntry(d) >> 8) & 0xFF; }
// Unit step from the target towards the piece (index units), 0 off any line.
inline int StepToward(int d) { return detail::kDiff.step[static_cast<std::size_t>(d + kDiffOffset)]; }
const std::array<uint32_t, kDiffCount>& AttackTableEntries();

// PieceAttributes of a piece code: byte 0 step bits, byte 1 reach bits, byte 2 check
// bits, byte 3 value in pawns.
namespace detail {
// Attributes by code >> 2 (codes below 128), so that a lookup needs no colour branch.
inline constexpr std::array<uint32_t, 32> kAttributesByRow = [] {
  std::array<uint32_t, 32> t{};
  for (std::size_t row = 0; row < t.size(); ++row) {
    const std::size_t type = row & 7;
    if (type < kWhiteAttributes.size()) t[row] = (row & 0x10) ? kBlackAttributes[type] : kWhiteAttributes[type];
  }
  return t;
}();
}  // namespace detail
inline uint32_t Attributes(PieceCode code) { return detail::kAttributesByRow[static_cast<std::size_t>(code >> 2) & 31]; }
inline uint32_t AttrReach(PieceCode code) { return (Attributes(code) >> 8) & 0xFF; }
inline uint32_t AttrCheck(PieceCode code) { return (Attributes(code) >> 16) & 0xFF; }
inline uint32_t AttrValue(PieceCode code) { return Attributes(code) >> 24; }

// Material signature contribution of a piece code (its delta is the negative).
uint32_t SignatureWeight(PieceCode code);

// The 3168 bytes of the shift-register generator, and the 64-bit keys built from
// them (low half) and from a second fixed-seed table (high half).
const std::array<uint8_t, 3168>& ShiftRegisterBytes();
uint64_t PieceKey(PieceCode code, Square s);
uint64_t EnPassantKey(Square s);  // e.p. component of a passed square on rank 3 or 6

// Castling rights a move from or to the square clears.
uint8_t CastlingClearMask(Square s);

}  // namespace zh::zelko2

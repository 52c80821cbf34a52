// Constant tables of the engine core: the square-difference tables, the piece
// attribute words, the hash keys and the per-square castling masks.
#pragma once

#include <array>
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

// AttackTable entry (bytes 0 and 1 used) of a difference.
uint32_t AttackEntry(int d);
inline uint32_t StepBits(int d) { return AttackEntry(d) & 0xFF; }
inline uint32_t ReachBits(int d) { return (AttackEntry(d) >> 8) & 0xFF; }
// Unit step from the target towards the piece (index units), 0 off any line.
int StepToward(int d);
const std::array<uint32_t, kDiffCount>& AttackTableEntries();

// PieceAttributes of a piece code: byte 0 step bits, byte 1 reach bits, byte 2 check
// bits, byte 3 value in pawns.
uint32_t Attributes(PieceCode code);
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

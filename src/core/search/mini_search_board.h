// The small search's 0x88 board: piece codes, move flags and step tables shared by its
// source files.
#pragma once

#include <cstdint>

namespace zh::mini {

// Internal piece codes: white 0..5 (queen, rook, bishop, knight, pawn, king), 6 empty,
// black 12 - white code.
inline constexpr uint8_t kWQ = 0, kWR = 1, kWB = 2, kWN = 3, kWP = 4, kWK = 5, kNone = 6, kBK = 7,
                         kBP = 8, kBN = 9, kBB = 10, kBR = 11, kBQ = 12;
inline constexpr uint8_t kNoSquare = 255;

constexpr bool IsWhite(int code) {
  return code < 6;
}
constexpr bool IsBlack(int code) {
  return code > 6 && code <= 12;
}
constexpr int TypeIndex(int code) {
  return code < 6 ? code : 12 - code;
}

// Index into the square tables: rank-major from the side's own first rank.
constexpr int TableIndex(int s, bool white) {
  return white ? (s >> 4) * 8 + (s & 7) : (7 - (s >> 4)) * 8 + (s & 7);
}

inline constexpr int kKnightSteps[8] = {-33, -31, -18, -14, 14, 18, 31, 33};
inline constexpr int kKingSteps[8] = {-17, -16, -15, -1, 1, 15, 16, 17};
// Diagonals first, then the straight lines.
inline constexpr int kSliderSteps[8] = {-17, -15, 15, 17, -16, -1, 1, 16};

// Move flags: bits 0-2 promotion (4 plus queen, rook, bishop, knight), 8 capture,
// 16 castling, 32 en passant, 64 double step, 128 pawn move.
inline constexpr uint8_t kFPromo = 4, kFCapture = 8, kFCastle = 16, kFEp = 32, kFDouble = 64,
                         kFPawn = 128;

}  // namespace zh::mini

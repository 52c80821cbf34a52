// The packed start position of a game that does not start from the standard
// position: 4 bytes of kind, side and en-passant file, castling rights and first move
// number, then the board as a bit-coded board (kind 1, 24 bytes, 28 in all) or as a
// nibble board (kind 2, 32 bytes, 36 in all). The 32-byte nibble board also serves
// as a position key.
#pragma once

#include <cstdint>

#include "core/rules/board.h"
#include "core/rules/game_move.h"

namespace zh {

inline constexpr int kPackedPositionSize = 32;
inline constexpr int kBitBoardSize = 24;

namespace StartPositionRecord {

inline constexpr int kBitCodedLength = 28;
inline constexpr int kNibbleLength = 36;

// Packs the record; answers its length. A board with more than 32 men does not fit
// the bit coding and is written as kind 2 whatever the record's kind.
int Write(const StartRecord& record, uint8_t* bytes);
// Unpacks at most `available` bytes; answers the length read, or 0 for a kind other
// than 1 and 2 or a record cut short. An en-passant file stays only when the pawn that
// made the double step stands beside it; the ply becomes 0 and the kings are found.
// The caller checks that the position is legal.
int Read(const uint8_t* bytes, int available, StartRecord& record);

}  // namespace StartPositionRecord

// The 32-byte nibble board: square 2i in the high nibble of byte i, 2i + 1 in the low.
void PackPosition(const Board& board, uint8_t bytes[kPackedPositionSize]);
void UnpackPosition(const uint8_t bytes[kPackedPositionSize], Board& board);
// Difference of the first unequal bytes (a - b, unsigned), 0 when equal.
int ComparePackedPositions(const uint8_t* a, const uint8_t* b);

// The bit coding: an empty square is a 0 bit, an occupied one a 1 bit and its 4-bit
// code, squares a1..h8, most significant bit first. Encode answers false (bytes
// zeroed) for a board that needs more than 24 bytes; decode leaves squares empty
// once the bits run out.
bool EncodeBoardBits(const Board& board, uint8_t bytes[kBitBoardSize]);
void DecodeBoardBits(const uint8_t bytes[kBitBoardSize], Board& board);

}  // namespace zh

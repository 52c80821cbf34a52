// The compact key of a position in the position trees: a header byte (length, flags
// for en-passant file and castling rights), the piece of every square as a prefix
// code and the rights and en-passant file in the low bits of the last byte. The side
// to move is not part of the key.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/rules/position.h"

namespace zh {

// The longest key the header's five length bits can describe.
inline constexpr int kMaxPositionKey = 31;

// Writes the key to `out` (room for 50 bytes); answers 0, or 1 when the key would be
// longer than 31 bytes (then nothing of `out` is meaningful).
int CompressPosition(const Position& position, uint8_t* out);
// The key's length from its header byte.
inline int PositionKeyLength(const uint8_t* key) {
  return key[0] & 31;
}
// Decodes a key of which `size` bytes are readable. Answers 1 for a header length
// below 9 or beyond `size`, or a board no game can reach; the position is then
// cleared. On success white is to move.
int ExpandPosition(Position& position, const uint8_t* key, size_t size);

}  // namespace zh

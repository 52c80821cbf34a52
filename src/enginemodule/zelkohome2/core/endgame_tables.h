// The king-and-pawn bit tables, generated at build time by tools/kpk_gen.cpp.
// Squares are rank-major (a1 = 0, h8 = 63); the white pawn stands on files a-d.
#pragma once

#include <cstdint>

namespace zh::zelko2 {

extern const uint16_t kKpkOffsets[1536];
extern const uint16_t kKpkpOffsets[1536];
extern const uint64_t kEndgamePool[];

// KPK, white to move: won for white. Placements that cannot occur read as the
// look-ups of the black king's steps need them (next to the white king or attacked
// by the pawn: won; on the pawn: won when the white king guards it).
inline bool KpkWon(int pawn, int white_king, int black_king) {
  const int index = ((pawn >> 3) - 1) * 256 + (pawn & 7) * 64 + black_king;
  return (kEndgamePool[kKpkOffsets[index]] >> white_king) & 1;
}

// KPKP with the black pawn just above the white one, black to move: won for white
// (the side that has just moved). A white king on the black pawn reads as the KPK
// position after taking it, on its own pawn as not won.
inline bool KpkpWon(int white_pawn, int white_king, int black_king) {
  const int index = ((white_pawn & 7) + 4 * ((white_pawn >> 3) - 1)) * 64 + white_king;
  return (kEndgamePool[kKpkpOffsets[index]] >> black_king) & 1;
}

}  // namespace zh::zelko2

#include "core/rules/material_difference.h"

namespace zh {

void MaterialDifference(const Board& board, uint8_t* white, int& whiteCount, uint8_t* black,
                        int& blackCount) {
  uint8_t w[64], b[64];
  int nw = 0, nb = 0;
  for (int s = 0; s < 64; ++s) {
    const uint8_t code = board.squares[s];
    if (TypeOf(code) == kEmpty || TypeOf(code) == 7) continue;
    if (ColourOf(code)) b[nb++] = static_cast<uint8_t>(TypeOf(code));
    else w[nw++] = static_cast<uint8_t>(TypeOf(code));
  }
  // Pair off equal types, one of each side.
  bool takenBlack[64] = {};
  whiteCount = blackCount = 0;
  for (int i = 0; i < nw; ++i) {
    bool paired = false;
    for (int j = 0; j < nb && !paired; ++j)
      if (!takenBlack[j] && b[j] == w[i]) takenBlack[j] = paired = true;
    if (!paired && whiteCount < 16) white[whiteCount++] = w[i];
  }
  for (int j = 0; j < nb; ++j)
    if (!takenBlack[j] && blackCount < 16) black[blackCount++] = b[j];
}

}  // namespace zh

#include "core/rules/coding_movelist.h"

#include <algorithm>

namespace zh {

void CodingMoveList::Init() {
  list_.Init();
}

int CodingMoveList::Generate(const Board& board, int epFilePlusOne, int side, int limit) {
  Position p;
  p.board = board;
  p.side = side == 1 ? 1 : 0;
  p.epFile = static_cast<uint8_t>(epFilePlusOne >= 1 && epFilePlusOne <= 8 ? epFilePlusOne : 0);
  // With every right granted the generator's castling test is the board alone.
  p.castling = kAllRights;
  list_.Init();
  return list_.Generate(p, std::clamp(limit, 0, kSlots));
}

int CodingMoveList::IndexOf(int from, int to, int promotion) const {
  for (int i = 0; i < Count(); ++i) {
    const MoveCode& m = At(i);
    if (m.from == from && m.to == to && (!(m.kind & kPromotion) || m.promotion == promotion))
      return i;
  }
  return Count();
}

}  // namespace zh

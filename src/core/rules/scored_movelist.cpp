#include "core/rules/scored_movelist.h"

#include <utility>

namespace zh {

const Move& ScoredMoveList::MoveAt(int i) const {
  static const Move kEmptyMove = [] {
    Move m;
    m.kind = 63;
    return m;
  }();
  return i >= 0 && i < count_ ? moves_[i] : kEmptyMove;
}

int16_t ScoredMoveList::KeyAt(int i) const {
  return i >= 0 && i < count_ ? keys_[i] : 0;
}

void ScoredMoveList::Append(const Move& move, int16_t key) {
  if (count_ >= kCapacity) return;
  moves_[count_] = move;
  keys_[count_] = key;
  ++count_;
}

int ScoredMoveList::Find(const Move& move) const {
  for (int i = 0; i < count_; ++i) {
    const Move& m = moves_[i];
    if (m.from != move.from || m.to != move.to) continue;
    if (!(move.kind & kPromotion) || m.promotion == move.promotion) return i;
  }
  return -1;
}

void ScoredMoveList::Swap(int i, int j) {
  std::swap(moves_[i], moves_[j]);
  std::swap(keys_[i], keys_[j]);
}

void ScoredMoveList::SortRange(int lo, int hi) {
  while (lo < hi) {
    const int16_t pivot = keys_[(lo + hi) / 2];
    int i = lo - 1, j = hi + 1;
    for (;;) {
      do ++i;
      while (keys_[i] < pivot);
      do --j;
      while (keys_[j] > pivot);
      if (i >= j) break;
      Swap(i, j);
    }
    // Recurse into the left part, loop on the right one.
    SortRange(lo, j);
    lo = j + 1;
  }
}

}  // namespace zh

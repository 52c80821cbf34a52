// A list of full moves with a sort key each, sorted ascending by a quicksort whose
// order among equal keys other code relies on (it takes the first of equal keys).
#pragma once

#include <cstdint>

#include "core/rules/move.h"

namespace zh {

class ScoredMoveList {
 public:
  static constexpr int kCapacity = 256;

  ScoredMoveList() = default;
  ~ScoredMoveList() = default;

  int Count() const { return count_; }
  // Entry i; an empty move (and key 0) outside the list.
  const Move& MoveAt(int i) const;
  int16_t KeyAt(int i) const;

  // Copies the move with all its fields; dropped when the list is full.
  void Append(const Move& move, int16_t key);
  // Index of the first entry with the squares of `move` (and its promotion type when
  // `move` promotes), or -1.
  int Find(const Move& move) const;
  void Clear() { count_ = 0; }

  // Ascending by key.
  void Sort() { SortRange(0, count_ - 1); }
  // Quicksort of entries lo..hi: pivot is the middle entry's key, Hoare partition.
  void SortRange(int lo, int hi);

 private:
  void Swap(int i, int j);

  Move moves_[kCapacity];
  int16_t keys_[kCapacity] = {};
  int16_t count_ = 0;
};

}  // namespace zh

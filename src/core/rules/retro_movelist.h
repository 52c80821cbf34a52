// The moves that could have led to a position: every un-move of the side that just
// moved, with un-captures, un-promotions, un-castling, the double step demanded by an
// en-passant file and un-en-passant. Each entry, taken back with
// Position::UndoGameMove, gives the predecessor with its rights and en-passant file.
#pragma once

#include <cstdint>

#include "core/rules/game_move.h"
#include "core/rules/position.h"

namespace zh {

class RetroMoveList {
 public:
  static constexpr int kCapacity = 1024;
  static constexpr int kMaxLimit = 1023;

  RetroMoveList() { Init(); }

  // Clears every entry to the empty move.
  void Init();
  // Fills the list for the position, at most `limit` entries (above 1023 reads as
  // 1023); answers the count.
  int Generate(const Position& position, int limit = kMaxLimit);
  // Entry i, or entry 0 when i is beyond the last slot.
  const GameMove& At(int i) const { return entries_[i >= 0 && i <= 1022 ? i : 0]; }
  int Count() const { return count_; }

 private:
  // Appends an un-move of the scan square's piece from `from`, then its castling-right
  // variants; nothing once the limit is reached.
  void Add(int from, uint8_t kind, uint8_t captured, uint8_t promotion = 0,
           uint8_t rights = 0xFF, uint8_t epFile = 0);
  void Push(const GameMove& m);
  // A plain un-move from `from` and the same un-move putting back each enemy man.
  void AddWithUncaptures(int from);
  void Leaper(const uint8_t* targets, int n);
  void Slider(int firstRay, int lastRay);
  void Unpromotions();
  void King();
  void Pawn();

  GameMove entries_[kCapacity];
  int count_ = 0;
  int limit_ = kMaxLimit;
  const Position* position_ = nullptr;
  uint8_t square_ = 0;   // the scan square
  uint8_t colour_ = 0;   // colour bit of the side that just moved
  uint8_t rights_ = 0;   // current castling rights
};

}  // namespace zh

// The move list: pseudo-legal and legal moves of the side to move in a fixed order.
// The order is part of stored formats (games store a move as its index here):
// squares 0..63 in order, and for each piece its steps in table order.
#pragma once

#include <cstdint>

#include "core/rules/move.h"
#include "core/rules/position.h"

namespace zh {

class MoveList {
 public:
  static constexpr int kSlots = 256;
  static constexpr int kMaxLimit = 255;

  MoveList() { Init(); }

  // Count 0 and the first slot zeroed.
  void Init();
  // Pseudo-legal moves of the side to move, at most `limit` (255 at most); answers
  // the count.
  int Generate(const Position& position, int limit = kMaxLimit);
  // The legal moves in generation order; answers the count.
  int GenerateLegal(const Position& position);
  // Whether a legal move goes from `from` to `to` (for a promotion, with any piece);
  // tests that move alone where GenerateLegal tests every move.
  static bool IsLegalMove(const Position& position, int from, int to);
  // Lists filled by others (books): appends one entry, false when kMaxLimit entries
  // are held; Truncate keeps the first n entries.
  bool Append(MoveCode code);
  void Truncate(int n);

  int Count() const { return count_; }
  // Slot i, or slot 0 for an index outside 0..254.
  const MoveCode& At(int i) const { return moves_[i >= 0 && i < kMaxLimit ? i : 0]; }
  const MoveCode* begin() const { return moves_; }
  const MoveCode* end() const { return moves_ + count_; }

  // Some move has the squares of `move` and, when it promotes, its promotion type.
  bool Contains(const Move& move) const;
  // Moves starting (ending) on the square.
  int CountFromSquare(int square) const;
  int CountToSquare(int square) const;
  // Index of the first move starting (ending) on the square, its other square in
  // `other`; Count() when there is none.
  int FindFromSquare(int square, uint8_t& other) const;
  int FindToSquare(int square, uint8_t& other) const;

 private:
  // Room for the moves of one more piece beyond the limit; they are cut off.
  static constexpr int kOverflowRoom = 32;

  MoveCode moves_[kSlots + kOverflowRoom];
  int16_t count_ = 0;
};

}  // namespace zh

// The one-byte move coding of the game file: every piece carries a slot code (piece
// code + 16 * ordinal) kept up to date along the game, and a move is stored as the
// mover's slot base plus a direction code. Each colour numbers one king, three
// queens, knights, bishops and rooks and eight pawns (21 slots); a piece beyond its
// type's count keeps the last slot code of its type but has no square entry, and its
// moves are escaped (byte 235).
#pragma once

#include <cstdint>
#include <vector>

#include "core/rules/game_move.h"
#include "core/rules/position.h"

namespace zh {

class PieceIndexBoard {
 public:
  static constexpr int kEntries = 42;
  static constexpr uint8_t kOffBoard = 255;
  static constexpr uint8_t kEscape = 235;
  static constexpr uint8_t kNullMove = 0;

  PieceIndexBoard() { Clear(); }

  void Clear();
  // Numbers the pieces: squares h8 down to a1 for order 1, else a1 up to h8; each
  // piece code takes ordinals 0, 1, 2 ... in that order.
  void SetFromPosition(const Position& position, int order);
  // Follows a completed move: capture, en passant, castling rook, promotion.
  void ApplyMove(const GameMove& move);
  // Takes the piece off the square. Kings stay; a queen, knight, bishop or rook of a
  // numbered slot lets the higher ordinals of its code move down, and the first piece
  // of that code beyond the count (in numbering order) takes the freed last ordinal.
  void RemovePiece(int square);
  // The pawn on the square becomes the first free ordinal of the type's code, or
  // ordinal 3 without a square entry when all three are taken.
  void Promote(int square, int type);

  // 1..234, or 235 for a move that the slots cannot carry (no numbered slot on the
  // from-square, a promotion, a step the piece cannot make).
  uint8_t EncodeMove(const GameMove& move) const;
  // The squares of a move byte for the side; false for a byte outside 1..234 or a
  // slot that is not on the board. The promotion stays 0.
  bool DecodeMove(uint8_t byte, bool black, GameMove& move) const;

  uint8_t SlotAt(int square) const { return slots_[square]; }
  // Square of a numbered slot code, kOffBoard when it has none.
  uint8_t SquareOfSlot(int slot) const;
  int Order() const { return order_; }
  bool operator==(const PieceIndexBoard&) const = default;

 private:
  // The n-th square of the numbering order.
  int ScanSquare(int n) const { return order_ == 1 ? 63 - n : n; }
  uint8_t& EntryOf(int slot);
  void MoveSlot(int from, int to);

  uint8_t slots_[64];
  uint8_t squares_[kEntries];
  int16_t order_ = 0;
};

// Entry of a numbered slot code among the 42, kOffBoard for other codes.
uint8_t SlotEntryIndex(int slot);

// Boards of the positions a coder walks through. Grows on demand; Push answers 5
// only when memory runs out.
class PieceIndexBoardStack {
 public:
  explicit PieceIndexBoardStack(int capacity = 0);

  int Push(const PieceIndexBoard& board);
  // 1 when empty.
  int Pop(PieceIndexBoard& board);
  void Clear();
  int Count() const { return static_cast<int>(boards_.size()); }

 private:
  std::vector<PieceIndexBoard> boards_;
};

}  // namespace zh

// Stacks of positions: a fixed one and the growable stack of entered variations.
#pragma once

#include <cstdint>
#include <vector>

#include "core/rules/game_move.h"

namespace zh {

class VariationList;

class PositionStack {
 public:
  explicit PositionStack(int capacity);
  // 1 when full.
  int Push(const GamePosition& position);
  // 1 when empty.
  int Pop(GamePosition& position);
  const GamePosition* Top() const { return entries_.empty() ? nullptr : &entries_.back(); }
  int Count() const { return static_cast<int>(entries_.size()); }
  void FreeBuffer();

 private:
  std::vector<GamePosition> entries_;
  int capacity_;
};

struct LineStackEntry {
  GamePosition position;  // where the variation starts, with its ply
  uint16_t index = 0;     // the variation's index in its list
  VariationList* list = nullptr;
};

class LineStack {
 public:
  explicit LineStack(int capacity = 4);
  int PushPosition(const GamePosition& position);
  int PushLine(const GamePosition& position, VariationList* list, int index);
  // 1 when empty.
  int Pop(GamePosition& position);
  int PopLine(GamePosition& position, VariationList*& list, int& index);
  void Assign(const LineStack& other) { entries_ = other.entries_; }
  // Entry i, or a static empty entry (standard position, no list).
  const LineStackEntry& Entry(int i) const;
  LineStackEntry& MutableEntry(int i) { return entries_[i]; }
  const LineStackEntry& Top() const { return Entry(Count() - 1); }
  int Count() const { return static_cast<int>(entries_.size()); }
  void Clear() { entries_.clear(); }
  void FreeBuffer();
  // Moves of the entry's variation; 0 without a list.
  static int LineLength(const LineStackEntry& entry);

 private:
  std::vector<LineStackEntry> entries_;
};

}  // namespace zh

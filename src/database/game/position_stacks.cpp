#include "database/game/position_stacks.h"

#include "database/game/move_tree.h"

namespace zh {

PositionStack::PositionStack(int capacity) : capacity_(capacity) {
  entries_.reserve(capacity);
}

int PositionStack::Push(const GamePosition& position) {
  if (Count() >= capacity_) return 1;
  entries_.push_back(position);
  return 0;
}

int PositionStack::Pop(GamePosition& position) {
  if (entries_.empty()) return 1;
  position = entries_.back();
  entries_.pop_back();
  return 0;
}

void PositionStack::FreeBuffer() {
  entries_ = {};
  capacity_ = 0;
}

LineStack::LineStack(int capacity) {
  entries_.reserve((capacity + 3) & ~3);
}

int LineStack::PushPosition(const GamePosition& position) {
  if (entries_.size() == entries_.capacity()) entries_.reserve(entries_.size() + 4);
  entries_.push_back({position, 0, nullptr});
  return 0;
}

int LineStack::PushLine(const GamePosition& position, VariationList* list, int index) {
  if (PushPosition(position)) return 1;
  entries_.back().list = list;
  entries_.back().index = static_cast<uint16_t>(index);
  return 0;
}

int LineStack::Pop(GamePosition& position) {
  if (entries_.empty()) return 1;
  position = entries_.back().position;
  entries_.pop_back();
  return 0;
}

int LineStack::PopLine(GamePosition& position, VariationList*& list, int& index) {
  if (entries_.empty()) return 1;
  list = entries_.back().list;
  index = entries_.back().index;
  return Pop(position);
}

const LineStackEntry& LineStack::Entry(int i) const {
  static const LineStackEntry empty;
  if (i < 0 || i >= Count()) return empty;
  return entries_[i];
}

void LineStack::FreeBuffer() {
  entries_ = {};
}

int LineStack::LineLength(const LineStackEntry& entry) {
  return entry.list ? entry.list->GetLine(entry.index)->Count() : 0;
}

}  // namespace zh

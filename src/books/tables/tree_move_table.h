// One block of a tree window's rows: up to 32 moves with the tree's items of the
// position each leads to (or comes from), kept as parallel arrays.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "books/tree/tree_items.h"

namespace zh {

class TreeMoveTable {
 public:
  static constexpr int kEntries = 32;

  void Clear();
  // Exchanges entries i and j in every array.
  void Swap(int i, int j);

  std::array<StatisticItem, kEntries> statistics{};
  std::array<ZelkoItem, kEntries> zelko{};  // the shown value is the negated stored byte
  std::array<EvalItem, kEntries> evals{};
  std::array<GameMove, kEntries> moves{};   // empty entries are empty moves
  std::array<uint8_t, kEntries> symbols{};  // from the position's tree move list
  std::array<uint8_t, kEntries> seconds{};  // the grade byte of the tree move list
  std::array<int16_t, kEntries> values{};   // move values, sort key of order 5
  std::array<std::string, kEntries> texts;  // the formatted moves
  int32_t gameSum = 0;
  uint16_t count = 0;
};

}  // namespace zh

#include "books/tables/tree_move_table.h"

#include <utility>

namespace zh {

void TreeMoveTable::Clear() { *this = TreeMoveTable(); }

void TreeMoveTable::Swap(int i, int j) {
  std::swap(statistics[i], statistics[j]);
  std::swap(zelko[i], zelko[j]);
  std::swap(evals[i], evals[j]);
  std::swap(moves[i], moves[j]);
  std::swap(symbols[i], symbols[j]);
  std::swap(seconds[i], seconds[j]);
  std::swap(values[i], values[j]);
  std::swap(texts[i], texts[j]);
}

}  // namespace zh

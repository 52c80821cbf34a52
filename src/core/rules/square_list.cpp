#include "core/rules/square_list.h"

#include <cstring>

#include "core/rules/board.h"

namespace zh {

void SquareList::Clear() {
  std::memset(squares, 255, sizeof squares);
  count = 0;
}

void SquareList::Add(int square) {
  if (count < kCapacity) squares[count++] = static_cast<uint8_t>(square);
}

SquareList SquareList::FromSquareSet(SquareSet set) {
  SquareList list;
  for (int s = 0; s < 64; ++s)
    if (set.Contains(s)) list.Add(s);
  return list;
}

SquareSet SquareList::ToSquareSet() const {
  SquareSet set;
  for (int i = 0; i < count; ++i)
    if (squares[i] < 64) set.Add(squares[i]);
  return set;
}

std::string SquareList::ToText() const {
  std::string text;
  for (int i = 0; i < count; ++i) {
    if (i > 0) text += i == count - 1 ? "+" : ", ";
    text += SquareName(squares[i] & 63);
  }
  return text;
}

}  // namespace zh

#include "support/perft.h"

#include "core/rules/movelist.h"

namespace zh::test {

uint64_t Perft(const Position& position, int depth) {
  if (depth <= 0) return 1;
  MoveList list;
  const int n = list.GenerateLegal(position);
  if (depth == 1) return static_cast<uint64_t>(n);
  uint64_t nodes = 0;
  for (const MoveCode& m : list) {
    Position next = position;
    next.MakeMoveSquares(m.from, m.to, m.promotion);
    nodes += Perft(next, depth - 1);
  }
  return nodes;
}

}  // namespace zh::test

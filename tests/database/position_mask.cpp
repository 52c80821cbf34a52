#include "position_mask.h"

#include <cstring>
#include <sstream>

#include "database/file_database.h"

namespace zh::test {

namespace {

bool SamePosition(const Position& a, const Position& b) {
  return a.side == b.side && std::memcmp(a.board.squares, b.board.squares, 64) == 0;
}

}  // namespace

int32_t PositionMask::MotifFindMatch(const GameTrace& t) const {
  const auto& trace = static_cast<const MainLineTrace&>(t);
  Position p;
  p.Set(trace.start, trace.blackStarts ? 1 : 0, 0, 0);
  if (SamePosition(p, target)) return 0;
  for (size_t i = 0; i < trace.moves.size(); ++i) {
    p.MakeMove(trace.moves[i].ToMove());
    if (SamePosition(p, target)) return static_cast<int32_t>(i + 1);
  }
  return kNoMatchingPly;
}

void PositionMask::SetTarget(const std::string& moves) {
  target = Position();
  std::istringstream in(moves);
  for (std::string m; in >> m;)
    target.MakeMoveSquares((m[0] - 'a') * 8 + (m[1] - '1'), (m[2] - 'a') * 8 + (m[3] - '1'), 0);
}

}  // namespace zh::test

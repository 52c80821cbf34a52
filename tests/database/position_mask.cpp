#include "position_mask.h"

#include <cstring>
#include <sstream>

#include "database/file_database.h"

namespace zh::test {

namespace {

bool SamePosition(const Position& a, const Position& b) {
  return a.side == b.side && std::memcmp(a.board.squares, b.board.squares, 64) == 0;
}

int Men(const Board& board) {
  int men = 0;
  for (uint8_t square : board.squares) men += square != 0;
  return men;
}

}  // namespace

int32_t PositionMask::MotifFindMatch(const TraceSink& t) const {
  const auto& trace = static_cast<const MainLineTrace&>(t);
  Position p;
  p.Set(trace.start, trace.blackStarts ? 1 : 0, 0, 0);
  if (SamePosition(p, target)) return 0;
  // Men once taken do not come back: fewer men than the target's end the walk.
  const int targetMen = Men(target.board);
  int men = Men(p.board);
  for (size_t i = 0; i < trace.moves.size() && men >= targetMen; ++i) {
    const GameMove& move = trace.moves[i];
    p.MakeMove(move.ToMove());
    if (move.IsCapture()) --men;
    if (SamePosition(p, target)) return static_cast<int32_t>(i + 1);
  }
  return kNoMatchingPly;
}

int PositionMask::MinimumMen() const {
  return motifOn ? Men(target.board) : 0;
}

void PositionMask::SetTarget(const std::string& moves) {
  target = Position();
  std::istringstream in(moves);
  for (std::string m; in >> m;)
    target.MakeMoveSquares((m[0] - 'a') * 8 + (m[1] - '1'), (m[2] - 'a') * 8 + (m[3] - '1'), 0);
}

}  // namespace zh::test

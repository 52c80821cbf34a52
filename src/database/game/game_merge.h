// Merging the lines of a second game into this game's move tree.
#pragma once

#include "database/game/game_cursor.h"

namespace zh {

// Where another game's line meets this game's tree.
struct CommonPosition {
  bool found = false;
  // This game's cursor on the common position, with the variations entered on the way.
  GameCursor cursor;
  // The other cursor's ply of that position.
  int otherPly = -1;
  // The moves that follow there agree (this cursor's line goes on with the other's move).
  bool nextMovesAgree = false;
};

// Walks the other cursor's line from its ply to its end in step with this game's tree
// from `cursor` on (its line and every variation entered on the way, this ply being
// the other ply + `plyOffset`), and answers the deepest ply at which both positions
// agree (board, side to move and castling rights). Of equally deep positions the one
// reached first wins: a line before its variations. Neither cursor moves.
CommonPosition FindDeepestCommonPosition(const GameCursor& cursor, const GameCursor& other, int plyOffset);

// Takes the other game's main line and its variations into this game without
// replacing or removing anything: moves already present are followed; where the other
// line leaves this tree it joins again at the deepest common position (a transposition
// adds only its own continuation, not its move order), and the rest is added as
// variations there. `counter` (in and out) is raised when the games count as the same
// game (same players, result and length, another annotator, `flag` clear); then
// missing annotation kinds are taken over too, and the limits are 600 plies in the main
// line, 600 in variations and a nesting depth of 30; otherwise the merge settings give
// them (the first two doubled). Answers 0, or 9 when the other game's set-up start is
// not in this main line. The cursor stays where it was.
int MergeGames(GameCursor& cursor, const GameCursor& other, int& counter, bool flag);

}  // namespace zh

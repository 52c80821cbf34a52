// The diagram marks of a laid-out notation: where a printed game shows a board.
#pragma once

namespace zh {

class FullNota;
class GameCursor;

// `at` on the position of the first diagram mark in `line` (the position after the
// marked move, or the game's start for a mark of the whole game); false when the
// line has none.
bool DiagramAt(FullNota& nota, int line, GameCursor& at);

}  // namespace zh

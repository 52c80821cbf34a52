// Merging the lines of a second game into this game's move tree.
#pragma once

#include "database/game/game_cursor.h"

namespace zh {

// Takes the other game's main line and its variations into this game without
// replacing or removing anything: moves already present are followed, the rest is
// added as variations from the deepest common position. `counter` (in and out) is
// raised when the games count as the same game (same players, result and length,
// another annotator, `flag` clear); then missing annotation kinds are taken over too.
// Answers 0, or 9 when the other game's set-up start is not in this main line. The
// cursor stays where it was.
int MergeGames(GameCursor& cursor, const GameCursor& other, int& counter, bool flag);

}  // namespace zh

// Import of EPD position files as games: each line's position becomes a set-up start,
// its pv, pm, bm and am moves the main line and variations, its id the white player
// and its c0..c9 texts game comments. Moves are matched against the legal moves of
// the position, in English (K Q R B N) or German (K D T L S) piece letters.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "database/game/game_cursor.h"
#include "database/game/game_item.h"

namespace zh {

// Plays a move text from the cursor's position (AddMove mode `mode`): a leading move
// number is skipped, trailing "!" and "?" set the move's symbol. 0 entered, -1 not a
// legal move of the position (nothing changed), else the cursor's refusal.
int AddMoveText(GameCursor& cursor, std::string_view text, int mode);

// The symbol of trailing "!" / "?" marks: ! 1, ? 2, !! 3, ?? 4, !? 5, ?! 6; 0 none.
int MoveSymbolOf(std::string_view marks);

// Fills the game from one EPD line. 0 done; 1 when the line holds no position a game
// can reach.
int ReadEpdLine(std::string_view line, TQGame& game);

// Appends a game to the target database; 0 stored.
using GameAppender = std::function<int(TQGame&)>;

// Imports path.epd line by line into one tournament named after the file. A line
// whose position is invalid or whose game is refused is logged with its line number
// and skipped. 1 when the import has run (also without an appender), 5 out of memory.
// `stored` (when given) counts the appended games.
int EpdImport(const std::string& path, const GameAppender& append, int* stored = nullptr);

}  // namespace zh

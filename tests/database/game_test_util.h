// Helpers of the game tests: coordinate moves, a dump of the move tree and games
// entered through the cursor.
#pragma once

#include <string>
#include <string_view>

#include "database/game/game_cursor.h"
#include "database/game/game_item.h"

namespace zh::test {

// "e2e4" or "e7e8q" to squares and promotion type; false for malformed text.
bool ParseCoordinates(std::string_view text, int& from, int& to, int& promotion);
// Enters the blank-separated coordinate moves at the cursor (mode 0); "(" enters a new
// variation at the current ply's predecessor, ")" leaves it again.
void Enter(GameCursor& cursor, std::string_view moves);
// The main line with variations in parentheses, comments after a move in braces and
// embedded games as [game].
std::string DumpTree(const TQGame& game);
// The first four fields of the position's FEN.
std::string Fen4(const Position& position);

}  // namespace zh::test

// Games for the game-manager tests: a game from a FEN with moves in coordinate form.
#pragma once

#include <sstream>
#include <string>
#include <string_view>

#include "core/rules/movelist.h"
#include "database/game/game_cursor.h"
#include "database/game/game_item.h"
#include "support/test_fen.h"

namespace zh::test {

inline int SquareOf(std::string_view name) { return (name[0] - 'a') * 8 + (name[1] - '1'); }

inline int PromotionOf(char letter) {
  switch (letter) {
    case 'q': return 2;
    case 'n': return 3;
    case 'b': return 4;
    case 'r': return 5;
    default: return 0;
  }
}

// Plays coordinate moves on the cursor; false at the first one that is refused.
inline bool PlayMoves(GameCursor& cursor, std::string_view moves) {
  std::istringstream words{std::string(moves)};
  std::string word;
  while (words >> word) {
    const int promotion = word.size() > 4 ? PromotionOf(word[4]) : 0;
    if (cursor.AddMove(SquareOf(word.substr(0, 2)), SquareOf(word.substr(2, 2)), promotion, 2) != 0) return false;
  }
  return true;
}

// A game that starts from a FEN (empty: the start position).
struct TestGame {
  TQGame game;
  GameCursor cursor{&game};

  explicit TestGame(std::string_view fen = {}) {
    if (fen.empty()) {
      game.SetStandardStart();
    } else {
      game.body.SetSetUpStart(ParseFenForTest(fen), 1);
    }
    cursor.ToStartPosition();
  }
};

}  // namespace zh::test

#include "corpus_game.h"

#include "core/rules/board.h"
#include "database/game/game_cursor.h"

namespace zh::test {

TQGame CorpusGameOf(const CorpusGame& c) {
  TQGame game;
  game.header.record = HeaderRecord::Game();
  game.header.Clear();
  game.header.white = TQPlayer::FromText(c.white);
  game.header.black = TQPlayer::FromText(c.black);
  game.body.computeMoveTexts = false;  // not stored; the corpora are large
  GameCursor cursor(&game);
  for (const std::string& m : c.moves) {
    const int promotion = m.size() < 5 ? 0 : m[4] == 'q' ? kQueen : m[4] == 'n' ? kKnight : m[4] == 'b' ? kBishop : kRook;
    cursor.AddMove((m[0] - 'a') * 8 + (m[1] - '1'), (m[2] - 'a') * 8 + (m[3] - '1'), promotion, 1);
  }
  return game;
}

}  // namespace zh::test

#include "engines/book_manager.h"

#include "database/game/game_cursor.h"

namespace zh {

Move BookManager::GameBookMove(const GameCursor& cursor, uint16_t ecoCode) {
  (void)ecoCode;
  return BookMove(cursor.GetPosition());
}

}  // namespace zh

#include "database/storage/game_file_trace.h"

#include "database/game/game_cursor.h"
#include "database/game/game_item.h"
#include "database/search_mask.h"

namespace zh {

void LimitMainLine(TQGame& game, int plyLimit) {
  if (plyLimit >= 0 && game.body.mainLine.Count() > plyLimit) game.body.mainLine.Truncate(plyLimit);
}

void TraceMainLine(TQGame& game, TraceSink& trace) {
  GameCursor cursor(&game);
  trace.blackStarts = cursor.GetPosition().IsBlackToMove();
  trace.Start(cursor.GetPosition().board);
  const int plies = game.body.mainLine.Count();
  for (int i = 0; i < plies; ++i) {
    trace.AppendMove(*game.body.mainLine.GetMove(i), static_cast<int>(cursor.GetPosition().side));
    if (cursor.Forward() != 0) break;
  }
}

}  // namespace zh

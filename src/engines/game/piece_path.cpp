#include "engines/game/piece_path.h"

#include "database/game/game_cursor.h"

namespace zh {

MarkList BuildPiecePathArrows(const GameCursor& cursor, const SquareMarkList& squares) {
  MarkList arrows;
  for (int i = 0; i < squares.Count(); ++i) {
    uint8_t colour = 1;
    uint8_t target = squares.MarkAt(i).square;
    for (int ply = cursor.Ply() - 1; ply >= 0; --ply) {
      const GameMove& move = *cursor.GetMove(ply);
      if (move.IsEmpty() || move.to != target) continue;
      arrows.AddMark(Mark{colour, move.from, target});
      target = move.from;
      colour = colour == 1 ? 2 : 1;
    }
  }
  return arrows;
}

}  // namespace zh

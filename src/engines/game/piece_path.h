// The ways by which the pieces on some squares came there in the current game.
#pragma once

#include "core/rules/square_marks.h"
#include "database/game/annotation_values.h"

namespace zh {

class GameCursor;

// For each square of `squares` (only the squares are read), in list order, the moves
// of the piece standing there, latest first, as arrows whose colours alternate 1, 2,
// 1, ...; only destinations are followed, so a capture goes on with the capturing
// piece's earlier moves. Neither input is changed.
MarkList BuildPiecePathArrows(const GameCursor& cursor, const SquareMarkList& squares);

}  // namespace zh

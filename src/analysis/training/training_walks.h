// Training questions over a whole game: counted and summed over the main line and,
// depth first, every variation; and attaching a move question to a game's move.
#pragma once

#include "core/rules/move.h"

namespace zh {

class GameBody;
class GameCursor;

// Moves whose training holder has a current question.
int CountTrainingQuestions(const GameBody& game);
// Sums of the items' max points and of their scores.
int TotalTrainingPoints(const GameBody& game);
int TotalTrainingScore(const GameBody& game);

// Attaches a move-input question to the move at the cursor's ply plus `plyOffset`
// (clamped to the moves of the cursor's line): the move to find is `move`, `points`
// both the question's value and that answer's value, `time` its allowance in seconds.
// False when the line has no move.
bool AttachMoveQuestion(GameCursor& cursor, const MoveCode& move, int plyOffset, int time, int points);

}  // namespace zh

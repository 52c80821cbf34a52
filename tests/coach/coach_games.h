// Games and positions for the coach's tests: the ECO lines of pgn-extract and the
// seeded random games of the perft starts, as games and as the positions of every ply.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/rules/move.h"
#include "core/rules/position.h"
#include "database/game/game_item.h"

namespace zh::test {

struct CoachGame {
  Position start;
  std::vector<MoveCode> moves;
};

// The legal move with the coordinate form ("e2e4", "e7e8q"); false when none.
bool FindUciMove(const Position& position, const std::string& uci, MoveCode& move);
// A game of the moves from `start` (a set-up start unless it is the standard one).
std::unique_ptr<TQGame> MakeGame(const CoachGame& game);
// Every ECO line of pgn-extract (empty when it cannot be run).
std::vector<CoachGame> EcoGames();
// `count` seeded random games from the perft starts.
std::vector<CoachGame> RandomCoachGames(size_t count);
// The distinct positions of every ply of the games, the start and the end included.
std::vector<Position> DistinctPositions(const std::vector<CoachGame>& games);
// The output lines of tests/coach/<script> fed with one line per input.
std::vector<std::string> RunCoachScript(const std::string& script,
                                        const std::vector<std::string>& input);

}  // namespace zh::test

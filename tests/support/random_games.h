// The random games that the reference tests play from each perft position: half of
// the time a capture when there is one, so that games reach their ends.
#pragma once

#include <vector>

#include "core/rules/move.h"
#include "support/test_fen.h"

namespace zh::test {

inline constexpr int kRandomGamesPerStart = 40;
inline constexpr int kRandomGameMaxPlies = 120;

// The moves of each game, in order; the same games on every run.
std::vector<std::vector<MoveCode>> RandomGames(const PerftCase& start);

}  // namespace zh::test

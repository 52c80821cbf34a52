// The game overview's grid of board thumbnails and the plies they show.
#pragma once

#include <vector>

namespace zh {

struct OverviewGrid {
  int columns = 1;
  int rows = 1;
  int Count() const { return columns * rows; }
};

// Columns and rows of boards with their gaps in a dialog; at least one of each, so
// that a dialog smaller than one board still shows one.
OverviewGrid OverviewGridFor(int width, int height, int boardWidth, int boardHeight);

// The ply each board shows (a shorter list when the game has fewer plies) for a main
// line of `plies` plies over `count` boards. Steps of (30n div count) div 30 plies,
// at least one, and the remainders gathered until they make one more.
std::vector<int> OverviewPlies(int plies, int count);

}  // namespace zh

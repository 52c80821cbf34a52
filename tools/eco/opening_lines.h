// The opening lines (tables of eco, name and PGN moves) as the generators read them:
// each line's code, name, final board and length, and the rule that decides which
// line a board belongs to when several lines end on it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/rules/board.h"

namespace zh {

struct OpeningLine {
  uint16_t eco = 0;   // as TextToEco gives it
  std::string code;   // "A00"
  std::string name;   // UTF-8
  Board board;        // after the last move
  int plies = 0;
};

// Reads every table in order; false (with a message on stderr) when a table cannot be
// read or a line does not give a game.
bool ReadOpeningLines(const std::vector<std::string>& tables, std::vector<OpeningLine>& lines);

// For every line, the index of the line that owns its final board: the shortest line
// ending there, the earliest of equally short ones.
std::vector<size_t> BoardOwners(const std::vector<OpeningLine>& lines);

}  // namespace zh

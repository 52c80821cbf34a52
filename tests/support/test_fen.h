// FEN of a bare position for tests and benchmarks, the coordinate form of moves and
// the perft positions.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "core/rules/move.h"
#include "core/rules/position.h"

namespace zh::test {

// The position of a FEN; the move counters are ignored.
Position ParseFenForTest(std::string_view fen);
// The four position fields of a FEN followed by "0 1".
std::string FenForTest(const Position& position);
// Coordinate form of a move: "e2e4", "e7e8q".
std::string UciMove(const MoveCode& code);

// The perft positions with their published counts (depth 1 up to the last count).
struct PerftCase {
  const char* name;
  const char* fen;
  std::vector<uint64_t> counts;
};
const std::vector<PerftCase>& PerftCases();
// Test names show the case's name, not its bytes.
inline void PrintTo(const PerftCase& c, std::ostream* os) {
  *os << c.name;
}

}  // namespace zh::test

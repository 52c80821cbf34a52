// Move-path enumeration over the generators, MakeMove/UnmakeMove and the legality
// tests the search uses: outside check the capture and quiet generators with the fast
// test, in check the evasion scans with the full test.
#pragma once

#include <cstdint>
#include <functional>

#include "enginemodule/zelkohome2/core/movegen.h"

namespace zh::zelko2 {

// Calls fn(move) for each legal move at the current ply (the move is made during the
// call and taken back after it).
void ForEachLegalMove(Position& position, const std::function<void(const Move&)>& fn);

uint64_t Perft(Position& position, int depth);

}  // namespace zh::zelko2

// The legal move list computed the slow way: every pseudo-legal move in generation
// order, kept when Move::IsLegal accepts it. The generator must give the same list.
#pragma once

#include "core/rules/movelist.h"
#include "core/rules/position.h"

#include <vector>

namespace zh::test {

// Pseudo-legal moves filtered by playing each one.
std::vector<MoveCode> LegalByPlaying(const Position& position);
// Whether `list` holds exactly those moves in the same order.
bool SameAsLegalByPlaying(const Position& position, const MoveList& list);

}  // namespace zh::test

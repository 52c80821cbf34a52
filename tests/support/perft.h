// Perft: the number of leaf nodes of the legal move tree, counting the last ply by
// the size of the legal move list.
#pragma once

#include <cstdint>

#include "core/rules/position.h"

namespace zh::test {

uint64_t Perft(const Position& position, int depth);

}  // namespace zh::test

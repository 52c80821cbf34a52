// Helpers of the engine core tests.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "enginemodule/zelkohome2/core/fen.h"
#include "enginemodule/zelkohome2/core/perft.h"

namespace zh::zelko2::test {

inline void SetFen(Position& p, const std::string& fen) {
  CorePosition cp;
  ASSERT_TRUE(ParseFen(fen, cp)) << fen;
  ASSERT_TRUE(p.Set(cp)) << fen;
}

inline std::vector<Move> LegalMoves(Position& p) {
  std::vector<Move> moves;
  ForEachLegalMove(p, [&](const Move& m) { moves.push_back(m); });
  return moves;
}

inline std::map<std::string, uint64_t> Divide(Position& p, int depth) {
  std::map<std::string, uint64_t> result;
  ForEachLegalMove(p, [&](const Move& m) { result[MoveText(m)] = depth <= 1 ? 1 : Perft(p, depth - 1); });
  return result;
}

// Moves of a generator in the order produced, as text.
inline std::vector<std::string> Generated(const Position& p, GenKind kind, Square target = kNoSquare) {
  std::vector<std::string> out;
  MoveGenerator gen(kind, p, target);
  Move m;
  while (gen.Next(p, m)) {
    std::string text = MoveText(m);
    if (m.flags) text += "/" + std::to_string(m.flags);
    out.push_back(text);
  }
  return out;
}

inline Square Sq(const char* name) { return MakeSquare(name[0] - 'a', name[1] - '1'); }

}  // namespace zh::zelko2::test

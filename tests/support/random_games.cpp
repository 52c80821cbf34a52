#include "support/random_games.h"

#include <random>

#include "core/rules/movelist.h"

namespace zh::test {

std::vector<std::vector<MoveCode>> RandomGames(const PerftCase& c) {
  std::mt19937 random(20261210u + static_cast<uint32_t>(c.counts[1]));
  const Position start = ParseFenForTest(c.fen);
  std::vector<std::vector<MoveCode>> games;
  for (int game = 0; game < kRandomGamesPerStart; ++game) {
    Position p = start;
    std::vector<MoveCode> played;
    for (int ply = 0;; ++ply) {
      MoveList list;
      const int n = list.GenerateLegal(p);
      if (n == 0 || ply == kRandomGameMaxPlies) break;
      std::vector<MoveCode> captures;
      for (const MoveCode& m : list)
        if (m.kind & (kCapture | kEnPassant | kPromotion)) captures.push_back(m);
      const MoveCode m = !captures.empty() && random() % 2
                             ? captures[random() % captures.size()]
                             : list.At(static_cast<int>(random() % static_cast<uint32_t>(n)));
      played.push_back(m);
      p.MakeMoveSquares(m.from, m.to, m.promotion);
    }
    games.push_back(std::move(played));
  }
  return games;
}

}  // namespace zh::test

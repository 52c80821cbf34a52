#include "database/game/game_position_matcher.h"

#include <algorithm>

#include "core/services.h"
#include "database/game/game_cursor.h"
#include "database/game/game_item.h"

namespace zh {

void GamePositionMatcher::Build(const GameCursor& cursor) {
  GameCursor walk(cursor);
  while (walk.Forward() == 0) {
  }
  slots_.assign(static_cast<size_t>(std::max(walk.Ply(), 0)), {});
  while (walk.Ply() > 0) {
    PackPosition(walk.GetPosition().board, slots_[static_cast<size_t>(walk.Ply() - 1)].data());
    walk.Back(false);
  }
}

int GamePositionMatcher::CommonPlies(const TQGame& game) const {
  const int r = std::min({game.body.mainLine.Count(), SlotCount(), kPlyLimit});
  GamePosition p = {game.body.start.start.position, 0};
  std::vector<std::array<uint8_t, kPackedPositionSize>> packed(static_cast<size_t>(r));
  for (int i = 0; i < r; ++i) {
    p.DoGameMove(*game.body.mainLine.GetMove(i));
    PackPosition(p.position.board, packed[static_cast<size_t>(i)].data());
  }
  for (int plies = r; plies >= kMinCommonPlies; --plies)
    if (ComparePackedPositions(packed[static_cast<size_t>(plies - 1)].data(), Slot(plies - 1)) == 0)
      return plies;
  return -1;
}

int GamePositionMatcher::RankGames(GameReader& games, const uint32_t* numbers, int n) {
  n = std::clamp(n, 0, kMaxGames);
  results_.clear();
  results_.reserve(static_cast<size_t>(n));
  OpenFeedbackIfEnabled(n, 0);
  for (int i = 0; i < n; ++i) {
    TQGame game;
    game.body.plyLimit = kPlyLimit;
    const int plies = games.ReadGameForMatch(numbers[i], game) == 0 ? CommonPlies(game) : -1;
    results_.push_back({numbers[i], static_cast<int16_t>(plies)});
    if (i % 10 == 9) StepFeedbackIfEnabled(10);
  }
  CloseFeedbackIfEnabled();
  std::stable_sort(results_.begin(), results_.end(),
                   [](const Ranked& a, const Ranked& b) { return a.commonPlies > b.commonPlies; });
  return n;
}

int GamePositionMatcher::RankByKey(GameReader& games, PositionGameLists* key) {
  if (!key) return -1;
  std::vector<uint32_t> numbers;
  for (int slot = SlotCount() - 1; slot >= 0; --slot) {
    numbers.clear();
    const int found = key->GamesOfPosition(Slot(slot), numbers, kMaxGames);
    if (found < 0) return -1;
    if (found == 0) continue;
    if (numbers.empty()) return 0;
    return RankGames(games, numbers.data(), static_cast<int>(std::min<size_t>(numbers.size(), kMaxGames)));
  }
  return -1;
}

int GamePositionMatcher::GetNumbers(uint32_t* dst, int n) const {
  const int k = std::clamp(n, 0, static_cast<int>(results_.size()));
  for (int i = 0; i < k; ++i) dst[i] = results_[static_cast<size_t>(i)].number;
  return k;
}

int GamePositionMatcher::GetDepths(int16_t* dst, int n) const {
  const int k = std::clamp(n, 0, static_cast<int>(results_.size()));
  for (int i = 0; i < k; ++i) dst[i] = results_[static_cast<size_t>(i)].commonPlies;
  return k;
}

}  // namespace zh

// Game statistics of a tree position: adding, colour exchange, scores and the compact
// form of the write cache.
#include <algorithm>
#include <array>
#include <utility>

#include "books/tree/tree_page_records.h"
#include "core/rules/rating_performance.h"
#include "database/game/game_header.h"

namespace zh {

namespace {

// White's points in tenths of a game without a result, by its evaluation code.
constexpr std::array<uint32_t, 16> kPointsOfEvaluation = {5, 9, 7, 6, 5, 5, 4, 3,
                                                          1, 5, 5, 5, 5, 5, 5, 5};

uint32_t AddCount(uint32_t a, uint32_t b, uint32_t limit) {
  return b > limit - std::min(a, limit) ? limit : a + b;
}

// A rated count and its rating sum grow together or not at all.
void AddRatings(uint32_t& count, uint32_t& sum, uint32_t moreCount, uint32_t moreSum) {
  if (moreCount > StatisticItem::kMaxCount - std::min(count, StatisticItem::kMaxCount)) return;
  if (moreSum > StatisticItem::kMaxSum - sum) return;
  count += moreCount;
  sum += moreSum;
}

}  // namespace

void StatisticItem::Add(const StatisticItem& o) {
  games = AddCount(games, o.games, kMaxCount);
  whiteWins = AddCount(whiteWins, o.whiteWins, kMaxCount);
  blackWins = AddCount(blackWins, o.blackWins, kMaxCount);
  draws = AddCount(draws, o.draws, kMaxCount);
  whitePoints = AddCount(whitePoints, o.whitePoints, kMaxSum);
  AddRatings(whiteRated, whiteRatingSum, o.whiteRated, o.whiteRatingSum);
  AddRatings(blackRated, blackRatingSum, o.blackRated, o.blackRatingSum);
}

void StatisticItem::FromGame(const GameHeader* header) {
  if (!header) {
    InitUnknown();
    return;
  }
  *this = StatisticItem{};
  games = 1;
  switch (header->GetResult()) {
    case 2:
      whiteWins = 1;
      whitePoints = 10;
      break;
    case 0:
      blackWins = 1;
      break;
    case 1:
      draws = 1;
      whitePoints = 5;
      break;
    default:
      whitePoints = kPointsOfEvaluation[static_cast<uint32_t>(header->GetEval()) % 16];
      break;
  }
  if (const int elo = header->GetWhiteElo(); elo > 0) {
    whiteRated = 1;
    whiteRatingSum = static_cast<uint32_t>(elo);
  }
  if (const int elo = header->GetBlackElo(); elo > 0) {
    blackRated = 1;
    blackRatingSum = static_cast<uint32_t>(elo);
  }
}

void StatisticItem::InitUnknown() {
  *this = StatisticItem{};
  games = 1;
  whitePoints = 5;
}

void StatisticItem::SwapColours(int steps) {
  if (!(steps & 1)) return;
  std::swap(whiteWins, blackWins);
  const uint64_t all = static_cast<uint64_t>(games) * 10;
  whitePoints = all >= whitePoints ? static_cast<uint32_t>(std::min<uint64_t>(all - whitePoints,
                                                                               kMaxSum))
                                   : 0;
  std::swap(whiteRated, blackRated);
  std::swap(whiteRatingSum, blackRatingSum);
}

int StatisticItem::WhiteScore() const {
  const uint64_t n = uint64_t{whiteWins} + blackWins + draws;
  if (n == 0) return 0;
  return static_cast<int>((n / 2 + uint64_t{draws} * 50 + uint64_t{whiteWins} * 100) / n);
}

int StatisticItem::BlackScore() const {
  const uint64_t n = uint64_t{whiteWins} + blackWins + draws;
  return n == 0 ? 0 : 100 - WhiteScore();
}

uint32_t StatisticItem::AverageWhiteRating() const {
  return whiteRated ? whiteRatingSum / whiteRated : 0;
}

uint32_t StatisticItem::AverageBlackRating() const {
  return blackRated ? blackRatingSum / blackRated : 0;
}

int StatisticItem::WhitePerformance() const {
  if (uint64_t{whiteWins} + blackWins + draws == 0) return 0;
  RatingPerformance p;
  p.Set(static_cast<int32_t>(blackRated), static_cast<int32_t>(std::min<uint32_t>(
                                              blackRatingSum, 0x7FFFFFFF)));
  return p.GetTablePerformance(WhiteScore());
}

int StatisticItem::BlackPerformance() const {
  if (uint64_t{whiteWins} + blackWins + draws == 0) return 0;
  RatingPerformance p;
  p.Set(static_cast<int32_t>(whiteRated), static_cast<int32_t>(std::min<uint32_t>(
                                              whiteRatingSum, 0x7FFFFFFF)));
  return p.GetTablePerformance(100 - WhiteScore());
}

uint32_t StatisticItem::PackCompact() const {
  uint32_t w0 = whiteRatingSum & 0x0FFF;
  if (games) w0 |= 0x8000;
  if (whiteWins) w0 |= 0x4000;
  if (blackWins) w0 |= 0x2000;
  if (draws) w0 |= 0x1000;
  const uint32_t w1 = ((whitePoints & 15) << 12) | (blackRatingSum & 0x0FFF);
  return w0 | w1 << 16;
}

void StatisticItem::UnpackCompact(uint32_t compact) {
  const uint32_t w0 = compact & 0xFFFF;
  const uint32_t w1 = compact >> 16;
  *this = StatisticItem{};
  games = (w0 & 0x8000) ? 1 : 0;
  whiteWins = (w0 & 0x4000) ? 1 : 0;
  blackWins = (w0 & 0x2000) ? 1 : 0;
  draws = (w0 & 0x1000) ? 1 : 0;
  whiteRatingSum = w0 & 0x0FFF;
  whiteRated = whiteRatingSum ? 1 : 0;
  blackRatingSum = w1 & 0x0FFF;
  blackRated = blackRatingSum ? 1 : 0;
  whitePoints = w1 >> 12;
}

}  // namespace zh

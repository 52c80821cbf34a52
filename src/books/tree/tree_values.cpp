#include "books/tree/tree_values.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace zh {

int ValuesFromGrades(const uint8_t* flags, const uint8_t* grades, int n, int* values) {
  bool graded = false;
  for (int i = 0; i < n; ++i) {
    if (flags[i] & (ZelkoItem::kPlainMove | ZelkoItem::kMarkedMove)) return 1;
    const int v = grades[i];
    const int a = v <= 1 ? 0 : std::min(250, static_cast<int>(std::pow(4.0, v) * 0.0153));
    if (a != 0) graded = true;
    values[i] = 125 - a;
  }
  return graded ? 0 : 1;
}

int ValuesFromStatistics(const TreeSettings& settings, const StatisticItem* items, int n,
                         int* values, int mode) {
  const double x = settings.statWidth * 0.007;
  std::fill(values, values + n, 0);
  if (n <= 0) return 0;
  std::vector<double> weight(static_cast<size_t>(n));
  double sum = 0;
  for (int i = 0; i < n; ++i) {
    const StatisticItem& s = items[i];
    const auto g = static_cast<double>(uint64_t{s.whiteWins} + s.blackWins + s.draws);
    weight[static_cast<size_t>(i)] = g > 0 ? std::pow(g, x) : 0;
    sum += weight[static_cast<size_t>(i)];
  }
  if (!(sum > 0)) return 0;
  for (int i = 0; i < n; ++i) {
    const StatisticItem& s = items[i];
    const uint64_t g = uint64_t{s.whiteWins} + s.blackWins + s.draws;
    const int f = mode == 1 ? s.WhiteScore() : s.BlackScore();
    const double w = weight[static_cast<size_t>(i)] * 250 / sum;
    int value = -125;
    if (f >= 30) {
      const uint32_t opponents = mode == 1 ? s.AverageBlackRating() : s.AverageWhiteRating();
      if (g >= settings.minGames || (f >= 100 && opponents > 2599)) {
        int v = static_cast<int>(w);
        if (w > 10 || f < 40 || (g > 30 && w > 1))
          v = static_cast<int>((f - 50) * 1.2 + v * 0.4);
        value = std::clamp(v - 125, -125, 125);
      }
    }
    values[i] = -value;
  }
  return 0;
}

}  // namespace zh

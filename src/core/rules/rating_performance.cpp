#include "core/rules/rating_performance.h"

#include <cmath>

namespace zh {

namespace {

constexpr int kDifferences[51] = {
    0,   7,   14,  21,  29,  36,  43,  50,  57,  65,  72,  80,  87,  95,  102, 110, 117,
    125, 133, 141, 149, 158, 166, 175, 184, 193, 202, 211, 220, 230, 240, 251, 262, 273,
    284, 296, 309, 322, 336, 351, 366, 383, 401, 422, 444, 470, 501, 538, 589, 677, 800};

// Percentage of the games needed, by category.
constexpr int kGMNorm[26] = {0,  0,  0,  0,  0,  0,  0,  76, 73, 70, 67, 64, 60,
                             56, 53, 50, 47, 44, 40, 36, 33, 30, 27, 24, 20, 0};
constexpr int kIMNorm[25] = {0,  76, 73, 70, 67, 64, 60, 56, 53, 50, 47, 44, 40,
                             36, 33, 30, 27, 23, 20, 16, 13, 10, 7,  3,  0};

template <int N>
double NormPoints(const int (&table)[N], int category, int games, double none) {
  if (category >= N || table[category] == 0) return none;
  return table[category] * games * 0.01;
}

}  // namespace

int RatingPerformance::Difference(int k) {
  return k >= 0 && k <= 50 ? kDifferences[k] : 0;
}

int RatingPerformance::GMNormPercent(int category) {
  return category >= 0 && category < 26 ? kGMNorm[category] : 0;
}

int RatingPerformance::IMNormPercent(int category) {
  return category >= 0 && category < 25 ? kIMNorm[category] : 0;
}

int32_t RatingPerformance::GetAverage() const {
  return games > 0 ? (ratingSum + games / 2) / games : 0;
}

int32_t RatingPerformance::GetTablePerformance(int p) const {
  if (games <= 0) return 0;
  if (p < 0 || p > 100) return 9999;
  return p >= 50 ? GetAverage() + kDifferences[p - 50] : GetAverage() - kDifferences[50 - p];
}

int32_t RatingPerformance::GetFormulaPerformance(double x) const {
  if (games <= 0) return 0;
  if (x >= 1) return GetAverage() + 800;
  if (x <= 0) return GetAverage() - 800;
  return static_cast<int32_t>(GetAverage() - 418 * std::log10(1 / x - 1));
}

int32_t RatingPerformance::GetCategory() const {
  const int32_t c = (GetAverage() - 2226) / 25;
  return c < 0 ? 0 : c;
}

double RatingPerformance::GetGMNormPoints() const {
  return NormPoints(kGMNorm, GetCategory(), games, 999999);
}

double RatingPerformance::GetIMNormPoints() const {
  return NormPoints(kIMNorm, GetCategory(), games, 99999);
}

}  // namespace zh

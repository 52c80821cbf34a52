// Average rating of the opponents, performance from a score, tournament category and
// the points needed for the two title norms.
#pragma once

#include <cstdint>

namespace zh {

struct RatingPerformance {
  int32_t games = 0;
  int32_t ratingSum = 0;

  void Set(int32_t g, int32_t sum) { games = g, ratingSum = sum; }
  // Rounded; 0 without games.
  int32_t GetAverage() const;
  // By the table of rating differences; 9999 for a percentage outside 0..100.
  int32_t GetTablePerformance(int percentage) const;
  // By the logistic formula for a score fraction.
  int32_t GetFormulaPerformance(double fraction) const;
  int32_t GetCategory() const;
  // Points needed for the norm; 999999 (GM) or 99999 (IM) when the category has none.
  double GetGMNormPoints() const;
  double GetIMNormPoints() const;

  // Rating difference for a score of 50 + k percent, k = 0..50.
  static int Difference(int k);
  // Percentage of the games a norm needs in a tournament of the category; 0 when the
  // category has no norm or lies outside the tables.
  static int GMNormPercent(int category);
  static int IMNormPercent(int category);
};

}  // namespace zh

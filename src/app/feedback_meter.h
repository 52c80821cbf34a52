// The arithmetic of the progress dialog: percentage, bar fill and the estimate of
// the remaining time from the rate of (at most) the last minute. All terms are 64
// bits wide, so counts of billions and bars of any width stay exact.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zh {

// (total / 2 + n * 100) / total, a total of 0 taken as 1.
uint64_t FeedbackPercent(uint64_t n, uint64_t total);
// The right edge of the fill: width * value / range - 1 (-1: nothing filled).
int64_t FeedbackFillEdge(int64_t width, uint64_t value, uint64_t range);
// "25sec", "7min", "2h 5m"; empty for 0.
std::string RemainingTimeText(uint64_t seconds);

class FeedbackMeter {
 public:
  // The estimate is refreshed at most every 3 s and re-based after a minute.
  static constexpr double kShowEvery = 2.0;
  static constexpr double kRebaseAfter = 60.0;

  // Starts timing for `total` items at `nowMs`.
  void Restart(uint64_t total, uint64_t nowMs);
  // The remaining-time text to show after n items at nowMs, or nothing when the
  // shown text stays.
  std::optional<std::string> Step(uint64_t n, uint64_t nowMs);

  uint64_t Total() const { return total_; }
  uint64_t Base() const { return base_; }

 private:
  uint64_t total_ = 1;
  uint64_t base_ = 0;
  uint64_t startSecond_ = 0;
  uint64_t lastShown_ = 0;
};

}  // namespace zh

#include "app/feedback_meter.h"

namespace zh {

uint64_t FeedbackPercent(uint64_t n, uint64_t total) {
  if (total == 0) total = 1;
  return (total / 2 + n * 100) / total;
}

int64_t FeedbackFillEdge(int64_t width, uint64_t value, uint64_t range) {
  if (range == 0) range = 1;
  if (width <= 0) return -1;
  // A 64-bit count times the width needs more than 64 bits.
  const unsigned __int128 product = static_cast<unsigned __int128>(width) * value;
  return static_cast<int64_t>(product / range) - 1;
}

std::string RemainingTimeText(uint64_t r) {
  if (r == 0) return {};
  const uint64_t m = (r + 20) / 60;
  if (m == 0) return std::to_string(r) + "sec";
  const uint64_t h = m / 60;
  if (h == 0) return std::to_string(m) + "min";
  return std::to_string(h) + "h " + std::to_string(m % 60) + "m";
}

void FeedbackMeter::Restart(uint64_t total, uint64_t nowMs) {
  total_ = total;
  base_ = 0;
  startSecond_ = nowMs / 1000;
  lastShown_ = 0;
}

std::optional<std::string> FeedbackMeter::Step(uint64_t n, uint64_t nowMs) {
  const uint64_t now = nowMs / 1000;
  const double elapsed = now >= startSecond_ ? static_cast<double>(now - startSecond_) : 0.0;
  if (!(elapsed - static_cast<double>(lastShown_) > kShowEvery) || n == 0) return std::nullopt;
  lastShown_ = static_cast<uint64_t>(elapsed);
  const uint64_t total = total_ == 0 ? 1 : total_;
  uint64_t remaining = 0;
  // Past the total or at (or below) the base count there is no rate to go on.
  if (n < total && n > base_)
    remaining = static_cast<uint64_t>(elapsed / static_cast<double>(n - base_) *
                                      static_cast<double>(total - n));
  std::string text = RemainingTimeText(remaining);
  if (elapsed > kRebaseAfter) {
    startSecond_ = now;
    base_ = n;
    lastShown_ = 0;
  }
  return text;
}

}  // namespace zh

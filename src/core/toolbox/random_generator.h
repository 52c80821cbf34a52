// The minimal standard pseudo-random generator (Park and Miller, Schrage's method),
// its seed kept XORed with a mask between calls.
#pragma once

#include <cstdint>

#include "core/services.h"

namespace zh {

class RandomGenerator {
 public:
  static constexpr int32_t kMultiplier = 16807;
  static constexpr int32_t kModulus = 2147483647;
  static constexpr int32_t kQuotient = 127773;
  static constexpr int32_t kRemainder = 2836;
  static constexpr int32_t kMask = 123459876;

  // seed = mode; mode 1 seeds from the clock service instead (never to the mask).
  explicit RandomGenerator(int32_t mode = 1);

  // The next value in (0, 1).
  double Next();
  // The next internal state, 1 to 2147483646.
  int32_t NextState();
  // The internal state (the seed without its mask).
  int32_t State() const { return seed_ ^ kMask; }

 private:
  int32_t seed_;
};

// A RandomGenerator serving as the services' random source.
class RandomGeneratorService final : public RandomService {
 public:
  explicit RandomGeneratorService(int32_t mode = 1) : generator_(mode) {}
  uint32_t Next() override { return static_cast<uint32_t>(generator_.NextState()); }
  RandomGenerator& Generator() { return generator_; }

 private:
  RandomGenerator generator_;
};

}  // namespace zh

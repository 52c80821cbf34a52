#include "core/toolbox/random_generator.h"

namespace zh {

RandomGenerator::RandomGenerator(int32_t mode) : seed_(mode) {
  if (mode == 1) seed_ = static_cast<int32_t>(static_cast<uint64_t>(Clock().WallTime()) % 0x7FFF);
}

int32_t RandomGenerator::NextState() {
  int32_t s = seed_ ^ kMask;
  const int32_t k = s / kQuotient;
  s = kMultiplier * (s - k * kQuotient) - kRemainder * k;
  if (s < 0) s += kModulus;
  seed_ = s ^ kMask;
  return s;
}

double RandomGenerator::Next() { return NextState() * (1.0 / kModulus); }

}  // namespace zh

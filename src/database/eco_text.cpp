#include "database/eco_text.h"

#include <algorithm>
#include <cstdio>

namespace zh {

std::string EcoToText(uint16_t value) {
  if (value < 128) return {};
  const int n = std::min((value >> 7) - 1, 499);
  const int sub = std::min(value & 127, 99);
  char buffer[16];
  if (sub)
    std::snprintf(buffer, sizeof buffer, "%c%02d/%02d", 'A' + n / 100, n % 100, sub);
  else
    std::snprintf(buffer, sizeof buffer, "%c%02d", 'A' + n / 100, n % 100);
  return buffer;
}

}  // namespace zh

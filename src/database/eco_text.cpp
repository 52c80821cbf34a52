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

namespace {

bool IsDigit(std::string_view t, size_t i) {
  return i < t.size() && t[i] >= '0' && t[i] <= '9';
}

}  // namespace

uint16_t TextToEco(std::string_view text, bool upper) {
  text = text.substr(0, 7);
  if (text.empty()) return 0;
  const char letter = static_cast<char>(text[0] >= 'a' && text[0] <= 'e' ? text[0] - 32 : text[0]);
  if (letter < 'A' || letter > 'E') return 0;
  const int base = 100 * (letter - 'A');
  // Tens digit, units digit, sub-code tens and units; each missing one is a range.
  if (!IsDigit(text, 1)) return MakeEco(base + (upper ? 99 : 0), upper ? 127 : 0);
  const int tens = text[1] - '0';
  if (!IsDigit(text, 2)) return MakeEco(base + 10 * tens + (upper ? 9 : 0), upper ? 127 : 0);
  const int n = base + 10 * tens + (text[2] - '0');
  if (!IsDigit(text, 4)) return MakeEco(n, upper ? 127 : 0);
  const int subTens = text[4] - '0';
  if (!IsDigit(text, 5)) return MakeEco(n, 10 * subTens + (upper ? 9 : 0));
  return MakeEco(n, 10 * subTens + (text[5] - '0'));
}

}  // namespace zh

#include "core/toolbox/number_text.h"

#include <locale.h>
#include <stdlib.h>

#include <charconv>
#include <limits>

namespace zh {
namespace {

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The "C" locale as an object, so that conversions never see the process locale.
locale_t CLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c;
}

}  // namespace

int64_t ParseDecimal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  uint64_t magnitude = 0;
  bool overflow = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const unsigned digit = static_cast<unsigned>(text[i] - '0');
    if (magnitude > (uint64_t{kMax} + 1 - digit) / 10) overflow = true;
    if (!overflow) magnitude = magnitude * 10 + digit;
  }
  if (negative) {
    if (overflow || magnitude > uint64_t{kMax}) return std::numeric_limits<int64_t>::min();
    return -static_cast<int64_t>(magnitude);
  }
  if (overflow || magnitude > uint64_t{kMax}) return kMax;
  return static_cast<int64_t>(magnitude);
}

double ParseDouble(std::string_view text) {
  const std::string copy(text);  // strtod needs a terminated text
  const locale_t c = CLocale();
  if (c == static_cast<locale_t>(nullptr)) return 0.0;
  return strtod_l(copy.c_str(), nullptr, c);
}

std::string FormatDouble(double value) {
  char buffer[400];  // the longest double in fixed form with 5 decimals takes 316 characters
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                    std::chars_format::fixed, 5);
  std::string text(buffer, result.ec == std::errc() ? result.ptr : buffer);
  if (text.size() < 3) text.insert(0, 3 - text.size(), ' ');
  return text;
}

}  // namespace zh

// Text form of a 16-bit ECO value ((n + 1) << 7 | sub-code, n = 0 for A00 .. 499 for E99).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zh {

// Sub-code of a code without a finer division.
inline constexpr uint16_t kEcoNoCode = 0;

constexpr uint16_t MakeEco(int n, int subCode) {
  return static_cast<uint16_t>((n + 1) << 7 | (subCode & 127));
}

// "A00", "B12/07"; empty below 128; values beyond E99 read as E99.
std::string EcoToText(uint16_t value);
// The lowest (upper = false) or highest value that a possibly partial text covers:
// "C" is C00 .. C99/127, "A0" A00 .. A09/127, "A00/5" A00/50 .. A00/59. 0 unless the
// text starts with a letter A to E (either case). Only the first seven characters count.
uint16_t TextToEco(std::string_view text, bool upper);

}  // namespace zh

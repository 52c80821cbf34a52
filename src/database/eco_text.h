// Text form of a 16-bit ECO value ((n + 1) << 7 | sub-code, n = 0 for A00 .. 499 for E99).
#pragma once

#include <cstdint>
#include <string>

namespace zh {

// "A00", "B12/07"; empty below 128; values beyond E99 read as E99.
std::string EcoToText(uint16_t value);

}  // namespace zh

// The key combinations that insert chess symbols into the program's edit fields:
// key code (app/gui_tables.h) to a byte of the display set (core/toolbox/code_pages.h).
#pragma once

#include <array>
#include <cstdint>

#include "app/gui_tables.h"

namespace zh {

struct SymbolKey {
  int keyCode;
  uint8_t displayByte;
};

namespace detail {
using namespace key;
inline constexpr int kC = kCtrl;
inline constexpr int kSC = kShift | kCtrl;
inline constexpr int kCA = kCtrl | kAlt;
}  // namespace detail

inline constexpr std::array<SymbolKey, 39> kSymbolKeys = {{
    {detail::kC + key::Digit(1), 177},        {detail::kC + key::Digit(2), 178},
    {detail::kC + key::Digit(3), 247},        {detail::kC + key::Digit(4), 179},
    {detail::kC + key::Digit(5), 181},        {detail::kC + key::Letter('A'), 130},
    {detail::kC + key::Letter('B'), 165},     {detail::kC + key::Letter('D'), 158},
    {detail::kC + key::Letter('E'), 172},     {detail::kC + key::Letter('I'), 131},
    {detail::kC + key::kPoint, 149},          {detail::kCA + key::kPoint, 168},
    {detail::kCA + key::Letter('R'), 189},    {detail::kC + key::Letter('K'), 162},
    {detail::kC + key::Letter('L'), 145},     {detail::kC + key::Letter('M'), 176},
    {detail::kC + key::Letter('N'), 164},     {detail::kC + key::Letter('O'), 153},
    {detail::kC + key::Letter('P'), 167},     {detail::kC + key::Letter('Q'), 163},
    {detail::kC + key::Letter('R'), 166},     {detail::kC + key::Letter('S'), 134},
    {detail::kC + key::Letter('W'), 170},     {detail::kC + key::Letter('Z'), 147},
    {detail::kCA + key::Letter('P'), 173},    {detail::kCA + key::Letter('W'), 186},
    {detail::kSC + key::Letter('C'), 132},    {detail::kSC + key::Letter('D'), 146},
    {detail::kSC + key::Letter('P'), 254},    {detail::kSC + key::Letter('W'), 215},
    {detail::kCA + key::Letter('B'), 185},    {detail::kCA + key::Letter('C'), 148},
    {detail::kCA + key::Letter('D'), 137},    {detail::kCA + key::Letter('E'), 175},
    {detail::kCA + key::Letter('I'), 133},    {detail::kCA + key::Letter('K'), 187},
    {detail::kCA + key::Letter('O'), 174},    {detail::kCA + key::Letter('Q'), 171},
    {detail::kCA + key::Letter('Z'), 135},
}};

// The display byte of a key code (its repeat bit ignored); 0 when not listed.
constexpr uint8_t SymbolOfKey(int keyCode) {
  for (const SymbolKey& s : kSymbolKeys)
    if (s.keyCode == (keyCode & (key::kModifiers | key::kCodeMask))) return s.displayByte;
  return 0;
}

}  // namespace zh

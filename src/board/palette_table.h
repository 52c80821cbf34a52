// The program's palette colour table: the colours the program asks the display to
// keep, at most 150 of them, each once. One table serves the whole process.
#pragma once

#include <cstddef>

#include "board/board_colors.h"

namespace zh {

inline constexpr int kPaletteSlots = 150;

// Adds the colour unless an equal one (by components) is held or the table is full;
// the count afterwards.
int AddPaletteColor(const ColorRecord& color);
int PaletteColorCount();
// The i-th colour added, 0 <= i < PaletteColorCount().
ColorRecord PaletteColorAt(int i);
void ResetPaletteTable();

}  // namespace zh

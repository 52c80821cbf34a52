#include "board/palette_table.h"

#include <algorithm>
#include <array>

namespace zh {
namespace {

struct PaletteTable {
  std::array<ColorRecord, kPaletteSlots> colors;
  int count = 0;
};

PaletteTable& Table() {
  static PaletteTable table;
  return table;
}

}  // namespace

int AddPaletteColor(const ColorRecord& color) {
  PaletteTable& t = Table();
  auto end = t.colors.begin() + t.count;
  if (t.count < kPaletteSlots && std::find(t.colors.begin(), end, color) == end)
    t.colors[static_cast<size_t>(t.count++)] = color;
  return t.count;
}

int PaletteColorCount() { return Table().count; }

ColorRecord PaletteColorAt(int i) {
  const PaletteTable& t = Table();
  return i >= 0 && i < t.count ? t.colors[static_cast<size_t>(i)] : ColorRecord{};
}

void ResetPaletteTable() { Table().count = 0; }

}  // namespace zh

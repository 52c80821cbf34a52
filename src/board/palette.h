// A palette for drawing: the colours of the program's palette table as up to 256
// entries. Displays are true colour, so selecting and restoring only keep the
// bookkeeping (the pending flag, the kept previous palette, the dirty flag) and touch
// no device.
#pragma once

#include <cstdint>
#include <vector>

#include "board/board_colors.h"

namespace zh {

struct PaletteEntry {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  uint8_t flags = 0;
  bool operator==(const PaletteEntry&) const = default;
};

// While set, Palette::Select does nothing; set when a selection cannot be made.
bool IsPalettePending();
void SetPalettePending(bool pending);

class Palette {
 public:
  static constexpr int kMaxEntries = 256;
  static constexpr int32_t kInUse = 0;
  static constexpr int32_t kReleased = 3;

  // Every colour of the palette table becomes an entry.
  Palette();

  // Appends (red >> 8, green >> 8, blue >> 8, 0) while fewer than 256 entries are
  // held; marks the palette dirty in any case.
  void AddEntry(const ColorRecord& color);
  // Makes the palette again when dirty; selects it unless selection is pending;
  // answers whether it is selected.
  bool Select();
  bool SelectFor() { return Select(); }
  // Puts the previous palette back when a selection kept one.
  void Restore();
  // Frees the palette; a second release is reported and changes nothing.
  void Release();

  int32_t State() const { return state_; }
  bool IsDirty() const { return dirty_; }
  bool IsMade() const { return made_; }
  bool HasPrevious() const { return hasPrevious_; }
  const std::vector<PaletteEntry>& Entries() const { return entries_; }

 private:
  int32_t state_ = kInUse;
  bool made_ = false;
  bool hasPrevious_ = false;
  bool dirty_ = false;
  std::vector<PaletteEntry> entries_;
};

// The palette table as a list of colours, in order (the palette-keeping dialogs).
std::vector<ColorRecord> PaletteTableColors();

// The 255 colours of a work window's palette: the named colours 0-15, the table's
// colours, then the palette's own entries as component colours (8-bit values times
// 256) while the entry number stays below 255.
std::vector<ColorRecord> WorkWindowPalette(const Palette& palette);

}  // namespace zh

#include "board/palette.h"

#include "board/palette_table.h"
#include "core/services.h"

namespace zh {
namespace {

bool gPalettePending = false;
constexpr int kWorkWindowEntries = 255;  // entry 255 is left to the system
constexpr int kNamedEntries = 16;

}  // namespace

bool IsPalettePending() { return gPalettePending; }
void SetPalettePending(bool pending) { gPalettePending = pending; }

Palette::Palette() {
  for (const ColorRecord& c : PaletteTableColors()) AddEntry(c);
}

void Palette::AddEntry(const ColorRecord& color) {
  if (static_cast<int>(entries_.size()) < kMaxEntries)
    entries_.push_back(PaletteEntry{static_cast<uint8_t>(color.red >> 8), static_cast<uint8_t>(color.green >> 8),
                                    static_cast<uint8_t>(color.blue >> 8), 0});
  dirty_ = true;
}

bool Palette::Select() {
  if (state_ != kInUse) return false;
  if (dirty_ || !made_) made_ = true;
  if (gPalettePending) return false;
  hasPrevious_ = true;
  gPalettePending = false;
  dirty_ = false;  // realized
  return true;
}

void Palette::Restore() {
  if (!hasPrevious_) return;
  hasPrevious_ = false;
}

void Palette::Release() {
  if (state_ != kInUse) {
    ReportInconsistency("Zeile: ", "Graphics\\Palette", 36);
    return;
  }
  made_ = false;
  state_ = kReleased;
}

std::vector<ColorRecord> PaletteTableColors() {
  std::vector<ColorRecord> colors;
  for (int i = 0; i < PaletteColorCount(); ++i) colors.push_back(PaletteColorAt(i));
  return colors;
}

std::vector<ColorRecord> WorkWindowPalette(const Palette& palette) {
  std::vector<ColorRecord> colors;
  for (int i = 0; i < kNamedEntries; ++i) colors.push_back(ColorRecord{i, 0, 0, 0});
  for (const ColorRecord& c : PaletteTableColors()) {
    if (static_cast<int>(colors.size()) >= kWorkWindowEntries) break;
    colors.push_back(c);
  }
  for (const PaletteEntry& e : palette.Entries()) {
    if (static_cast<int>(colors.size()) >= kWorkWindowEntries) break;
    colors.push_back(ColorRecord::Rgb(static_cast<uint16_t>(e.red * 256), static_cast<uint16_t>(e.green * 256),
                                      static_cast<uint16_t>(e.blue * 256)));
  }
  return colors;
}

}  // namespace zh

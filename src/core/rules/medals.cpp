#include "core/rules/medals.h"

#include <bit>

namespace zh {

namespace {

constexpr int kMessageIds[16] = {453, 460, 455, 457, 465, 469, 468, 26,
                                 458, 464, 466, 467, 267, 461, 462, 463};
constexpr int kColourNames[16] = {-1, 13, 1, 9, 3, 6, 4, 14, 15, 12, 5, 10, 2, 0, 7, 11};
constexpr int kPerRow = 8;

}  // namespace

int Medals::Count() const {
  return std::popcount(bits);
}

int Medals::MessageId(int bit) {
  return bit >= 0 && bit < 16 ? kMessageIds[bit] : 455;
}

MedalColour Medals::ColourOf(int bit) {
  if (bit == 0) return {-1, 0xFFFF, 0xC030, 0};
  return {bit > 0 && bit < 16 ? kColourNames[bit] : 1, 0, 0, 0};
}

std::vector<MedalBox> Medals::Layout(const Rectangle& area) const {
  std::vector<MedalBox> boxes;
  const int n = Count();
  if (n == 0) return boxes;
  const int columns = n < kPerRow ? n : kPerRow;
  const int rows = (n + kPerRow - 1) / kPerRow;
  const int width = area.GetWidth() / columns;
  const int height = area.GetHeight() / rows;
  int i = 0;
  for (int bit = 0; bit < 16; ++bit) {
    if (!Has(bit)) continue;
    const int left = area.left + (i % kPerRow) * width;
    const int top = area.top + (i / kPerRow) * height;
    boxes.push_back({{left, top, left + width - 1, top + height - 1}, ColourOf(bit), bit});
    ++i;
  }
  return boxes;
}

}  // namespace zh

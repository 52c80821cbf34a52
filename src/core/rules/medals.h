// The 16 medal bits of a game: their message texts, colours and the layout in which
// the shell paints them.
#pragma once

#include <cstdint>
#include <vector>

#include "core/toolbox/rectangle.h"

namespace zh {

// A colour of the program's colour-name table, or the custom orange of medal 0.
struct MedalColour {
  int nameIndex = 1;  // -1 for the custom colour
  uint16_t red = 0, green = 0, blue = 0;
  bool operator==(const MedalColour&) const = default;
};

struct MedalBox {
  Rectangle rect;
  MedalColour colour;
  int bit = 0;
};

struct Medals {
  uint16_t bits = 0;

  int Count() const;
  bool Has(int bit) const { return bit >= 0 && bit < 16 && ((bits >> bit) & 1); }
  static int MessageId(int bit);
  static MedalColour ColourOf(int bit);
  // One box per set medal inside `area`: up to 8 side by side, each an equal share of
  // the width; more in rows of 8 sharing the height.
  std::vector<MedalBox> Layout(const Rectangle& area) const;
};

}  // namespace zh

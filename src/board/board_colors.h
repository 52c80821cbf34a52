// The 2D board colour record: piece fills, square colours and the texture flag,
// with the built-in colour schemes.
#pragma once

#include <cstdint>

namespace zh {

// A colour as the settings and the board keep it: a named-colour index (29 means
// "given by its components") and 16-bit red, green and blue.
struct ColorRecord {
  static constexpr int32_t kByComponents = 29;

  int32_t name = kByComponents;
  uint16_t red = 0;
  uint16_t green = 0;
  uint16_t blue = 0;

  static constexpr ColorRecord Rgb(uint16_t r, uint16_t g, uint16_t b) {
    return ColorRecord{kByComponents, r, g, b};
  }
  // Equal when the components are equal, whatever named index they came from.
  constexpr bool operator==(const ColorRecord& o) const {
    return red == o.red && green == o.green && blue == o.blue;
  }
};

struct BoardColors {
  ColorRecord whitePieces = ColorRecord::Rgb(65535, 65535, 65535);
  ColorRecord blackPieces = ColorRecord::Rgb(0, 0, 0);
  ColorRecord lightSquares;
  ColorRecord darkSquares;
  int32_t texture = 0;  // 1: the texture cell covers the dark squares

  // The colours of a scheme; unknown schemes (0, 5, 6, ...) give the default scheme.
  explicit BoardColors(int scheme = 0);

  // Registers the four colours, then the named colours 9 (light blue) and 1 (blue),
  // in the palette table; colours already there are not added again.
  void AddToPalette() const;

  // The four colours decide equality; the texture flag does not.
  bool operator==(const BoardColors& o) const {
    return whitePieces == o.whitePieces && blackPieces == o.blackPieces &&
           lightSquares == o.lightSquares && darkSquares == o.darkSquares;
  }
};

}  // namespace zh

#include "board/board_colors.h"

#include <array>
#include <optional>

#include "board/palette_table.h"

namespace zh {
namespace {

struct Scheme {
  int number;
  std::optional<ColorRecord> white, black;
  ColorRecord light, dark;
  int32_t texture;
};

using C = ColorRecord;
constexpr auto kNone = std::nullopt;

// A missing piece colour keeps the white/black start values.
const std::array<Scheme, 7> kSchemes = {{
    {1, kNone, kNone, C::Rgb(57088, 57088, 57088), C::Rgb(32768, 32768, 32768), 0},
    {2, kNone, kNone, C::Rgb(55040, 59904, 54528), C::Rgb(16386, 32768, 32768), 0},
    {3, kNone, C::Rgb(5120, 12800, 256), C::Rgb(52992, 62720, 55808), C::Rgb(10000, 52000, 45000), 1},
    {4, C::Rgb(65535, 65535, 56576), kNone, C::Rgb(42752, 47616, 59136), C::Rgb(22784, 26880, 43520), 0},
    {7, kNone, kNone, C::Rgb(58000, 58000, 58000), C::Rgb(0, 32767, 32767), 0},
    {8, C::Rgb(62464, 62464, 62464), C::Rgb(3840, 3840, 3840), C::Rgb(58880, 57344, 50688),
     C::Rgb(15360, 33792, 15360), 0},
    {-1, C::Rgb(65535, 65535, 56576), kNone, C::Rgb(59136, 53248, 42752), C::Rgb(42752, 32256, 23552), 0},
}};

const Scheme& FindScheme(int number) {
  for (const Scheme& s : kSchemes)
    if (s.number == number) return s;
  return kSchemes.back();
}

}  // namespace

BoardColors::BoardColors(int scheme) {
  const Scheme& s = FindScheme(scheme);
  if (s.white) whitePieces = *s.white;
  if (s.black) blackPieces = *s.black;
  lightSquares = s.light;
  darkSquares = s.dark;
  texture = s.texture;
}

void BoardColors::AddToPalette() const {
  // The named colours carry their components: the table tells colours apart by them.
  constexpr ColorRecord kLightBlue{9, 0, 0, 65535};
  constexpr ColorRecord kBlue{1, 0, 0, 128 * 257};
  for (const ColorRecord& c : {whitePieces, blackPieces, lightSquares, darkSquares, kLightBlue, kBlue})
    AddPaletteColor(c);
}

}  // namespace zh

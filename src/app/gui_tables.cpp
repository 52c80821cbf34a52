#include "app/gui_tables.h"

#include <array>
#include <cctype>

namespace zh {
namespace {

constexpr uint16_t Scale(int c8) { return static_cast<uint16_t>(c8 * 257); }
constexpr ColorRecord Rgb8(int name, int r, int g, int b) {
  return ColorRecord{name, Scale(r), Scale(g), Scale(b)};
}

constexpr std::array<ColorRecord, kColorCount> kNamedColors = {{
    Rgb8(0, 0, 0, 0),          // black
    Rgb8(1, 0, 0, 128),        // blue
    Rgb8(2, 0, 128, 0),        // green
    Rgb8(3, 0, 128, 128),      // cyan
    Rgb8(4, 128, 0, 0),        // red
    Rgb8(5, 128, 0, 128),      // magenta
    Rgb8(6, 128, 128, 0),      // brown
    Rgb8(7, 128, 128, 128),    // gray
    Rgb8(8, 192, 192, 192),    // light gray, face of dialogs and buttons
    Rgb8(9, 0, 0, 255),        // light blue
    Rgb8(10, 0, 255, 0),       // light green
    Rgb8(11, 0, 255, 255),     // light cyan
    Rgb8(12, 255, 0, 0),       // light red
    Rgb8(13, 255, 0, 255),     // light magenta
    Rgb8(14, 255, 255, 0),     // yellow
    Rgb8(15, 255, 255, 255),   // white
    Rgb8(16, 255, 255, 255),   // window background
    Rgb8(17, 0, 0, 0),         // window text
    Rgb8(18, 255, 255, 255),   // dialog background
    Rgb8(19, 0, 0, 0),         // dialog text
    Rgb8(20, 0, 0, 128),       // highlight
    Rgb8(21, 255, 255, 255),   // highlight text
    Rgb8(22, 0, 0, 128),       // active border
    Rgb8(23, 192, 192, 192),   // inactive border
    Rgb8(24, 0, 0, 0),         // menu text
    Rgb8(25, 160, 160, 160),   // pressed face
    Rgb8(26, 255, 255, 255),   // highlight edge
    Rgb8(27, 128, 128, 128),   // shadow edge
    Rgb8(28, 255, 255, 225),   // help text background
}};

struct FaceRule {
  std::string_view face;  // lower case
  FontFamily family;
};

// Stored face names of the program's fonts; the chess font holds the figurines,
// which DejaVu Sans has at U+2654 to U+265F.
constexpr std::array<FaceRule, 7> kFaces = {{
    {"ruruvezura zozozer", FontFamily::Sans},
    {"zevorovuvi doderovi", FontFamily::SansMono},
    {"times new roman", FontFamily::Serif},
    {"times", FontFamily::Serif},
    {"arial", FontFamily::Sans},
    {"courier new", FontFamily::SansMono},
    {"courier", FontFamily::SansMono},
}};

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
  return true;
}

}  // namespace

std::optional<ColorRecord> NamedColor(int number) {
  if (number < 0 || number >= kColorCount) return std::nullopt;
  return kNamedColors[static_cast<size_t>(number)];
}

ColorRecord ResolveColor(const ColorRecord& record) {
  if (record.name == kColorByComponents) return record;
  return NamedColor(record.name).value_or(record);
}

FontFamily FamilyOfFace(std::string_view storedFace) {
  for (const FaceRule& r : kFaces)
    if (SameIgnoringCase(storedFace, r.face)) return r.family;
  return FontFamily::Sans;
}

std::string_view DisplayFace(std::string_view storedFace) {
  switch (FamilyOfFace(storedFace)) {
    case FontFamily::SansMono: return "DejaVu Sans Mono";
    case FontFamily::Serif: return "DejaVu Serif";
    case FontFamily::Sans: break;
  }
  return "DejaVu Sans";
}

}  // namespace zh

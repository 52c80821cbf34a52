// The stored vocabularies of the user interface: numbered colours, key codes and
// font face names. Stored values keep these numbers and names; the display maps them.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "board/board_colors.h"

namespace zh {

// Numbered colours. 0-15 are the classic sixteen, 16-28 the face, edge and text
// colours of windows and dialogs, 29 a colour given by its components.
inline constexpr int kColorCount = 29;
inline constexpr int kColorByComponents = ColorRecord::kByComponents;
// The colour of a number 0-28; nothing for any other number.
std::optional<ColorRecord> NamedColor(int number);
// The colour a record stands for: its components for 29, else its named colour.
ColorRecord ResolveColor(const ColorRecord& record);

// Key codes: the key in the low 12 bits, modifiers above.
namespace key {
inline constexpr int kShift = 0x1000;
inline constexpr int kCtrl = 0x2000;
inline constexpr int kAlt = 0x4000;
inline constexpr int kModifiers = kShift | kCtrl | kAlt;
inline constexpr int kCodeMask = 0x0FFF;

inline constexpr int kDigit0 = 256;      // + digit
inline constexpr int kLetterA = 512;     // + letter index, A = 0
inline constexpr int kF1 = 768;          // + (n - 1)
inline constexpr int kDown = 1024;
inline constexpr int kUp = 1025;
inline constexpr int kLeft = 1026;
inline constexpr int kRight = 1027;
inline constexpr int kHome = 1028;
inline constexpr int kEnd = 1029;
inline constexpr int kPageUp = 1030;
inline constexpr int kPageDown = 1031;
inline constexpr int kReturn = 1280;
inline constexpr int kEscape = 1281;
inline constexpr int kTab = 1282;
inline constexpr int kBackspace = 1283;
inline constexpr int kSpace = 1284;
inline constexpr int kInsert = 1285;
inline constexpr int kDelete = 1286;
inline constexpr int kAdd = 1287;
inline constexpr int kSubtract = 1288;
inline constexpr int kMultiply = 1289;
inline constexpr int kDivide = 1290;
inline constexpr int kPoint = 1291;
inline constexpr int kComma = 1292;
inline constexpr int kLess = 1293;
inline constexpr int kGreater = 1294;
inline constexpr int kEqual = 1295;

constexpr int Digit(int d) { return kDigit0 + d; }
constexpr int Letter(char upper) { return kLetterA + (upper - 'A'); }
constexpr int Function(int n) { return kF1 + n - 1; }
}  // namespace key

// Font faces: the stored face name stays; display uses one of the DejaVu families.
enum class FontFamily { Sans, SansMono, Serif };
FontFamily FamilyOfFace(std::string_view storedFace);
std::string_view DisplayFace(std::string_view storedFace);

}  // namespace zh

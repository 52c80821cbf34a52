// Column layout of the game list's title bar: which of the nine columns fit a bar
// of a given width, where each one starts, and how the two name columns share
// the room that is left.
#pragma once

#include <array>
#include <cstdint>

namespace zh {

inline constexpr int kGameColumns = 9;
inline constexpr int kNameShareFirst = 22, kNameShareSecond = 18;
inline constexpr int kShareFirstMin = 12, kShareFirstMax = 42;
inline constexpr int kShareSecondMin = 12, kShareSecondMax = 35;
// Widths in characters of columns 3-8.
inline constexpr std::array<int, kGameColumns> kGameColumnChars = {0, 0, 0, 4, 3, 5, 4, 3, 4};
inline constexpr int kWideTitle = 550;   // columns 0, 7, 8 need more room than this
inline constexpr int kNamesChars = 95;   // names' total at most, in characters
inline constexpr int kNamesMinChars = 18;

// Characters of the number column for the highest game number.
int NumberColumnChars(int64_t highestGame);

struct GameTitleInput {
  int32_t width = 0;
  int32_t charWidth = 5;
  int32_t gap = 3;
  int64_t highestGame = 999999;
  bool numberAllowed = true;
  std::array<bool, kGameColumns> wanted{true, true, true, true, true, true, true, true, true};
  int share1 = kNameShareFirst;
  int share2 = kNameShareSecond;
};
struct GameTitleLayout {
  std::array<bool, kGameColumns> visible{};
  std::array<int32_t, kGameColumns> x{};
  int32_t width1 = 0, width2 = 0;  // the name columns, in pixels
  int32_t splitterX = 0;
  int numberChars = 0;
};
GameTitleLayout LayOutGameTitle(const GameTitleInput& in);

// The shares after the border moved by `chars` characters, each kept in its range.
void MoveNameBorder(int& share1, int& share2, int chars);

}  // namespace zh

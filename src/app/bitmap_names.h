// The table of the program's picture names and the choice among a picture's
// variants: the picture folders hold "TIMECTL.BMP", "TIMECTL2.BMP", ... of which one
// is drawn at random.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace zh {

inline constexpr int kBitmapNameCount = 49;
// Indexes 0-14 have variants; 47 and 48 record the two clock-face loads.
inline constexpr int kLastVariantIndex = 14;
inline constexpr int kClockFaceIndex = 47;
inline constexpr int kClockPartIndex = 48;
inline constexpr int kMaxVariants = 10;
inline constexpr int kDialogPictureFallback = 1003;  // indexes 0-11
inline constexpr int kPictureFallback = 262;         // indexes 12-48

// The name of a table index ("--" for the two clock slots), empty outside 0-48.
std::string_view BitmapName(int index);
// The resource bitmap that stands in for a missing picture of the index.
int FallbackBitmapId(int index);

// The folder entries whose base name (up to the first '.'), upper-cased, starts
// with `name`; with more than ten matches the last ten, in the ring order that
// keeps match j in slot j mod 10.
std::vector<std::string> VariantMatches(const std::vector<std::string>& entries, std::string_view name);

}  // namespace zh

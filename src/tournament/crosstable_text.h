// Plain-text helpers of the crosstables: widths in characters of UTF-8 text, padding,
// and printf-style formatting of numbers.
#pragma once

#include <string>
#include <string_view>

namespace zh {

// Characters (code points) of UTF-8 text.
int TextWidth(std::string_view utf8);
// The text followed by blanks up to `width` characters ("%-*s").
std::string PadRight(std::string_view utf8, int width);
std::string Blanks(int count);
// printf into a string; for numbers and ASCII only.
std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace zh

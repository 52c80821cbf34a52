// Minimal UTF-8 decoding and encoding for the texts the program authors.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zh {

// One decoded character: its code point and the bytes it takes. A byte that does
// not start a well-formed sequence decodes as one character of one byte whose code
// point is U+FFFD.
struct Utf8Char {
  char32_t code = 0;
  size_t length = 0;  // 0 only at the end of the text
};

inline constexpr char32_t kReplacementChar = 0xFFFD;

// Decodes the character at `pos`; length 0 when pos is at or past the end.
Utf8Char DecodeUtf8(std::string_view text, size_t pos);

// Appends the UTF-8 form of `code` (U+FFFD for values that are not scalar values).
void AppendUtf8(std::string& out, char32_t code);

}  // namespace zh

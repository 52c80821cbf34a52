// Small readers built on the symbol scanner, and plain text searches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zh {

// Reads up to `count` integers (a "-" before a number negates it; other tokens are
// skipped) into `values`, which is zeroed first. Returns the number read.
size_t ParseLongList(std::string_view text, int32_t* values, size_t count);
// The same for integers and floating numbers.
size_t ParseDoubleList(std::string_view text, double* values, size_t count);

// An identifier followed by an optionally negated integer; true when both were read.
bool ParseNamedInt(std::string_view text, std::string& name, int32_t& value);

// Byte position of the first occurrence of `word` whose neighbours are delimiter or
// blank characters (or the ends of the text); -1 when there is none.
std::ptrdiff_t FindWholeWord(std::string_view text, std::string_view word);

// The text up to the last occurrence of `c`: empty when that is the first character,
// the whole text when `c` is absent or the last character.
std::string StripAfterLast(std::string_view text, char c);

}  // namespace zh

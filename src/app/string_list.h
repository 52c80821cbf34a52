// Lists of strings packed as one buffer: each string ends with a NUL and an empty
// string ends the list (file-type filters are kept this way).
#pragma once

#include <string>
#include <string_view>

namespace zh {

// Appends `text` after the last string; the list stays ended by an empty string.
void AppendToStringList(std::string& list, std::string_view text);
// The n-th string (from 0); empty past the end of the list.
std::string_view StringOfList(std::string_view list, int n);

}  // namespace zh

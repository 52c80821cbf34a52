#include "tournament/crosstable_text.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace zh {

int TextWidth(std::string_view utf8) {
  int width = 0;
  for (unsigned char c : utf8) width += (c & 0xC0) != 0x80;
  return width;
}

std::string PadRight(std::string_view utf8, int width) {
  std::string text(utf8);
  const int missing = width - TextWidth(utf8);
  if (missing > 0) text.append(static_cast<size_t>(missing), ' ');
  return text;
}

std::string Blanks(int count) {
  return count > 0 ? std::string(static_cast<size_t>(count), ' ') : std::string();
}

std::string Printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int size = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text;
  if (size > 0) {
    std::vector<char> buffer(static_cast<size_t>(size) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    text.assign(buffer.data(), static_cast<size_t>(size));
  }
  va_end(args);
  return text;
}

}  // namespace zh

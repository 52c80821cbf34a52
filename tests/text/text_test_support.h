// Helpers of the text tests: bytes from hex, buffers into strings.
#pragma once

#include <cctype>
#include <cstdint>
#include <string>

#include "text/buffer.h"

namespace zh::text_test {

// Bytes from hex digits; anything else (blanks, bars) is layout for the reader.
inline std::string Hex(const std::string& text) {
  std::string bytes, digits;
  for (char c : text)
    if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
  for (size_t i = 0; i + 1 < digits.size(); i += 2)
    bytes.push_back(static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  return bytes;
}

// The bytes of a measured and then written output.
template <class WriteFn>
std::string Written(WriteFn write) {
  CBuffer measure(0);
  write(measure);
  CBuffer out(measure.Position());
  write(out);
  std::string bytes;
  out.ToString(bytes);
  return bytes;
}

}  // namespace zh::text_test

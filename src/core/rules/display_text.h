// Text in the program's one 8-bit display character set (ASCII, figurines 162..167,
// annotation signs, capture sign 141): one byte per character. A type of its own so
// that it is never taken for UTF-8; it becomes Unicode only for display.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/toolbox/code_pages.h"

namespace zh {

class DisplayText {
 public:
  DisplayText() = default;
  explicit DisplayText(std::string_view bytes) : bytes_(bytes) {}

  const std::string& Bytes() const { return bytes_; }
  std::string ToUtf8() const { return DisplayToUtf8(bytes_); }

  size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }
  uint8_t operator[](size_t i) const { return static_cast<uint8_t>(bytes_[i]); }
  void clear() { bytes_.clear(); }

  DisplayText& operator+=(const DisplayText& other) {
    bytes_ += other.bytes_;
    return *this;
  }
  // One character; 0 adds nothing, so that unset sign characters drop out.
  DisplayText& operator+=(uint8_t c) {
    if (c) bytes_ += static_cast<char>(c);
    return *this;
  }
  DisplayText& operator+=(char c) { return *this += static_cast<uint8_t>(c); }
  // ASCII text.
  DisplayText& operator+=(std::string_view ascii) {
    bytes_ += ascii;
    return *this;
  }
  DisplayText& operator+=(const char* ascii) { return *this += std::string_view(ascii); }

  bool operator==(const DisplayText&) const = default;

 private:
  std::string bytes_;
};

inline DisplayText operator+(DisplayText a, const DisplayText& b) {
  return a += b;
}

}  // namespace zh

#include "app/text_case.h"

#include <cstdint>

namespace zh {
namespace {

struct Decoded {
  char32_t cp;
  size_t length;  // 0: not a valid sequence
};

Decoded DecodeAt(const std::string& s, size_t i) {
  auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char b = byte(i);
  if (b < 0x80) return {b, 1};
  size_t len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
  if (len == 0 || i + len > s.size()) return {0, 0};
  char32_t cp = b & (0x3F >> (len - 1));
  for (size_t k = 1; k < len; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return {0, 0};
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  return {cp, len};
}

std::string Encode(char32_t cp) {
  std::string out;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

bool IsLetter(char32_t cp) {
  if ((cp >= 'A' && cp <= 'Z') || (cp >= 'a' && cp <= 'z')) return true;
  // Controls, Latin-1 punctuation and signs (¡ ¿ « ...) are not letters, but ª µ º are.
  if (cp < 0xC0) return cp == 0xAA || cp == 0xB5 || cp == 0xBA;
  return cp != 0xD7 && cp != 0xF7;  // × and ÷
}

char32_t ToUpper(char32_t cp) {
  if (cp >= 'a' && cp <= 'z') return cp - 0x20;
  if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) return cp - 0x20;
  if (cp == 0xFF) return 0x178;
  if (cp == 0x131) return 'I';
  if (cp == 0x17F) return 'S';
  bool evenUpper = (cp >= 0x100 && cp <= 0x137) || (cp >= 0x14A && cp <= 0x177);
  bool oddUpper = (cp >= 0x139 && cp <= 0x148) || (cp >= 0x179 && cp <= 0x17E);
  if (evenUpper && (cp & 1)) return cp - 1;
  if (oddUpper && !(cp & 1)) return cp - 1;
  return cp;
}

}  // namespace

std::string CapitalizeFirstLetter(std::string text) {
  for (size_t i = 0; i < text.size();) {
    Decoded d = DecodeAt(text, i);
    if (d.length == 0) {  // a stray byte is not a letter
      ++i;
      continue;
    }
    if (IsLetter(d.cp)) {
      char32_t up = ToUpper(d.cp);
      if (up != d.cp) text.replace(i, d.length, Encode(up));
      return text;
    }
    i += d.length;
  }
  return text;
}

}  // namespace zh

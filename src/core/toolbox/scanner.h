// Symbol scanner: splits the program's small text formats (settings values, message
// files, chat and scene scripts, number lists) into tokens. Texts are UTF-8; a
// multi-byte sequence is one character.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/toolbox/labeled_items.h"

namespace zh {

// Character classes over code points. Letters are ASCII letters and every code point
// from U+0080 up except the inverted marks U+00A1 and U+00BF.
constexpr bool IsLetterChar(char32_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= 0x80 && c != 0xA1 && c != 0xBF);
}
constexpr bool IsDigitChar(char32_t c) { return c >= '0' && c <= '9'; }
constexpr bool IsWordChar(char32_t c) { return IsLetterChar(c) || IsDigitChar(c); }
constexpr bool IsBlankChar(char32_t c) { return c == ' ' || (c >= 9 && c <= 13); }
constexpr bool IsDelimiterChar(char32_t c) {
  return (c >= 33 && c <= 47) || (c >= 58 && c <= 63) || (c >= 91 && c <= 95);
}
constexpr bool IsPrintableChar(char32_t c) { return c >= 32; }

// Token kinds. A keyword gives its own id instead of kIdentifier or kOperator.
enum TokenKind : int32_t {
  kTokenInteger = 1,
  kTokenFloat = 2,
  kTokenString = 7,
  kTokenIdentifier = 8,
  kTokenOperator = 9,
  kTokenControl = -9,
  kTokenEnd = -10,  // also an unterminated string or comment
};

class SymbolScanner {
 public:
  SymbolScanner(std::string text, uint16_t keywordCapacity, bool upperCase);

  // Registers a keyword or a multi-character operator; false when the table is full.
  bool AddKeyword(std::string_view name, int32_t id);
  const SymbolItemContainer& Keywords() const { return keywords_; }

  // The kind of the next token; `token` receives its text (a string without its quotes,
  // upper case for keywords and words when the upper-case flag is set).
  int32_t NextToken(std::string& token);
  int32_t LastKind() const { return lastKind_; }

  // Replaces the text and starts at its beginning.
  void SetText(std::string text);
  const std::string& Text() const { return text_; }
  size_t Position() const { return pos_; }
  void SetPosition(size_t pos) { pos_ = pos < text_.size() ? pos : text_.size(); }
  // 0-based number of the line holding the current position.
  size_t LineNumber() const;

  // A ring of four remembered positions: Push remembers the current one (the oldest
  // falls out), Pop goes back to the latest; false when none is left.
  void PushPosition();
  bool PopPosition();

  // The string quote, ' by default (message and chat readers use ").
  void SetQuoteChar(char quote) { quote_ = quote; }
  char QuoteChar() const { return quote_; }
  // Comment markers, "/*" and "*/" by default; an empty opener turns comments off.
  void SetCommentMarks(std::string open, std::string close);

 private:
  bool SkipBlanksAndComments();  // false at an unterminated comment
  int32_t ScanString(std::string& token);
  int32_t ScanNumber(std::string& token);
  void ScanWord(std::string& token);
  void ScanOperator(std::string& token);
  std::string Compared(const std::string& token) const;

  std::string text_;
  bool upperCase_;
  SymbolItemContainer keywords_;
  size_t pos_ = 0;
  char quote_ = '\'';
  std::string commentOpen_ = "/*";
  std::string commentClose_ = "*/";
  int32_t lastKind_ = kTokenEnd;
  std::array<size_t, 4> ring_{};
  size_t ringHead_ = 0;
  size_t ringCount_ = 0;
};

// ASCII letters to upper case; every other byte stays.
std::string UpperAscii(std::string_view text);

}  // namespace zh

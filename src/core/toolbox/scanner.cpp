#include "core/toolbox/scanner.h"

#include <algorithm>

#include "core/toolbox/utf8.h"

namespace zh {

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

SymbolScanner::SymbolScanner(std::string text, uint16_t keywordCapacity, bool upperCase)
    : text_(std::move(text)), upperCase_(upperCase), keywords_(keywordCapacity) {}

bool SymbolScanner::AddKeyword(std::string_view name, int32_t id) {
  return keywords_.Insert(std::make_unique<SymbolItem>(std::string(name), id));
}

void SymbolScanner::SetText(std::string text) {
  text_ = std::move(text);
  pos_ = 0;
  ringCount_ = 0;
  lastKind_ = kTokenEnd;
}

size_t SymbolScanner::LineNumber() const {
  return static_cast<size_t>(std::count(text_.begin(), text_.begin() + pos_, '\n'));
}

void SymbolScanner::PushPosition() {
  ring_[ringHead_] = pos_;
  ringHead_ = (ringHead_ + 1) % ring_.size();
  ringCount_ = std::min(ringCount_ + 1, ring_.size());
}

bool SymbolScanner::PopPosition() {
  if (ringCount_ == 0) return false;
  ringHead_ = (ringHead_ + ring_.size() - 1) % ring_.size();
  --ringCount_;
  SetPosition(ring_[ringHead_]);
  return true;
}

void SymbolScanner::SetCommentMarks(std::string open, std::string close) {
  commentOpen_ = std::move(open);
  commentClose_ = std::move(close);
}

std::string SymbolScanner::Compared(const std::string& token) const {
  return upperCase_ ? UpperAscii(token) : token;
}

bool SymbolScanner::SkipBlanksAndComments() {
  for (;;) {
    while (pos_ < text_.size() && IsBlankChar(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    if (commentOpen_.empty() || text_.compare(pos_, commentOpen_.size(), commentOpen_) != 0)
      return true;
    const size_t close = text_.find(commentClose_, pos_ + commentOpen_.size());
    if (close == std::string::npos || commentClose_.empty()) {
      pos_ = text_.size();
      return false;
    }
    pos_ = close + commentClose_.size();
  }
}

int32_t SymbolScanner::ScanString(std::string& token) {
  size_t i = pos_ + 1;
  for (;;) {
    if (i >= text_.size()) {
      pos_ = text_.size();
      return kTokenEnd;
    }
    if (text_[i] == '\\' && i + 1 < text_.size() && text_[i + 1] == quote_) {
      i += 2;
      continue;
    }
    if (text_[i] == quote_) break;
    ++i;
  }
  token.assign(text_, pos_ + 1, i - pos_ - 1);
  pos_ = i + 1;
  return kTokenString;
}

int32_t SymbolScanner::ScanNumber(std::string& token) {
  auto digitAt = [&](size_t i) { return i < text_.size() && IsDigitChar(text_[i]); };
  size_t i = pos_;
  while (digitAt(i)) ++i;
  int32_t kind = kTokenInteger;
  if (i < text_.size() && text_[i] == '.' && !(i + 1 < text_.size() && text_[i + 1] == '.')) {
    kind = kTokenFloat;
    ++i;
    while (digitAt(i)) ++i;
  }
  // An exponent only when digits follow, so that "5s" or "2end" keep their words.
  if (i < text_.size() && (text_[i] == 'e' || text_[i] == 'E')) {
    size_t j = i + 1;
    if (j < text_.size() && (text_[j] == '+' || text_[j] == '-')) ++j;
    if (digitAt(j)) {
      kind = kTokenFloat;
      i = j;
      while (digitAt(i)) ++i;
    }
  }
  token.assign(text_, pos_, i - pos_);
  pos_ = i;
  return kind;
}

void SymbolScanner::ScanWord(std::string& token) {
  size_t i = pos_;
  for (;;) {
    const Utf8Char c = DecodeUtf8(text_, i);
    if (c.length == 0 || !(IsWordChar(c.code) || c.code == '_')) break;
    i += c.length;
  }
  token.assign(text_, pos_, i - pos_);
  pos_ = i;
}

void SymbolScanner::ScanOperator(std::string& token) {
  const Utf8Char first = DecodeUtf8(text_, pos_);
  token.assign(text_, pos_, first.length);
  pos_ += first.length;
  for (;;) {
    const Utf8Char next = DecodeUtf8(text_, pos_);
    if (next.length == 0 || !IsPrintableChar(next.code)) return;
    std::string candidate = token + text_.substr(pos_, next.length);
    if (!keywords_.HasPrefix(Compared(candidate))) return;
    token = std::move(candidate);
    pos_ += next.length;
  }
}

int32_t SymbolScanner::NextToken(std::string& token) {
  token.clear();
  if (!SkipBlanksAndComments() || pos_ >= text_.size()) return lastKind_ = kTokenEnd;

  const unsigned char c = static_cast<unsigned char>(text_[pos_]);
  if (c < 32) {
    token.assign(1, static_cast<char>(c));
    ++pos_;
    return lastKind_ = kTokenControl;
  }
  if (c == static_cast<unsigned char>(quote_)) return lastKind_ = ScanString(token);

  int32_t kind;
  if (IsDigitChar(c)) {
    kind = ScanNumber(token);
  } else if (c == '_' || IsLetterChar(DecodeUtf8(text_, pos_).code)) {
    ScanWord(token);
    kind = kTokenIdentifier;
  } else {
    ScanOperator(token);
    kind = kTokenOperator;
  }

  if (upperCase_) token = UpperAscii(token);
  if (const auto* item = static_cast<const SymbolItem*>(keywords_.Find(token))) kind = item->Id();
  return lastKind_ = kind;
}

}  // namespace zh

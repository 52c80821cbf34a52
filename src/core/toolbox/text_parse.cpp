#include "core/toolbox/text_parse.h"

#include <algorithm>
#include <limits>

#include "core/toolbox/number_text.h"
#include "core/toolbox/scanner.h"

namespace zh {
namespace {

constexpr int32_t kMinusId = 1000;

int32_t ClampToInt32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// Feeds every number of `text` to `store` (with its sign) until it answers false.
template <class Store>
void ScanNumbers(std::string_view text, bool floats, Store store) {
  SymbolScanner scanner{std::string(text), 1, false};
  scanner.AddKeyword("-", kMinusId);
  std::string token;
  bool negative = false;
  for (;;) {
    const int32_t kind = scanner.NextToken(token);
    if (kind == kTokenEnd) return;
    if (kind == kMinusId) {
      negative = true;
    } else if (kind == kTokenInteger || (floats && kind == kTokenFloat)) {
      if (!store(token, negative)) return;
      negative = false;
    }
  }
}

}  // namespace

size_t ParseLongList(std::string_view text, int32_t* values, size_t count) {
  std::fill(values, values + count, 0);
  size_t n = 0;
  if (count == 0) return 0;
  ScanNumbers(text, false, [&](const std::string& token, bool negative) {
    const int64_t v = ParseDecimal(token);
    values[n++] = ClampToInt32(negative ? -v : v);
    return n < count;
  });
  return n;
}

size_t ParseDoubleList(std::string_view text, double* values, size_t count) {
  std::fill(values, values + count, 0.0);
  size_t n = 0;
  if (count == 0) return 0;
  ScanNumbers(text, true, [&](const std::string& token, bool negative) {
    const double v = ParseDouble(token);
    values[n++] = negative ? -v : v;
    return n < count;
  });
  return n;
}

bool ParseNamedInt(std::string_view text, std::string& name, int32_t& value) {
  SymbolScanner scanner{std::string(text), 1, false};
  scanner.AddKeyword("-", kMinusId);
  std::string token;
  if (scanner.NextToken(token) != kTokenIdentifier) return false;
  name = token;
  int32_t kind = scanner.NextToken(token);
  const bool negative = kind == kMinusId;
  if (negative) kind = scanner.NextToken(token);
  if (kind != kTokenInteger) return false;
  const int64_t v = ParseDecimal(token);
  value = ClampToInt32(negative ? -v : v);
  return true;
}

std::ptrdiff_t FindWholeWord(std::string_view text, std::string_view word) {
  if (word.empty()) return -1;
  auto boundary = [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return IsDelimiterChar(u) || IsBlankChar(u);
  };
  for (size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) {
    const size_t end = at + word.size();
    if ((at == 0 || boundary(text[at - 1])) && (end == text.size() || boundary(text[end])))
      return static_cast<std::ptrdiff_t>(at);
  }
  return -1;
}

std::string StripAfterLast(std::string_view text, char c) {
  const size_t at = text.rfind(c);
  if (at == std::string_view::npos || at + 1 == text.size()) return std::string(text);
  return std::string(text.substr(0, at));
}

}  // namespace zh

// Scanning any text ends, and every token moves forward.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/toolbox/scanner.h"
#include "core/toolbox/text_parse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  zh::SymbolScanner scanner(text, 8, size % 2 == 1);
  scanner.AddKeyword("-", 100);
  scanner.AddKeyword("<=", 101);
  scanner.AddKeyword("<=>", 102);
  scanner.AddKeyword("BEGIN", 103);
  if (size % 3 == 0) scanner.SetQuoteChar('"');
  std::string token;
  for (size_t tokens = 0;; ++tokens) {
    const size_t before = scanner.Position();
    if (scanner.NextToken(token) == zh::kTokenEnd) break;
    if (scanner.Position() <= before || tokens > size) std::abort();
  }
  int32_t longs[3];
  double doubles[3];
  zh::ParseLongList(text, longs, 3);
  zh::ParseDoubleList(text, doubles, 3);
  return 0;
}

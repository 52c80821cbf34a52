// Any bytes read as a text's link table: the first two bytes give the text's length,
// the third whether media links are read as aliases; the rest is the table. Every
// link lands on a character of the text, and a table written from the links reads
// back to the same links and the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "text/buffer.h"
#include "text/links/link_context.h"
#include "text/links/link_factory.h"
#include "text/links/link_list.h"

namespace {

std::string Written(const zh::HyperLinkList& list, zh::TextRange range) {
  zh::CBuffer measure(0);
  list.WriteTable(measure, range, false);
  zh::CBuffer out(measure.Position());
  list.WriteTable(out, range, false);
  if (out.Failed()) std::abort();
  std::string bytes;
  out.ToString(bytes);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const uint32_t textLength = static_cast<uint32_t>(data[0] | data[1] << 8);
  const bool asAliases = data[2] & 1;
  const std::string_view table(reinterpret_cast<const char*>(data + 3), size - 3);

  zh::LinkContext context(nullptr, nullptr);
  zh::HyperLinkList list;
  zh::CBuffer in(table);
  const int built = zh::BuildLinks(list, in, &context, true, 0, asAliases, textLength);
  if (built != static_cast<int>(list.Count())) std::abort();
  bool distinct = true;
  for (size_t i = 0; i < list.Count(); ++i) {
    const uint16_t p = list.Nodes()[i].position;
    if (p == 0 || p > textLength) std::abort();
    if (i > 0 && list.Nodes()[i - 1].position > p) std::abort();
    if (i > 0 && list.Nodes()[i - 1].position == p) distinct = false;
  }
  if (zh::SplitLinkTexts(list.LinkTexts({0, textLength})).size() != list.Count()) std::abort();

  const zh::TextRange range{0, textLength};
  const std::string first = Written(list, range);
  if (distinct) {
    zh::HyperLinkList again;
    zh::CBuffer reread(first);
    zh::BuildLinks(again, reread, &context, false, 0, false, textLength);
    if (again.Count() != list.Count()) std::abort();
    if (Written(again, range) != first) std::abort();
  }
  list.RemoveRange(textLength / 3, textLength / 3);
  list.ShiftAfter(1, 1);
  return 0;
}

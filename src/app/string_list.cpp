#include "app/string_list.h"

namespace zh {
namespace {

// The offset of the list's terminating empty string.
size_t EndOfList(std::string_view list) {
  size_t at = 0;
  while (at < list.size() && list[at] != '\0') {
    const size_t nul = list.find('\0', at);
    if (nul == std::string_view::npos) return list.size();
    at = nul + 1;
  }
  return at;
}

}  // namespace

void AppendToStringList(std::string& list, std::string_view text) {
  list.resize(EndOfList(list));
  list.append(text.substr(0, text.find('\0')));
  list.push_back('\0');
  list.push_back('\0');
}

std::string_view StringOfList(std::string_view list, int n) {
  size_t at = 0;
  for (int i = 0; n >= 0; ++i) {
    if (at >= list.size() || list[at] == '\0') return {};
    size_t nul = list.find('\0', at);
    if (nul == std::string_view::npos) nul = list.size();
    if (i == n) return list.substr(at, nul - at);
    at = nul + 1;
  }
  return {};
}

}  // namespace zh

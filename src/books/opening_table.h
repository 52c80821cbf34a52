// The opening tables the books are built from: a header row, then one row an opening
// with its code, name and moves (PGN move text), separated by tabs.
#pragma once

#include <cstddef>
#include <string_view>

namespace zh {

struct OpeningTableRow {
  size_t index = 0;  // from 0, the header row counted
  std::string_view eco, name, moves;
};

// Calls `each` with every row that has its three fields, in order, until it answers
// false; CR LF line ends are read as LF.
template <class Fn>
void ForEachOpeningRow(std::string_view text, Fn&& each) {
  size_t index = 0;
  for (size_t pos = 0; pos < text.size(); ++index) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const size_t tab1 = line.find('\t');
    const size_t tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
    if (index == 0 || tab2 == std::string_view::npos) continue;
    const OpeningTableRow row{index, line.substr(0, tab1), line.substr(tab1 + 1, tab2 - tab1 - 1),
                              line.substr(tab2 + 1)};
    if (!each(row)) return;
  }
}

}  // namespace zh

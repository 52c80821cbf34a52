#include "books/book_styles.h"

#include <array>

namespace zh {

namespace {

int16_t Keep(MoveList& list, int count, uint8_t classes) {
  std::array<MoveCode, MoveList::kMaxLimit> kept;
  int n = 0;
  for (int i = 0; i < count; ++i) {
    const MoveCode& code = list.At(i);
    if (code.kind < 8 && (classes & (1u << code.kind))) kept[n++] = code;
  }
  if (n == 0) return 0;
  list.Truncate(0);
  for (int i = 0; i < n; ++i) list.Append(kept[i]);
  return static_cast<int16_t>(n);
}

}  // namespace

int16_t FilterBookMoves(BookStyle style, MoveList& list, int16_t count) {
  if (count > list.Count()) count = static_cast<int16_t>(list.Count());
  if (count <= 0) return 0;
  const BookStyleFilter& filter = kBookStyleFilters[static_cast<int>(style)];
  const int16_t n = Keep(list, count, filter.keep);
  if (n > 0 || filter.otherwise == 0) return n;
  return Keep(list, count, filter.otherwise);
}

std::unique_ptr<ZbkBook> MakeZbkBook(BookStyle style, std::string_view path) {
  switch (style) {
    case BookStyle::Tournament:
      return std::make_unique<TournamentBook>(path);
    case BookStyle::General:
      return std::make_unique<GeneralBook>(path);
    case BookStyle::Gambit:
      return std::make_unique<GambitBook>(path);
  }
  return nullptr;
}

}  // namespace zh

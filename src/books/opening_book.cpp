#include "books/opening_book.h"

#include <new>

#include "core/services.h"

namespace zh {

OpeningBook::~OpeningBook() = default;

MoveList* OpeningBook::OwnList() {
  if (!list_) list_.reset(new (std::nothrow) MoveList);
  return list_.get();
}

uint32_t RandomBelow(uint32_t n) {
  if (n <= 1) return 0;
  // Values at and above the last whole multiple of n would favour the low results.
  const uint64_t span = uint64_t{1} << 32;
  const uint64_t limit = span - span % n;
  for (;;) {
    const uint64_t x = Random().Next();
    if (x < limit) return static_cast<uint32_t>(x % n);
  }
}

}  // namespace zh

#include "books/tree/word_pair_list.h"

#include "core/toolbox/big_endian.h"

namespace zh {

WordPairList WordPairList::TreeDefault() {
  WordPairList list;
  list.head_ = 1;
  list.pairs_ = {{1, kVariable}, {3, kVariable}, {5, 30}, {6, 2}, {7, 1}};
  list.Recount();
  return list;
}

int WordPairList::Read(const uint8_t* bytes, size_t size) {
  if (size < 4) return -1;
  const uint32_t n = GetBigEndian(bytes + 2, 2);
  if (4 + 4 * static_cast<size_t>(n) > size) return -1;
  head_ = static_cast<uint16_t>(GetBigEndian(bytes, 2));
  pairs_.resize(n);
  for (uint32_t i = 0; i < n; ++i) {
    pairs_[i].id = static_cast<uint16_t>(GetBigEndian(bytes + 4 + 4 * i, 2));
    pairs_[i].size = static_cast<uint16_t>(GetBigEndian(bytes + 6 + 4 * i, 2));
  }
  Recount();
  return Length();
}

int WordPairList::Write(uint8_t* bytes) const {
  PutBigEndian(bytes, 2, head_);
  PutBigEndian(bytes + 2, 2, static_cast<uint32_t>(pairs_.size()));
  for (size_t i = 0; i < pairs_.size(); ++i) {
    PutBigEndian(bytes + 4 + 4 * i, 2, pairs_[i].id);
    PutBigEndian(bytes + 6 + 4 * i, 2, pairs_[i].size);
  }
  return Length();
}

void WordPairList::Resize(size_t n) {
  pairs_.assign(n, Pair{});
  total_ = 0;
}

uint32_t WordPairList::Recount() {
  total_ = 0;
  for (const Pair& p : pairs_)
    if (p.size != kVariable) total_ += p.size;
  return total_;
}

}  // namespace zh

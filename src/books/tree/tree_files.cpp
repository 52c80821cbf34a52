#include "books/tree/tree_files.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "books/tree/tree_key_hash.h"
#include "core/rules/position_key.h"

namespace zh {

namespace {

constexpr uint32_t kMaskLimit = 0x7FFFFFFE;
constexpr int kDamaged = 15;

bool Failed(int status) {
  return status != 0 && status != 2;
}

}  // namespace

TreeFiles::TreeFiles(const std::string& base)
    : pages_(PathWithExtension(base, "ctg"), TreePageFile::kTree),
      bitmap_(PathWithExtension(base, "ctb")),
      index_(PathWithExtension(base, "cto")) {}

int TreeFiles::Status() const {
  if (Failed(pages_.Status())) return pages_.Status();
  if (Failed(bitmap_.Status())) return bitmap_.Status();
  if (Failed(index_.Status())) return index_.Status();
  return pages_.Status();
}

int TreeFiles::Close() {
  const int pages = pages_.Close();
  const int bitmap = bitmap_.Close();
  const int index = index_.Close();
  return pages ? pages : bitmap ? bitmap : index;
}

bool TreeFiles::Locate(const uint8_t* key, TreeLocation& at) {
  at = TreeLocation{};
  if (!Usable()) {
    at.code = Status();
    return false;
  }
  const uint32_t h = TreeKeyHash(key, PositionKeyLength(key));
  uint32_t m = 0;
  while (bitmap_.GetBit(m + (h & m)) == 1 && 2 * m < kMaskLimit) m = 2 * m + 1;
  at.hash = h;
  at.mask = m;
  at.bucket = m + (h & m);
  uint32_t page = TreePageFile::kNoPage;
  if ((at.code = index_.GetEntry(at.bucket, page)) != 0) return false;
  if (page == TreePageFile::kNoPage) return false;
  if ((at.code = pages_.ReadPage(page)) != 0) return false;
  at.page = page;
  at.index = pages_.Records().FindRecord(pages_.Buffer(), key, at.offset);
  return at.index >= 0;
}

bool TreeFiles::Separable(const uint8_t* page, uint32_t hash, uint32_t mask) const {
  const uint32_t open = (kDepthLimitBit | (kDepthLimitBit - 1)) & ~mask;
  const TreePageRecords records = pages_.Records();
  const uint32_t count = TreePageRecords::Count(page);
  uint32_t offset = 4;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* record = page + offset;
    if ((TreeKeyHash(record, PositionKeyLength(record)) ^ hash) & open) return true;
    offset += records.RecordLength(record);
  }
  return false;
}

int TreeFiles::Insert(const uint8_t* record, TreeLocation& at) {
  if (Locate(record, at)) return kDamaged;
  if (at.code != 0) return at.code;
  if (at.page == TreePageFile::kNoPage) return kDamaged;
  const TreePageRecords records = pages_.Records();
  if (records.CheckedLength(record, pages_.PageSize()) == 0) return kDamaged;
  const int code = records.AppendRecord(pages_.Buffer(), record, at.index, at.offset);
  if (code == 0) return pages_.WritePage(at.page);
  if (code != 14) return code;
  return Split(record, at);
}

int TreeFiles::Split(const uint8_t* record, TreeLocation& at) {
  const TreePageRecords records = pages_.Records();
  const uint32_t h = at.hash;
  uint32_t m = at.mask;
  uint32_t e = at.bucket;
  uint32_t p = at.page;
  std::vector<uint16_t> moving;
  for (;;) {
    uint8_t* first = pages_.Buffer();
    if ((m & kDepthLimitBit) || !Separable(first, h, m)) return kCannotSplit;
    uint8_t* second = pages_.SecondBuffer();
    if (!second) return 5;
    const uint32_t bit = m + 1;
    const uint32_t m2 = 2 * m + 1;
    moving.clear();
    const uint32_t count = TreePageRecords::Count(first);
    uint32_t offset = 4;
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* r = first + offset;
      if (TreeKeyHash(r, PositionKeyLength(r)) & bit) moving.push_back(static_cast<uint16_t>(i));
      offset += records.RecordLength(r);
    }
    if (records.SplitPage(first, second, moving.data(), static_cast<int>(moving.size())) != 0)
      return kDamaged;
    // From here on the buffer no longer holds page p as it is on disk.
    const auto fail = [this] {
      pages_.ForgetCurrent();
      return kSplitFailed;
    };
    const uint32_t e0 = m2 + (h & m);
    const uint32_t e1 = m2 + ((h & m) | bit);
    const bool high = (h & bit) != 0;
    int index = 0;
    uint32_t placedAt = 0;
    const bool placed = records.AppendRecord(high ? second : first, record, index, placedAt) == 0;
    // The new page and both child entries are written while bucket e is still a leaf,
    // and the old page is cut down only after the bit map has moved lookups to the
    // children: a write that fails on the way leaves every record where it is found.
    const uint32_t size = pages_.PageSize();
    uint32_t n = 0;
    if (index_.SetEntry(TreeIndexFile::kNone, e1) != 0) return fail();
    std::swap_ranges(first, first + size, second);
    if (pages_.AllocatePage(n) != 0 || index_.SetEntry(n, e1) != 0 ||
        index_.SetEntry(p, e0) != 0 || bitmap_.SetBit(e, 1) != 0)
      return fail();
    std::swap_ranges(first, first + size, second);
    if (pages_.WritePage(p) != 0) return fail();
    if (index_.SetEntry(TreeIndexFile::kNone, e) != 0) return fail();
    index_.SetFirstLive(bitmap_.AllOnesMark());
    m = m2;
    e = high ? e1 : e0;
    p = high ? n : p;
    at.mask = m;
    at.bucket = e;
    at.page = p;
    // The page buffer holds the old page; the record's side is wanted there.
    if (high && pages_.ReadPage(n) != 0) return fail();
    if (placed) {
      at.index = index;
      at.offset = placedAt;
      return 0;
    }
  }
}

}  // namespace zh

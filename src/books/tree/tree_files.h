// The three files of a position tree opened together: pages (.ctg), split bit map
// (.ctb) and bucket index (.cto). A key's hash walks the bit map from the root bucket
// to a leaf; the index names the leaf's page. Inserting into a full page splits its
// bucket by one more hash bit.
#pragma once

#include <cstdint>
#include <string>

#include "books/tree/tree_bitmap_file.h"
#include "books/tree/tree_index_file.h"
#include "books/tree/tree_page_file.h"

namespace zh {

struct TreeLocation {
  uint32_t hash = 0;
  uint32_t mask = 0;    // level mask of the bucket: 2^k - 1
  uint32_t bucket = 0;
  uint32_t page = TreePageFile::kNoPage;
  int index = TreePageRecords::kNotFound;
  uint32_t offset = 0;
  int code = 0;  // why the bucket's page is not known: index or page read code
};

class TreeFiles {
 public:
  // Splits stop at this hash bit.
  static constexpr uint32_t kDepthLimitBit = 1u << 30;
  static constexpr int kCannotSplit = 1;
  static constexpr int kSplitFailed = 6;

  // Opens or creates <base>.ctg, .ctb and .cto.
  explicit TreeFiles(const std::string& base);

  // 0 opened, 2 created, else the first failing file's status.
  int Status() const;
  bool Usable() const { return Status() == 0 || Status() == 2; }

  // Finds the key's bucket and page; true when the page holds the key's record (the
  // page is then in the page buffer at `at.offset`).
  bool Locate(const uint8_t* key, TreeLocation& at);
  // Puts a record whose key is not stored into its bucket's page, splitting buckets as
  // needed. `at` tells where it went. 0; 1 when no split can make room; 6 when a step of
  // a split fails; else the page codes (5, 11, 12, 14, 15), 15 also for a key already
  // stored or a malformed record.
  int Insert(const uint8_t* record, TreeLocation& at);

  // Closes all three files; the first failing code.
  int Close();

  TreePageFile& Pages() { return pages_; }
  TreeBitmapFile& Bitmap() { return bitmap_; }
  TreeIndexFile& Index() { return index_; }

 private:
  // True when some record of the page differs from `hash` in a bit the trie can still
  // split on below `mask`'s level.
  bool Separable(const uint8_t* page, uint32_t hash, uint32_t mask) const;
  int Split(const uint8_t* record, TreeLocation& at);

  TreePageFile pages_;
  TreeBitmapFile bitmap_;
  TreeIndexFile index_;
};

}  // namespace zh

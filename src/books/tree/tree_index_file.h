// The bucket index of a position tree (.cto): a 16-byte header, then one big-endian
// page number per bucket number from the first stored entry on (0xFFFFFFFF: none).
// Entries below the first live entry belong to split buckets and read as none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/toolbox/paged_file.h"

namespace zh {

struct TreeIndexHeader {
  uint8_t headerLength[2];
  uint8_t one[2];
  uint8_t entryCount[4];
  uint8_t firstStored[4];
  uint8_t firstLive[4];
};
static_assert(sizeof(TreeIndexHeader) == 16);
static_assert(offsetof(TreeIndexHeader, firstLive) == 12);

class TreeIndexFile {
 public:
  static constexpr uint32_t kNone = 0xFFFFFFFF;
  static constexpr uint32_t kFillBlock = 1024;

  // Status: 0 opened, 2 created, 11 creation failed, 12 unreadable header, 15 a
  // header whose entries the file does not hold, 9 or 10 from opening.
  explicit TreeIndexFile(const std::string& path);
  ~TreeIndexFile();
  TreeIndexFile(const TreeIndexFile&) = delete;
  TreeIndexFile& operator=(const TreeIndexFile&) = delete;

  int Status() const { return status_; }
  bool Usable() const { return status_ == 0 || status_ == 2; }

  // 0, 12, 13 below the first stored entry, 15 not below the entry count.
  int GetEntry(uint32_t e, uint32_t& page);
  // 0, 11, 13; grows the index with empty entries up to e first.
  int SetEntry(uint32_t page, uint32_t e);
  void SetFirstLive(uint32_t e) {
    if (e != firstLive_) dirty_ = true;
    firstLive_ = e;
  }

  uint32_t EntryCount() const { return count_; }
  uint32_t FirstStored() const { return firstStored_; }
  uint32_t FirstLive() const { return firstLive_; }
  // Writes the header when it changed; 0 or 11.
  int Flush();
  int Close();
  const std::string& Path() const { return file_.Path(); }

 private:
  static constexpr uint64_t kHeader = sizeof(TreeIndexHeader);
  uint64_t EntryOffset(uint32_t e) const {
    return kHeader + 4 * static_cast<uint64_t>(e - firstStored_);
  }
  int WriteHeader();

  PagedFile file_;
  int status_ = 0;
  uint32_t count_ = 1;
  uint32_t firstStored_ = 0;
  uint32_t firstLive_ = 0;
  uint64_t size_ = 0;
  bool dirty_ = false;
};

}  // namespace zh

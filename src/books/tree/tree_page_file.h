// The page file of a position tree (.ctg: 4096-byte pages of records) and its mark
// file (.ct0: 20-byte pages of 128 mark bits, one per record of the same .ctg page).
// Both have a 4096-byte header: a 32-byte header record, zeros, and the item layout at
// offset 1024. Pages are read and written whole through one page buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "books/tree/tree_page_records.h"
#include "books/tree/word_pair_list.h"
#include "core/toolbox/paged_file.h"

namespace zh {

struct TreeFileHeader {
  uint8_t recordLength[2];
  uint8_t firstPageOffset[2];
  uint8_t one[2];
  uint8_t kind[2];
  uint8_t zero[2];
  uint8_t pageSize[2];
  uint8_t open1[2];
  uint8_t open2[2];
  uint8_t pageCount[4];
  uint8_t firstFree[4];
  uint8_t positions[4];
  uint8_t games[4];
};
static_assert(sizeof(TreeFileHeader) == 32);
static_assert(offsetof(TreeFileHeader, pageSize) == 10);
static_assert(offsetof(TreeFileHeader, pageCount) == 16);
static_assert(offsetof(TreeFileHeader, games) == 28);

class TreePageFile {
 public:
  enum Kind : uint16_t { kTree = 1, kMarks = 4 };
  static constexpr uint32_t kHeaderArea = 4096;
  static constexpr uint32_t kLayoutOffset = 1024;
  static constexpr uint32_t kLayoutArea = 128;
  static constexpr uint32_t kTreePageSize = 4096;
  static constexpr uint32_t kMarkPageSize = 20;
  static constexpr uint32_t kNoPage = 0xFFFFFFFF;
  static constexpr int kMarkBits = 128;

  // Opens `path` or creates it. Status: 0 opened, 2 created, else 5, 9, 10, 11, 12,
  // or 15 for a damaged header.
  TreePageFile(const std::string& path, Kind kind);
  ~TreePageFile();
  TreePageFile(const TreePageFile&) = delete;
  TreePageFile& operator=(const TreePageFile&) = delete;

  int Status() const { return status_; }
  bool Usable() const { return status_ == 0 || status_ == 2; }

  int ReadPage(uint32_t page);
  int WritePage(uint32_t page);
  int AllocatePage(uint32_t& page);
  bool IsFreePage(uint32_t page);

  // After the buffer was changed without being written: no page is in it.
  void ForgetCurrent() { current_ = kNoPage; }
  uint8_t* Buffer() { return buffer_.get(); }
  uint8_t* SecondBuffer();
  uint32_t CurrentPage() const { return current_; }

  // Mark file: bit i of the mark page.
  int TestMark(uint32_t page, int i, bool& set);
  int SetMark(uint32_t page, int i);

  uint32_t PositionCount() const { return positions_; }
  uint32_t GameCount() const { return games_; }
  uint32_t PageCount() const { return pageCount_; }
  uint32_t FirstFree() const { return firstFree_; }
  uint32_t PageSize() const { return pageSize_; }
  void SetPositionCount(uint32_t n) { positions_ = n; dirty_ = true; }
  void SetGameCount(uint32_t n) { games_ = n; dirty_ = true; }
  const WordPairList& Layout() const { return layout_; }
  TreePageRecords Records() const { return TreePageRecords(pageSize_, layout_.FixedTotal()); }

  // Writes the header record and the layout when anything changed; 0 or 11.
  int Flush();
  // Flushes and closes the handle; the flush code.
  int Close();
  const std::string& Path() const { return file_.Path(); }

 private:
  int Create();
  int ReadHeader();
  int WriteHeader();
  uint64_t PageOffset(uint32_t page) const {
    return firstPageOffset_ + static_cast<uint64_t>(page) * pageSize_;
  }
  bool PrepareBuffers();

  PagedFile file_;
  Kind kind_;
  int status_ = 0;
  uint32_t pageSize_;
  uint32_t firstPageOffset_ = kHeaderArea;
  uint32_t pageCount_ = 0;
  uint32_t firstFree_ = kNoPage;
  uint32_t positions_ = 0;
  uint32_t games_ = 0;
  WordPairList layout_;
  std::unique_ptr<uint8_t[]> buffer_;
  std::unique_ptr<uint8_t[]> second_;
  uint32_t current_ = kNoPage;
  // Pages taken from the free chain since opening: a chain that leads back to one of
  // them ends there, so that no page is handed out twice.
  std::vector<uint32_t> takenFromChain_;
  bool dirty_ = false;
};

}  // namespace zh

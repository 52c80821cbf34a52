#include "books/tree/tree_page_file.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/toolbox/big_endian.h"

namespace zh {

namespace {

constexpr int kNoBuffer = 5;
constexpr int kWriteError = 11;
constexpr int kReadError = 12;
constexpr int kNoRoom = 14;
constexpr int kDamaged = 15;
constexpr uint32_t kZeroBlock = 128;

std::unique_ptr<uint8_t[]> EmptyPage(uint32_t size) {
  std::unique_ptr<uint8_t[]> page(new (std::nothrow) uint8_t[size]);
  if (page) {
    std::memset(page.get(), 0, size);
    TreePageRecords::MakeEmpty(page.get());
  }
  return page;
}

}  // namespace

TreePageFile::TreePageFile(const std::string& path, Kind kind)
    : file_(path, true, 0, 0, PagedFile::kRandom),
      kind_(kind),
      pageSize_(kind == kMarks ? kMarkPageSize : kTreePageSize) {
  status_ = file_.State();
  if (status_ != PagedFile::kOpened && status_ != PagedFile::kCreated) return;
  buffer_ = EmptyPage(pageSize_);
  if (!buffer_) {
    status_ = kNoBuffer;
    return;
  }
  const int code = status_ == PagedFile::kCreated ? Create() : ReadHeader();
  if (code != 0) status_ = code;
}

TreePageFile::~TreePageFile() {
  Close();
}

int TreePageFile::Create() {
  const uint8_t zeros[kZeroBlock] = {};
  for (uint32_t at = 0; at < kHeaderArea; at += kZeroBlock)
    if (file_.WriteDirect(zeros, at, kZeroBlock) != 0) return kWriteError;
  layout_ = WordPairList::TreeDefault();
  uint32_t page = 0;
  if (AllocatePage(page) != 0) return kWriteError;
  return WriteHeader();
}

int TreePageFile::ReadHeader() {
  uint8_t bytes[sizeof(TreeFileHeader)];
  if (file_.ReadDirect(bytes, 0, sizeof bytes) != 0) return kReadError;
  const auto* h = reinterpret_cast<const TreeFileHeader*>(bytes);
  firstPageOffset_ = GetBigEndian(h->firstPageOffset, 2);
  if (GetBigEndian(h->pageSize, 2) != pageSize_ || firstPageOffset_ < kHeaderArea)
    return kDamaged;
  pageCount_ = GetBigEndian(h->pageCount, 4);
  firstFree_ = GetBigEndian(h->firstFree, 4);
  // Pages the file does not hold would be appended far behind its end.
  if (PageOffset(pageCount_) > file_.GetSize()) return kDamaged;
  positions_ = GetBigEndian(h->positions, 4);
  games_ = GetBigEndian(h->games, 4);

  uint8_t area[kLayoutArea];
  if (file_.ReadDirect(area, kLayoutOffset, kLayoutArea) != 0) return kReadError;
  if (GetBigEndian(area, 2) == 0) {
    layout_ = WordPairList::TreeDefault();
  } else if (layout_.Read(area, kLayoutArea) < 0 ||
             layout_.FixedTotal() != WordPairList::TreeDefault().FixedTotal()) {
    return kDamaged;
  }
  return 0;
}

int TreePageFile::WriteHeader() {
  uint8_t bytes[sizeof(TreeFileHeader)] = {};
  auto* h = reinterpret_cast<TreeFileHeader*>(bytes);
  PutBigEndian(h->recordLength, 2, sizeof(TreeFileHeader));
  PutBigEndian(h->firstPageOffset, 2, firstPageOffset_);
  PutBigEndian(h->one, 2, 1);
  PutBigEndian(h->kind, 2, kind_);
  PutBigEndian(h->pageSize, 2, pageSize_);
  PutBigEndian(h->open1, 2, 0x7FFF);
  PutBigEndian(h->open2, 2, 0x7FFF);
  PutBigEndian(h->pageCount, 4, pageCount_);
  PutBigEndian(h->firstFree, 4, firstFree_);
  PutBigEndian(h->positions, 4, positions_);
  PutBigEndian(h->games, 4, games_);
  uint8_t area[kLayoutArea];
  if (layout_.Length() > static_cast<int>(kLayoutArea)) return kWriteError;
  const int length = layout_.Write(area);
  if (file_.WriteDirect(bytes, 0, sizeof bytes) != 0 ||
      file_.WriteDirect(area, kLayoutOffset, length) != 0)
    return kWriteError;
  dirty_ = false;
  return 0;
}

int TreePageFile::Flush() {
  if (!Usable() || !dirty_) return 0;
  return WriteHeader();
}

int TreePageFile::Close() {
  const int code = Flush();
  file_.Close();
  return code;
}

int TreePageFile::ReadPage(uint32_t page) {
  if (!buffer_) return kNoBuffer;
  if (page >= pageCount_) return kDamaged;
  if (page == current_) return 0;
  current_ = kNoPage;
  if (file_.ReadDirect(buffer_.get(), PageOffset(page), static_cast<int32_t>(pageSize_)) != 0)
    return kReadError;
  current_ = page;
  return 0;
}

int TreePageFile::WritePage(uint32_t page) {
  if (!buffer_) return kNoBuffer;
  if (page >= pageCount_) return kDamaged;
  current_ = kNoPage;
  if (file_.WriteDirect(buffer_.get(), PageOffset(page), static_cast<int32_t>(pageSize_)) != 0)
    return kWriteError;
  current_ = page;
  return 0;
}

int TreePageFile::AllocatePage(uint32_t& page) {
  if (!buffer_) return kNoBuffer;
  const uint32_t oldCount = pageCount_;
  const uint32_t oldFree = firstFree_;
  if (firstFree_ < pageCount_) {
    page = firstFree_;
    uint8_t next[4];
    if (file_.ReadDirect(next, PageOffset(page), 4) != 0) return kReadError;
    const uint32_t n = GetBigEndian(next, 4);
    const bool taken = n == page || std::find(takenFromChain_.begin(), takenFromChain_.end(),
                                              n) != takenFromChain_.end();
    firstFree_ = n < pageCount_ && !taken ? n : kNoPage;
  } else {
    if (pageCount_ == kNoPage) return kDamaged;
    page = pageCount_++;
  }
  dirty_ = true;
  current_ = kNoPage;
  if (file_.WriteDirect(buffer_.get(), PageOffset(page), static_cast<int32_t>(pageSize_)) != 0) {
    pageCount_ = oldCount;
    firstFree_ = oldFree;
    return kWriteError;
  }
  if (page < oldCount) takenFromChain_.push_back(page);
  current_ = page;
  return 0;
}

bool TreePageFile::IsFreePage(uint32_t page) {
  if (page >= pageCount_) return false;
  uint32_t q = firstFree_;
  // A chain longer than the page count runs in a circle: it ends there.
  const uint64_t size = file_.GetSize();
  const uint64_t held = size > firstPageOffset_ ? (size - firstPageOffset_) / pageSize_ : 0;
  const uint64_t limit = std::min<uint64_t>(pageCount_, held);
  for (uint64_t steps = 0; steps < limit && q < pageCount_; ++steps) {
    if (q == page) return true;
    uint8_t next[4];
    if (file_.ReadDirect(next, PageOffset(q), 4) != 0) return false;
    q = GetBigEndian(next, 4);
  }
  return false;
}

uint8_t* TreePageFile::SecondBuffer() {
  if (!second_) second_ = EmptyPage(pageSize_);
  return second_.get();
}

int TreePageFile::TestMark(uint32_t page, int i, bool& set) {
  if (const int code = ReadPage(page)) return code;
  if (i < 0 || i >= kMarkBits || pageSize_ < 4 + kMarkBits / 8) return kNoRoom;
  set = (buffer_[4 + i / 8] >> (i % 8)) & 1;
  return 0;
}

int TreePageFile::SetMark(uint32_t page, int i) {
  if (const int code = ReadPage(page)) return code;
  if (i < 0 || i >= kMarkBits || pageSize_ < 4 + kMarkBits / 8) return kNoRoom;
  buffer_[4 + i / 8] = static_cast<uint8_t>(buffer_[4 + i / 8] | 1u << (i % 8));
  return WritePage(page);
}

}  // namespace zh

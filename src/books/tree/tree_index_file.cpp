#include "books/tree/tree_index_file.h"

#include <algorithm>
#include <cstring>

#include "core/toolbox/big_endian.h"

namespace zh {

namespace {

constexpr int kWriteError = 11;
constexpr int kReadError = 12;
constexpr int kBelowStored = 13;
constexpr int kOutOfRange = 15;

}  // namespace

TreeIndexFile::TreeIndexFile(const std::string& path)
    : file_(path, true, 0, 0, PagedFile::kRandom) {
  status_ = file_.State();
  if (status_ == PagedFile::kCreated) {
    uint8_t zero[4] = {};
    if (WriteHeader() != 0 || file_.WriteDirect(zero, kHeader, 4) != 0) {
      status_ = kWriteError;
      return;
    }
    size_ = kHeader + 4;
  } else if (status_ == PagedFile::kOpened) {
    uint8_t bytes[kHeader];
    if (file_.ReadDirect(bytes, 0, kHeader) != 0) {
      status_ = kReadError;
      return;
    }
    const auto* h = reinterpret_cast<const TreeIndexHeader*>(bytes);
    count_ = GetBigEndian(h->entryCount, 4);
    firstStored_ = GetBigEndian(h->firstStored, 4);
    firstLive_ = GetBigEndian(h->firstLive, 4);
    size_ = file_.GetSize();
    // The stored entries must lie in the file; growth writes behind the last of them.
    if (GetBigEndian(h->headerLength, 2) != kHeader || firstStored_ > count_ ||
        EntryOffset(count_) > size_)
      status_ = kOutOfRange;
  }
}

TreeIndexFile::~TreeIndexFile() {
  Close();
}

int TreeIndexFile::WriteHeader() {
  uint8_t bytes[kHeader];
  auto* h = reinterpret_cast<TreeIndexHeader*>(bytes);
  PutBigEndian(h->headerLength, 2, kHeader);
  PutBigEndian(h->one, 2, 1);
  PutBigEndian(h->entryCount, 4, count_);
  PutBigEndian(h->firstStored, 4, firstStored_);
  PutBigEndian(h->firstLive, 4, firstLive_);
  if (file_.WriteDirect(bytes, 0, kHeader) != 0) return kWriteError;
  dirty_ = false;
  return 0;
}

int TreeIndexFile::Flush() {
  return Usable() && dirty_ ? WriteHeader() : 0;
}

int TreeIndexFile::Close() {
  const int code = Flush();
  file_.Close();
  return code;
}

int TreeIndexFile::GetEntry(uint32_t e, uint32_t& page) {
  if (e >= count_) return kOutOfRange;
  if (e < firstStored_) return kBelowStored;
  if (e < firstLive_) {
    page = kNone;
    return 0;
  }
  const uint64_t at = EntryOffset(e);
  uint8_t bytes[4];
  if (at + 4 > size_ || file_.ReadDirect(bytes, at, 4) != 0) return kReadError;
  page = GetBigEndian(bytes, 4);
  return 0;
}

int TreeIndexFile::SetEntry(uint32_t page, uint32_t e) {
  if (!Usable()) return kWriteError;
  if (e < firstStored_) return kBelowStored;
  if (e >= count_) {
    if (e == kNone) return kOutOfRange;
    uint8_t fill[kFillBlock];
    std::memset(fill, 0xFF, sizeof fill);
    const uint64_t from = EntryOffset(count_);
    const uint64_t to = EntryOffset(e) + 4;
    for (uint64_t at = from; at < to;) {
      const uint64_t n = std::min<uint64_t>(kFillBlock, to - at);
      if (file_.WriteDirect(fill, at, static_cast<int32_t>(n)) != 0) return kWriteError;
      at += n;
    }
    count_ = e + 1;
    size_ = std::max(size_, to);
    dirty_ = true;
  }
  uint8_t bytes[4];
  PutBigEndian(bytes, 4, page);
  return file_.WriteDirect(bytes, EntryOffset(e), 4) == 0 ? 0 : kWriteError;
}

}  // namespace zh

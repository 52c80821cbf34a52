#include "books/tree/tree_bitmap_file.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/toolbox/big_endian.h"

namespace zh {

namespace {

constexpr int kNoMemory = 5;
constexpr uint32_t kZeroBlock = 256;

}  // namespace

TreeBitmapFile::TreeBitmapFile(const std::string& path)
    : file_(path, true, 0, 0, PagedFile::kRandom) {
  status_ = file_.State();
  if (status_ == PagedFile::kCreated) {
    if (WriteHeader() != 0) status_ = kWriteFailed;
  } else if (status_ == PagedFile::kOpened) {
    uint8_t bytes[kHeader];
    if (file_.ReadDirect(bytes, 0, kHeader) != 0) {
      status_ = kWriteFailed;
      return;
    }
    const auto* h = reinterpret_cast<const TreeBitmapHeader*>(bytes);
    mark_ = GetBigEndian(h->allOnes, 4);
    end_ = GetBigEndian(h->end, 4);
    // The window is sized from these: they must describe bytes the file holds.
    if (GetBigEndian(h->headerLength, 2) != kHeader || mark_ > end_ ||
        kHeader + DataEnd() > file_.GetSize()) {
      status_ = kWriteFailed;
      return;
    }
    if (const int code = LoadWindow()) status_ = code;
  }
}

TreeBitmapFile::~TreeBitmapFile() {
  Close();
}

int TreeBitmapFile::WriteHeader() {
  uint8_t bytes[kHeader];
  auto* h = reinterpret_cast<TreeBitmapHeader*>(bytes);
  PutBigEndian(h->headerLength, 2, kHeader);
  PutBigEndian(h->one, 2, 1);
  PutBigEndian(h->allOnes, 4, mark_);
  PutBigEndian(h->end, 4, end_);
  if (file_.WriteDirect(bytes, 0, kHeader) != 0) return kWriteFailed;
  dirty_ = false;
  return 0;
}

int TreeBitmapFile::WriteBack() {
  return Usable() && dirty_ ? WriteHeader() : 0;
}

int TreeBitmapFile::Close() {
  const int code = WriteBack();
  file_.Close();
  return code;
}

int TreeBitmapFile::LoadWindow() {
  const uint64_t start = mark_ / 8;
  const uint64_t bytes = DataEnd() - start;
  windowBytes_ = 0;
  windowStart_ = start;
  if (bytes > capacity_) {
    const uint64_t size = capacity_ == 0 && bytes <= kFirstWindow
                              ? kFirstWindow
                              : (bytes + kWindowStep - 1) / kWindowStep * kWindowStep;
    std::unique_ptr<uint8_t[]> fresh(new (std::nothrow) uint8_t[size]);
    if (!fresh) return kNoMemory;
    window_ = std::move(fresh);
    capacity_ = size;
  }
  if (bytes > 0 && file_.ReadDirect(window_.get(), kHeader + start,
                                    static_cast<int32_t>(bytes)) != 0)
    return kWriteFailed;
  windowBytes_ = bytes;
  return 0;
}

int TreeBitmapFile::Reload() {
  return Usable() ? LoadWindow() : status_;
}

int TreeBitmapFile::GetBit(uint32_t b) {
  if (b < mark_) return 1;
  if (b >= end_) return 0;
  const uint64_t byte = b / 8;
  uint8_t value;
  if (InWindow(byte)) {
    value = window_[byte - windowStart_];
  } else if (file_.ReadDirect(&value, kHeader + byte, 1) != 0) {
    return 0;
  }
  return (value >> (b % 8)) & 1;
}

int TreeBitmapFile::Grow(uint32_t b) {
  const uint8_t zeros[kZeroBlock] = {};
  const uint64_t last = b / 8;
  for (uint64_t at = DataEnd(); at <= last;) {
    const uint64_t n = std::min<uint64_t>(kZeroBlock, last + 1 - at);
    if (file_.WriteDirect(zeros, kHeader + at, static_cast<int32_t>(n)) != 0)
      return kWriteFailed;
    at += n;
  }
  end_ = static_cast<uint32_t>((last + 1) * 8);
  dirty_ = true;
  return LoadWindow();
}

void TreeBitmapFile::RaiseMark() {
  uint64_t full = 0;
  while (full < windowBytes_ && window_[full] == 0xFF) ++full;
  if (full == 0) return;
  const uint64_t start = windowStart_ + full;
  mark_ = static_cast<uint32_t>(std::min<uint64_t>(start * 8, end_));
  std::memmove(window_.get(), window_.get() + full, windowBytes_ - full);
  windowStart_ = start;
  windowBytes_ -= full;
  dirty_ = true;
}

int TreeBitmapFile::SetBit(uint32_t b, int value) {
  if (!Usable()) return status_;
  if (b < mark_ || b >= end_) {
    if (value == 0 || b < end_) return 0;
    if (const int code = Grow(b)) return code;
  }
  const uint64_t byte = b / 8;
  const uint8_t bit = static_cast<uint8_t>(1u << (b % 8));
  uint8_t old;
  if (InWindow(byte)) {
    old = window_[byte - windowStart_];
  } else if (file_.ReadDirect(&old, kHeader + byte, 1) != 0) {
    return kWriteFailed;
  }
  const uint8_t now = static_cast<uint8_t>(value ? old | bit : old & ~bit);
  if (now == old) return 0;
  if (file_.WriteDirect(&now, kHeader + byte, 1) != 0) return kWriteFailed;
  if (InWindow(byte)) {
    window_[byte - windowStart_] = now;
    if (value) RaiseMark();
  }
  return 0;
}

}  // namespace zh

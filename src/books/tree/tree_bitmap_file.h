// The split bit map of a position tree (.ctb): one bit per bucket number, set once the
// bucket has been split. A 12-byte header names the all-ones mark (every bit below it
// is set) and the end bit (every bit from it on is clear); the bytes of the bits in
// between follow, least significant bit first. Those bytes are kept in a window in
// memory; every change is written through to the file at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/toolbox/paged_file.h"

namespace zh {

struct TreeBitmapHeader {
  uint8_t headerLength[2];
  uint8_t one[2];
  uint8_t allOnes[4];
  uint8_t end[4];
};
static_assert(sizeof(TreeBitmapHeader) == 12);
static_assert(offsetof(TreeBitmapHeader, end) == 8);

class TreeBitmapFile {
 public:
  static constexpr uint32_t kFirstWindow = 4096;
  static constexpr uint32_t kWindowStep = 16384;
  static constexpr int kWriteFailed = 6;

  // Status: 0 opened, 2 created, 5 no memory, 6 damaged or unreadable header or a
  // failed creation, 9 or 10 from opening.
  explicit TreeBitmapFile(const std::string& path);
  ~TreeBitmapFile();
  TreeBitmapFile(const TreeBitmapFile&) = delete;
  TreeBitmapFile& operator=(const TreeBitmapFile&) = delete;

  int Status() const { return status_; }
  bool Usable() const { return status_ == 0 || status_ == 2; }

  int GetBit(uint32_t b);
  // value 1 sets, 0 clears; 0 or 6 (5 when the window cannot grow).
  int SetBit(uint32_t b, int value);
  // Re-reads the window from the file.
  int Reload();
  // Bits go to the file as they change: writes the header when the mark or the end
  // moved; 0 or 6.
  int WriteBack();
  int Close();

  uint32_t AllOnesMark() const { return mark_; }
  uint32_t EndBit() const { return end_; }
  uint64_t WindowStart() const { return windowStart_; }
  uint64_t WindowBytes() const { return windowBytes_; }
  uint64_t WindowCapacity() const { return capacity_; }
  const std::string& Path() const { return file_.Path(); }

 private:
  static constexpr uint64_t kHeader = sizeof(TreeBitmapHeader);
  uint64_t DataEnd() const { return (static_cast<uint64_t>(end_) + 7) / 8; }
  bool InWindow(uint64_t byte) const {
    return byte >= windowStart_ && byte - windowStart_ < windowBytes_;
  }
  int WriteHeader();
  // Makes the window cover the bytes from the mark to the end; 0, 5 or 6.
  int LoadWindow();
  int Grow(uint32_t b);
  void RaiseMark();

  PagedFile file_;
  int status_ = 0;
  uint32_t mark_ = 0;
  uint32_t end_ = 0;
  std::unique_ptr<uint8_t[]> window_;
  uint64_t capacity_ = 0;
  uint64_t windowStart_ = 0;
  uint64_t windowBytes_ = 0;
  bool dirty_ = false;
};

}  // namespace zh

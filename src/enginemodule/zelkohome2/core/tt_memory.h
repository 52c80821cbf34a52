// Memory of the transposition table: one block of a multiple of 256 KB, 32-byte
// aligned, split into 256 KB segments named by a table of 1024 entries that reuses
// the segments in turn. Entries are 8 bytes; an entry whose first word is 0x80 is
// empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace zh::zelko2 {

class TtMemory {
 public:
  static constexpr size_t kSegmentBytes = 256 * 1024;
  static constexpr size_t kMinBytes = kSegmentBytes;
  static constexpr size_t kMaxBytes = 0xFFC0000;
  static constexpr int kSegmentSlots = 1024;
  static constexpr uint32_t kEmpty = 0x80;
  static constexpr size_t kLargePage = size_t{2} * 1024 * 1024;

  TtMemory() = default;
  TtMemory(const TtMemory&) = delete;
  TtMemory& operator=(const TtMemory&) = delete;
  ~TtMemory() { Free(); }

  // The size Eng1 uses for a request in KB: rounded down to 256 KB, clamped.
  static size_t SizeForKb(int32_t kb);

  // Allocates bytes (a size from SizeForKb); false when the memory is not there.
  bool Allocate(size_t bytes);
  void Free();
  bool allocated() const { return raw_ != nullptr; }
  size_t bytes() const { return bytes_; }

  // Segment of a slot of the segment table.
  uint8_t* segment(int slot) const { return segments_[slot]; }
  // Writes the empty marker into every entry; false when stop answered true first,
  // with part of the table left as it was.
  bool Clear(const std::function<bool()>& stop = {});
  // Number of entries that are not empty.
  size_t CountUsed() const;

 private:
  void* raw_ = nullptr;
  uint8_t* base_ = nullptr;
  size_t bytes_ = 0;
  uint8_t* segments_[kSegmentSlots] = {};
};

}  // namespace zh::zelko2

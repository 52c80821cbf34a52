// A stream over a buffer in memory of fixed size. Reading and writing share one cursor
// that only moves forward (Rewind starts again); a transfer that would pass the end
// transfers nothing and fails the stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/toolbox/stream.h"

namespace zh {

class TQMemStream final : public TQStream {
 public:
  // A zero-filled buffer of `size` bytes.
  explicit TQMemStream(size_t size);
  // A buffer holding a copy of the bytes.
  TQMemStream(const void* bytes, size_t size);

  int64_t RawRead(void* p, size_t n) override;
  int64_t RawWrite(const void* p, size_t n) override;

  const uint8_t* Data() const { return buffer_.get(); }
  size_t Size() const { return size_; }
  size_t Position() const { return cursor_; }
  void Rewind() { cursor_ = 0; }

 private:
  std::unique_ptr<uint8_t[]> buffer_;
  size_t size_;
  size_t cursor_ = 0;
};

}  // namespace zh

#include "core/toolbox/mem_stream.h"

#include <cstring>

namespace zh {

TQMemStream::TQMemStream(size_t size)
    : TQStream(kOk), buffer_(new uint8_t[size]()), size_(size) {}

TQMemStream::TQMemStream(const void* bytes, size_t size) : TQMemStream(size) {
  if (size) std::memcpy(buffer_.get(), bytes, size);
}

int64_t TQMemStream::RawRead(void* p, size_t n) {
  if (n > size_ - cursor_) {
    Fail();
    return 0;
  }
  if (n) std::memcpy(p, buffer_.get() + cursor_, n);
  cursor_ += n;
  return static_cast<int64_t>(n);
}

int64_t TQMemStream::RawWrite(const void* p, size_t n) {
  if (n > size_ - cursor_) {
    Fail();
    return 0;
  }
  if (n) std::memcpy(buffer_.get() + cursor_, p, n);
  cursor_ += n;
  return static_cast<int64_t>(n);
}

}  // namespace zh

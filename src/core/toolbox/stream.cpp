#include "core/toolbox/stream.h"

#include <algorithm>
#include <vector>

namespace zh {

TQStream& TQStream::WriteBytes(const void* p, size_t n) {
  RawWrite(p, n);
  return *this;
}

TQStream& TQStream::WriteInt16BE(int32_t v) {
  const uint8_t b[2] = {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
  RawWrite(b, sizeof b);
  return *this;
}

TQStream& TQStream::WriteInt32BE(int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  const uint8_t b[4] = {static_cast<uint8_t>(u >> 24), static_cast<uint8_t>(u >> 16),
                        static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u)};
  RawWrite(b, sizeof b);
  return *this;
}

TQStream& TQStream::WriteString(std::string_view s) {
  const size_t n = std::min(s.size(), static_cast<size_t>(kMaxStringLength));
  WriteInt16BE(static_cast<int32_t>(n));
  RawWrite(s.data(), n);
  return *this;
}

TQStream& TQStream::WritePadded(const void* p, size_t n, size_t width) {
  RawWrite(p, std::min(n, width));
  if (n < width) {
    const std::vector<uint8_t> zeros(width - n, 0);
    RawWrite(zeros.data(), zeros.size());
  }
  return *this;
}

TQStream& TQStream::WriteByte(int32_t v) {
  const auto b = static_cast<uint8_t>(v);
  RawWrite(&b, 1);
  return *this;
}

TQStream& TQStream::ReadBytes(void* p, size_t n) {
  RawRead(p, n);
  return *this;
}

int16_t TQStream::ReadInt16BE(int16_t& v) {
  uint8_t b[2] = {0, 0};
  RawRead(b, sizeof b);
  v = static_cast<int16_t>((b[0] << 8) | b[1]);
  return v;
}

int32_t TQStream::ReadInt32BE(int32_t& v) {
  uint8_t b[4] = {0, 0, 0, 0};
  RawRead(b, sizeof b);
  v = static_cast<int32_t>((uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) |
                           (uint32_t{b[2]} << 8) | b[3]);
  return v;
}

uint8_t TQStream::ReadByte(uint8_t& v) {
  v = 0;
  RawRead(&v, 1);
  return v;
}

TQStream& TQStream::ReadString(std::string& s) {
  int16_t count = 0;
  if (ReadInt16BE(count), !IsOk()) return *this;
  if (count < 0 || count > kMaxStringLength) {
    Fail();
    return *this;
  }
  char buffer[kMaxStringLength];
  if (RawRead(buffer, static_cast<size_t>(count)) == count) s.assign(buffer, buffer + count);
  return *this;
}

}  // namespace zh

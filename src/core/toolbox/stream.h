// Serialisation streams: a sequential byte sink and source with typed operations.
// Multi-byte integers go out and come in big-endian; strings are counted (16-bit
// count, at most 499 characters, no terminator). A concrete stream implements only
// the raw transfers. Failures set a state that stays until the stream is reopened, so
// a caller checks IsOk once after a run of operations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zh {

class TQStream {
 public:
  enum State : int32_t { kOk = 0, kNotOpened = 1, kFileError = 6 };
  static constexpr int32_t kMaxStringLength = 499;

  virtual ~TQStream() = default;

  TQStream& WriteBytes(const void* p, size_t n);
  // The low 16 bits, high byte first.
  TQStream& WriteInt16BE(int32_t v);
  TQStream& WriteInt32BE(int32_t v);
  TQStream& WriteLong(int32_t v) { return WriteInt32BE(v); }
  TQStream& WriteUInt32BE(uint32_t v) { return WriteInt32BE(static_cast<int32_t>(v)); }
  // The count min(length, 499), then that many characters.
  TQStream& WriteString(std::string_view s);
  // A field of `width` bytes: min(n, width) bytes of p, then zero bytes.
  TQStream& WritePadded(const void* p, size_t n, size_t width);
  // The low 8 bits.
  TQStream& WriteByte(int32_t v);

  TQStream& ReadBytes(void* p, size_t n);
  TQStream& Read(void* p, size_t n) { return ReadBytes(p, n); }
  // Reads answer the value read (0 for bytes that could not be read).
  int16_t ReadInt16BE(int16_t& v);
  int32_t ReadInt32BE(int32_t& v);
  int32_t ReadLong(int32_t& v) { return ReadInt32BE(v); }
  uint8_t ReadByte(uint8_t& v);
  // A count outside 0..499 fails the stream and leaves the target as it is, as does a
  // short read of the characters.
  TQStream& ReadString(std::string& s);

  virtual bool IsOk() const { return state_ == kOk; }
  int32_t GetState() const { return state_; }

  // Transfer n bytes and answer how many were transferred (-1 when the stream cannot
  // transfer at all); anything short fails the stream.
  virtual int64_t RawRead(void* p, size_t n) = 0;
  virtual int64_t RawWrite(const void* p, size_t n) = 0;

 protected:
  explicit TQStream(int32_t state) : state_(state) {}
  void Fail() { state_ = kFileError; }

  int32_t state_;
};

}  // namespace zh

// A flat little-endian byte buffer through which formatted texts, character formats
// and link tables are written and read. A buffer without data (size 0) is a measuring
// pass: every write only advances the position, which afterwards is the size the same
// writes need. Positions and sizes are 32-bit; the stored length fields are 16-bit.
//
// Reads are checked: a read past the end, or a write past the end of a buffer with
// data, fails the buffer. A failed buffer stays failed, its reads answer zero or empty
// and its writes do nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace zh {

class SearchMask;

class CBuffer {
 public:
  // Allocates and owns `size` bytes; size 0 gives a measuring buffer.
  explicit CBuffer(uint32_t size);
  // Reads over the bytes, which must outlive the buffer (not owned).
  explicit CBuffer(std::string_view bytes);
  // A temporary string would be gone before the buffer reads it.
  explicit CBuffer(std::string&&) = delete;
  virtual ~CBuffer() = default;
  CBuffer(const CBuffer&) = delete;
  CBuffer& operator=(const CBuffer&) = delete;

  // Sizes of the stored forms.
  static constexpr uint32_t kShortSize = 2;
  static constexpr uint32_t kLongSize = 4;
  static constexpr uint32_t kByteSize = 1;
  static uint32_t StringSize(std::string_view s) { return 2 + static_cast<uint32_t>(s.size()); }
  static uint32_t BytesSize(uint32_t n) { return n + 2; }
  static uint32_t SearchMaskSize(const SearchMask& mask);
  // The version of the search-mask stream inside a buffer.
  static constexpr int kSearchMaskVersion = 16;
  // The memory stream a search mask is serialised into.
  static constexpr uint32_t kSearchMaskCapacity = 32767;

  void WriteShort(uint16_t v);
  void WriteLong(uint32_t v);
  // A 16-bit length, then the characters without terminator. A text longer than
  // 65,535 bytes cannot be stored and fails the buffer.
  void WriteCString(std::string_view s) { WriteString(s); }
  void WriteString(std::string_view s);
  // The high 16 bits, then the low 16 bits, each as WriteShort.
  void WriteLongAsShorts(uint32_t v);
  void WriteByte(uint8_t b);
  // A 16-bit length n, then the bytes.
  void WriteBytes(const void* bytes, uint32_t n);
  // The compact search-mask stream of version 16: the version word, then the stream
  // as a byte block.
  void WriteSearchMask(const SearchMask& mask);

  uint16_t ReadShort() {
    const uint8_t* p = ReadPlace(2);
    return p ? static_cast<uint16_t>(p[0] | p[1] << 8) : 0;
  }
  uint32_t ReadLong();
  // The 16-bit value at the position, without advancing.
  uint16_t PeekShort();
  void ReadCString(std::string& s) { ReadString(s); }
  // Keeps the first `keep` characters and skips the rest by the stored length.
  void ReadString(std::string& s, uint32_t keep = UINT32_MAX);
  uint32_t ReadLongAsShorts();
  uint8_t ReadByte();
  // Answers the length read.
  uint32_t ReadBytes(std::string& bytes);
  // Answers 0, or non-zero when the mask could not be read (the mask is then reset).
  int ReadSearchMask(SearchMask& mask);
  // Moves the read position on by n bytes; past the end fails the buffer.
  bool Skip(uint32_t n);

  // The bytes written so far with a terminating zero; answers the position (0, and
  // nothing done, without data).
  uint32_t CopyOut(std::string& destination) const;
  // The bytes written so far; nothing without data.
  virtual void ToString(std::string& out) const;

  uint32_t Position() const { return position_; }
  // Moves the read or write position; beyond the size fails the buffer.
  bool SetPosition(uint32_t p);
  uint32_t Size() const { return size_; }
  uint32_t Remaining() const { return position_ < size_ ? size_ - position_ : 0; }
  const uint8_t* Data() const { return read_; }
  bool HasData() const { return read_ != nullptr; }
  bool Owns() const { return owned_ != nullptr; }
  bool Failed() const { return failed_; }
  void Fail() { failed_ = true; }

 protected:
  // Reads over other bytes from position 0 (used when the bytes are rebuilt).
  void Reset(std::string_view bytes);

 private:
  // The n bytes to read at the position, advanced past; null (the buffer failed) when
  // they are not all there.
  const uint8_t* ReadPlace(uint32_t n) {
    if (failed_ || (n > 0 && (!read_ || n > Remaining()))) {
      failed_ = true;
      return nullptr;
    }
    const uint8_t* p = read_ + position_;
    position_ += n;
    return p;
  }
  // The place to write n bytes, advanced past; null in a measuring pass and when there
  // is no room (the buffer failed then).
  uint8_t* WritePlace(uint32_t n);

  std::unique_ptr<uint8_t[]> owned_;
  const uint8_t* read_ = nullptr;
  uint32_t position_ = 0;
  uint32_t size_ = 0;
  bool failed_ = false;
};

}  // namespace zh

#include "text/buffer.h"

#include <cstring>

#include "core/toolbox/little_endian.h"
#include "core/toolbox/mem_stream.h"
#include "dbwindow/search_mask.h"

namespace zh {

CBuffer::CBuffer(uint32_t size) : size_(size) {
  if (size > 0) {
    owned_ = std::make_unique<uint8_t[]>(size);
    read_ = owned_.get();
  }
}

CBuffer::CBuffer(std::string_view bytes) { Reset(bytes); }

void CBuffer::Reset(std::string_view bytes) {
  owned_.reset();
  read_ = reinterpret_cast<const uint8_t*>(bytes.data());
  size_ = static_cast<uint32_t>(bytes.size());
  position_ = 0;
  failed_ = false;
}

uint8_t* CBuffer::WritePlace(uint32_t n) {
  if (failed_) return nullptr;
  if (!read_) {
    if (n > UINT32_MAX - position_) {
      failed_ = true;
      return nullptr;
    }
    position_ += n;
    return nullptr;
  }
  if (!owned_ || n > Remaining()) {
    failed_ = true;
    return nullptr;
  }
  uint8_t* p = owned_.get() + position_;
  position_ += n;
  return p;
}

void CBuffer::WriteShort(uint16_t v) {
  if (uint8_t* p = WritePlace(2)) PutLittleEndian(p, 2, v);
}

void CBuffer::WriteLong(uint32_t v) {
  if (uint8_t* p = WritePlace(4)) PutLittleEndian(p, 4, v);
}

void CBuffer::WriteString(std::string_view s) { WriteBytes(s.data(), static_cast<uint32_t>(s.size())); }

void CBuffer::WriteLongAsShorts(uint32_t v) {
  WriteShort(static_cast<uint16_t>(v >> 16));
  WriteShort(static_cast<uint16_t>(v));
}

void CBuffer::WriteByte(uint8_t b) {
  if (uint8_t* p = WritePlace(1)) *p = b;
}

void CBuffer::WriteBytes(const void* bytes, uint32_t n) {
  if (n > 0xFFFF) {
    failed_ = true;
    return;
  }
  WriteShort(static_cast<uint16_t>(n));
  if (uint8_t* p = WritePlace(n); p && n > 0) std::memcpy(p, bytes, n);
}

namespace {
// The compact stream of the mask; false when it does not fit the stream.
bool MaskStream(const SearchMask& mask, TQMemStream& stream) {
  mask.Write(stream, CBuffer::kSearchMaskVersion, true);
  return stream.IsOk();
}
}  // namespace

uint32_t CBuffer::SearchMaskSize(const SearchMask& mask) {
  TQMemStream stream(kSearchMaskCapacity);
  MaskStream(mask, stream);
  return static_cast<uint32_t>(stream.Position()) + 4;
}

void CBuffer::WriteSearchMask(const SearchMask& mask) {
  TQMemStream stream(kSearchMaskCapacity);
  if (!MaskStream(mask, stream)) {
    failed_ = true;
    return;
  }
  WriteShort(kSearchMaskVersion);
  WriteBytes(stream.Data(), static_cast<uint32_t>(stream.Position()));
}

uint32_t CBuffer::ReadLong() {
  const uint8_t* p = ReadPlace(4);
  return p ? GetLittleEndian(p, 4) : 0;
}

uint16_t CBuffer::PeekShort() {
  const uint8_t* p = ReadPlace(2);
  if (!p) return 0;
  position_ -= 2;
  return static_cast<uint16_t>(GetLittleEndian(p, 2));
}

void CBuffer::ReadString(std::string& s, uint32_t keep) {
  s.clear();
  const uint16_t length = ReadShort();
  const uint8_t* p = ReadPlace(length);
  if (p) s.assign(reinterpret_cast<const char*>(p), std::min<uint32_t>(length, keep));
}

uint32_t CBuffer::ReadLongAsShorts() {
  const uint32_t high = ReadShort();
  return high << 16 | ReadShort();
}

uint8_t CBuffer::ReadByte() {
  const uint8_t* p = ReadPlace(1);
  return p ? *p : 0;
}

uint32_t CBuffer::ReadBytes(std::string& bytes) {
  ReadString(bytes);
  return static_cast<uint32_t>(bytes.size());
}

int CBuffer::ReadSearchMask(SearchMask& mask) {
  const uint16_t version = ReadShort();
  std::string bytes;
  ReadBytes(bytes);
  if (failed_) {
    mask.Reset();
    return SearchMask::kDamaged;
  }
  TQMemStream stream(bytes.data(), bytes.size());
  return mask.Read(stream, version, true);
}

bool CBuffer::Skip(uint32_t n) { return ReadPlace(n) != nullptr || (n == 0 && !failed_); }

bool CBuffer::SetPosition(uint32_t p) {
  if (p > size_) {
    failed_ = true;
    return false;
  }
  position_ = p;
  return true;
}

uint32_t CBuffer::CopyOut(std::string& destination) const {
  if (!read_) return 0;
  destination.assign(reinterpret_cast<const char*>(read_), position_);
  destination.push_back('\0');
  return position_;
}

void CBuffer::ToString(std::string& out) const {
  if (read_) out.assign(reinterpret_cast<const char*>(read_), position_);
}

}  // namespace zh

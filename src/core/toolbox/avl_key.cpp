#include "core/toolbox/avl_key.h"

#include <cstring>

namespace zh {

int CompareKeyBytes(const uint8_t* a, const uint8_t* b, uint16_t length) {
  return length ? std::memcmp(a, b, length) : 0;
}

AVLKey::AVLKey(const void* bytes, uint16_t length, AVLCompare compare) : compare_(compare) {
  Own(static_cast<const uint8_t*>(bytes), length);
}

AVLKey AVLKey::Refer(const void* bytes, uint16_t length, AVLCompare compare) {
  AVLKey key;
  key.bytes_ = static_cast<const uint8_t*>(bytes);
  key.length_ = length;
  key.compare_ = compare;
  return key;
}

void AVLKey::Own(const uint8_t* bytes, uint16_t length) {
  // assign reuses the buffer when the length is unchanged.
  if (bytes != storage_.data()) storage_.assign(bytes, bytes + (bytes ? length : 0));
  bytes_ = storage_.data();
  length_ = static_cast<uint16_t>(storage_.size());
  owned_ = true;
}

AVLKey::AVLKey(const AVLKey& other) : compare_(other.compare_) { Own(other.bytes_, other.length_); }

AVLKey& AVLKey::operator=(const AVLKey& other) {
  if (this != &other) {
    compare_ = other.compare_;
    Own(other.bytes_, other.length_);
  }
  return *this;
}

AVLKey::AVLKey(AVLKey&& other) noexcept { *this = std::move(other); }

AVLKey& AVLKey::operator=(AVLKey&& other) noexcept {
  if (this == &other) return *this;
  storage_ = std::move(other.storage_);
  bytes_ = other.owned_ ? storage_.data() : other.bytes_;
  length_ = other.length_;
  compare_ = other.compare_;
  owned_ = other.owned_;
  other.storage_.clear();
  other.bytes_ = nullptr;
  other.length_ = 0;
  other.owned_ = false;
  return *this;
}

void AVLKey::CopyOut(void* dst, uint16_t& length) const {
  if (length_) std::memcpy(dst, bytes_, length_);
  length = length_;
}

int AVLKey::Compare(const AVLKey& other) const {
  if (!compare_) return -3;
  if (length_ != other.length_) return -2;
  return compare_(bytes_, other.bytes_, length_);
}

std::string AVLKey::Text() const {
  if (!bytes_ || length_ < 2) return "?";
  return std::to_string(bytes_[0] | (bytes_[1] << 8));
}

}  // namespace zh

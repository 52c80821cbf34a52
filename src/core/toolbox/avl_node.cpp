#include "core/toolbox/avl_node.h"

#include "core/toolbox/little_endian.h"

namespace zh {

void AVLNode::Pack(uint8_t* image) const {
  PutLE32(image, left);
  PutLE32(image + 4, right);
  if (compact) {
    image[8] = static_cast<uint8_t>(balance);
  } else {
    PutLE32(image + 8, balance);
  }
  uint16_t length;
  key.CopyOut(image + LinkSize(compact), length);
}

bool AVLNode::Unpack(const uint8_t* image, size_t size, uint16_t keyLength, AVLCompare compare,
                     bool isCompact) {
  compact = isCompact;
  if (size < LinkSize(compact) + keyLength) return false;
  const int32_t b = compact ? static_cast<int8_t>(image[8]) : GetLE32(image + 8);
  if (b < -1 || b > 1) return false;
  left = GetLE32(image);
  right = GetLE32(image + 4);
  balance = static_cast<int8_t>(b);
  key = AVLKey(image + LinkSize(compact), keyLength, compare);
  return true;
}

}  // namespace zh

// One node of an AVL tree and its stored image: left (4 bytes), right (4 bytes),
// balance (1 byte when compact, else 4), then the key bytes; integers little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/toolbox/avl_key.h"

namespace zh {

struct AVLNode {
  static constexpr int32_t kNone = -1;
  static constexpr int32_t kFree = -999;  // left link of a node on the free list

  int32_t left = kNone;
  int32_t right = kNone;
  AVLKey key;
  int8_t balance = 0;  // height of the right subtree minus that of the left: -1, 0, +1
  bool compact = true;

  static constexpr size_t LinkSize(bool compact) { return compact ? 9 : 12; }
  size_t ImageSize() const { return LinkSize(compact) + key.Length(); }

  // Writes ImageSize() bytes.
  void Pack(uint8_t* image) const;
  // Reads a node of `keyLength` key bytes from `size` bytes; false when the image is
  // too short or its balance is not -1, 0 or +1.
  bool Unpack(const uint8_t* image, size_t size, uint16_t keyLength, AVLCompare compare,
              bool isCompact);
};

}  // namespace zh

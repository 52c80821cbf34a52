// A key of an AVL tree: fixed-length bytes with their comparison function.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zh {

// Negative when a sorts before b, 0 when equal, positive after.
using AVLCompare = int (*)(const uint8_t* a, const uint8_t* b, uint16_t length);

// Byte order (memcmp).
int CompareKeyBytes(const uint8_t* a, const uint8_t* b, uint16_t length);

class AVLKey {
 public:
  AVLKey() = default;
  // An owned copy of the bytes.
  AVLKey(const void* bytes, uint16_t length, AVLCompare compare);
  // A key over the caller's bytes, which must outlive it.
  static AVLKey Refer(const void* bytes, uint16_t length, AVLCompare compare);

  // Copies are always owned.
  AVLKey(const AVLKey& other);
  AVLKey& operator=(const AVLKey& other);
  AVLKey(AVLKey&& other) noexcept;
  AVLKey& operator=(AVLKey&& other) noexcept;

  const uint8_t* Bytes() const { return bytes_; }
  uint16_t Length() const { return length_; }
  AVLCompare Comparer() const { return compare_; }
  bool IsOwned() const { return owned_; }

  // Copies the bytes to dst (room for Length() bytes) and tells their number.
  void CopyOut(void* dst, uint16_t& length) const;
  // -3 without a comparison function, -2 when the lengths differ, else the comparison.
  int Compare(const AVLKey& other) const;
  // The first 16-bit word in decimal, "?" without bytes (for debugging output).
  std::string Text() const;

 private:
  void Own(const uint8_t* bytes, uint16_t length);

  std::vector<uint8_t> storage_;
  const uint8_t* bytes_ = nullptr;
  uint16_t length_ = 0;
  AVLCompare compare_ = nullptr;
  bool owned_ = false;
};

}  // namespace zh

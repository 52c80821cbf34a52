// The write cache of an opening tree: positions of imported games packed into 60-byte
// entries, each with its key hash, its bucket or page and a sort slot, so that a
// flush visits every page once, in page order.
#pragma once

#include <cstdint>
#include <vector>

#include "core/toolbox/fixed_array.h"

namespace zh {

class TreeCache {
 public:
  static constexpr uint32_t kEntrySize = 60;
  static constexpr uint32_t kMaxEntries = 524288;
  // Bytes of memory budget per entry: the entry and its three 32-bit numbers.
  static constexpr uint32_t kBudgetPerEntry = 44;
  static constexpr uint32_t kMinThreshold = 131072;

  // Room for `capacity` entries; Capacity() is 0 when the memory is not there.
  explicit TreeCache(uint32_t capacity);

  uint32_t Capacity() const { return static_cast<uint32_t>(entries_.Count()); }
  uint32_t Count() const { return count_; }
  bool Dirty() const { return dirty_; }
  bool Full() const { return count_ >= Capacity(); }
  // The entry's bytes and its key hash.
  uint8_t* Entry(uint32_t i) { return entries_.At(i); }
  uint32_t Hash(uint32_t i) const { return hashes_[i]; }
  uint32_t& Place(uint32_t i) { return places_[i]; }
  std::vector<uint32_t>& Order() { return order_; }

  // Copies `length` packed bytes into the next entry.
  void Append(const uint8_t* packed, uint32_t length, uint32_t hash);
  // Keeps only the entries whose `written` flag is clear, in their order.
  void KeepUnwritten(const std::vector<uint8_t>& written);
  void Clear() {
    count_ = 0;
    dirty_ = false;
  }

  uint32_t threshold = 0;

 private:
  FixedArray entries_;
  std::vector<uint32_t> hashes_;
  std::vector<uint32_t> places_;
  std::vector<uint32_t> order_;
  uint32_t count_ = 0;
  bool dirty_ = false;
};

}  // namespace zh

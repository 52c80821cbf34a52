// A counted list of 16-bit pairs (item id, item size) as stored in file headers: u16
// head, u16 count n, then the n pairs, all big-endian. The sizes other than the
// variable-length mark add up to the fixed tail of every record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zh {

class WordPairList {
 public:
  static constexpr uint16_t kVariable = 0x7FFF;

  struct Pair {
    uint16_t id = 0;
    uint16_t size = 0;
    bool operator==(const Pair&) const = default;
  };

  // The position tree's layout: key, move list, statistics, learned value, evaluation.
  static WordPairList TreeDefault();

  // Takes the list from `size` readable bytes; the bytes used (4 + 4n), or -1 when the
  // count reaches beyond them.
  int Read(const uint8_t* bytes, size_t size);
  // Writes 4 + 4n bytes; answers that length.
  int Write(uint8_t* bytes) const;
  int Length() const { return 4 + 4 * static_cast<int>(pairs_.size()); }
  // n pairs of zeros.
  void Resize(size_t n);
  // The total of the fixed sizes, kept for FixedTotal.
  uint32_t Recount();

  uint16_t Head() const { return head_; }
  void SetHead(uint16_t head) { head_ = head; }
  size_t Count() const { return pairs_.size(); }
  const Pair& At(size_t i) const { return pairs_[i]; }
  void Set(size_t i, Pair pair) { pairs_[i] = pair; }
  uint32_t FixedTotal() const { return total_; }
  bool operator==(const WordPairList& other) const {
    return head_ == other.head_ && pairs_ == other.pairs_;
  }

 private:
  uint16_t head_ = 0;
  std::vector<Pair> pairs_;
  uint32_t total_ = 0;
};

}  // namespace zh

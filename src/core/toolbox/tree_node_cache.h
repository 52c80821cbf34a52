// The in-memory node cache of a disk tree and the byte budget that all node caches of
// the process share. A cache keeps one entry per node index (a pointer to the cached
// node image and a dirty mark); images are carved from chunks of 256 slots. A store
// that the budget cannot pay for is refused, and the caller writes the node to the
// file instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace zh {

// Bytes that node caches may use and use. The process-wide budget is taken once, at
// its first use, from the memory budget of 20 percent; tests make their own.
class NodeCacheBudget {
 public:
  explicit NodeCacheBudget(uint64_t limit) : limit_(limit) {}
  NodeCacheBudget(const NodeCacheBudget&) = delete;
  NodeCacheBudget& operator=(const NodeCacheBudget&) = delete;

  static NodeCacheBudget& Process();

  uint64_t Limit() const { return limit_; }
  uint64_t Used() const { return used_; }
  uint64_t Free() const { return used_ < limit_ ? limit_ - used_ : 0; }
  void Charge(uint64_t bytes) { used_ += bytes; }
  void Release(uint64_t bytes) { used_ -= bytes < used_ ? bytes : used_; }

 private:
  uint64_t limit_;
  uint64_t used_ = 0;
};

class TreeNodeCache {
 public:
  static constexpr int32_t kChunkSlots = 256;
  static constexpr int32_t kOutOfMemory = 5;

  TreeNodeCache(uint16_t nodeSize, size_t entries, NodeCacheBudget& budget);
  ~TreeNodeCache();
  TreeNodeCache(const TreeNodeCache&) = delete;
  TreeNodeCache& operator=(const TreeNodeCache&) = delete;

  // Copies the image into the slot of node i; dirty marks it, a clean store keeps the
  // mark it had. 0, or 5 when the budget refuses.
  int32_t Store(const uint8_t* image, int32_t i, bool dirty);
  // The cached image of node i, or null.
  uint8_t* Get(int32_t i) const;
  bool IsDirty(int32_t i) const;
  void MarkClean(int32_t i);
  // Frees the chunks and empties every entry (the table stays).
  void Clear();
  // Calls write(i, image) for every dirty image in index order and marks it clean when
  // write answers 0; the first non-zero answer is returned after the walk.
  template <class Write>
  int32_t WriteDirty(Write&& write) {
    int32_t result = 0;
    for (size_t i = 0; i < entries_.size(); ++i) {
      Entry& e = entries_[i];
      if (!e.image || !e.dirty) continue;
      const int32_t rc = write(static_cast<int32_t>(i), e.image);
      if (rc == 0)
        e.dirty = 0;
      else if (result == 0)
        result = rc;
    }
    return result;
  }

  size_t TableSize() const { return entries_.size(); }
  uint64_t BytesCharged() const { return charged_; }

 private:
  struct Entry {
    uint8_t* image = nullptr;
    uint8_t dirty = 0;
  };
  // False when the table cannot be made to hold index i.
  bool Cover(size_t i);
  bool Resize(size_t entries);
  void Charge(uint64_t bytes);
  void Release(uint64_t bytes);

  uint16_t nodeSize_;
  NodeCacheBudget& budget_;
  std::vector<Entry> entries_;
  std::vector<std::unique_ptr<uint8_t[]>> chunks_;  // a null chunk refuses new slots
  int32_t slotsUsed_ = kChunkSlots;                 // in the last chunk
  uint64_t charged_ = 0;
};

}  // namespace zh

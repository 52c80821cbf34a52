// The in-memory copy of the first nodes of a node file (key files, position trees):
// each slot knows whether it is loaded and whether it holds a change that is not yet
// in the file.
#pragma once

#include <cstdint>
#include <vector>

namespace zh {

// Node operations of node files answer 0 or kNodeError with one of these in the low
// bits.
struct NodeFileError {
  static constexpr int kNodeError = 0x8000;
  enum Reason : int {
    kReadFailed = 1,
    kWriteFailed = 2,
    kWrongType = 3,
    kOutOfRange = 4,
    kCycle = 5,
    kBadValue = 6,
    kFileFull = 7,
  };
  // Open result of a file whose header is damaged.
  static constexpr int kUnreadable = 12;
  static int Fail(int reason) { return kNodeError | reason; }
};

// How many nodes a node file caches: the first min(setting, node count + 512).
uint32_t NodeCacheSize(uint32_t nodeCount);

template <class Node>
class NodeCache {
 public:
  enum : uint8_t { kLoaded = 1, kChanged = 2 };

  void Resize(uint32_t size) {
    nodes_.assign(size, Node{});
    flags_.assign(size, 0);
  }
  uint32_t Size() const { return static_cast<uint32_t>(nodes_.size()); }
  bool Holds(uint32_t n) const { return n < Size() && (flags_[n] & kLoaded); }
  const Node& Get(uint32_t n) const { return nodes_[n]; }
  // Stores a node read from the file, or a written one (marked changed when it is not
  // written through). Nodes beyond the cache are ignored.
  void Put(uint32_t n, const Node& node, bool changed) {
    if (n >= Size()) return;
    nodes_[n] = node;
    flags_[n] = kLoaded | (changed ? kChanged : 0);
  }
  // Calls write(n, node) for each changed node; the first non-zero answer stops and is
  // returned. Written nodes are no longer changed.
  template <class Write>
  int WriteChanged(Write write) {
    for (uint32_t n = 0; n < Size(); ++n) {
      if (!(flags_[n] & kChanged)) continue;
      if (int rc = write(n, nodes_[n])) return rc;
      flags_[n] &= static_cast<uint8_t>(~kChanged);
    }
    return 0;
  }

 private:
  std::vector<Node> nodes_;
  std::vector<uint8_t> flags_;
};

}  // namespace zh

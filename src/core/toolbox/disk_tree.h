// An AVL tree whose nodes live in a file of fixed-size records, with a free list of
// node slots, a node cache under the process-wide budget, a length check and repair.
//
// File layout, integers little-endian; node i at header size + i × node size:
//   0 entry count (slots used or free)   4 root index   8 format word
//   12 key length (16 bits), 14 padding  16 free-list head (-1 none)
//   extended format (format word 1234567890) only:
//   20 user value   24 extra length E   28 E extra bytes
// The old format has a 20-byte header and 12-byte link parts (a 4-byte balance), the
// extended one a 28 + E byte header and 9-byte link parts; a file keeps its format.
// A free node has left -999 and right the next free slot; it keeps its key bytes.
//
// Every write goes through the tree's PagedFile.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/toolbox/avl_tree.h"
#include "core/toolbox/tree_node_cache.h"
#include "core/toolbox/paged_file.h"

namespace zh {

// What a check does and what it found. The header libraries and the database
// maintenance share it.
struct CheckRecord {
  bool repair = false;
  bool report = false;  // lines to the message log
  bool detail = false;  // the detailed lines as well
  int32_t defects = 0;
  int32_t reportedDefects = 0;
  int32_t unreadable = 0;
};

// Every node's 0-based position in key order; -1 for a node outside the tree.
class CompleteCache {
 public:
  explicit CompleteCache(int32_t count) : order_(static_cast<size_t>(count) + 1, -1) {}
  void SetOrder(int32_t i, int32_t position) { order_.at(static_cast<size_t>(i)) = position; }
  int32_t Order(int32_t i) const {
    return i >= 0 && static_cast<size_t>(i) < order_.size() ? order_[static_cast<size_t>(i)] : -1;
  }

 private:
  std::vector<int32_t> order_;
};

// Links the positions lo..hi of a key-ordered list into a balanced tree whose subtree
// roots are the upper middle of their range: left subtrees are never lower than right
// ones, so every balance is 0 or -1. write(position, left, right, balance) is called
// for every position, the left subtree first, then the right one, then the root. The
// answer is the root position, -1 for an empty range; a non-zero answer of write ends
// the walk and is passed out in `rc`.
template <class Write>
int32_t LinkBalanced(int32_t lo, int32_t hi, Write&& write, int32_t& rc) {
  if (lo > hi || rc != 0) return -1;
  const int32_t mid = lo + (hi - lo + 1) / 2;
  const int32_t left = LinkBalanced(lo, mid - 1, write, rc);
  const int32_t right = LinkBalanced(mid + 1, hi, write, rc);
  if (rc != 0) return -1;
  auto height = [](int32_t n) { return n <= 0 ? 0 : 32 - __builtin_clz(static_cast<uint32_t>(n)); };
  const int balance = height(hi - mid) - height(mid - lo);
  rc = write(mid, left, right, static_cast<int8_t>(balance));
  return mid;
}

class DiskTree final : public AVLTree {
 public:
  enum OpenMode : int {
    kOpenExisting = 0,  // a missing file gives status 9
    kOpenOrCreate = 1,  // a missing file is created
    kCreateEmpty = 2,   // an existing file is emptied
  };
  enum : int32_t {
    kDestroyed = 3,
    kOutOfMemory = 5,
    kKeyMismatch = 9,
    kCountReset = 23,
  };
  static constexpr int32_t kExtendedFormat = 1234567890;
  static constexpr uint32_t kOldHeaderSize = 20;
  static constexpr uint32_t kExtendedHeaderSize = 28;
  static constexpr int32_t kNewUserValue = 999;

  // Opens (or creates) the file. A header that does not fit the file, or a key length
  // other than `keyLength`, makes the tree unusable: GetStatus() tells why.
  DiskTree(const std::string& path, uint16_t keyLength, AVLCompare compare, int mode,
           NodeCacheBudget* budget = nullptr);
  // Writes the header and the cached nodes back and closes the file.
  ~DiskTree() override;
  DiskTree(const DiskTree&) = delete;
  DiskTree& operator=(const DiskTree&) = delete;

  // True when this object made the file.
  bool WasCreated() const { return created_; }

  void Reset() override;
  int32_t GetEntryCount() const override { return count_; }
  int32_t ReadNode(AVLNode& node, int32_t i) override;
  int32_t WriteNode(const AVLNode& node, int32_t i) override;
  int32_t AppendNode(const AVLKey& key, int32_t& i) override;
  int32_t Flush() override { return WriteHeader(); }
  int32_t FreeNode(int32_t i) override;
  int32_t FindParent(int32_t i) override;

  // The index the next new node takes: the free head when it is a free node, else the
  // end of the file.
  int32_t NextIndex();
  // Writes node i, growing the entry count to i + 1 when needed (index files are
  // written node by node at their final places).
  int32_t WriteNodeExtending(const AVLNode& node, int32_t i);
  // Sets the root and writes the header.
  int32_t SetRoot(int32_t root);
  int32_t UserValue() const { return userValue_; }
  int32_t SetUserValue(int32_t value);
  // Writes every dirty cached node, then the paged file's window.
  int32_t FlushNodes();

  // 0 when the file holds exactly the header and the counted nodes. Otherwise the
  // count becomes the number of whole nodes in the file ("reset number of entries
  // (n)" reported), the header and the file's length are put right when repairing,
  // and the answer is 23.
  int32_t CheckLength(CheckRecord& check);
  // Checks links, the tree's shape and order against the usage of every node (the
  // first game that refers to it, -1 for none) and the free list; rebuilds the tree
  // from the used nodes and puts the free list right when repairing. Every used node
  // keeps its index. 0, or the status; 6 when the count exceeds the file (check the
  // length first).
  int32_t CheckAndRepair(CheckRecord& check, std::vector<int32_t>& usage);

  // Every node's position in key order; 5 without memory, 6 for a cyclic tree.
  int32_t BuildOrderTable();
  void DropOrderTable() { order_.reset(); }
  const CompleteCache* OrderTable() const { return order_.get(); }

  void SetWriteThrough(bool on) { writeThrough_ = on; }
  // When off, header writes wait for FlushHeader or the destructor.
  void SetWriteHeaderAtOnce(bool on) { writeHeaderAtOnce_ = on; }
  int32_t FlushHeader();

  uint16_t KeyLength() const { return keyLength_; }
  uint32_t NodeSize() const { return nodeSize_; }
  uint32_t HeaderSize() const { return headerSize_; }
  int32_t FreeHead() const { return freeHead_; }
  const std::vector<uint8_t>& ExtraHeader() const { return extra_; }
  PagedFile& File() { return *file_; }
  const TreeNodeCache* Cache() const { return cache_.get(); }

 private:
  bool Open(int mode);
  bool ReadHeader(uint64_t size);
  std::vector<uint8_t> HeaderImage() const;
  int32_t WriteHeader();
  uint64_t Offset(int32_t i) const { return headerSize_ + uint64_t(nodeSize_) * uint32_t(i); }
  int32_t ReadImage(int32_t i, uint8_t* image);
  int32_t WriteImage(int32_t i, const uint8_t* image);
  int32_t StoreImage(int32_t i, const uint8_t* image);
  bool HeadIsFree();
  int32_t TakeIndex(int32_t& i);
  uint64_t WholeNodes();

  struct Links;
  int32_t ReadLinks(Links& links, CheckRecord& check);
  void CheckShape(Links& links, CheckRecord& check, const std::vector<int32_t>& usage,
                  bool& rebuild);
  int32_t Rebuild(const std::vector<int32_t>& usage, CheckRecord& check);
  int32_t RepairFreeList(Links& links, CheckRecord& check, std::vector<int32_t>& usage);

  std::unique_ptr<PagedFile> file_;
  std::unique_ptr<TreeNodeCache> cache_;
  std::unique_ptr<CompleteCache> order_;
  NodeCacheBudget* budget_;
  AVLCompare compare_;
  std::vector<uint8_t> extra_;
  std::vector<uint8_t> image_;  // node scratch
  int32_t count_ = 0;
  int32_t format_ = kExtendedFormat;
  int32_t freeHead_ = AVLNode::kNone;
  int32_t userValue_ = kNewUserValue;
  uint32_t headerSize_ = kExtendedHeaderSize;
  uint32_t nodeSize_ = 0;
  uint16_t keyLength_;
  bool created_ = false;
  bool headerPending_ = false;
  bool writeThrough_ = false;
  bool writeHeaderAtOnce_ = true;
};

}  // namespace zh

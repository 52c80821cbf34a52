// A height-balanced binary search tree over fixed-length keys whose nodes are
// addressed by index and stored through virtual operations (a file, or memory). Once
// a key is stored, the index of its node never changes until the key is deleted, so
// node indexes serve as permanent entry numbers.
//
// Links come from storage and may be damaged: every descent is bounded by the entry
// count and every walk by the height an AVL tree can have, so a cycle gives 6 (after
// an "Incons" report) instead of a hang.
#pragma once

#include <cstdint>
#include <functional>

#include "core/toolbox/avl_key.h"
#include "core/toolbox/avl_node.h"
#include "core/toolbox/int_array.h"

namespace zh {

class AVLTree {
 public:
  // Result codes.
  enum : int32_t {
    kOk = 0,
    kRefused = 1,
    kBadIndex = 4,
    kFileError = 6,
    kNotFound = 9,
    kOutOfRange = 15,
  };
  // No AVL tree of fewer than 2^31 nodes is higher than this.
  static constexpr int kMaxHeight = 48;

  virtual ~AVLTree() = default;

  // Storage operations.
  virtual void Reset() = 0;
  // Node slots in use or free.
  virtual int32_t GetEntryCount() const = 0;
  virtual bool IsInvalidIndex(int32_t i) const {
    return i < 0 || i >= GetEntryCount() || status_ != kOk;
  }
  // 0, 4 (bad index) or 6 (read error).
  virtual int32_t ReadNode(AVLNode& node, int32_t i) = 0;
  // 0, 15 (index out of range) or 6 (write error).
  virtual int32_t WriteNode(const AVLNode& node, int32_t i) = 0;
  // Stores a new leaf holding the key and tells its index.
  virtual int32_t AppendNode(const AVLKey& key, int32_t& i) = 0;
  // Writes the tree's header (root and counts).
  virtual int32_t Flush() { return kOk; }
  virtual int32_t FreeNode(int32_t i) = 0;
  // Index of the node whose left or right link is i, or -1.
  virtual int32_t FindParent(int32_t i) = 0;
  // Called after every insert, replace and delete.
  virtual void EndOperation() {}

  // 0 and the node's index when the key is stored; else 9 with index -1 when exact,
  // or the index of the node where the key would hang when not. `nearest` (when given)
  // receives the key of the node found, or where the search stopped unless exact.
  int32_t Find(const AVLKey& key, AVLKey* nearest, int32_t& index, bool exact);
  // Inserts the key and tells its index (the existing one when an equal key is stored).
  int32_t Insert(const AVLKey& key, int32_t& index);
  // Rewrites node i with the key's bytes when its key compares equal, else 9.
  int32_t Replace(const AVLKey& key, int32_t i);
  // 1 when the tree is not writable, 9 when the key is absent.
  int32_t Delete(const AVLKey& key);
  int32_t GetKeyAt(int32_t i, AVLKey& key);

  // In-order walk; a non-zero answer of the visitor ends it and is returned.
  using Visitor = std::function<int32_t(int32_t index, const AVLKey& key)>;
  int32_t ForEach(const Visitor& visit);
  // Appends, in key order, the index of every node with low <= key <= high; stops
  // when the array is full.
  int32_t CollectRange(SortedLONGArr& array, const AVLKey& low, const AVLKey& high);
  int32_t CountRange(const AVLKey& low, const AVLKey& high, int32_t& count);

  int32_t GetStatus() const { return status_; }
  // The root's index, -1 for an empty tree.
  int32_t Root() const { return GetEntryCount() > 0 ? root_ : AVLNode::kNone; }
  bool IsCompact() const { return compact_; }
  bool IsWritable() const { return writable_; }
  void SetWritable(bool writable) { writable_ = writable; }

 protected:
  int32_t status_ = kOk;
  int32_t root_ = AVLNode::kNone;
  bool compact_ = true;
  bool writable_ = true;

 private:
  int32_t InsertAt(int32_t& link, const AVLKey& key, int32_t& index, bool& grown, int depth);
  int32_t DeleteAt(int32_t& link, const AVLKey& key, bool& shrunk, int32_t& freed, int depth);
  int32_t DetachMax(int32_t& link, int32_t& max, AVLNode& maxNode, bool& shrunk, int depth);
  int32_t AfterShrink(int32_t& link, AVLNode& node, int side, bool& shrunk);
  int32_t Rotate(int32_t& link, AVLNode& node, int heavy, bool& lowered);
  template <class Take>
  int32_t RangeWalk(int32_t i, const AVLKey& low, const AVLKey& high, int depth, int64_t& visits,
                    Take& take);
  int32_t Defect(const char* check, int line);
};

}  // namespace zh

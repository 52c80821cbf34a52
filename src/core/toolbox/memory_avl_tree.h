// An AVL tree whose node images live in memory, in the layout the disk tree stores
// them: fixed-size images, freed slots on a free list (left -999, right the next free
// slot) that appending reuses, last freed first.
#pragma once

#include <cstdint>
#include <vector>

#include "core/toolbox/avl_tree.h"

namespace zh {

class MemoryAVLTree final : public AVLTree {
 public:
  MemoryAVLTree(uint16_t keyLength, AVLCompare compare, bool compact = true);

  void Reset() override;
  int32_t GetEntryCount() const override { return static_cast<int32_t>(images_.size()); }
  int32_t ReadNode(AVLNode& node, int32_t i) override;
  int32_t WriteNode(const AVLNode& node, int32_t i) override;
  // 1 for a key of another length than the tree's.
  int32_t AppendNode(const AVLKey& key, int32_t& i) override;
  int32_t FreeNode(int32_t i) override;
  int32_t FindParent(int32_t i) override;

  int32_t FreeHead() const { return freeHead_; }
  uint16_t KeyLength() const { return keyLength_; }
  // The stored image of node i (for inspecting and damaging it in tests).
  std::vector<uint8_t>& Image(int32_t i) { return images_.at(static_cast<size_t>(i)); }

 private:
  uint16_t keyLength_;
  AVLCompare compare_;
  std::vector<std::vector<uint8_t>> images_;
  int32_t freeHead_ = AVLNode::kNone;
};

}  // namespace zh

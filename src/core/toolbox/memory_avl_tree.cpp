#include "core/toolbox/memory_avl_tree.h"

namespace zh {

MemoryAVLTree::MemoryAVLTree(uint16_t keyLength, AVLCompare compare, bool compact)
    : keyLength_(keyLength), compare_(compare) {
  compact_ = compact;
}

void MemoryAVLTree::Reset() {
  images_.clear();
  freeHead_ = AVLNode::kNone;
  root_ = AVLNode::kNone;
}

int32_t MemoryAVLTree::ReadNode(AVLNode& node, int32_t i) {
  if (IsInvalidIndex(i)) return kBadIndex;
  const std::vector<uint8_t>& image = images_[static_cast<size_t>(i)];
  return node.Unpack(image.data(), image.size(), keyLength_, compare_, compact_) ? kOk
                                                                                 : kFileError;
}

int32_t MemoryAVLTree::WriteNode(const AVLNode& node, int32_t i) {
  if (i < 0 || i >= GetEntryCount()) return kOutOfRange;
  if (node.key.Length() != keyLength_) return kRefused;
  AVLNode stored = node;
  stored.compact = compact_;
  std::vector<uint8_t>& image = images_[static_cast<size_t>(i)];
  image.assign(stored.ImageSize(), 0);
  stored.Pack(image.data());
  return kOk;
}

int32_t MemoryAVLTree::AppendNode(const AVLKey& key, int32_t& i) {
  if (key.Length() != keyLength_) return kRefused;
  if (freeHead_ != AVLNode::kNone) {
    AVLNode head;
    if (const int32_t rc = ReadNode(head, freeHead_)) return rc;
    i = freeHead_;
    freeHead_ = head.right;
  } else {
    i = GetEntryCount();
    images_.emplace_back();
  }
  AVLNode leaf;
  leaf.key = key;
  return WriteNode(leaf, i);
}

int32_t MemoryAVLTree::FreeNode(int32_t i) {
  AVLNode node;
  if (const int32_t rc = ReadNode(node, i)) return rc;
  node.left = AVLNode::kFree;
  node.right = freeHead_;
  node.balance = 0;
  if (const int32_t rc = WriteNode(node, i)) return rc;
  freeHead_ = i;
  return kOk;
}

int32_t MemoryAVLTree::FindParent(int32_t i) {
  AVLNode node;
  for (int32_t p = 0; p < GetEntryCount(); ++p) {
    if (ReadNode(node, p) != kOk || node.left == AVLNode::kFree) continue;
    if (node.left == i || node.right == i) return p;
  }
  return AVLNode::kNone;
}

}  // namespace zh

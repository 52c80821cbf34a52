#include "core/toolbox/avl_tree.h"

#include <algorithm>
#include <string>
#include <vector>

#include "core/services.h"

namespace zh {
namespace {
constexpr int32_t kArrayFull = -100;  // ends a range walk without an error
}  // namespace

int32_t AVLTree::Defect(const char* check, int line) {
  ReportInconsistency(check, "core/avl_tree", line);
  LogLine(std::string(check) + " core/avl_tree " + std::to_string(line));
  return kFileError;
}

int32_t AVLTree::Find(const AVLKey& key, AVLKey* nearest, int32_t& index, bool exact) {
  index = AVLNode::kNone;
  if (status_ != kOk) return status_;
  AVLNode node;
  int32_t last = AVLNode::kNone;
  // A descent is no longer than the tree is high, whatever the stored count says.
  const int32_t limit = std::min<int32_t>(GetEntryCount(), kMaxHeight);
  int32_t steps = 0;
  for (int32_t i = Root(); i != AVLNode::kNone; ++steps) {
    if (steps > limit) return Defect("Incons", __LINE__);
    if (const int32_t rc = ReadNode(node, i)) return rc;
    last = i;
    const int c = key.Compare(node.key);
    if (c == 0) {
      index = i;
      if (nearest) *nearest = node.key;
      return kOk;
    }
    i = c < 0 ? node.left : node.right;
  }
  if (!exact && last != AVLNode::kNone) {
    index = last;
    if (nearest) *nearest = node.key;
  }
  return kNotFound;
}

// Rotates the subtree at `link` whose side `heavy` (-1 left, +1 right) is two levels
// higher than the other. `lowered` tells whether the subtree lost a level.
int32_t AVLTree::Rotate(int32_t& link, AVLNode& node, int heavy, bool& lowered) {
  const int32_t n = link;
  const int32_t c = heavy < 0 ? node.left : node.right;
  AVLNode child;
  if (const int32_t rc = ReadNode(child, c)) return rc;
  if (child.balance == -heavy) {
    // Double rotation: the grandchild on the inner side becomes the subtree's root.
    const int32_t g = heavy < 0 ? child.right : child.left;
    AVLNode grand;
    if (const int32_t rc = ReadNode(grand, g)) return rc;
    if (heavy < 0) {
      child.right = grand.left, node.left = grand.right, grand.left = c, grand.right = n;
    } else {
      child.left = grand.right, node.right = grand.left, grand.right = c, grand.left = n;
    }
    node.balance = static_cast<int8_t>(grand.balance == heavy ? -heavy : 0);
    child.balance = static_cast<int8_t>(grand.balance == -heavy ? heavy : 0);
    grand.balance = 0;
    lowered = true;
    link = g;
    if (const int32_t rc = WriteNode(node, n)) return rc;
    if (const int32_t rc = WriteNode(child, c)) return rc;
    return WriteNode(grand, g);
  }
  // Single rotation: the child becomes the subtree's root.
  if (heavy < 0) {
    node.left = child.right, child.right = n;
  } else {
    node.right = child.left, child.left = n;
  }
  if (child.balance == heavy) {
    node.balance = child.balance = 0;
    lowered = true;
  } else {  // a balanced child: only after a deletion
    node.balance = static_cast<int8_t>(heavy);
    child.balance = static_cast<int8_t>(-heavy);
    lowered = false;
  }
  link = c;
  if (const int32_t rc = WriteNode(node, n)) return rc;
  return WriteNode(child, c);
}

int32_t AVLTree::InsertAt(int32_t& link, const AVLKey& key, int32_t& index, bool& grown,
                          int depth) {
  if (depth > kMaxHeight) return Defect("Incons", __LINE__);
  if (link == AVLNode::kNone) {
    if (const int32_t rc = AppendNode(key, index)) return rc;
    link = index;
    grown = true;
    return kOk;
  }
  AVLNode node;
  if (const int32_t rc = ReadNode(node, link)) return rc;
  const int c = key.Compare(node.key);
  if (c == 0) {
    index = link;
    grown = false;
    return kOk;
  }
  const int side = c < 0 ? -1 : 1;
  int32_t& childLink = side < 0 ? node.left : node.right;
  const int32_t before = childLink;
  if (const int32_t rc = InsertAt(childLink, key, index, grown, depth + 1)) return rc;
  bool changed = childLink != before;
  if (grown) {
    if (node.balance == -side) {
      node.balance = 0;
      grown = false;
    } else if (node.balance == 0) {
      node.balance = static_cast<int8_t>(side);
    } else {
      bool lowered;
      grown = false;
      return Rotate(link, node, side, lowered);
    }
    changed = true;
  }
  return changed ? WriteNode(node, link) : kOk;
}

int32_t AVLTree::Insert(const AVLKey& key, int32_t& index) {
  index = AVLNode::kNone;
  if (status_ != kOk) return status_;
  int32_t root = Root();
  bool grown = false;
  int32_t rc = InsertAt(root, key, index, grown, 0);
  if (rc == kOk) {
    root_ = root;
    rc = Flush();
  }
  EndOperation();
  return rc;
}

// The subtree on `side` of the node at `link` lost a level.
int32_t AVLTree::AfterShrink(int32_t& link, AVLNode& node, int side, bool& shrunk) {
  if (node.balance == side) {
    node.balance = 0;
    shrunk = true;
  } else if (node.balance == 0) {
    node.balance = static_cast<int8_t>(-side);
    shrunk = false;
  } else {
    return Rotate(link, node, -side, shrunk);
  }
  return WriteNode(node, link);
}

// Unlinks the rightmost node of the subtree at `link`; its parent takes its left child.
int32_t AVLTree::DetachMax(int32_t& link, int32_t& max, AVLNode& maxNode, bool& shrunk,
                           int depth) {
  if (depth > kMaxHeight) return Defect("Incons", __LINE__);
  AVLNode node;
  if (const int32_t rc = ReadNode(node, link)) {
    Defect("AVLdel", __LINE__);
    return rc;
  }
  if (node.right == AVLNode::kNone) {
    max = link;
    link = node.left;
    maxNode = std::move(node);
    shrunk = true;
    return kOk;
  }
  const int32_t before = node.right;
  if (const int32_t rc = DetachMax(node.right, max, maxNode, shrunk, depth + 1)) return rc;
  if (shrunk) return AfterShrink(link, node, 1, shrunk);
  return node.right != before ? WriteNode(node, link) : kOk;
}

int32_t AVLTree::DeleteAt(int32_t& link, const AVLKey& key, bool& shrunk, int32_t& freed,
                          int depth) {
  if (depth > kMaxHeight) return Defect("Incons", __LINE__);
  if (link == AVLNode::kNone) return kNotFound;
  AVLNode node;
  if (const int32_t rc = ReadNode(node, link)) {
    Defect("AVLdel", __LINE__);
    return rc;
  }
  const int c = key.Compare(node.key);
  if (c == 0) {
    freed = link;
    if (node.left == AVLNode::kNone || node.right == AVLNode::kNone) {
      link = node.left == AVLNode::kNone ? node.right : node.left;
      shrunk = true;
      return kOk;
    }
    // The in-order predecessor takes the deleted node's place in the tree and keeps its
    // own index; the deleted node's index is freed.
    int32_t left = node.left;
    int32_t pred = AVLNode::kNone;
    AVLNode predNode;
    if (const int32_t rc = DetachMax(left, pred, predNode, shrunk, depth + 1)) return rc;
    predNode.left = left;
    predNode.right = node.right;
    predNode.balance = node.balance;
    link = pred;
    if (shrunk) return AfterShrink(link, predNode, -1, shrunk);
    return WriteNode(predNode, pred);
  }
  const int side = c < 0 ? -1 : 1;
  int32_t& childLink = side < 0 ? node.left : node.right;
  const int32_t before = childLink;
  if (const int32_t rc = DeleteAt(childLink, key, shrunk, freed, depth + 1)) return rc;
  if (shrunk) return AfterShrink(link, node, side, shrunk);
  return childLink != before ? WriteNode(node, link) : kOk;
}

int32_t AVLTree::Delete(const AVLKey& key) {
  if (!writable_) return kRefused;
  if (status_ != kOk) return status_;
  int32_t root = Root();
  bool shrunk = false;
  int32_t freed = AVLNode::kNone;
  int32_t rc = DeleteAt(root, key, shrunk, freed, 0);
  if (rc == kOk) {
    root_ = root;
    rc = Flush();
    if (const int32_t f = FreeNode(freed); rc == kOk) rc = f;
  }
  EndOperation();
  return rc;
}

int32_t AVLTree::Replace(const AVLKey& key, int32_t i) {
  AVLNode node;
  int32_t rc = ReadNode(node, i);
  if (rc == kOk) {
    if (key.Compare(node.key) != 0) {
      rc = kNotFound;
    } else {
      node.key = AVLKey(key.Bytes(), key.Length(), node.key.Comparer());
      rc = WriteNode(node, i);
    }
  }
  EndOperation();
  return rc;
}

int32_t AVLTree::GetKeyAt(int32_t i, AVLKey& key) {
  AVLNode node;
  if (const int32_t rc = ReadNode(node, i)) return rc;
  key = std::move(node.key);
  return kOk;
}

int32_t AVLTree::ForEach(const Visitor& visit) {
  if (status_ != kOk) return status_;
  std::vector<int32_t> stack;
  const int64_t limit = GetEntryCount();
  int64_t visits = 0;
  AVLNode node;
  int32_t i = Root();
  while (i != AVLNode::kNone || !stack.empty()) {
    for (; i != AVLNode::kNone; i = node.left) {
      if (stack.size() >= static_cast<size_t>(kMaxHeight)) return Defect("Incons", __LINE__);
      if (const int32_t rc = ReadNode(node, i)) return rc;
      stack.push_back(i);
    }
    i = stack.back();
    stack.pop_back();
    if (++visits > limit) return Defect("Incons", __LINE__);
    if (const int32_t rc = ReadNode(node, i)) return rc;
    if (const int32_t rc = visit(i, node.key)) return rc;
    i = node.right;
  }
  return kOk;
}

template <class Take>
int32_t AVLTree::RangeWalk(int32_t i, const AVLKey& low, const AVLKey& high, int depth,
                           int64_t& visits, Take& take) {
  if (i == AVLNode::kNone) return kOk;
  if (depth > kMaxHeight || ++visits > GetEntryCount()) return Defect("Incons", __LINE__);
  AVLNode node;
  if (const int32_t rc = ReadNode(node, i)) return rc;
  const int toLow = low.Compare(node.key);
  const int toHigh = high.Compare(node.key);
  if (toLow < 0)
    if (const int32_t rc = RangeWalk(node.left, low, high, depth + 1, visits, take)) return rc;
  if (toLow <= 0 && toHigh >= 0)
    if (const int32_t rc = take(i)) return rc;
  if (toHigh > 0) return RangeWalk(node.right, low, high, depth + 1, visits, take);
  return kOk;
}

int32_t AVLTree::CollectRange(SortedLONGArr& array, const AVLKey& low, const AVLKey& high) {
  if (status_ != kOk) return status_;
  int64_t visits = 0;
  auto take = [&array](int32_t i) { return array.IsFull() || !array.Append(i) ? kArrayFull : 0; };
  const int32_t rc = RangeWalk(Root(), low, high, 0, visits, take);
  return rc == kArrayFull ? kOk : rc;
}

int32_t AVLTree::CountRange(const AVLKey& low, const AVLKey& high, int32_t& count) {
  count = 0;
  if (status_ != kOk) return status_;
  int64_t visits = 0;
  auto take = [&count](int32_t) {
    ++count;
    return 0;
  };
  return RangeWalk(Root(), low, high, 0, visits, take);
}

}  // namespace zh

#include "database/keys/position_tree.h"

#include <algorithm>

#include "core/toolbox/big_endian.h"
#include "core/services.h"
#include "database/game/game_cursor.h"
#include "database/keys/key_file.h"

namespace zh {

const char* PositionTreeExtension(int32_t kind) {
  if (kind == 256) return "cpb";
  if (kind == 4096) return "cod";
  return "cpo";
}

bool PackTreeNode(const TreeNode& node, uint8_t bytes[kTreeFileNodeSize]) {
  bytes[0] = node.type;
  PutBigEndian(bytes + 1, 3, static_cast<uint32_t>(node.left));
  PutBigEndian(bytes + 4, 3, static_cast<uint32_t>(node.right));
  PutBigEndian(bytes + 7, 3, static_cast<uint32_t>(node.entry));
  Board board;
  UnpackPosition(node.board, board);
  return EncodeBoardBits(board, bytes + 10);
}

void UnpackTreeNode(const uint8_t bytes[kTreeFileNodeSize], TreeNode& node) {
  node.type = bytes[0];
  node.left = static_cast<int32_t>(GetBigEndian(bytes + 1, 3));
  node.right = static_cast<int32_t>(GetBigEndian(bytes + 4, 3));
  node.entry = static_cast<int32_t>(GetBigEndian(bytes + 7, 3));
  Board board;
  DecodeBoardBits(bytes + 10, board);
  PackPosition(board, node.board);
}

PositionTree::PositionTree(const std::string& databasePath, bool create, int cacheMode,
                           int32_t kind) {
  file_ = PagedFileForExtension(databasePath, PositionTreeExtension(kind), create, kBufferSize,
                                kLookBack, PagedFile::kRandom);
  Open(create, cacheMode);
}

PositionTree::~PositionTree() {
  if (status_ == 0) Flush();
}

void PositionTree::Open(bool create, int cacheMode) {
  const int state = file_->State();
  if (state == PagedFile::kMissing || state == PagedFile::kCannotOpen) {
    status_ = state;
    return;
  }
  file_->EnableWriteBehind();
  const uint64_t size = file_->GetSize();
  if (size == 0) {
    if (!create) {
      status_ = kUnreadable;
      return;
    }
    header_ = TreeNode{};
    header_.left = kTreeFormat;
    header_.entry = 2;
    nodeCount_ = 2;
    const bool written = WriteToFile(0, header_) == 0 && WriteToFile(1, TreeNode{}) == 0 &&
                         file_->WriteBack() == 0;
    status_ = written ? 0 : kUnreadable;
  } else {
    uint8_t bytes[kTreeFileNodeSize];
    if (file_->Read(bytes, 0, kTreeFileNodeSize) != 0) {
      status_ = kUnreadable;
      return;
    }
    UnpackTreeNode(bytes, header_);
    const uint32_t count = static_cast<uint32_t>(header_.entry);
    if (header_.type != 0 || count < 2 || count > size / kTreeFileNodeSize) {
      status_ = kUnreadable;
      return;
    }
    nodeCount_ = count;
  }
  writeBack_ = cacheMode == 2;
  if (cacheMode != 0) cache_.Resize(NodeCacheSize(nodeCount_));
}

int PositionTree::WriteToFile(uint32_t n, const TreeNode& node) {
  uint8_t bytes[kTreeFileNodeSize];
  if (!PackTreeNode(node, bytes)) return Fail(kBadValue);
  return file_->Write(bytes, uint64_t{n} * kTreeFileNodeSize, kTreeFileNodeSize)
             ? Fail(kWriteFailed)
             : 0;
}

int PositionTree::ReadNode(uint32_t n, TreeNode& node) {
  if (status_ != 0) return Fail(kReadFailed);
  if (n >= nodeCount_) return Fail(kOutOfRange);
  if (n == 0) {
    node = header_;
    return 0;
  }
  if (cache_.Holds(n)) {
    node = cache_.Get(n);
    return 0;
  }
  uint8_t bytes[kTreeFileNodeSize];
  if (file_->Read(bytes, uint64_t{n} * kTreeFileNodeSize, kTreeFileNodeSize) != 0)
    return Fail(kReadFailed);
  TreeNode read;
  UnpackTreeNode(bytes, read);
  if (read.type != 0) return Fail(kWrongType);
  cache_.Put(n, read, false);
  node = read;
  return 0;
}

int PositionTree::WriteNode(uint32_t n, const TreeNode& node) {
  if (status_ != 0) return Fail(kWriteFailed);
  if (n > 0xFFFFFF - 1) return Fail(kFileFull);
  uint8_t bytes[kTreeFileNodeSize];
  if (!PackTreeNode(node, bytes)) return Fail(kBadValue);
  if (n == 0) {
    header_ = node;
    header_.entry = static_cast<int32_t>(nodeCount_);
  } else if (n >= nodeCount_) {
    nodeCount_ = n + 1;
    if (int rc = WriteHeader()) return rc;
  }
  const TreeNode& stored = n == 0 ? header_ : node;
  if (writeBack_ && n < cache_.Size()) {
    cache_.Put(n, stored, true);
    return 0;
  }
  cache_.Put(n, stored, false);
  return WriteToFile(n, stored);
}

int PositionTree::WriteHeader() {
  header_.entry = static_cast<int32_t>(nodeCount_);
  return WriteNode(0, header_);
}

int PositionTree::Flush() {
  if (status_ != 0) return 0;
  if (int rc = cache_.WriteChanged(
          [this](uint32_t n, const TreeNode& node) { return WriteToFile(n, node); }))
    return rc;
  return file_->WriteBack() ? Fail(kWriteFailed) : 0;
}

int PositionTree::FindPosition(const Board& board, uint32_t& node, int& comparison) {
  uint8_t key[kPackedPositionSize];
  PackPosition(board, key);
  uint32_t n = 1;
  for (uint32_t steps = 0;; ++steps) {
    if (steps >= nodeCount_) return Fail(kCycle);
    TreeNode current;
    if (int rc = ReadNode(n, current)) return rc;
    const int cmp = ComparePackedPositions(key, current.board);
    const int32_t next = cmp > 0 ? current.right : current.left;
    if (cmp == 0 || next == 0) {
      node = n;
      comparison = cmp;
      return 0;
    }
    n = static_cast<uint32_t>(next);
  }
}

int PositionTree::AddPosition(const Board& board, int32_t entry, uint32_t& node) {
  uint32_t parent;
  int comparison;
  if (int rc = FindPosition(board, parent, comparison)) return rc;
  if (comparison == 0) {
    node = parent;
    return 0;
  }
  TreeNode added;
  added.entry = entry;
  PackPosition(board, added.board);
  const uint32_t n = nodeCount_;
  if (int rc = WriteNode(n, added)) return rc;
  TreeNode above;
  if (int rc = ReadNode(parent, above)) return rc;
  (comparison > 0 ? above.right : above.left) = static_cast<int32_t>(n);
  if (int rc = WriteNode(parent, above)) return rc;
  node = n;
  return 0;
}

int32_t PositionTree::GetKeyEntry(uint32_t node) {
  TreeNode read;
  return ReadNode(node, read) == 0 ? read.entry : -1;
}

int PositionTree::SetIndexDepth(int32_t depth) {
  if (depth < 0 || depth > 0xFFFFFF) return Fail(kBadValue);
  header_.right = depth;
  return WriteHeader();
}

namespace {

// Walks back from the cursor's position to the first position the tree files under an
// entry: 0 with the entry, 1 when the start is passed, or an error.
int WalkBackToEntry(PositionTree& tree, GameCursor& cursor, int32_t& entry) {
  for (;;) {
    uint32_t node;
    int comparison;
    if (tree.FindPosition(cursor.GetPosition().board, node, comparison) != 0) return kKeyLookupError;
    if (comparison == 0) {
      entry = tree.GetKeyEntry(node);
      if (entry < 0) return kKeyEntryError;
      if (entry > 0) return 0;
    }
    if (cursor.Ply() <= 0) return 1;
    cursor.Back(false);
  }
}

}  // namespace

int FindKeyEntry(PositionTree& tree, GameCursor& cursor) {
  const int32_t depth = tree.GetIndexDepth();
  cursor.GoToPly(depth == 0 ? cursor.LineEnd() : depth + 1);
  int32_t entry = 0;
  const int rc = WalkBackToEntry(tree, cursor, entry);
  return rc == 0 ? entry : rc == 1 ? kNoKeyEntry : rc;
}

int ClassifyGame(KeyFile& key, PositionTree& tree, GameCursor& cursor, int ply, uint32_t game) {
  cursor.GoToPly(ply);
  int32_t entry = 0;
  if (const int rc = WalkBackToEntry(tree, cursor, entry)) return rc;
  KeyNode node;
  if (key.ReadNode(static_cast<uint32_t>(entry), node, kKeyEntryNode) != 0) return kKeyEntryError;
  return static_cast<int16_t>(key.AddToKey(static_cast<uint32_t>(entry), game, 1));
}

}  // namespace zh

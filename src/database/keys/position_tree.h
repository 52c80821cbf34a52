// A binary search tree of positions beside a key: each node holds a board and the key
// entry that the position opens. File nodes are 34 bytes (type, left, right, entry as
// big-endian 24-bit values, the bit-coded board); in memory the board is the 32-byte
// nibble board, compared byte by byte.
//
// Node 0 is the header: left link the format (4), right link the index depth of the
// key (0 = the whole main line), entry field the node count. Node 1 is the root with an
// empty board, below every real position. The tree is not balanced; descents are
// bounded by the node count.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/rules/board.h"
#include "database/keys/node_cache.h"
#include "database/storage/paged_file.h"
#include "database/storage/start_position_record.h"

namespace zh {

inline constexpr int kTreeFileNodeSize = 34;
inline constexpr uint32_t kTreeFormat = 4;

struct TreeNode {
  uint8_t type = 0;
  int32_t left = 0;
  int32_t right = 0;
  int32_t entry = 0;
  uint8_t board[kPackedPositionSize] = {};
};

// The tree file's extension by kind: 256 "cpb", 4096 "cod", else "cpo".
const char* PositionTreeExtension(int32_t kind);

class PositionTree : public NodeFileError {
 public:
  static constexpr uint32_t kBufferSize = 300 * kTreeFileNodeSize;
  static constexpr uint32_t kLookBack = 200 * kTreeFileNodeSize;

  PositionTree(const std::string& databasePath, bool create, int cacheMode, int32_t kind);
  ~PositionTree();
  PositionTree(const PositionTree&) = delete;
  PositionTree& operator=(const PositionTree&) = delete;

  // 0 usable; 9 missing, 10 cannot be opened, 12 a damaged header.
  int Status() const { return status_; }
  uint32_t NodeCount() const { return nodeCount_; }

  int ReadNode(uint32_t n, TreeNode& node);
  // A board that cannot be bit-coded (more than 32 men) fails.
  int WriteNode(uint32_t n, const TreeNode& node);
  // Descends from the root: `comparison` is the searched board minus the node's board
  // at the last node visited, 0 when the position was found there.
  int FindPosition(const Board& board, uint32_t& node, int& comparison);
  // Hangs a new node for the board where the search ends; a position already present
  // keeps its node and entry.
  int AddPosition(const Board& board, int32_t entry, uint32_t& node);
  // The node's key entry, -1 when it cannot be read.
  int32_t GetKeyEntry(uint32_t node);
  uint32_t GetFormat() const { return static_cast<uint32_t>(header_.left); }
  int32_t GetIndexDepth() const { return header_.right; }
  int SetIndexDepth(int32_t depth);
  int Flush();

 private:
  void Open(bool create, int cacheMode);
  int WriteToFile(uint32_t n, const TreeNode& node);
  int WriteHeader();

  std::unique_ptr<PagedFile> file_;
  int status_ = 0;
  bool writeBack_ = false;
  TreeNode header_;
  uint32_t nodeCount_ = 0;
  NodeCache<TreeNode> cache_;
};

// Bytes of a node as stored in the file, and back; false for a board with more than 32
// men.
bool PackTreeNode(const TreeNode& node, uint8_t bytes[kTreeFileNodeSize]);
void UnpackTreeNode(const uint8_t bytes[kTreeFileNodeSize], TreeNode& node);

class GameCursor;
class KeyFile;

// Results of the walks below.
inline constexpr int kNoKeyEntry = -1;
inline constexpr int kKeyLookupError = -102;
inline constexpr int kKeyEntryError = -103;

// The key entry (above 0) of the deepest position of the cursor's line that the tree
// holds, walking back from one ply past the index depth (from the line's end for depth
// 0); kNoKeyEntry when none, kKeyLookupError or kKeyEntryError on a damaged tree.
int FindKeyEntry(PositionTree& tree, GameCursor& cursor);
// Files game `game` under the entry found walking back from `ply`: the result of adding
// it, 1 when no position of the line is in the tree, or the errors above.
int ClassifyGame(KeyFile& key, PositionTree& tree, GameCursor& cursor, int ply, uint32_t game);

}  // namespace zh

// A position tree as the program uses it: positions looked up alone or all successors
// of a position at once, single positions written, updated, merged and deleted, a mark
// file beside the tree, and the learned flags of the whole tree masked. Positions are
// stored in their normal form; every item passes the normalising steps both ways.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "books/tree/tree_files.h"
#include "books/tree/tree_items.h"
#include "core/rules/move.h"

namespace zh {

class GameHeader;

class OpeningTree {
 public:
  static constexpr int kMaxChildren = 256;
  static constexpr int kNotStored = 1;
  static constexpr int kWriteFailed = 6;

  // Opens <path>.ctg, .ctb and .cto, creating what is missing.
  explicit OpeningTree(const std::string& path);
  ~OpeningTree();
  OpeningTree(const OpeningTree&) = delete;
  OpeningTree& operator=(const OpeningTree&) = delete;

  // Status of the opening: 0 usable (also for a new tree), else the failing code.
  int Status() const { return status_; }
  // Closes and opens the three files again; the opening code.
  int Reopen();
  // The first nonzero status of the three files.
  int GetStatus() const;
  std::string GetPath() const;
  // 1 read-only, 3 writable, 0 no file.
  int GetAccess();
  // Writes the bit map and headers back and reopens the files.
  int Flush();
  uint64_t SizeKB() const;
  // Copies the three files to <path>.ctg, .ctb and .cto and opens the copy as a tree;
  // a failed copy leaves no target file behind. 0, 5, 6 or the copy's status.
  int CopyTo(const std::string& path);

  // Out arguments may be null. `zelko` takes two bytes.
  bool FindPosition(const Position& position, StatisticItem* statistics = nullptr,
                    uint8_t* zelko = nullptr, uint8_t* eval = nullptr,
                    TreeMoveList* moves = nullptr);
  // Looks up the successors of the first 256 moves, reading each page once; writes the
  // found ones in page order, at most `maximum`. Outputs may alias `moves`. The number
  // found.
  int FindChildren(const Position& position, const MoveCode* moves, int n, MoveCode* codes,
                   StatisticItem* statistics, uint8_t (*zelko)[2], uint8_t* evals,
                   TreeMoveList* lists, int maximum);
  int FindChildrenOfMoves(const Position& position, const GameMove* moves, int n,
                          MoveCode* codes, StatisticItem* statistics, uint8_t (*zelko)[2],
                          uint8_t* evals, TreeMoveList* lists, int maximum);

  // One game (or one unknown game without a header) for the position, without a move.
  int AddPosition(const Position& position, const GameHeader* header);
  // Writes the work item: 0; 1 at the depth limit; 6 write error; 11 read-only.
  int WritePosition();
  PositionItem& WorkItem() { return work_; }

  // 0; 1 when the position is not stored; else the file code.
  int UpdatePosition(const Position& position, const StatisticItem& statistics,
                     const uint8_t* zelko, uint8_t eval);
  int SetZelko(const Position& position, const uint8_t* zelko);
  int SetEval(const Position& position, uint8_t eval);
  int MergeMoves(const Position& position, const TreeMoveList& list);
  // Removes the moves from the position's whole stored list (not only its first 32
  // entries); 0, also when none was there; 1 when the position is not stored.
  int RemoveMoves(const Position& position, const GameMove* moves, int n);
  // Sets the value bits of one stored move (0 clears them); 1 when the position or the
  // move is not stored.
  int SetMoveValue(const Position& position, const GameMove& move, uint8_t value);
  int DeletePosition(const Position& position);

  // Marks: one bit per record of a tree page.
  int CreateMarkFile();
  void DeleteMarkFile();
  bool IsMarked(const Position& position);
  int Mark(const Position& position);
  const std::string& MarkPath() const { return markPath_; }

  // Every record's learned flags become tree flags | (mask & flags), its value 0.
  int MaskZelkoFlags(uint8_t mask);

  TreeFiles& Files() { return *files_; }

  // Callers set these directly.
  uint8_t treeFlags = 0;

 private:
  // Normalises and finds the position; `steps`, `key` and `at` are filled.
  bool Locate(const Position& position, int& steps, uint8_t* key, TreeLocation& at);
  // A position located for a write: its normalising steps, key and place.
  struct Located {
    int steps = 0;
    uint8_t key[64] = {};
    TreeLocation at;
  };
  // 0 with `found` filled; the write code for a read-only tree; kNotStored.
  int LocateForWrite(const Position& position, Located& found);
  uint8_t* StoredRecord(const TreeLocation& at) { return files_->Pages().Buffer() + at.offset; }
  // Replaces the stored record at `at` by `record`; 0, 1, 6.
  int Replace(TreeLocation& at, const uint8_t* record);
  int WriteCurrent(const TreeLocation& at);
  int Open();
  bool Writable() const { return status_ == 0 && !readOnly_; }
  int GrowMarks(uint32_t page);

  std::string path_;
  std::unique_ptr<TreeFiles> files_;
  std::unique_ptr<TreePageFile> marks_;
  std::string markPath_;
  PositionItem work_;
  int status_ = 0;
  bool readOnly_ = false;
};

}  // namespace zh

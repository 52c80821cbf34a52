// A position tree as the program uses it: positions looked up alone or all successors
// of a position at once, single positions written, updated, merged and deleted, a mark
// file beside the tree, and the learned flags of the whole tree masked. Positions are
// stored in their normal form; every item passes the normalising steps both ways.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "books/tree/tree_files.h"
#include "books/tree/tree_items.h"
#include "core/rules/game_move.h"
#include "core/rules/move.h"

namespace zh {

class GameHeader;
class MoveLine;
class PositionStack;
class TQGame;
class TreeCache;

class OpeningTree {
 public:
  static constexpr int kMaxChildren = 256;
  static constexpr int kNotStored = 1;
  static constexpr int kWriteFailed = 6;
  // A write while the tree's own job lets the GUI run events.
  static constexpr int kBusy = 16;
  // A merge whose source is this tree's own files.
  static constexpr int kSameTree = 17;
  static constexpr int kDefaultPlyLimit = 600;

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

  // The write cache (tree_cache.cpp). Positions added while it is on are collected and
  // written page by page in page order when it fills, when it is switched off and when
  // the tree is closed.
  void EnableCache() { useCache = true; }
  // Writes and frees the cache; the write's code (the cache is kept when it fails).
  int DisableCache();
  // 0, or 5 when no memory is left for it.
  int CreateCache();
  bool HasCache() const { return cache_ != nullptr; }
  // Entries waiting to be written.
  uint32_t CachedCount() const;
  // Packs the work item into the cache, writing the cache first when it is full.
  int AddToCache();
  // 0 written; 6 with "Write Cache error" (the unwritten entries stay in the cache).
  int WriteCache();
  // Positions left out since opening because their bucket reached the depth limit.
  uint64_t DroppedAtDepthLimit() const { return droppedAtLimit_; }

  // Games (tree_games.cpp). The working position stands before the line's first move.
  int AddGame(const MoveLine& line, const GameHeader* header);
  // The game's main line and, with variations on, its variations; the game count
  // rises. 0 or 6.
  int AddGameToTree(const TQGame& game);
  // The same as the one long job "Write to tree" with progress and stop. When another
  // job runs nothing is written and 0 is answered; `started` (when given) tells which.
  int WriteGames(const TQGame& game, bool* started = nullptr);
  // Variations left out because their nesting was too deep for the position stack.
  uint64_t SkippedVariations() const { return skippedVariations_; }
  bool StopRequested() const { return stopRequested_; }
  void ClearStopRequest() { stopRequested_ = false; }

  // Merges another open tree into this one (tree_merge.cpp): 0, the first failing
  // write's code, or kSameTree for this tree's own files.
  int MergeTree(OpeningTree& source);

  // True while one of the tree's jobs lets the GUI run events; every write then
  // answers kBusy and the owner must not delete the tree.
  bool IsBusy() const { return pumping_ > 0; }
  // Marks the tree busy for as long as it lives; jobs hold one while events run.
  class PumpScope {
   public:
    explicit PumpScope(OpeningTree& tree) : tree_(tree) { ++tree_.pumping_; }
    ~PumpScope() { --tree_.pumping_; }
    PumpScope(const PumpScope&) = delete;
    PumpScope& operator=(const PumpScope&) = delete;

   private:
    OpeningTree& tree_;
  };
  // Lets the GUI run the pending input events with the tree marked busy.
  void PumpEvents();
  // Asks the job frame whether to stop, with the tree marked busy.
  bool JobShouldStop();

  // Free space of the tree's drive and the memory budget; tests replace them.
  std::function<uint64_t(const std::filesystem::path&)> freeDiskSpaceKB;
  std::function<uint64_t(uint32_t)> memoryBudget;

  TreeFiles& Files() { return *files_; }

  // Callers set these directly.
  uint8_t treeFlags = 0;
  int plyLimit = kDefaultPlyLimit;
  bool useCache = false;
  bool includeVariations = true;
  bool moveMarks = false;
  uint8_t lastMoveCode = 0;

 private:
  friend class TreeCache;
  // Merges the record into the stored one at `at` (the page is in the buffer) or
  // inserts it. Without `beforeSplit` the page is written at once; with it the change
  // stays in the buffered page for the caller to write, unless the record needs a
  // split: `beforeSplit` then writes the buffered page first and `wroteItself` tells
  // that the record went to disk. 0, 1 at the depth limit, 6.
  int StoreRecord(const uint8_t* record, bool found, TreeLocation& at,
                  const std::function<int()>* beforeSplit, bool* wroteItself);
  bool WritesRefused() const { return pumping_ > 0; }
  // Finds the record's page, giving its bucket an empty page when it has none (and,
  // with `replaceUnreadable`, when its page cannot be read); 0 or 6.
  int LocatePage(const uint8_t* record, TreeLocation& at, bool& found, bool replaceUnreadable);
  // The variation walk of AddGame.
  int AddVariations(const MoveLine& line);
  void CountProgress(const MoveLine& line);
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

  std::unique_ptr<TreeCache> cache_;
  uint64_t droppedAtLimit_ = 0;
  GamePosition working_;
  std::unique_ptr<PositionStack> stack_;
  uint64_t skippedVariations_ = 0;
  bool progressOn_ = false;
  bool stopRequested_ = false;
  int64_t movesDone_ = 0;
  int calls_ = 0;
  int pumping_ = 0;
};

}  // namespace zh

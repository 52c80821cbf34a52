// The common base of the file databases (header set, old single-file format, PGN). It
// owns a database's classification keys, search boosters and theme-mask companions,
// and carries the generic copy of item ranges between any two formats and the generic
// search loop.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/rules/board.h"
#include "core/rules/game_move.h"
#include "database/database.h"
#include "database/search_mask.h"

namespace zh {

class GameCursor;
class KeyFile;
class OpeningsBooster;
class PositionTree;
class SearchBooster;
class ThemeMasks;

// What a header set estimates for count more items: 220 bytes each, in 64 bits.
int64_t HeaderSetSizeEstimate(int count);

// The trace the generic search fills: the start board, then each main-line move with
// the side that made it (0 White).
class MainLineTrace final : public TraceSink {
 public:
  void Start(const Board& board) override;
  void AppendMove(const GameMove& move, int sideToMove) override;
  bool WantsMore() const override { return men >= menFloor; }

  Board start;
  int men = 0;  // on the board after the traced moves
  std::vector<GameMove> moves;
  std::vector<int> sides;
};

// The position criteria on a traced main line: the combined test, or the material,
// motif and manoeuvre tests that are on, each needing a ply, keeping the smallest.
int MatchTracedPositions(const SearchCriteria& mask, const TraceSink& trace);
// The final-position test on the position after the main line's last move; no match
// for a game without moves.
int MatchFinalPosition(const SearchCriteria& mask, TQGame& game);

class TQFileDatabase : public Database {
 public:
  enum Kind : int32_t { kHeaderSet = 1, kOldFormat = 2, kPgn = 3 };

  TQFileDatabase(std::string basePath, int32_t kind);
  ~TQFileDatabase() override;

  // Clears the update flag, then flushes.
  void EndUpdate() override;
  // Checks the disk at the start of an update, then copies by the source's format:
  // different kinds always item by item (CopyGeneric).
  int CopyGameRange(Database& source, int first, int& last, CopyOptions& options) override;
  TQFileDatabase* AsFileDatabase() override;
  bool CapabilityD() const override;
  std::unique_ptr<std::vector<int32_t>> Sort(int criterion) override;
  int Reorganise(const std::vector<int32_t>& kept, bool compactLibraries,
                 bool countLibraryReferences) override;
  // The search loop: SearchBegin, SearchNext per candidate (polling every 250), SearchEnd.
  std::unique_ptr<SortedLONGArr> Search(SearchCriteria& mask, const SortedLONGArr* list) override;

  virtual int AppendHeader(int& n, GameHeader& header) = 0;
  virtual int AppendGame(TQGame& game) = 0;
  virtual int ReplaceGame(int n, TQGame& game) = 0;
  // 0 missing, 1 read-only, 3 read and write.
  virtual int GetAccess() = 0;
  virtual int ReservedCheck(int a, int b, int c, int d);
  virtual void FlushAll() = 0;
  virtual int64_t TotalFileSize() = 0;
  virtual std::string GetFullFilePath() const = 0;
  virtual int CopyFromTqg(Database& source, int first, int& last, CopyOptions& options);
  virtual int CopyFromTqf(Database& source, int first, int& last, CopyOptions& options);
  virtual int CopyFromPgn(Database& source, int first, int& last, CopyOptions& options);
  // One item at a time between any two formats; unreadable items are logged and
  // skipped, a failed append stops with 11.
  virtual int CopyGeneric(Database& source, int first, int& last, CopyOptions& options);
  virtual void SetDeferredWrite(bool on) = 0;

  // At the start of an update: asks whether to go on when the drive seems too small
  // for count more items. 0 go on, 1 cancelled.
  int CheckDiskSpace(Database& source, int count);
  int32_t GetKind() const { return kind_; }
  bool IsUpdating() const { return updateFlag_ != 0; }

  // Keys (file_database_keys.cpp). Kinds: 4 openings key with its position index,
  // 0x200000 theme, 0x400000 strategy, 0x800000 tactics, 0x1000000 endgame, and 16, 32,
  // 64, 128. OpenKey closes the slot, then opens the key: 0, 4 for another kind, 5 out
  // of memory, else the key's own status (the slot stays null).
  int OpenKey(int32_t kind);
  // Only kind 4 closes anything (the openings key and its index); 0.
  int CloseKey(int32_t kind);
  // True when the key (for kind 4 with its index) is open, or both of its files exist
  // and it opens; false for other kinds and databases without keys.
  bool EnsureKeyOpen(int32_t kind);
  // 4 when kinds asks for the openings key and it is open, with its index, and holds
  // entries; else 0.
  int GetUsableKeys(int kinds) override;
  // After a reorganisation: `kept` lists the 0-based indexes of the items kept, in
  // their new order; every existing key renumbers its games. 0.
  int RenumberKeys(const std::vector<int32_t>& kept);
  // The open key of a kind, null while closed.
  KeyFile* Key(int32_t kind);
  PositionTree* OpeningsIndex() { return openingsIndex_.get(); }
  // Writes back every open key, index and booster; the first failure code.
  int FlushKeys();

  // Boosters: .tqb (.cgi in the old format) and .tqo (header sets). 0, or 9 when the
  // file cannot be had; an open booster stays.
  int OpenSearchBooster(bool create);
  int OpenOpeningsBooster(bool create);
  SearchBooster* GetSearchBooster() { return searchBooster_.get(); }
  OpeningsBooster* GetOpeningsBooster() { return openingsBooster_.get(); }

  // Files game n under the deepest openings-key entry its main line reaches, from the
  // line's end (the game read to the index depth) or from `ply` of the cursor's line.
  // The result of adding it, 1 when no position is in the key, -100 without key or
  // index, -102 a lookup error, -103 an entry error; 16 bits.
  int ClassifyGame(TQGame& game, int n);
  int ClassifyGame(GameCursor& cursor, int ply, int n);
  // The entry of the deepest known position of the cursor's line: -100 without key,
  // -101 when the index depth cannot be read, -102, -103, or -1 when none.
  int FindKeyEntry(GameCursor& cursor);
  // The plies a game is read to for classifying: the index depth, the whole main line
  // (600) for depth 0; -101 without an index.
  int KeyIndexPlies();

 protected:
  // Free space in KiB of the drive holding the database.
  virtual uint64_t FreeDiskSpaceKB() const;
  // The work objects of a copy or search; null when no memory is left.
  virtual std::unique_ptr<TQGame> MakeWorkGame() const;
  virtual std::unique_ptr<TraceSink> MakeWorkTrace() const;
  // The trace of one scan: the mask's own when position criteria are on and it gives
  // one, else the work trace.
  std::unique_ptr<TraceSink> MakeSearchTrace(const SearchCriteria& mask) const;
  // Runs a change of the file set as one transaction; a derived class with a journal
  // rolls back on a non-zero code. Here: the change alone.
  virtual int RunFileChange(const std::function<int()>& change);

  // The slot of a key kind and of its theme masks; null for other kinds.
  std::unique_ptr<KeyFile>* KeySlot(int32_t kind);
  std::unique_ptr<ThemeMasks>* MaskSlot(int32_t kind);

  int32_t kind_;
  // Keys, in this order: openings key and its position index, a reserved slot, the key
  // of kind 32, the theme, strategy, tactics and endgame keys, the keys of kinds 64, 16
  // and 128. Null while closed.
  std::unique_ptr<KeyFile> openingsKey_;
  std::unique_ptr<PositionTree> openingsIndex_;
  void* reservedKey_ = nullptr;
  std::unique_ptr<KeyFile> key32_;
  std::unique_ptr<KeyFile> themeKey_;
  std::unique_ptr<KeyFile> strategyKey_;
  std::unique_ptr<KeyFile> tacticsKey_;
  std::unique_ptr<KeyFile> endgameKey_;
  std::unique_ptr<KeyFile> key64_;
  std::unique_ptr<KeyFile> key16_;
  std::unique_ptr<KeyFile> key128_;
  // Boosters: .tqb (.cgi for the old format) and .tqo, opened on demand.
  std::unique_ptr<SearchBooster> searchBooster_;
  std::unique_ptr<OpeningsBooster> openingsBooster_;
  // The theme-mask sets beside the theme, strategy, tactics and endgame keys.
  std::unique_ptr<ThemeMasks> themeMasks_;
  std::unique_ptr<ThemeMasks> strategyMasks_;
  std::unique_ptr<ThemeMasks> tacticsMasks_;
  std::unique_ptr<ThemeMasks> endgameMasks_;
  int32_t reservedFile_ = 0;
  int32_t updateFlag_ = 0;  // set by CheckDiskSpace, cleared by EndUpdate
};

}  // namespace zh

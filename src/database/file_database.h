// The common base of the file databases (header set, old single-file format, PGN). It
// owns a database's classification keys, search boosters and theme-mask companions,
// and carries the generic copy of item ranges between any two formats and the generic
// search loop.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/board.h"
#include "core/game_move.h"
#include "database/database.h"
#include "database/search_mask.h"

namespace zh {

class KeyFile;
class OpeningsBooster;
class PositionTree;
class SearchBooster;
class ThemeMasks;

// What a header set estimates for count more items: 220 bytes each, in 64 bits.
int64_t HeaderSetSizeEstimate(int count);

// The trace the generic search fills: the start board, then each main-line move with
// the side that made it (0 White).
class MainLineTrace final : public GameTrace {
 public:
  void Start(const Board& board) override;
  void AppendMove(const GameMove& move, int sideToMove) override;

  Board start;
  std::vector<GameMove> moves;
  std::vector<int> sides;
};

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
  void Reorganise(const std::vector<int32_t>& kept, bool compactLibraries,
                  bool countLibraryReferences) override;
  // The search loop: SearchBegin, SearchNext per candidate (polling every 250), SearchEnd.
  std::unique_ptr<SortedLONGArr> Search(SearchMask& mask, const SortedLONGArr* list) override;

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

 protected:
  // Free space in KiB of the drive holding the database.
  virtual uint64_t FreeDiskSpaceKB() const;
  // The work objects of a copy or search; null when no memory is left.
  virtual std::unique_ptr<TQGame> MakeWorkGame() const;
  virtual std::unique_ptr<GameTrace> MakeWorkTrace() const;

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

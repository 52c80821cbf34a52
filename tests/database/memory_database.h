// A file database held in memory for the tests of the generic copy and search: items
// are headers with coordinate main lines; reads, appends, free space and the work game
// can be made to fail, and the interface calls are recorded.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "database/file_database.h"
#include "database/game/game_header.h"

namespace zh::test {

class MemoryDatabase final : public TQFileDatabase {
 public:
  struct Item {
    GameHeader header;
    std::string moves;  // blank-separated coordinate moves of the main line
  };

  explicit MemoryDatabase(std::string name, int32_t kind = kHeaderSet);

  // A game "white - black" with the given moves, or a text item with its title.
  void AddGame(const std::string& white, const std::string& moves = "e2e4 e7e5");
  void AddText(const std::string& title);

  std::vector<Item> items;
  std::set<int> unreadable;        // ReadGame answers 12 for these numbers
  int failAppendAt = 0;            // the n-th append (1-based) fails with 11
  uint64_t freeKB = 1ull << 40;    // free disk space reported
  bool noWorkGame = false;         // the work game cannot be made
  bool keysSupported = false;      // SupportsKeys answers this
  std::vector<std::string> calls;  // "EndUpdate", "Range 1-3", "Generic 1-3", ...
  int readCount = 0;               // items read by any Read* call

  std::string GetFilePath() const override { return BasePath() + ".mem"; }
  int GetCount() override { return static_cast<int>(items.size()); }
  int ReadGame(int n, TQGame& game, bool moveTexts) override;
  int ReadHeader(int n, GameHeader& header) override;
  int WriteHeader(int n, GameHeader& header) override;
  int ReadHeaderRecord(int n, GameHeader& header) override;
  int ReadGameBody(int n, TQGame& game, int plyLimit, bool moveTexts) override;
  int ReadGameTrace(int n, TraceSink& trace, TQGame& game, int plyLimit) override;
  int CopyGameRange(Database& source, int first, int& last, CopyOptions& options) override;
  bool CapabilityC() const override { return true; }
  bool SupportsKeys() const override { return keysSupported; }
  int SetDeleted(int, bool) override { return 0; }
  int ToggleMark(int) override { return 0; }
  int ToggleDeleted(int) override { return 0; }
  int CollectDeleted(std::vector<int32_t>&, PathList&) override { return kDbNotSupported; }
  int64_t EstimateSize(int count) override { return HeaderSetSizeEstimate(count); }

  int AppendHeader(int& n, GameHeader& header) override;
  int AppendGame(TQGame& game) override;
  int ReplaceGame(int, TQGame&) override { return kDbNotSupported; }
  int GetAccess() override { return 3; }
  void FlushAll() override { calls.push_back("FlushAll"); }
  int64_t TotalFileSize() override { return 0; }
  std::string GetFullFilePath() const override { return GetFilePath(); }
  int CopyGeneric(Database& source, int first, int& last, CopyOptions& options) override;
  void SetDeferredWrite(bool on) override { calls.push_back(on ? "Deferred on" : "Deferred off"); }
  void EndUpdate() override;

 protected:
  uint64_t FreeDiskSpaceKB() const override { return freeKB; }
  std::unique_ptr<TQGame> MakeWorkGame() const override;

 private:
  int Check(int n);
  int appends_ = 0;
};

}  // namespace zh::test

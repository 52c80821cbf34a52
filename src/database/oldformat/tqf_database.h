// A database in the old single-file format: the data file of game records and its
// offset index, mapped onto the database interface. Games can be marked and deleted,
// sorted into a new order and reorganised into a new file set holding only the games
// kept.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "database/game_file_database.h"
#include "database/oldformat/old_format_file.h"

namespace zh {

class TqfDatabase : public GameFileDatabase<FileTqf> {
 public:
  // The data file base + ".tqf" (a working copy: ".cxf"). The error state is the
  // file's; 5 without a file.
  TqfDatabase(std::string basePath, bool create, bool workingCopy = false);

  std::string GetFilePath() const override { return basePath_ + ".TQF"; }
  int WriteHeader(int, GameHeader&) override { return kDbNoSuchFile; }
  TqfDatabase* AsTqfDatabase() override { return this; }
  bool SupportsKeys() const override { return true; }
  bool CapabilityD() const override { return true; }

  int SetDeleted(int n, bool deleted) override;
  int ToggleMark(int n) override;
  int ToggleDeleted(int n) override;
  // The 0-based numbers of the games not marked deleted. A game whose header cannot be
  // read is kept (and logged): its bytes travel by its index span.
  int CollectDeleted(std::vector<int32_t>& kept, PathList& mediaOfDeleted) override;
  // 0-based game numbers in the order of the criterion: 1 by ECO code, then players;
  // 7 newest years first; any other value oldest first; then tournament, round,
  // sub-round and players. Games whose header cannot be read come last. Null when
  // the drive is too small for the run files (after a message) or on a file error.
  std::unique_ptr<std::vector<int32_t>> Sort(int criterion) override;
  // Writes the kept games (0-based numbers, in their new order) into a new file set
  // beside the database, which then takes the place of the old files; the keys are
  // renumbered. A record whose header cannot be read travels by its index span.
  int Reorganise(const std::vector<int32_t>& kept, bool compactLibraries,
                 bool countLibraryReferences) override;
  int64_t EstimateSize(int count) override { return int64_t{count} * 200; }

  int AppendHeader(int&, GameHeader&) override { return kDbNoSuchFile; }
  void FlushAll() override;
  int64_t TotalFileSize() override { return 0; }
  std::string GetFullFilePath() const override {
    return basePath_ + (workingCopy_ ? ".cxf" : ".tqf");
  }
  void SetDeferredWrite(bool on) override;
  // One byte copy of the records and their index entries from a database of this kind.
  int CopyFromTqf(Database& source, int first, int& last, CopyOptions& options) override;

  // Headers per sort run; 0 takes the memory budget.
  void SetSortRunLength(int n) { sortRunLength_ = n; }

 private:
  // Closes the data file, keys and booster (the old set, before the renames).
  void CloseFiles();
  // Completes a file-set replacement left pending, then opens (or creates) the files.
  void Open(bool create);
  // The kept records into a new working-copy file set; 0 or the failing step's code.
  int WriteKeptGames(const std::vector<int32_t>& kept, const std::string& newBase);

  bool workingCopy_;
  int sortRunLength_ = 0;
};

}  // namespace zh

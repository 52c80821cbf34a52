// A PGN file as a database: games numbered from 1 in file order, read through the
// file's game index; games are appended or put in place of others as PGN text. No
// texts, keys, marks or deletions; never sorted or reorganised.
#pragma once

#include <string>

#include "database/game_file_database.h"
#include "database/pgn/pgn_file.h"

namespace zh {

class PgnDatabase final : public GameFileDatabase<FilePgn> {
 public:
  // The file base + ".pgn" (a working copy: ".pxn"). A file that cannot be written is
  // opened for reading. The error state is the file's; 5 without a file.
  PgnDatabase(std::string basePath, bool create, bool writable = true, bool workingCopy = false);

  std::string GetFilePath() const override { return basePath_ + ".PGN"; }
  int WriteHeader(int, GameHeader&) override { return kDbDone; }
  PgnDatabase* AsPgnDatabase() override { return this; }
  int SetDeleted(int, bool) override { return kDbDone; }
  int ToggleMark(int) override { return kDbDone; }
  int ToggleDeleted(int) override { return kDbDone; }
  int CollectDeleted(std::vector<int32_t>&, PathList&) override { return kDbDone; }
  int64_t EstimateSize(int count) override { return int64_t{count} * 1024; }
  // Copies into the file as one run of appends.
  int CopyGameRange(Database& source, int first, int& last, CopyOptions& options) override;

  int AppendHeader(int&, GameHeader&) override { return kDbDone; }
  void FlushAll() override {}
  int64_t TotalFileSize() override { return file_ ? file_->FileSize() : 0; }
  std::string GetFullFilePath() const override { return fullPath_; }
  void SetDeferredWrite(bool) override {}

 private:
  std::string fullPath_;
};

}  // namespace zh

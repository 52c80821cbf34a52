// The part that the databases over one game file (old format, PGN) share: counting and
// reading games through the file, the game's owner and number set by every read.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "database/file_database.h"
#include "database/storage/game_file_trace.h"
#include "database/game/game_header.h"
#include "database/game/game_item.h"

namespace zh {

template <class File>
class GameFileDatabase : public TQFileDatabase {
 public:
  using TQFileDatabase::TQFileDatabase;

  int GetCount() override {
    return file_ ? static_cast<int>(std::max<int64_t>(0, file_->GameCount())) : 0;
  }
  int ReadGame(int n, TQGame& game, bool moveTexts) override {
    if (!file_) return kDbNoSuchFile;
    // Copies ask for no move texts: the target writes moves in its own form.
    game.body.computeMoveTexts = moveTexts;
    const int rc = file_->ReadGame(n, game);
    Own(game, n);
    return rc;
  }
  int ReadHeader(int n, GameHeader& header) override {
    return file_ ? file_->ReadHeader(n, header) : kDbNoSuchFile;
  }
  int ReadHeaderRecord(int n, GameHeader& header) override { return ReadHeader(n, header); }
  int ReadGameBody(int n, TQGame& game, int plyLimit, bool) override {
    if (!file_) return kDbNoSuchFile;
    const int rc = file_->ReadGameBody(n, game);
    Own(game, n);
    LimitMainLine(game, plyLimit);
    return rc;
  }
  int ReadGameTrace(int n, TraceSink& trace, TQGame& game, int plyLimit) override {
    if (const int rc = ReadGameBody(n, game, plyLimit, false)) return rc;
    TraceMainLine(game, trace);
    return kDbDone;
  }
  // Appends after the last game; the game becomes this database's last.
  int AppendGame(TQGame& game) override {
    if (!file_) return kDbNoSuchFile;
    ClearStorage(game);
    if (file_->AppendGame(game) != 0) return kDbNoSuchFile;
    Own(game, GetCount());
    return kDbDone;
  }
  // Puts the game in place of game n (past the last: appends). 1 on a failure, 6 when
  // the index could not be moved.
  int ReplaceGame(int n, TQGame& game) override {
    if (!file_ || n <= 0) return kDbNoSuchFile;
    if (n > GetCount()) return AppendGame(game);
    ClearStorage(game);
    if (const int rc = file_->ReplaceGame(n, game))
      return rc == kDbLibraryDefect ? rc : kDbNoSuchFile;
    Own(game, n);
    return kDbDone;
  }
  bool CapabilityC() const override { return true; }
  int GetAccess() override { return file_ ? file_->GetAccess() : 0; }

  File* GetFile() { return file_.get(); }

 protected:
  void Own(TQGame& game, int n) {
    game.database = this;
    game.number = n;
  }
  // The header record's storage offsets belong to another database.
  static void ClearStorage(TQGame& game) { game.header.record.ClearOffsets(); }

  std::unique_ptr<File> file_;
};

}  // namespace zh

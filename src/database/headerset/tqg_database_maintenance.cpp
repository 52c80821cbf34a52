// Maintenance of the header-set database: the kept list, the sort, the
// reorganisation and the tournament walks, over the set's open files.
#include <filesystem>

#include "database/storage/file_set_replacement.h"
#include "database/game/game_item.h"
#include "database/headerset/header_library.h"
#include "database/headerset/header_set_maintenance.h"
#include "database/headerset/header_set_sort.h"
#include "database/keys/search_booster.h"
#include "database/headerset/tqg_database.h"

namespace zh {

namespace fs = std::filesystem;

HeaderSetFiles TqgDatabase::MaintenanceFiles() {
  HeaderSetFiles files;
  files.base = basePath_;
  files.header = header_.get();
  files.games = game_.get();
  files.annotations = annotations_.get();
  files.libraries[0] = players_.get();
  files.libraries[1] = tournaments_.get();
  files.libraries[2] = annotators_.get();
  files.libraries[3] = sources_.get();
  files.filePath = [this](const char* ext) { return MainFilePath(ext); };
  OpenSearchBooster(false);
  OpenOpeningsBooster(false);
  files.searchBooster = GetSearchBooster();
  files.openingsBooster = GetOpeningsBooster();
  return files;
}

uint64_t TqgDatabase::MaintenanceBytes() {
  uint64_t total = static_cast<uint64_t>(TotalFileSize());
  for (const char* ext : {"tqb", "tqo"}) {
    std::error_code ec;
    const auto size = fs::file_size(MainFilePath(ext), ec);
    if (!ec) total += size;
  }
  return total;
}

int TqgDatabase::CollectDeleted(std::vector<int32_t>& kept, PathList& mediaOfDeleted) {
  kept.clear();
  if (!header_ || !game_ || !annotations_) return kDbLibraryDefect;
  CommitBatch();
  if (const int rc = FileSetReplacement::CompletePending(basePath_)) return rc;
  HeaderSetFiles files = MaintenanceFiles();
  const MediaLinksOf links = [this](int n, const HeaderRecord& record, PathList& out) {
    if (record.IsText()) {
      TQTextItem text;
      if (const int rc = ReadText(n, text)) return rc;
      text.CollectMedia(out);
      return 0;
    }
    TQGame game;
    if (const int rc = ReadGame(n, game, false)) return rc;
    game.body.CollectMedia(out);
    return 0;
  };
  return CollectDeletedItems(files, MaintenanceBytes(), links, kept, mediaOfDeleted);
}

std::unique_ptr<std::vector<int32_t>> TqgDatabase::Sort(int criterion) {
  if (!header_) return nullptr;
  CommitBatch();
  // Run files a killed sort left behind go here.
  if (FileSetReplacement::CompletePending(basePath_) != 0) return nullptr;
  HeaderSetFiles files = MaintenanceFiles();
  const auto title = [this](int n) {
    TQTextItem text;
    return ReadText(n, text) == 0 ? text.Title(0) : std::string();
  };
  return SortHeaderSet(files, criterion, title, MaintenanceBytes());
}

int TqgDatabase::ReorganiseItems(const std::vector<int32_t>& kept) {
  if (errorState_ != 0) return errorState_;
  CommitBatch();
  HeaderSetFiles files = MaintenanceFiles();
  ReorganiseOptions options;
  options.release = [this] {
    if (releaseForMaintenance)
      releaseForMaintenance();
    else
      CloseFiles();
  };
  return ReorganiseHeaderSet(files, kept, options);
}

int TqgDatabase::Reorganise(const std::vector<int32_t>& kept, bool, bool) {
  return ReorganiseItems(kept);
}

std::unique_ptr<SortedLONGArr> TqgDatabase::GamesOfTournament(int tournament) {
  HeaderSetFiles files = MaintenanceFiles();
  return zh::GamesOfTournament(files, tournament);
}

int TqgDatabase::TournamentEdge(int a, int b) {
  HeaderSetFiles files = MaintenanceFiles();
  return zh::TournamentEdge(files, a, b != 0);
}

}  // namespace zh

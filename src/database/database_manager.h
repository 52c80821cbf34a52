// The one owner of the open databases. Every user opens a database by path here and
// releases it when done; a database opened from several places exists once, shared by
// a use count, and is deleted when its last user releases it. Holders of database
// pointers (the game manager, games) register an observer that learns of each
// database before it is deleted.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "database/search_mask.h"

namespace zh {

class Database;
class SortedLONGArr;
class TQFileDatabase;

class DatabaseManager {
 public:
  // Kinds of database paths.
  enum Kind : int { kUnknown = 0, kHeaderSet = 1, kOldFormat = 2, kPgn = 3, kOpeningTree = 4 };
  // Makes the database of one kind over a base path (no extension); null when it cannot
  // be made. The manager checks its error state.
  using Factory =
      std::function<std::unique_ptr<TQFileDatabase>(const std::string& base, bool create)>;
  using ReleaseObserver = std::function<void(Database&)>;
  // Runs the search-mask dialog on a mask (the flag: medals can be searched); the
  // dialog's result.
  using MaskDialogRunner = std::function<int(SearchCriteria&, bool)>;

  DatabaseManager() = default;
  // Deletes every database still open (observers are told of each).
  ~DatabaseManager();
  DatabaseManager(const DatabaseManager&) = delete;
  DatabaseManager& operator=(const DatabaseManager&) = delete;

  // The factory of a kind that SetFactory has not replaced (the file databases of our
  // own formats); empty for a kind without one.
  static Factory DefaultFactory(int kind);
  // Factories for kinds 1 to 3; a kind without one opens nothing.
  void SetFactory(int kind, Factory factory);
  // Observers are called in the order of registration; the id removes one again.
  int AddReleaseObserver(ReleaseObserver observer);
  void RemoveReleaseObserver(int id);

  // The database of the path, with its use count raised, or a new one entered with use
  // count 1; null when it cannot be opened. The extension is set by the kind; kind 0
  // takes the kind of the path, and unknown kinds open a header set.
  TQFileDatabase* Open(const std::string& path, int kind);
  // The header set at the autosave (0), engine-match (1) or engine-tournament (2) path
  // of the settings, created with its folders when missing; null when that fails.
  TQFileDatabase* OpenConfiguredDatabase(int which);

  // The open database whose normalised path equals that of `path`, or null.
  Database* Find(const std::string& path) const;
  bool Contains(const Database* database) const;
  // Enters a database with use count 1 under the path; the manager owns it.
  Database* Add(std::unique_ptr<Database> database, const std::string& path);
  // Raise the use count of the matching entry; false when there is none.
  bool AddUse(const std::string& path);
  bool AddUse(const Database* database);
  // Lowers the use count; at 0 the entry leaves the table, the observers are called
  // with the database, and it is deleted (true). Null or unknown: false.
  bool Release(Database* database);

  // The global search mask (database_manager_mask.cpp): a header mask until another
  // is set.
  SearchCriteria& GetSearchMask();
  void SetSearchMask(std::unique_ptr<SearchCriteria> mask);
  void SetMaskDialogRunner(MaskDialogRunner runner) { maskDialog_ = std::move(runner); }
  // Runs the dialog on the global mask; 0 without a runner.
  int EditSearchMask(bool medals);

  static int KindOfPath(const std::string& path);
  static int KindOfDatabase(const Database* database);
  // The absolute path with the extension of the kind (kind 0: of the path itself).
  static std::string NormalisedPath(const std::string& path, int kind = kUnknown);

  // The operations that talk to the user about database files (database_dialogs.cpp).
  // Asks for a database and opens it (an open one is shared); null when none.
  TQFileDatabase* OpenWithDialog();
  // Asks for a new database file and creates it; null when nothing was made.
  TQFileDatabase* NewDatabaseDialog();
  // Copies the source's games (the listed ones, or all) into a database the user
  // chooses; the result of releasing it, false when none was chosen.
  bool CopyGamesTo(Database& source, SortedLONGArr* list);
  // Copies every game of a database the user chooses into the target; the copy's
  // result, 1 when nothing was copied.
  int CopyGamesFrom(Database& target);
  // Deletes base + the extensions of every bit of the mask.
  static void DeleteDatabaseFiles(const std::string& base, uint32_t mask);
  // 1 when every file that makes a database of the kind exists beside the path.
  static int DatabaseFilesExist(const std::string& path, int kind);
  static bool HasOpeningsKeyFiles(const Database& database, int kind);
  // Writes base.ini: group by kind, "Type" and "Title" when a title is given.
  static bool WriteDescription(const std::string& path, int type, int kind, const std::string& title);
  static bool EnsureKeyOpen(TQFileDatabase& database, int kind);
  // Fills the openings key from a standard key (0 by code, 1 by name, else by volume)
  // and files every game under it; false when nothing was made.
  bool CreateOpeningsKey(TQFileDatabase& database, int which);
  int ClassifyAllGames(TQFileDatabase& database);
  void ReorganiseDatabase(TQFileDatabase& database);
  // Packs a database with its media into an archive the user names; true when written.
  bool CreateArchive(const std::string& databasePath);
  // Unpacks an archive (asked for when the path is empty) and opens its database.
  TQFileDatabase* OpenArchive(const std::string& path);
  // Free space in KiB of the drive that holds a folder; tests inject small disks.
  using FreeSpaceProbe = std::function<uint64_t(const std::string& folder)>;
  void SetFreeSpaceProbe(FreeSpaceProbe probe) { freeSpace_ = std::move(probe); }

  size_t OpenCount() const { return entries_.size(); }
  int UseCount(const Database* database) const;

 private:
  struct Entry {
    std::unique_ptr<Database> database;
    std::string path;
    int uses = 0;
  };
  Entry* EntryOf(const Database* database);
  const Entry* EntryOf(const Database* database) const;
  // The open database of a normalised path with its use count raised, or a new one.
  TQFileDatabase* Enter(const std::string& normalised, int kind, bool create);
  // Makes a database over the base path of a normalised path; null on failure.
  std::unique_ptr<TQFileDatabase> Make(int kind, const std::string& path, bool create);

  std::vector<Entry> entries_;
  Factory factories_[4];
  std::vector<std::pair<int, ReleaseObserver>> observers_;
  int nextObserverId_ = 1;
  std::unique_ptr<SearchCriteria> searchMask_;
  MaskDialogRunner maskDialog_;
  FreeSpaceProbe freeSpace_;
};

// The program's database manager, made at start-up and installed here; null while
// none is installed.
DatabaseManager* CurrentDatabaseManager();
void SetCurrentDatabaseManager(DatabaseManager* manager);

}  // namespace zh

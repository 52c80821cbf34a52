// The one owner of the open databases. Every user opens a database by path here and
// releases it when done; a database opened from several places exists once, shared by
// a use count, and is deleted when its last user releases it. Holders of database
// pointers (the game manager, games) register an observer that learns of each
// database before it is deleted.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "database/search_mask.h"

namespace zh {

class Database;
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
};

// The program's database manager, made at start-up and installed here; null while
// none is installed.
DatabaseManager* CurrentDatabaseManager();
void SetCurrentDatabaseManager(DatabaseManager* manager);

}  // namespace zh

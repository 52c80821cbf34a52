#include "database/database_manager.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/services.h"
#include "database/database.h"
#include "database/file_database.h"

namespace zh {

namespace fs = std::filesystem;

namespace {

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// The kind whose database a path opens: old format and PGN by name, all else a header set.
int OpeningKind(int kind) {
  return kind == DatabaseManager::kOldFormat || kind == DatabaseManager::kPgn
             ? kind
             : DatabaseManager::kHeaderSet;
}

}  // namespace

DatabaseManager::~DatabaseManager() {
  while (!entries_.empty()) {
    entries_.back().uses = 1;
    Release(entries_.back().database.get());
  }
}

void DatabaseManager::SetFactory(int kind, Factory factory) {
  if (kind >= kHeaderSet && kind <= kPgn) factories_[kind] = std::move(factory);
}

int DatabaseManager::AddReleaseObserver(ReleaseObserver observer) {
  observers_.emplace_back(nextObserverId_, std::move(observer));
  return nextObserverId_++;
}

void DatabaseManager::RemoveReleaseObserver(int id) {
  observers_.erase(std::remove_if(observers_.begin(), observers_.end(),
                                  [id](const auto& o) { return o.first == id; }),
                   observers_.end());
}

int DatabaseManager::KindOfPath(const std::string& path) {
  const std::string ext = Upper(fs::path(path).extension().string());
  if (ext == ".TQG" || ext == ".TQH") return kHeaderSet;
  if (ext == ".TQF") return kOldFormat;
  if (ext == ".PGN") return kPgn;
  if (ext == ".CTG") return kOpeningTree;
  return kUnknown;
}

int DatabaseManager::KindOfDatabase(const Database* database) {
  if (!database) return kUnknown;
  const TQFileDatabase* file = const_cast<Database*>(database)->AsFileDatabase();
  return file ? file->GetKind() : kUnknown;
}

std::string DatabaseManager::NormalisedPath(const std::string& path, int kind) {
  static constexpr const char* kExtensions[] = {"", "tqh", "tqf", "pgn"};
  fs::path p(path);
  if (p.empty()) return {};
  std::error_code ec;
  fs::path absolute = fs::weakly_canonical(fs::absolute(p, ec), ec);
  if (ec) absolute = fs::absolute(p, ec).lexically_normal();
  if (ec) absolute = p.lexically_normal();
  const int k = OpeningKind(kind != kUnknown ? kind : KindOfPath(path));
  absolute.replace_extension(kExtensions[k]);
  return absolute.string();
}

DatabaseManager::Entry* DatabaseManager::EntryOf(const Database* database) {
  for (Entry& e : entries_)
    if (database && e.database.get() == database) return &e;
  return nullptr;
}

const DatabaseManager::Entry* DatabaseManager::EntryOf(const Database* database) const {
  return const_cast<DatabaseManager*>(this)->EntryOf(database);
}

Database* DatabaseManager::Find(const std::string& path) const {
  const std::string wanted = NormalisedPath(path);
  for (const Entry& e : entries_)
    if (!wanted.empty() && e.path == wanted) return e.database.get();
  return nullptr;
}

bool DatabaseManager::Contains(const Database* database) const {
  return EntryOf(database) != nullptr;
}

int DatabaseManager::UseCount(const Database* database) const {
  const Entry* e = EntryOf(database);
  return e ? e->uses : 0;
}

Database* DatabaseManager::Add(std::unique_ptr<Database> database, const std::string& path) {
  if (!database) return nullptr;
  if (Contains(database.get())) return database.release();
  const int kind = KindOfDatabase(database.get());
  entries_.push_back({std::move(database), NormalisedPath(path, kind), 1});
  return entries_.back().database.get();
}

bool DatabaseManager::AddUse(const std::string& path) {
  return AddUse(Find(path));
}

bool DatabaseManager::AddUse(const Database* database) {
  Entry* e = EntryOf(database);
  if (e) ++e->uses;
  return e != nullptr;
}

bool DatabaseManager::Release(Database* database) {
  const auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) {
    return database && e.database.get() == database;
  });
  if (it == entries_.end() || --it->uses > 0) return false;
  std::unique_ptr<Database> released = std::move(it->database);
  entries_.erase(it);
  // Copied first: an observer may remove itself.
  const auto observers = observers_;
  for (const auto& [id, observer] : observers) observer(*released);
  return true;
}

std::unique_ptr<TQFileDatabase> DatabaseManager::Make(int kind, const std::string& path,
                                                      bool create) {
  const Factory factory = factories_[OpeningKind(kind)] ? factories_[OpeningKind(kind)]
                                                         : DefaultFactory(OpeningKind(kind));
  if (!factory) return nullptr;
  auto database = factory(fs::path(path).replace_extension().string(), create);
  if (database && database->ErrorState() != 0) database.reset();
  return database;
}

TQFileDatabase* DatabaseManager::Enter(const std::string& normalised, int kind, bool create) {
  if (normalised.empty()) return nullptr;
  if (Database* open = Find(normalised)) {
    TQFileDatabase* file = open->AsFileDatabase();
    if (file) AddUse(open);
    return file;
  }
  auto database = Make(kind, normalised, create);
  if (!database) return nullptr;
  TQFileDatabase* file = database.get();
  Add(std::move(database), normalised);
  return file;
}

TQFileDatabase* DatabaseManager::Open(const std::string& path, int kind) {
  const int k = kind != kUnknown ? kind : KindOfPath(path);
  return Enter(NormalisedPath(path, k), k, false);
}

TQFileDatabase* DatabaseManager::OpenConfiguredDatabase(int which) {
  const AppSettings& s = Settings();
  const std::string* paths[] = {&s.autosaveDatabase, &s.engineMatchDatabase,
                                &s.engineTournamentDatabase};
  if (which < 0 || which > 2 || paths[which]->empty()) return nullptr;
  const std::string normalised = NormalisedPath(*paths[which], kHeaderSet);
  std::error_code ec;
  fs::create_directories(fs::path(normalised).parent_path(), ec);
  return ec ? nullptr : Enter(normalised, kHeaderSet, true);
}

namespace {
DatabaseManager* gCurrentDatabaseManager = nullptr;
}  // namespace

DatabaseManager* CurrentDatabaseManager() { return gCurrentDatabaseManager; }
void SetCurrentDatabaseManager(DatabaseManager* value) { gCurrentDatabaseManager = value; }

}  // namespace zh

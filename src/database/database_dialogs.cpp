// The database manager's operations that talk to the user about database files:
// opening and creating by extension, copying between databases, the openings key,
// reorganisation and archives.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "app/message_ids.h"
#include "core/services.h"
#include "core/toolbox/int_array.h"
#include "core/toolbox/path_list.h"
#include "core/toolbox/profile_file.h"
#include "core/toolbox/system_helpers.h"
#include "database/database_manager.h"
#include "database/file_database.h"
#include "database/game/game_item.h"
#include "database/headerset/archive.h"
#include "database/keys/key_file.h"

namespace zh {
namespace {

namespace fs = std::filesystem;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}
std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return s;
}

// The extension without the dot, as the path's last component has it.
std::string ExtensionOf(const std::string& path) {
  std::string ext = fs::path(path).extension().string();
  return ext.empty() ? ext : ext.substr(1);
}
std::string WithoutExtension(const std::string& path) {
  return fs::path(path).replace_extension().string();
}

// The file as written, or with the extension in lower or upper case.
std::string ExistingAnyCase(const std::string& base, const std::string& ext) {
  std::error_code ec;
  for (const std::string& e : {ext, Lower(ext), Upper(ext)})
    if (fs::is_regular_file(base + e, ec)) return base + e;
  return {};
}
bool ExistsAnyCase(const std::string& base, const std::string& ext) {
  return !ExistingAnyCase(base, ext).empty();
}

// The file of a folder whose name matches without regard to case.
std::string FindIgnoringCase(const fs::path& folder, const std::string& name) {
  std::error_code ec;
  if (fs::is_regular_file(folder / name, ec)) return (folder / name).string();
  const std::string wanted = Lower(name);
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (Lower(it->path().filename().string()) == wanted && it->is_regular_file(ec))
      return it->path().string();
  return {};
}

struct ExtensionSet {
  uint32_t bit;
  std::vector<const char*> extensions;
};
const std::vector<ExtensionSet>& ExtensionSets() {
  static const std::vector<ExtensionSet> sets = {
      {0x1, {".tqf"}},          {0x2, {".tqi"}},          {0x4, {".cko"}},
      {0x8, {".cpo"}},          {0x10, {".ckm"}},         {0x20, {".ckp"}},
      {0x40, {".cke"}},         {0x80, {".cku"}},         {0x200000, {".ckn", ".cpn"}},
      {0x400000, {".ck1", ".cp1"}}, {0x800000, {".ck2", ".cp2"}}, {0x1000000, {".ck3", ".cp3"}},
      {0x400, {".cgi"}},        {0x2000, {".doc", ".rep"}}, {0x800, {".pgn"}},
      {0x4000, {".tqh"}},       {0x8000, {".tqg"}},       {0x10000, {".tqa"}},
      {0x20000, {".tqp"}},      {0x40000, {".tqt"}},      {0x80000, {".tqs"}},
      {0x100000, {".tqc"}},     {0x2000000, {".tqb"}},    {0x4000000, {".tqd"}},
      {0x8000000, {".tqq"}},
  };
  return sets;
}
constexpr uint32_t kTreeMask = 0x10000000;

// The masks of the files deleted before a new database of a kind is made.
uint32_t NewDatabaseMask(int kind) {
  switch (kind) {
    case DatabaseManager::kOldFormat: return 0x282026FF;
    case DatabaseManager::kPgn: return 0x20000800;
    default: return 0x2FFFE2FC;
  }
}

const std::vector<std::string>& KindFiles(int kind) {
  static const std::vector<std::string> none;
  static const std::vector<std::string> files[] = {
      {".TQH", ".TQT", ".TQP", ".TQS", ".TQC"}, {".TQF", ".TQI"}, {".PGN"}, {".CTG", ".CTO", ".CTB"}};
  return kind >= 1 && kind <= 4 ? files[kind - 1] : none;
}

std::string FolderOf(const std::string& path) { return fs::path(path).parent_path().string(); }

std::string Text(int id) { return GetMessageText(id); }

// The openings key pair of a base path: key and position file.
struct KeyPair {
  std::string key;
  std::string positions;
};

// The standard key of `which` and its position file; empty when either is missing.
KeyPair FindStandardKey(int which) {
  const char* name = which == 0 ? "ECOVARS.CKO" : which == 1 ? "ECONAMES.CKO" : "STANDARD.CKO";
  const std::string program = Settings().programFolder;
  const std::string start = (fs::path(program) / "DEFAULT.CKO").string();
  KeyPair pair;
  std::string found = SearchDataFile(start, name);
  std::error_code ec;
  if (found == start || !fs::is_regular_file(found, ec)) {
    found = FindIgnoringCase(program, name);
    if (found.empty()) found = FindIgnoringCase(fs::path(program) / "data", name);
  }
  pair.key = found.empty() ? (fs::path(program) / name).string() : found;
  const fs::path keyPath(pair.key);
  const std::string stem = keyPath.stem().string();
  std::string positions = FindIgnoringCase(keyPath.parent_path(), stem + ".CPO");
  pair.positions = positions.empty() ? fs::path(keyPath).replace_extension(".CPO").string() : positions;
  return pair;
}

bool CopyFileTo(const std::string& from, const std::string& to) {
  std::error_code ec;
  return fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec) && !ec;
}

}  // namespace

void DatabaseManager::DeleteDatabaseFiles(const std::string& base, uint32_t mask) {
  std::error_code ec;
  auto remove = [&](const char* ext) {
    for (const std::string& e : {std::string(ext), Upper(ext)}) fs::remove(base + e, ec);
  };
  if (mask == kTreeMask) {
    for (const char* ext : {".ctg", ".ctb", ".cto"}) remove(ext);
    return;
  }
  for (const ExtensionSet& set : ExtensionSets())
    if (mask & set.bit)
      for (const char* ext : set.extensions) remove(ext);
}

int DatabaseManager::DatabaseFilesExist(const std::string& path, int kind) {
  const std::vector<std::string>& files = KindFiles(kind);
  if (files.empty()) return 0;
  const std::string base = WithoutExtension(path);
  for (const std::string& ext : files)
    if (!ExistsAnyCase(base, ext)) return 0;
  return 1;
}

bool DatabaseManager::HasOpeningsKeyFiles(const Database& database, int kind) {
  if (kind != 4) return false;
  const std::string& base = database.BasePath();
  return ExistsAnyCase(base, ".CKO") && ExistsAnyCase(base, ".CPO");
}

bool DatabaseManager::WriteDescription(const std::string& path, int type, int kind,
                                       const std::string& title) {
  const char* group = kind == kHeaderSet ? "DescrTQG"
                      : kind == kPgn     ? "DescrPGN"
                      : kind == kOpeningTree ? "DescrCTG"
                                             : "Descr";
  ProfileFile file;
  if (!file.Open(WithoutExtension(path) + ".ini")) return false;
  file.SelectGroup(group);
  bool ok = file.WriteInt("Type", type);
  if (!title.empty()) ok = file.WriteText("Title", title) && ok;
  return file.Flush() && ok;
}

bool DatabaseManager::EnsureKeyOpen(TQFileDatabase& database, int kind) {
  if (database.GetKind() != kHeaderSet && database.GetKind() != kOldFormat) return false;
  return database.EnsureKeyOpen(kind);
}

TQFileDatabase* DatabaseManager::OpenWithDialog() {
  FileDialogRequest request;
  request.filters = {{"TQH files  (*.TQH)", "*.TQH"},  {"PGN files  (*.PGN)", "*.PGN"},
                     {"Trees      (*.CTG)", "*.CTG"},  {"Old format (*.TQF)", "*.TQF"},
                     {"Archives (*.TQV)", "*.TQV"},    {"TQH+TQV+TQF+PGN", "*.TQH;*.TQV;*.PGN;*.TQF"}};
  request.fileName = "*.TQH;*.TQV;*.PGN;*.TQF";
  request.initialDir = Settings().databaseFolder;
  FileDialogAnswer answer = RunFileDialog(request);
  if (!answer.ok || answer.path.empty()) return nullptr;
  Settings().lastOpenFolder = FolderOf(answer.path);
  if (Upper(ExtensionOf(answer.path)) == "TQV") return OpenArchive(answer.path);
  // An open database is shared: the same object with its use count raised.
  TQFileDatabase* database = Open(answer.path, KindOfPath(answer.path));
  if (!database) ErrorBox(Text(msg::M_DATABASE_NOT_OPENED) + " " + answer.path);
  return database;
}

TQFileDatabase* DatabaseManager::NewDatabaseDialog() {
  const std::string label = Text(msg::M_DATABASE_FILES);
  FileDialogRequest request;
  request.style = FileDialogRequest::kSave | FileDialogRequest::kNoOverwritePrompt;
  request.title = Text(msg::M_NEW_DATABASE);
  request.filters = {{label + " (*.TQH)", "*.TQH"},
                     {label + " (*.TQF)", "*.TQF"},
                     {label + " (*.PGN)", "*.PGN"},
                     {"All", "*.TQH;*.TQF;*.PGN"}};
  request.fileName = "NEWBASE.TQH";
  request.initialDir = Settings().databaseFolder;
  FileDialogAnswer answer = RunFileDialog(request);
  if (!answer.ok || answer.path.empty()) return nullptr;

  std::string path = answer.path;
  const std::string typed = Lower(ExtensionOf(path));
  if (answer.filterIndex > 0) {
    std::string ext;
    const std::string& pattern = answer.filterPattern;
    if (pattern.find(';') != std::string::npos) {
      // "All": the typed extension decides when it names one of the three kinds.
      ext = typed == "tqh" || typed == "tqf" || typed == "pgn" ? typed : "tqh";
    } else {
      ext = pattern.empty() ? "tqh" : Lower(ExtensionOf(pattern));
      if (ext.empty()) ext = "tqh";
    }
    path = fs::path(path).replace_extension(ext).string();
  }
  if (ExtensionOf(path).size() < 3) path = fs::path(path).replace_extension("tqh").string();

  const int kind = KindOfPath(path) == kUnknown ? kHeaderSet : KindOfPath(path);
  const std::string base = WithoutExtension(path);
  std::error_code ec;
  // A database of the other own kind on the same base owns key files that the
  // new kind's clean-up would delete.
  const bool otherKind = (kind == kHeaderSet && (ExistsAnyCase(base, ".tqf") ||
                                                 DatabaseFilesExist(path, kOldFormat))) ||
                         (kind == kOldFormat && (ExistsAnyCase(base, ".tqh") ||
                                                 DatabaseFilesExist(path, kHeaderSet)));
  if (fs::exists(path, ec) || otherKind) {
    ShowStatusMessage(Text(msg::M_FILE_EXISTS) + " " + path);
    return nullptr;
  }
  DeleteDatabaseFiles(base, NewDatabaseMask(kind));
  TQFileDatabase* database = Enter(NormalisedPath(path, kind), kind, true);
  if (!database) {
    ErrorBox(Text(msg::M_DATABASE_NOT_OPENED) + " " + path);
    return nullptr;
  }
  if (kind != kPgn && ExistsAnyCase(base, ".CKO")) {
    WaitCursor wait;
    if (database->OpenKey(4) == 0)
      if (KeyFile* key = database->Key(4)) key->TruncateGames(0, 0, KeyFile::kTruncateRecursive);
  }
  WriteDescription(path, 1, kind, path);
  return database;
}

bool DatabaseManager::CopyGamesTo(Database& source, SortedLONGArr* list) {
  TQFileDatabase* target = OpenWithDialog();
  if (!target) return false;
  if (target != &source && BeginProcess(Text(msg::M_COPY_GAMES))) {
    CopyOptions options;
    if (list) {
      target->CopyGameList(source, *list, options);
    } else {
      int last = source.GetCount();
      target->CopyGameRange(source, 1, last, options);
    }
    EndProcess();
  }
  return Release(target);
}

int DatabaseManager::CopyGamesFrom(Database& target) {
  TQFileDatabase* source = OpenWithDialog();
  if (!source) return 1;
  int result = 1;
  if (source != &target && BeginProcess(Text(msg::M_COPY_GAMES))) {
    CopyOptions options;
    int last = source->GetCount();
    result = last > 0 ? target.CopyGameRange(*source, 1, last, options) : 1;
    EndProcess();
  }
  Release(source);
  return result;
}

bool DatabaseManager::CreateOpeningsKey(TQFileDatabase& database, int which) {
  const std::string& base = database.BasePath();
  const std::string existingKey = ExistingAnyCase(base, ".cko");
  const std::string existingPositions = ExistingAnyCase(base, ".cpo");
  if (!existingKey.empty() && !existingPositions.empty() &&
      !AskOkCancel(Text(msg::M_REPLACE_OPENINGS_KEY)))
    return false;
  const KeyPair source = FindStandardKey(which);
  std::error_code ec;
  if (!fs::is_regular_file(source.key, ec) || !fs::is_regular_file(source.positions, ec)) {
    ErrorBox((fs::is_regular_file(source.key, ec) ? source.positions : source.key) + " " +
             Text(msg::M_NOT_FOUND) + " ");
    return false;
  }
  // Both copies go to temporary names first; the old key stays until both are whole.
  const std::string key = existingKey.empty() ? base + ".cko" : existingKey;
  const std::string positions = existingPositions.empty() ? base + ".cpo" : existingPositions;
  const std::string keyTemp = key + ".new";
  const std::string positionsTemp = positions + ".new";
  {
    WaitCursor wait;
    if (!CopyFileTo(source.key, keyTemp)) {
      fs::remove(keyTemp, ec);
      ErrorBox(Text(msg::M_CANNOT_CREATE_OPENINGS_KEY));
      return false;
    }
    if (!CopyFileTo(source.positions, positionsTemp)) {
      fs::remove(keyTemp, ec);
      fs::remove(positionsTemp, ec);
      ErrorBox(Text(msg::M_FILE_ERROR) + "\n" + positions);
      return false;
    }
    database.CloseKey(4);
    fs::rename(keyTemp, key, ec);
    if (!ec) fs::rename(positionsTemp, positions, ec);
    if (ec) {
      fs::remove(keyTemp, ec);
      fs::remove(positionsTemp, ec);
      ErrorBox(Text(msg::M_FILE_ERROR) + "\n" + positions);
      return false;
    }
  }
  return ClassifyAllGames(database) == 0;
}

int DatabaseManager::ClassifyAllGames(TQFileDatabase& database) {
  if (!EnsureKeyOpen(database, 4)) return 0;
  WaitCursor wait;
  if (!BeginProcess(Text(msg::M_CLASSIFYING_GAMES))) return 0;
  KeyFile* key = database.Key(4);
  const std::string& base = database.BasePath();
  ShowStatusMessage(Text(msg::M_EMPTYING_OPENINGS_KEY));
  if (key) key->TruncateGames(0, 0, KeyFile::kTruncateRecursive);
  ShowStatusMessage(Text(msg::M_CLASSIFYING_GAMES) + ": " + base);
  const int count = database.GetCount();
  const int plies = database.KeyIndexPlies();
  OpenFeedback(count, false);

  int classified = 0;
  for (int n = 1; n <= count; ++n) {
    if (n % 20 == 0 && (PollFeedback() || ProcessShouldStop())) break;
    if (n % 100 == 0) StepFeedback(100);
    TQGame game;
    int result = database.ReadGameBody(n, game, plies < 0 ? 600 : plies, false);
    if (result == 0) {
      result = database.ClassifyGame(game, n);
      if (result >= 0) ++classified;
    } else {
      result = -result;
      if (result >= 0) result = -1;
    }
    if (result < 0) {
      if (result >= -100)
        LogLine(Text(msg::M_FILE_ERROR) + ": " + Text(msg::M_GAME_WORD) + " " + std::to_string(n) +
                " " + std::to_string(result));
      else
        LogLine(Text(msg::M_OPENINGS_KEY_ERROR));
    }
  }
  CloseFeedback();
  EndProcess();
  if (KeyFile* k = database.Key(4)) k->SetGameBound(static_cast<uint32_t>(classified));
  database.CloseKey(4);
  database.OpenKey(4);
  return 0;
}

void DatabaseManager::ReorganiseDatabase(TQFileDatabase& database) {
  WaitCursor wait;
  std::vector<int32_t> kept;
  PathList media(2000);
  if (database.CollectDeleted(kept, media) != 0) return;
  const std::string& base = database.BasePath();
  int result = database.Reorganise(kept, true, true);
  if (result != 0) {
    ErrorBox(Text(msg::M_REORG_ERROR));
    return;
  }
  // Only a finished reorganisation frees the deleted games' media.
  std::error_code ec;
  if (database.GetKind() != kHeaderSet) return;
  fs::remove(base + ".scn", ec);
  for (int32_t i = 0; i < media.Count(); ++i) {
    const fs::path& file = media.At(i);
    if (file.is_absolute()) {
      fs::remove(file, ec);
      continue;
    }
    for (const char* folder : {".wav", ".bmp", ".avi"}) fs::remove(fs::path(base + folder) / file, ec);
  }
}

bool DatabaseManager::CreateArchive(const std::string& databasePath) {
  const std::string base = WithoutExtension(databasePath);
  FileDialogRequest request;
  request.style = FileDialogRequest::kSave;
  request.filters = {{"Archives", "*.tqv"}};
  request.defaultExtension = "tqv";
  request.initialDir = Settings().archiveFolder.empty() ? FolderOf(databasePath) : Settings().archiveFolder;
  request.fileName = fs::path(base).filename().string();
  FileDialogAnswer answer = RunFileDialog(request);
  if (!answer.ok || answer.path.empty()) return false;
  Settings().archiveFolder = FolderOf(answer.path);

  PathList files(100);
  std::error_code ec;
  for (const char* ext : {"tqh", "tqg", "tqa", "tqp", "tqt", "tqs", "tqc", "cko", "cpo", "ckn",
                          "cpn", "ck1", "cp1", "ck2", "cp2", "ck3", "cp3", "ini"}) {
    std::string file = ExistingAnyCase(base, std::string(".") + ext);
    if (!file.empty()) files.Add(file, 1);
  }
  // Every media file, however many: Store refuses what it cannot hold.
  for (const char* folder : {".wav", ".bmp", ".avi"}) {
    std::vector<fs::path> found;
    for (fs::recursive_directory_iterator it(base + folder, ec), end; !ec && it != end; it.increment(ec))
      if (it->is_regular_file(ec)) found.push_back(it->path());
    std::sort(found.begin(), found.end());
    for (const fs::path& f : found) files.Add(f, 0);
  }
  WaitCursor wait;
  Archive archive(answer.path);
  int16_t ratio = 0;
  if (archive.Store(files, fs::path(base).parent_path(), ratio) != 0) {
    ErrorBox(Text(msg::M_ARCHIVE_FAILED));
    return false;
  }
  WarningBox(Text(msg::M_ARCHIVE_WRITTEN) + " = " + std::to_string(ratio) + "%");
  return true;
}

TQFileDatabase* DatabaseManager::OpenArchive(const std::string& chosen) {
  std::string path = chosen;
  if (path.empty()) {
    FileDialogRequest request;
    request.filters = {{"Archives", "*.tqv"}};
    request.initialDir = Settings().archiveFolder;
    FileDialogAnswer answer = RunFileDialog(request);
    if (!answer.ok || answer.path.empty()) return nullptr;
    path = answer.path;
    Settings().archiveFolder = FolderOf(path);
  }
  Archive archive(path);
  int64_t total = 0;
  if (archive.TotalUnpackedSize(total) != 0) {
    ErrorBox(Text(msg::M_BAD_ARCHIVE));
    return nullptr;
  }
  const std::string folder = FolderOf(fs::absolute(path).string());
  const uint64_t free = freeSpace_ ? freeSpace_(folder) : GetFreeDiskSpaceKB(folder);
  if (static_cast<uint64_t>(total / 1024) >= free) {
    ErrorBox(Text(msg::M_NOT_ENOUGH_DISK_SPACE) + " " + folder);
    return nullptr;
  }
  WaitCursor wait;
  const int result = archive.Extract(folder);
  if (result != 0) {
    if (result == 17) ErrorBox(Text(msg::M_CRC_ERROR));
    else if (result == 20 || result == 4) ErrorBox(Text(msg::M_BAD_ARCHIVE));
    else ErrorBox(Text(msg::M_ARCHIVE_NOT_UNPACKED) + " " + path);
    return nullptr;
  }
  // The database inside: the first header set, else any database file it held.
  std::string database;
  for (int32_t i = 0; database.empty() && !archive.EntryName(i).empty(); ++i) {
    const std::string name = archive.EntryName(i);
    const int kind = KindOfPath(name);
    if (kind == kHeaderSet || kind == kOldFormat || kind == kPgn)
      database = (fs::path(folder) / name).string();
  }
  if (database.empty()) {
    ErrorBox(Text(msg::M_BAD_ARCHIVE));
    return nullptr;
  }
  TQFileDatabase* opened = Open(database, KindOfPath(database));
  if (opened) fs::remove(path);
  else ErrorBox(Text(msg::M_DATABASE_NOT_OPENED) + " " + database);
  return opened;
}

}  // namespace zh

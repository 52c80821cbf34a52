#include "database/header_set_maintenance.h"

#include <filesystem>
#include <system_error>

#include "core/paged_file.h"
#include "core/services.h"
#include "core/system_helpers.h"
#include "database/annotation_file.h"
#include "database/file_set_journal.h"
#include "database/file_set_replacement.h"
#include "database/game_file.h"
#include "database/header_file.h"
#include "database/header_items.h"
#include "database/header_library.h"
#include "database/header_record.h"
#include "database/key_file.h"

namespace zh {

namespace fs = std::filesystem;

namespace {

constexpr const char* kLibraryExtensions[4] = {"tqp", "tqt", "tqc", "tqs"};
constexpr const char* kCompactExtensions[4] = {"cxp", "cxt", "cxc", "cxs"};
constexpr int32_t kKeyKinds[] = {4, 0x200000, 0x400000, 0x800000, 0x1000000};
constexpr const char* kDroppedExtensions[] = {"tqb", "tqo", "scn"};

enum Library { kPlayers, kTournaments, kAnnotators, kSources };

bool ValidEntry(HeaderLib* lib, uint32_t entry) {
  return lib && lib->GetGameCount(static_cast<int32_t>(entry)) >= 0;
}

void DumpDefect(const char* what, int n, int64_t length) {
  DumpText(std::string(what) + std::to_string(n));
  DumpText("GameLen = " + std::to_string(length));
  DumpText("Please run integrity test");
  DumpText(" ");
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

// The new files of the set while they are written.
struct NewSet {
  explicit NewSet(const std::string& tmpBase)
      : header(tmpBase, "cxh", true), games(tmpBase, "cxg", true), annotations(tmpBase, "cxa", true) {}
  FileTqh header;
  FileTqg games;
  FileTqa annotations;
};

// The entries named "Unreadable" that replace library references out of range.
struct Repairs {
  int32_t player = -1;
  int32_t tournament = -1;
};

// Reads every kept record before anything is written: an unreadable one refuses,
// naming it. A reference out of range gets an "Unreadable" entry in its library.
int PrepareRepairs(HeaderSetFiles& set, const std::vector<int32_t>& kept, Repairs& repairs) {
  HeaderRecord r;
  for (const int32_t index : kept) {
    const int n = index + 1;
    if (set.header->ReadRecord(static_cast<uint32_t>(n), r) != 0) {
      DumpText("Unreadable record: " + std::to_string(n));
      return kMaintenanceUnreadable;
    }
    if (repairs.tournament < 0 && !ValidEntry(set.libraries[kTournaments], r.GetTournament())) {
      int16_t round = 0, subRound = 0;
      TQTournament unreadable("Unreadable", 0, round, subRound);
      if (set.libraries[kTournaments]->AddGame(unreadable, repairs.tournament, n) != 0)
        return kMaintenanceWriteError;
    }
    if (repairs.player < 0 && r.IsGame() &&
        !(ValidEntry(set.libraries[kPlayers], r.GetWhite()) &&
          ValidEntry(set.libraries[kPlayers], r.GetBlack()))) {
      TQPlayer unreadable("Unreadable", "");
      if (set.libraries[kPlayers]->AddGame(unreadable, repairs.player, n) != 0)
        return kMaintenanceWriteError;
    }
  }
  return kMaintenanceDone;
}

// Replaces references out of range by the "Unreadable" entries, with a log line.
void RepairReferences(HeaderSetFiles& set, const Repairs& repairs, int n, HeaderRecord& r) {
  const auto repair = [&](int lib, uint32_t entry, int32_t replacement, const char* what,
                          void (HeaderRecord::*setter)(uint32_t)) {
    if (ValidEntry(set.libraries[lib], entry) || replacement < 0) return;
    LogLine(std::string("Unreadable ") + what + " in item " + std::to_string(n));
    (r.*setter)(static_cast<uint32_t>(replacement));
  };
  repair(kTournaments, r.GetTournament(), repairs.tournament, "tournament",
         &HeaderRecord::SetTournament);
  if (!r.IsGame()) return;
  repair(kPlayers, r.GetWhite(), repairs.player, "white player", &HeaderRecord::SetWhite);
  repair(kPlayers, r.GetBlack(), repairs.player, "black player", &HeaderRecord::SetBlack);
}

// Copies item n's body and annotation block and writes its record as record m.
int CopyItem(HeaderSetFiles& set, const Repairs& repairs, NewSet& out, int n, uint32_t m,
             uint32_t& gamePos, uint32_t& annotationPos) {
  HeaderRecord record;
  if (set.header->ReadRecord(static_cast<uint32_t>(n), record) != 0) {
    DumpText("Unreadable record: " + std::to_string(n));
    return kMaintenanceUnreadable;
  }
  RepairReferences(set, repairs, n, record);
  if (const uint32_t o = record.GetTqgOffset(); o >= 1) {
    const int64_t length = set.games->RecordLength(o);
    if (length <= 0 || gamePos + static_cast<uint64_t>(length) > 0xFFFFFFFFu) {
      DumpDefect("TQG defect in game: ", n, length);
      return kMaintenanceUnreadable;
    }
    if (out.games.File().CopyFrom(set.games->File(), gamePos, o, static_cast<uint64_t>(length)))
      return kMaintenanceWriteError;
    record.SetTqgOffset(gamePos);
    gamePos += static_cast<uint32_t>(length);
  }
  if (const uint32_t o = record.GetTqaOffset(); o >= 1) {
    const int64_t length = set.annotations->BlockLength(o);
    if (length <= 0 || annotationPos + static_cast<uint64_t>(length) > 0xFFFFFFFFu) {
      // An unreadable block is dropped; the game keeps its moves.
      DumpDefect("TQA defect in game: ", n, length);
      record.SetTqaOffset(0);
      record.word43 = 0;
    } else {
      if (out.annotations.File().CopyFrom(set.annotations->File(), annotationPos, o,
                                          static_cast<uint64_t>(length)) ||
          out.annotations.SetBlockGameNumber(annotationPos, m))
        return kMaintenanceWriteError;
      record.SetTqaOffset(annotationPos);
      annotationPos += static_cast<uint32_t>(length);
    }
  }
  const uint32_t refs[5] = {record.GetTournament(), record.GetWhite(), record.GetBlack(),
                            record.GetAnnotator(), record.GetSource()};
  HeaderLib* libs[5] = {set.libraries[kTournaments], set.libraries[kPlayers],
                        set.libraries[kPlayers], set.libraries[kAnnotators],
                        set.libraries[kSources]};
  const bool game = record.IsGame();
  for (int i = 0; i < 5; ++i)
    if (libs[i] && (i == 0 || game || i >= 3))
      libs[i]->CountGame(static_cast<int32_t>(refs[i]), static_cast<int32_t>(m));
  return out.header.WriteRecord(m, record) ? kMaintenanceWriteError : kMaintenanceDone;
}

// Gives the records of the new header file the entry numbers of the compacted
// libraries.
int MapLibraryNumbers(HeaderSetFiles& set, FileTqh& header, uint32_t count) {
  HeaderRecord r;
  for (uint32_t m = 1; m <= count; ++m) {
    if (header.ReadRecord(m, r)) return kMaintenanceWriteError;
    const auto map = [&](int lib, uint32_t old) {
      const int32_t mapped = set.libraries[lib]->MapEntry(static_cast<int32_t>(old));
      return mapped < 0 ? 0u : static_cast<uint32_t>(mapped);
    };
    r.SetTournament(map(kTournaments, r.GetTournament()));
    r.SetWhite(map(kPlayers, r.GetWhite()));
    r.SetBlack(map(kPlayers, r.GetBlack()));
    r.SetAnnotator(map(kAnnotators, r.GetAnnotator()));
    r.SetSource(map(kSources, r.GetSource()));
    if (header.WriteRecord(m, r)) return kMaintenanceWriteError;
  }
  return kMaintenanceDone;
}

}  // namespace

// Copies every key of the set with its companion under temporary names and renumbers
// the copies; the originals stay as they are until the commit.
int RenumberKeyCopies(HeaderSetFiles& set, FileSetReplacement& replacement,
                      const std::vector<int32_t>& map) {
  for (const int32_t kind : kKeyKinds) {
    const std::string ext = KeyFileExtension(kind);
    const std::string original = set.filePath(ext.c_str());
    if (!Exists(original)) continue;
    for (const std::string& e : {ext, CompanionExtension(ext)}) {
      const std::string from = set.filePath(e.c_str());
      if (!Exists(from)) continue;
      const std::string to = replacement.TemporaryPath(e);
      std::error_code ec;
      NoteFileChange();
      if (!fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec))
        return kMaintenanceWriteError;
      replacement.Replace(to, from);
    }
    KeyFile key(replacement.Folder() + "/" + FileSetReplacement::kTemporaryStem, false, 0, kind);
    if (key.Status() != 0 || key.RenumberGames(map) != 0 || key.Flush() != 0)
      return kMaintenanceWriteError;
  }
  return kMaintenanceDone;
}

bool LibraryReferencesValid(HeaderSetFiles& set, const HeaderRecord& record) {
  if (!ValidEntry(set.libraries[kTournaments], record.GetTournament())) return false;
  return !record.IsGame() || (ValidEntry(set.libraries[kPlayers], record.GetWhite()) &&
                              ValidEntry(set.libraries[kPlayers], record.GetBlack()));
}

int ReorganiseHeaderSet(HeaderSetFiles& set, const std::vector<int32_t>& kept,
                        const ReorganiseOptions& options) {
  if (!set.header || !set.games || !set.annotations) return kMaintenanceMissingFile;
  for (HeaderLib* lib : set.libraries)
    if (!lib || lib->Status() != 0) return kMaintenanceMissingFile;
  if (const int rc = FileSetReplacement::CompletePending(set.base)) return rc;
  const int count = static_cast<int>(set.header->ItemCount());
  for (const int32_t index : kept)
    if (index < 0 || index >= count) return kMaintenanceUnreadable;
  Repairs repairs;
  if (const int rc = PrepareRepairs(set, kept, repairs)) return rc;

  FileSetReplacement replacement(set.base);
  const std::string tmpBase = replacement.Folder() + "/" + FileSetReplacement::kTemporaryStem;
  // Claimed first, so that every exit before the commit deletes what was written.
  const auto claim = [&](const std::string& from, const char* ext) {
    replacement.Replace(from, set.filePath(ext));
  };
  claim(tmpBase + ".cxh", "tqh");
  claim(tmpBase + ".cxg", "tqg");
  claim(tmpBase + ".cxa", "tqa");
  for (int lib = 0; lib < 4; ++lib)
    claim(set.base + "." + kCompactExtensions[lib], kLibraryExtensions[lib]);
  int rc = kMaintenanceDone;
  {
    NewSet out(tmpBase);
    if (out.header.HasError() || out.games.HasError() || out.annotations.HasDefect())
      return kMaintenanceWriteError;
    out.header.FileHeader() = set.header->FileHeader();
    out.header.SetNextRecord(static_cast<uint32_t>(kept.size()) + 1);
    if (out.header.WriteFileHeader()) return kMaintenanceWriteError;
    for (HeaderLib* lib : set.libraries)
      if (lib->InitCounting() != 0) return kMaintenanceUnreadable;
    uint32_t gamePos = out.games.GetEnd();
    uint32_t annotationPos = out.annotations.End();
    for (size_t i = 0; i < kept.size() && rc == kMaintenanceDone; ++i)
      rc = CopyItem(set, repairs, out, kept[i] + 1, static_cast<uint32_t>(i + 1), gamePos, annotationPos);
    if (rc == kMaintenanceDone &&
        (out.games.SetEnd(gamePos) || out.games.SetWaste(0) ||
         out.annotations.SetEnd(annotationPos) || out.annotations.SetWasted(0)))
      rc = kMaintenanceWriteError;
    for (int lib = 0; lib < 4 && rc == kMaintenanceDone; ++lib)
      if (set.libraries[lib]->BuildBinTree(true) != 0) rc = kMaintenanceWriteError;
    if (rc == kMaintenanceDone)
      rc = MapLibraryNumbers(set, out.header, static_cast<uint32_t>(kept.size()));
    for (HeaderLib* lib : set.libraries) lib->FreeScratch();
    if (rc == kMaintenanceDone &&
        (out.header.File().WriteBack() || out.games.File().WriteBack() ||
         out.annotations.File().WriteBack()))
      rc = kMaintenanceWriteError;
  }
  if (rc != kMaintenanceDone) return rc;  // the replacement deletes what was written

  std::vector<int32_t> map(static_cast<size_t>(count) + 1, -1);
  for (size_t i = 0; i < kept.size(); ++i) map[static_cast<size_t>(kept[i]) + 1] = static_cast<int32_t>(i + 1);
  if ((rc = RenumberKeyCopies(set, replacement, map)) != kMaintenanceDone) return rc;
  for (const char* ext : kDroppedExtensions)
    if (const std::string path = set.filePath(ext); Exists(path)) replacement.Remove(path);
  return replacement.Commit(options.release);
}

int CollectDeletedItems(HeaderSetFiles& set, uint64_t totalBytes, const MediaLinksOf& linksOf,
                        std::vector<int32_t>& kept, PathList& media) {
  kept.clear();
  media.Clear();
  if (!set.header || !set.games || !set.annotations) return kMaintenanceMissingFile;
  const uint64_t needed = (totalBytes + 0x48000) / 1024;
  const uint64_t free = GetFreeDiskSpaceKB(fs::path(set.base).parent_path());
  if (free != 0 && free < needed) {
    ErrorBox("Not enough disk space. You need a further " +
             std::to_string((needed - free) / 1024 + 1) + "MB");
    return kMaintenanceMissingFile;
  }
  const int count = static_cast<int>(set.header->ItemCount());
  PathList deletedMedia, keptMedia;
  HeaderRecord r;
  for (int n = 1; n <= count; ++n) {
    if (set.header->ReadRecord(static_cast<uint32_t>(n), r) != 0) {
      ErrorBox("Item " + std::to_string(n) + " cannot be read. Please run integrity test");
      kept.clear();
      return kMaintenanceUnreadable;
    }
    PathList& links = r.IsDeleted() ? deletedMedia : keptMedia;
    if (linksOf && (r.IsText() || (r.IsGame() && (r.contentFlags & 0x70000))) &&
        linksOf(n, r, links) != 0) {
      ErrorBox("Item " + std::to_string(n) + " cannot be read. Please run integrity test");
      kept.clear();
      return kMaintenanceUnreadable;
    }
    if (!r.IsDeleted()) kept.push_back(n - 1);
  }
  media = UnreferencedMedia(deletedMedia, keptMedia);
  return kMaintenanceDone;
}

namespace {
// The tournament of item n, or -1 when its record cannot be read.
int64_t TournamentOf(HeaderSetFiles& set, int n) {
  HeaderRecord r;
  if (set.header->ReadRecord(static_cast<uint32_t>(n), r) != 0) return -1;
  return r.GetTournament();
}
}  // namespace

std::unique_ptr<SortedLONGArr> GamesOfTournament(HeaderSetFiles& set, int n) {
  const int count = set.header ? static_cast<int>(set.header->ItemCount()) : 0;
  if (n < 1 || n > count || !set.libraries[kTournaments]) return nullptr;
  auto list = std::make_unique<SortedLONGArr>(16382);
  const WaitCursor wait;
  const int64_t t = TournamentOf(set, n);
  int k = n;
  while (k > 1 && TournamentOf(set, k) == t) --k;
  int32_t left = t < 0 ? 0 : set.libraries[kTournaments]->GetGameCount(static_cast<int32_t>(t));
  HeaderRecord r;
  for (; left > 0 && k <= count; ++k) {
    if (set.header->ReadRecord(static_cast<uint32_t>(k), r) != 0 || r.GetTournament() != t) continue;
    --left;
    if (r.IsGame()) list->Append(k);
  }
  return list;
}

int TournamentEdge(HeaderSetFiles& set, int n, bool forward) {
  if (n <= 1 || !set.header) return 1;
  const int count = static_cast<int>(set.header->ItemCount());
  const WaitCursor wait;
  int k = std::min(n - 1, count);
  const int64_t t = TournamentOf(set, k);
  if (forward) {
    while (k <= count && TournamentOf(set, k) == t) ++k;
  } else {
    while (k > 0 && TournamentOf(set, k) == t) --k;
    ++k;
  }
  return std::min(k, count);
}

PathList UnreferencedMedia(const PathList& deleted, const PathList& kept) {
  PathList out;
  for (int32_t i = 0; i < deleted.Count(); ++i)
    if (kept.Find(deleted.At(i)) < 0 && out.Find(deleted.At(i)) < 0)
      out.Add(deleted.At(i), deleted.TagAt(i));
  return out;
}

std::string FreeMediaName(const std::string& folder, uint32_t counter, const std::string& extension) {
  for (;; ++counter) {
    const std::string name = std::to_string(counter);
    if (!Exists((fs::path(folder) / (name + "." + extension)).string())) return name;
  }
}

}  // namespace zh

#include "database/headerset/tqg_database.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <system_error>

#include "core/services.h"
#include "database/storage/annotation_file.h"
#include "database/storage/file_set_journal.h"
#include "database/storage/file_set_replacement.h"
#include "database/storage/game_file.h"
#include "database/game/game_item.h"
#include "database/storage/header_file.h"
#include "database/headerset/header_library.h"
#include "database/headerset/header_set_guard.h"
#include "database/keys/key_file.h"
#include "database/headerset/name_filter.h"
#include "database/keys/position_tree.h"
#include "database/keys/search_booster.h"
#include "database/keys/theme_masks.h"

namespace zh {

namespace fs = std::filesystem;

namespace {

// Scratch files of a replacement: outside every transaction, removed at opening.
const std::vector<std::string> kScratchExtensions = {"cyg", "cya"};
constexpr const char* kMediaExtensions[3] = {"wav", "bmp", "avi"};

int MediaIndex(int kind) {
  return kind == TqgDatabase::kPicture ? 1 : kind == TqgDatabase::kVideo ? 2 : 0;
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

void AssignUnreadableName(int lib, HeaderLibItem& item) {
  constexpr const char* kName = "Unreadable";
  if (auto* p = dynamic_cast<TQPlayer*>(&item); p && lib == 0) {
    *p = TQPlayer(kName, "");
  } else if (auto* t = dynamic_cast<TQTournament*>(&item); t && lib == 1) {
    *t = TQTournament();
    t->SetTitle(kName);
    t->date = 1996u << 9;
  } else if (auto* a = dynamic_cast<TQAnnotator*>(&item); a && lib == 2) {
    *a = TQAnnotator();
    a->SetName(kName);
  } else if (auto* s = dynamic_cast<TQSource*>(&item); s && lib == 3) {
    *s = TQSource();
    s->SetTitle(kName);
  }
}

TqgDatabase::TqgDatabase(std::string base, bool create, bool temporary)
    : TQFileDatabase(std::move(base), kHeaderSet), temporary_(temporary) {
  for (int i = 0; i < 3; ++i) {
    mediaFolders_[i] = PathWithExtension(basePath_, kMediaExtensions[i]);
    std::error_code ec;
    mediaPresent_[i] = fs::is_directory(mediaFolders_[i], ec);
  }
  if (temporary_) {
    OpenFiles(create);
    return;
  }
  // Nothing of a set that another program holds is touched: its journal is live.
  if (HeaderSetHeldElsewhere(basePath_)) {
    errorState_ = kDbInUse;
    return;
  }
  if (RemoveHalfMadeHeaderSet(basePath_) != 0) {
    errorState_ = kDbWriteError;
    return;
  }
  std::error_code ec;
  const bool present =
      fs::exists(MainFilePath("tqh"), ec) || fs::exists(MainFilePath("tqg"), ec);
  if (!present && !create) {
    errorState_ = kDbNoSuchFile;
    return;
  }
  // A new set is made under the marker, which goes once every file is complete.
  std::unique_ptr<HeaderSetCreation> creation;
  if (!present) {
    creation = std::make_unique<HeaderSetCreation>(basePath_);
    if (!creation->Started()) {
      creation.reset();
      errorState_ = HeaderSetHeldElsewhere(basePath_) ? kDbInUse : kDbWriteError;
      return;
    }
  }
  // A committed replacement of the set is finished first, then a left journal.
  if (FileSetReplacement::CompletePending(basePath_) != 0 ||
      FileSetJournal::Recover(basePath_, kScratchExtensions) != 0) {
    errorState_ = kDbLibraryDefect;
    return;
  }
  journal_ = std::make_unique<FileSetJournal>(basePath_, kScratchExtensions);
  OpenFiles(create);
  if (!creation) return;
  if (errorState_ == 0) errorState_ = FlushNewSet();
  if (errorState_ == 0) {
    creation->Finish();
  } else {
    CloseFiles();  // the creation's end removes the files
  }
}

int TqgDatabase::FlushNewSet() {
  for (const auto& step : WriteBacks())
    if (const int rc = step()) return rc;
  return 0;
}

TqgDatabase::~TqgDatabase() {
  CommitBatch();
  CloseFiles();
}

std::string TqgDatabase::MainFilePath(const char* extension) const {
  const std::string wanted = PathWithExtension(basePath_, extension);
  const fs::path path(wanted);
  std::error_code ec;
  if (fs::exists(path, ec)) return wanted;
  const std::string name = path.filename().string();
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (SameIgnoringCase(it->path().filename().string(), name))
      return (path.parent_path() / it->path().filename()).string();
  return wanted;
}

void TqgDatabase::OpenFiles(bool create) {
  // The extension as found on disk: FileTq* take base and extension apart.
  auto extension = [this](const char* lower) {
    return fs::path(MainFilePath(lower)).extension().string().substr(1);
  };
  errorState_ = 0;
  try {
    const char* names[3] = {"tqg", "tqh", "tqa"};
    if (temporary_) names[0] = "cxg", names[1] = "cxh", names[2] = "cxa";
    game_ = std::make_unique<FileTqg>(basePath_, extension(names[0]), create);
    header_ = std::make_unique<FileTqh>(basePath_, extension(names[1]), create);
    annotations_ = std::make_unique<FileTqa>(basePath_, extension(names[2]), create);
    if (game_->HasError() || header_->HasError() || annotations_->HasDefect())
      errorState_ = kDbLibraryDefect;
    if (temporary_) return;
    const int mode = create ? DiskTree::kOpenOrCreate : DiskTree::kOpenExisting;
    players_ = std::make_unique<PlayerLib>(basePath_, mode);
    tournaments_ = std::make_unique<TournamentLib>(basePath_, mode);
    annotators_ = std::make_unique<AnnotatorLib>(basePath_, mode);
    sources_ = std::make_unique<SourceLib>(basePath_, mode);
    for (int i = 0; i < 4; ++i)
      if (Library(i)->Status() != 0) errorState_ = kDbLibraryDefect;
    if (deferredWrite_) SetDeferredWrite(true);
  } catch (const std::bad_alloc&) {
    errorState_ = kDbNoMemory;
  }
}

void TqgDatabase::CloseFiles() {
  game_.reset();
  header_.reset();
  annotations_.reset();
  players_.reset();
  tournaments_.reset();
  annotators_.reset();
  sources_.reset();
  // Keys, indexes and boosters reopen on demand.
  for (auto* key : {&openingsKey_, &key32_, &themeKey_, &strategyKey_, &tacticsKey_, &endgameKey_,
                    &key64_, &key16_, &key128_})
    key->reset();
  openingsIndex_.reset();
  for (auto* masks : {&themeMasks_, &strategyMasks_, &tacticsMasks_, &endgameMasks_}) masks->reset();
  searchBooster_.reset();
  openingsBooster_.reset();
}

void TqgDatabase::Reload() {
  batchOpen_ = false;
  batched_ = 0;
  // Whatever the stale objects write while they close is undone by the rollback.
  const bool undo = journal_ && (journal_->Active() || journal_->Begin() == 0);
  CloseFiles();
  if (undo) journal_->Rollback();
  OpenFiles(false);
}

HeaderLib* TqgDatabase::Library(int which) {
  switch (which) {
    case 0: return players_.get();
    case 1: return tournaments_.get();
    case 2: return annotators_.get();
    default: return sources_.get();
  }
}

std::vector<std::function<int()>> TqgDatabase::WriteBacks() {
  std::vector<std::function<int()>> steps;
  if (game_)
    steps.emplace_back([this] {
      if (const int rc = game_->FlushHeader()) return rc;
      return game_->File().WriteBack();
    });
  if (annotations_)
    steps.emplace_back([this] {
      if (const int rc = annotations_->FlushHeader()) return rc;
      return annotations_->File().WriteBack();
    });
  steps.emplace_back([this] {
    for (int i = 0; i < 4; ++i) {
      HeaderLib* lib = Library(i);
      if (!lib || !lib->Tree() || lib->Status() != 0) continue;
      if (const int rc = lib->Tree()->FlushNodes()) return rc;
      if (const int rc = lib->Tree()->FlushHeader()) return rc;
    }
    return FlushKeys();
  });
  if (header_) {
    steps.emplace_back([this] { return header_->File().WriteBack(); });
    steps.emplace_back([this] {
      if (const int rc = header_->WriteFileHeader()) return rc;
      return header_->File().WriteBack();
    });
  }
  return steps;
}

int TqgDatabase::RunChange(const std::function<int()>& operation) {
  // Nested calls belong to the change that runs them.
  if (!journal_ || depth_ > 0) return operation();
  struct Depth {
    int& d;
    explicit Depth(int& depth) : d(depth) { ++d; }
    ~Depth() { --d; }
  };
  if (!batchOpen_ && !IsUpdating()) {
    int rc;
    {
      Depth depth(depth_);
      rc = journal_->Run(operation, WriteBacks());
    }
    if (rc != 0) Reload();
    return rc;
  }
  // In an update the changes are committed in batches; a failure loses the batch.
  if (!batchOpen_) {
    if (journal_->Begin() != 0) return kDbWriteError;
    batchOpen_ = true;
    batched_ = 0;
  }
  int rc;
  {
    Depth depth(depth_);
    rc = operation();
  }
  if (rc != 0) {
    Reload();
    return rc;
  }
  // A failed batch commit rolls the batch back, this change with it.
  if (++batched_ >= kBatchSize) return CommitBatch();
  return kDbDone;
}

int TqgDatabase::CommitBatch() {
  if (!journal_ || !batchOpen_) return kDbDone;
  batchOpen_ = false;
  batched_ = 0;
  const int rc = journal_->Commit(WriteBacks());
  if (rc != 0) Reload();
  return rc;
}

void TqgDatabase::EndUpdate() {
  // EndUpdate answers nothing: a batch that could not be committed is rolled back and
  // logged.
  if (const int rc = CommitBatch())
    LogLine(GetFilePath() + ": the last changes could not be committed (code " +
            std::to_string(rc) + ")");
  TQFileDatabase::EndUpdate();
}

// ---- reading -------------------------------------------------------------------

std::string TqgDatabase::GetFilePath() const {
  return MainFilePath(temporary_ ? "cxh" : "tqh");
}

std::string TqgDatabase::GetFullFilePath() const {
  std::error_code ec;
  const fs::path full = fs::absolute(GetFilePath(), ec);
  return ec ? GetFilePath() : full.lexically_normal().string();
}

int TqgDatabase::GetCount() {
  return header_ ? static_cast<int>(header_->ItemCount()) : 0;
}

int TqgDatabase::ReadHeaderRecord(int n, GameHeader& header) {
  if (!header_) return kDbNoSuchFile;
  if (n < 1 || n > GetCount()) return kDbReadError;
  return header_->ReadRecord(static_cast<uint32_t>(n), header.record);
}

int TqgDatabase::ReadHeader(int n, GameHeader& header) {
  if (const int rc = ReadHeaderRecord(n, header)) return rc;
  const HeaderRecord& r = header.record;
  if (temporary_) return kDbDone;
  // A name that cannot be read shows as "Unreadable", as a fast copy stores it.
  auto read = [](HeaderLib& lib, int which, HeaderLibItem& item, uint32_t entry) {
    if (lib.ReadEntry(item, static_cast<int32_t>(entry)) != 0)
      AssignUnreadableName(which, item);
  };
  if (r.IsGame()) {
    read(*players_, 0, header.white, r.white);
    read(*players_, 0, header.black, r.black);
  } else if (r.IsText()) {
    header.white = TQPlayer();
    header.black = TQPlayer();
  } else {
    return kDbDone;
  }
  read(*annotators_, 2, header.annotator, r.annotator);
  read(*tournaments_, 1, header.tournament, r.tournament);
  read(*sources_, 3, header.source, r.source);
  if (r.IsText()) {
    TQTextItem item;
    item.header = header;
    if (const int rc = game_->ReadText(item)) return rc;
    header.text = item.Title(Settings().titleLanguage);
  }
  return kDbDone;
}

// A game record without a body (offset 0) reads as a game without moves.
bool TqgDatabase::NoBody(TQGame& game) {
  if (!game.header.IsGame() || game.header.record.tqgOffset != 0) return false;
  game.body.ClearMoves();
  game.body.SetStandardStart();
  return true;
}

int TqgDatabase::ReadGame(int n, TQGame& game, bool moveTexts) {
  if (!game_) return kDbNoSuchFile;
  if (const int rc = ReadHeader(n, game.header)) return rc;
  game.database = this;
  game.number = n;
  if (NoBody(game)) return kDbDone;
  return game_->ReadGame(game, annotations_.get(), moveTexts);
}

int TqgDatabase::ReadGameBody(int n, TQGame& game, int plyLimit, bool moveTexts) {
  if (!game_) return kDbNoSuchFile;
  if (const int rc = ReadHeaderRecord(n, game.header)) return rc;
  game.database = this;
  game.number = n;
  if (NoBody(game)) return kDbDone;
  return game_->ReadBody(game, plyLimit, moveTexts);
}

int TqgDatabase::ReadGameTrace(int n, TraceSink& trace, TQGame& game, int plyLimit) {
  if (!game_) return kDbNoSuchFile;
  if (const int rc = ReadHeaderRecord(n, game.header)) return rc;
  game.database = this;
  game.number = n;
  return game_->ReadTrace(game, trace, plyLimit);
}

int TqgDatabase::ReadGameTraceAt(uint32_t offset, TraceSink& trace, TQGame& game, int plyLimit) {
  if (!game_) return kDbNoSuchFile;
  game.header.record = HeaderRecord::Game();
  game.header.SetTqgOffset(offset);
  return game_->ReadTrace(game, trace, plyLimit);
}

int TqgDatabase::ReadText(int n, TQTextItem& text) {
  if (!game_) return kDbNoSuchFile;
  if (const int rc = ReadHeader(n, text.header)) return rc;
  if (!text.header.IsText()) return kDbReadError;
  text.database = this;
  text.number = n;
  return game_->ReadText(text);
}

int TqgDatabase::GetItemKind(int n) {
  GameHeader header;
  if (ReadHeaderRecord(n, header) != 0) return 5;
  return header.record.type & 0x7F;
}

FileTqa* TqgDatabase::SearchAnnotations() {
  return annotations_.get();
}

// ---- names ---------------------------------------------------------------------

int TqgDatabase::RegisterNames(int n, GameHeader& header) {
  if (!players_) return kDbNoSuchFile;
  int32_t entry = 0;
  auto add = [&](HeaderLib& lib, HeaderLibItem& item, const char* what, auto set) {
    const int rc = lib.AddGame(item, entry, n);
    if (rc != 0) {
      if (what) LogLine(std::string("Lib error ") + what);
      return rc;
    }
    (header.*set)(static_cast<uint32_t>(entry));
    return 0;
  };
  if (header.IsGame()) {
    if (int rc = add(*players_, header.white, "white", &GameHeader::SetWhite)) return rc;
    if (int rc = add(*players_, header.black, "black", &GameHeader::SetBlack)) return rc;
    if (int rc = add(*tournaments_, header.tournament, "tournament", &GameHeader::SetTournament))
      return rc;
    if (int rc = add(*sources_, header.source, "source", &GameHeader::SetSource)) return rc;
    return add(*annotators_, header.annotator, "annotator", &GameHeader::SetAnnotator);
  }
  if (header.IsText()) {
    if (int rc = add(*tournaments_, header.tournament, nullptr, &GameHeader::SetTournament))
      return rc;
    if (int rc = add(*sources_, header.source, nullptr, &GameHeader::SetSource)) return rc;
    return add(*annotators_, header.annotator, nullptr, &GameHeader::SetAnnotator);
  }
  return kDbDone;
}

int TqgDatabase::ReleaseHeaderNames(GameHeader& header) {
  if (!players_) return kDbNoSuchFile;
  int result = 0;
  auto remove = [&](HeaderLib& lib, const HeaderLibItem& item) {
    const int rc = lib.RemoveGame(item);
    if (result == 0) result = rc;
  };
  if (header.IsGame()) {
    remove(*players_, header.white);
    remove(*players_, header.black);
  }
  if (header.IsGame() || header.IsText()) {
    remove(*tournaments_, header.tournament);
    remove(*annotators_, header.annotator);
  }
  remove(*sources_, header.source);
  return result;
}

// ---- writing -------------------------------------------------------------------

int TqgDatabase::AppendHeaderNow(int& n, GameHeader& header) {
  if (!header_) return kDbNoSuchFile;
  n = static_cast<int>(std::max<uint32_t>(header_->NextRecord(), 1));
  if (const int rc = RegisterNames(n, header)) return rc;
  return header_->AppendRecord(header.record);
}

int TqgDatabase::AppendHeader(int& n, GameHeader& header) {
  return RunChange([&] { return AppendHeaderNow(n, header); });
}

int TqgDatabase::WriteHeader(int n, GameHeader& header) {
  if (!header_) return kDbNoSuchFile;
  if (n < 1 || n > GetCount()) return kDbNotSupported;
  return RunChange([&] {
    if (const int rc = RegisterNames(n, header)) return rc;
    return header_->WriteRecord(static_cast<uint32_t>(n), header.record);
  });
}

int TqgDatabase::WriteHeaderRecord(int n, GameHeader& header) {
  if (!header_) return kDbNoSuchFile;
  if (n < 1 || n > GetCount()) return kDbNotSupported;
  return RunChange([&] { return header_->WriteRecord(static_cast<uint32_t>(n), header.record); });
}

int TqgDatabase::AppendHeaderRecord(int& n, GameHeader& header) {
  if (!header_) return kDbNoSuchFile;
  return RunChange([&] {
    n = static_cast<int>(std::max<uint32_t>(header_->NextRecord(), 1));
    return header_->AppendRecord(header.record);
  });
}

// The body and annotations go first, then the names, then the record: a change cut
// short leaves no record pointing at missing data (and the journal undoes it anyway).
int TqgDatabase::AppendGameNow(TQGame& game) {
  if (!game_ || !header_ || !annotations_) return kDbNoSuchFile;
  if (game.header.record.Kind() != kGameRecord || game.header.record.type == kEmptyRecord)
    game.header.record.type = kGameRecord;
  game.number = static_cast<int32_t>(std::max<uint32_t>(header_->NextRecord(), 1));
  if (const int rc = game_->AppendGame(game, annotations_.get())) return rc;
  if (annotations_->HasDefect()) {
    DumpText("Annotations file (TQA) defect");
    return kDbLibraryDefect;
  }
  if (const int rc = Fault("names")) return rc;
  int n = 0;
  return AppendHeaderNow(n, game.header);
}

int TqgDatabase::AppendGame(TQGame& game) {
  if (!game_) return kDbNoSuchFile;
  Database* const database = game.database;
  const int32_t number = game.number;
  const int rc = RunChange([&] { return AppendGameNow(game); });
  if (rc != 0) {
    game.database = database;
    game.number = number;
    return rc;
  }
  game.database = this;
  return kDbDone;
}

int TqgDatabase::AppendTextNow(TQTextItem& item) {
  if (!game_ || !header_) return kDbNoSuchFile;
  if (!item.header.IsText()) item.header.record.type = kTextRecord;
  if (const int rc = game_->AppendText(item)) return rc;
  int n = 0;
  if (const int rc = AppendHeaderNow(n, item.header)) return rc;
  item.number = n;
  return kDbDone;
}

int TqgDatabase::AppendText(TQTextItem& item) {
  const int rc = RunChange([&] { return AppendTextNow(item); });
  if (rc == 0) item.database = this;
  return rc;
}

int TqgDatabase::ChangeRecord(int n, const std::function<void(HeaderRecord&)>& change) {
  if (!header_) return kDbNoSuchFile;
  return RunChange([&] {
    GameHeader header;
    if (const int rc = ReadHeaderRecord(n, header)) return rc;
    change(header.record);
    return header_->WriteRecord(static_cast<uint32_t>(n), header.record);
  });
}

int TqgDatabase::SetDeleted(int n, bool deleted) {
  return ChangeRecord(n, [deleted](HeaderRecord& r) {
    r.type = static_cast<uint16_t>(deleted ? (r.type | kDeletedBit) : (r.type & ~kDeletedBit));
  });
}

int TqgDatabase::ToggleDeleted(int n) {
  return ChangeRecord(n, [](HeaderRecord& r) { r.type ^= kDeletedBit; });
}

int TqgDatabase::ToggleMark(int n) {
  return ChangeRecord(n, [](HeaderRecord& r) {
    if (r.IsGame()) r.medals ^= 0x8000;
  });
}

// ---- files ---------------------------------------------------------------------

int TqgDatabase::GetAccess() {
  return game_ ? game_->File().GetAccess() : 0;
}

void TqgDatabase::FlushAll() {
  if (errorState_ != 0) return;
  for (int i = 0; i < 4; ++i)
    if (HeaderLib* lib = Library(i); lib && lib->Tree() && lib->Status() == 0) {
      lib->Tree()->FlushNodes();
      lib->Tree()->FlushHeader();
    }
  if (game_) game_->File().WriteBack();
  if (annotations_) annotations_->File().WriteBack();
  if (header_) header_->File().WriteBack();
}

int64_t TqgDatabase::TotalFileSize() {
  uint64_t total = 0;
  if (header_) total += header_->File().GetSize();
  if (annotations_) total += annotations_->File().GetSize();
  if (game_) total += game_->File().GetSize();
  for (int i = 0; i < 4; ++i)
    if (HeaderLib* lib = Library(i); lib && lib->Tree()) total += lib->Tree()->File().GetSize();
  return static_cast<int64_t>(total);
}

void TqgDatabase::SetDeferredWrite(bool on) {
  deferredWrite_ = on;
  // File headers held back while writing behind go out before the windows do.
  if (!on) {
    if (game_) game_->FlushHeader();
    if (annotations_) annotations_->FlushHeader();
    if (header_) header_->FlushFileHeader();
  }
  PagedFile* files[3] = {game_ ? &game_->File() : nullptr, header_ ? &header_->File() : nullptr,
                         annotations_ ? &annotations_->File() : nullptr};
  for (PagedFile* f : files) {
    if (!f) continue;
    if (on)
      f->EnableWriteBehind();
    else
      f->DisableWriteBehind();
  }
}

// ---- media ---------------------------------------------------------------------

const std::string& TqgDatabase::MediaFolder(int kind) const {
  return mediaFolders_[MediaIndex(kind)];
}

std::string TqgDatabase::MediaFilePath(const std::string& name, int kind) const {
  return (fs::path(MediaFolder(kind)) / (name + "." + kMediaExtensions[MediaIndex(kind)])).string();
}

bool TqgDatabase::LocateMediaFile(std::string& path, std::string& name, int kind) {
  const int i = MediaIndex(kind);
  if (!mediaPresent_[i]) {
    std::error_code ec;
    fs::create_directories(mediaFolders_[i], ec);
    mediaPresent_[i] = fs::is_directory(mediaFolders_[i], ec);
  }
  if (!mediaPresent_[i] || !header_) return false;
  name = FreeMediaName(mediaFolders_[i], header_->MediaCount(i), kMediaExtensions[i]);
  path = MediaFilePath(name, kind);
  return true;
}

int TqgDatabase::CountMediaObject(int kind) {
  if (kind < kAudio || kind > kVideo) return kDbNotSupported;
  if (!header_) return kDbNoSuchFile;
  return RunChange([&] {
    ++header_->MediaCount(MediaIndex(kind));
    return header_->WriteFileHeader();
  });
}

}  // namespace zh

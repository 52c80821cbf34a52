// The keys and boosters of a file database: opening and closing them by kind,
// renumbering after a reorganisation, and filing games in the openings key.
#include <cctype>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>

#include "core/toolbox/paged_file.h"
#include "core/services.h"
#include "database/file_database.h"
#include "database/game/game_cursor.h"
#include "database/game/game_item.h"
#include "database/keys/key_file.h"
#include "database/keys/position_tree.h"
#include "database/keys/search_booster.h"
#include "database/keys/theme_masks.h"

namespace zh {

namespace {

constexpr int32_t kOpeningsKind = 4;
constexpr int kNoOpeningsKey = -100;
constexpr int kNoIndexDepth = -101;
constexpr int kWholeLinePlies = 600;

// The keys that a reorganisation renumbers, with their status lines.
struct RenumberedKey {
  int32_t kind;
  const char* status;
};
constexpr RenumberedKey kRenumberedKeys[] = {
    {kOpeningsKind, "Rebuild openings key"},
    {0x200000, "Rebuild theme key"},
    {0x400000, "Rebuild strategy key"},
    {0x800000, "Rebuild tactics key"},
    {0x1000000, "Rebuild endgame key"},
};

// True when base.ext exists, with the extension in any case.
bool SetFileExists(const std::string& base, const std::string& extension) {
  namespace fs = std::filesystem;
  const fs::path path = PathWithExtension(base, extension);
  std::error_code ec;
  if (fs::exists(path, ec)) return true;
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  const std::string wanted = path.filename().string();
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() != wanted.size()) continue;
    bool same = true;
    for (size_t i = 0; i < name.size() && same; ++i)
      same = std::tolower(static_cast<unsigned char>(name[i])) ==
             std::tolower(static_cast<unsigned char>(wanted[i]));
    if (same) return true;
  }
  return false;
}

template <class T, class... Args>
std::unique_ptr<T> MakeNoThrow(Args&&... args) {
  return std::unique_ptr<T>(new (std::nothrow) T(std::forward<Args>(args)...));
}

}  // namespace

int TQFileDatabase::RunFileChange(const std::function<int()>& change) {
  return change();
}

std::unique_ptr<KeyFile>* TQFileDatabase::KeySlot(int32_t kind) {
  switch (kind) {
    case kOpeningsKind: return &openingsKey_;
    case 16: return &key16_;
    case 32: return &key32_;
    case 64: return &key64_;
    case 128: return &key128_;
    case 0x200000: return &themeKey_;
    case 0x400000: return &strategyKey_;
    case 0x800000: return &tacticsKey_;
    case 0x1000000: return &endgameKey_;
    default: return nullptr;
  }
}

std::unique_ptr<ThemeMasks>* TQFileDatabase::MaskSlot(int32_t kind) {
  switch (kind) {
    case 0x200000: return &themeMasks_;
    case 0x400000: return &strategyMasks_;
    case 0x800000: return &tacticsMasks_;
    case 0x1000000: return &endgameMasks_;
    default: return nullptr;
  }
}

KeyFile* TQFileDatabase::Key(int32_t kind) {
  std::unique_ptr<KeyFile>* slot = KeySlot(kind);
  return slot ? slot->get() : nullptr;
}

int TQFileDatabase::CloseKey(int32_t kind) {
  if (kind == kOpeningsKind) {
    openingsKey_.reset();
    openingsIndex_.reset();
  }
  return 0;
}

int TQFileDatabase::OpenKey(int32_t kind) {
  std::unique_ptr<KeyFile>* slot = KeySlot(kind);
  if (!slot) return kDbNotSupported;
  CloseKey(kind);
  slot->reset();
  if (std::unique_ptr<ThemeMasks>* masks = MaskSlot(kind)) masks->reset();

  auto key = MakeNoThrow<KeyFile>(basePath_, false, KeyFile::kWriteBack, kind);
  if (!key) return kDbNoMemory;
  if (key->Status() != 0) return key->Status();
  if (kind == kOpeningsKind) {
    auto index = MakeNoThrow<PositionTree>(basePath_, false, KeyFile::kWriteBack, kind);
    if (!index) return kDbNoMemory;
    if (index->Status() != 0) return index->Status();
    openingsIndex_ = std::move(index);
  }
  *slot = std::move(key);
  return 0;
}

bool TQFileDatabase::EnsureKeyOpen(int32_t kind) {
  if (kind_ != kHeaderSet && kind_ != kOldFormat) return false;
  if (!MaskSlot(kind) && kind != kOpeningsKind) return false;
  if (Key(kind) && (kind != kOpeningsKind || openingsIndex_)) return true;
  const std::string keyExtension = KeyFileExtension(kind);
  if (!SetFileExists(basePath_, keyExtension) ||
      !SetFileExists(basePath_, CompanionExtension(keyExtension)))
    return false;
  return OpenKey(kind) == 0;
}

int TQFileDatabase::GetUsableKeys(int kinds) {
  if (!SupportsKeys() || !(kinds & kOpeningsKind) || !SetFileExists(basePath_, "cko")) return 0;
  if (!openingsKey_ || !openingsIndex_) OpenKey(kOpeningsKind);
  return openingsKey_ && openingsIndex_ && openingsKey_->GetHeaderValue() > 1 ? kOpeningsKind : 0;
}

int TQFileDatabase::RenumberKeys(const std::vector<int32_t>& kept) {
  const int count = GetCount();
  std::vector<int32_t> map(static_cast<size_t>(count < 0 ? 0 : count) + 1, -1);
  for (size_t i = 0; i < kept.size(); ++i) {
    const int32_t old = kept[i] + 1;
    if (old >= 1 && static_cast<size_t>(old) < map.size()) map[static_cast<size_t>(old)] = static_cast<int32_t>(i + 1);
  }
  for (const RenumberedKey& k : kRenumberedKeys) {
    if (!SetFileExists(basePath_, KeyFileExtension(k.kind))) continue;
    ShowStatusMessage(k.status);
    if (OpenKey(k.kind) != 0) continue;
    KeyFile& key = *Key(k.kind);
    // A damaged key refuses the map and stays as it was.
    RunFileChange([&] {
      if (const int rc = key.RenumberGames(map)) return rc;
      return key.Flush();
    });
  }
  return 0;
}

int TQFileDatabase::FlushKeys() {
  int result = 0;
  const auto note = [&](int rc) {
    if (rc != 0 && result == 0) result = rc;
  };
  for (const auto* slot : {&openingsKey_, &key32_, &themeKey_, &strategyKey_, &tacticsKey_,
                           &endgameKey_, &key64_, &key16_, &key128_})
    if (*slot) note((*slot)->Flush());
  if (openingsIndex_) note(openingsIndex_->Flush());
  if (searchBooster_) note(searchBooster_->File().WriteBack());
  if (openingsBooster_) note(openingsBooster_->File().WriteBack());
  return result;
}

int TQFileDatabase::OpenSearchBooster(bool create) {
  if (searchBooster_) return 0;
  const std::string extension = kind_ == kOldFormat ? "cgi" : "tqb";
  const bool existed = SetFileExists(basePath_, extension);
  auto booster = MakeNoThrow<SearchBooster>(basePath_, extension, create, SearchBooster::kScanKind);
  if (!booster) return kDbBoosterError;
  if (booster->Status() == 0 && (existed || create)) {
    searchBooster_ = std::move(booster);
    return 0;
  }
  return kDbBoosterError;
}

int TQFileDatabase::OpenOpeningsBooster(bool create) {
  if (openingsBooster_) return 0;
  if (kind_ != kHeaderSet) return kDbBoosterError;
  const bool existed = SetFileExists(basePath_, "tqo");
  auto booster = MakeNoThrow<OpeningsBooster>(basePath_, "tqo", create);
  if (!booster) return kDbBoosterError;
  // A file with an unknown header stays open but unusable: it answers every game.
  const int state = booster->File().State();
  if (state != PagedFile::kMissing && state != PagedFile::kCannotOpen && (existed || create)) {
    openingsBooster_ = std::move(booster);
    return 0;
  }
  return kDbBoosterError;
}

int TQFileDatabase::KeyIndexPlies() {
  if (!openingsIndex_) return kNoIndexDepth;
  const int32_t depth = openingsIndex_->GetIndexDepth();
  if (depth < 0) return kNoIndexDepth;
  return depth == 0 ? kWholeLinePlies : depth;
}

int TQFileDatabase::ClassifyGame(TQGame& game, int n) {
  GameCursor cursor(&game);
  return ClassifyGame(cursor, cursor.LineEnd(), n);
}

int TQFileDatabase::ClassifyGame(GameCursor& cursor, int ply, int n) {
  if (!openingsKey_ || !openingsIndex_) return kNoOpeningsKey;
  if (n < 1) return kKeyEntryError;
  int result = 0;
  const int rc = RunFileChange([&] {
    result = zh::ClassifyGame(*openingsKey_, *openingsIndex_, cursor, ply, static_cast<uint32_t>(n));
    // Filed, or not in the key: the change stands. Errors roll back.
    if (result < 0) return result;
    return openingsKey_->Flush();
  });
  if (rc != 0 && result >= 0) result = rc;
  return static_cast<int16_t>(result);
}

int TQFileDatabase::FindKeyEntry(GameCursor& cursor) {
  if (!openingsKey_ || !openingsIndex_) return kNoOpeningsKey;
  if (KeyIndexPlies() < 0) return kNoIndexDepth;
  return zh::FindKeyEntry(*openingsIndex_, cursor);
}

}  // namespace zh

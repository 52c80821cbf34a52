// Reorganising an old-format database: the kept games are written into a new file set
// beside the database, the keys renumbered on copies, and one file-set replacement
// puts the new files in place, so that a process killed at any moment leaves the old
// database or the new one.
#include <filesystem>

#include "core/services.h"
#include "database/storage/file_set_replacement.h"
#include "database/headerset/header_set_maintenance.h"
#include "database/keys/key_file.h"
#include "database/storage/paged_file.h"
#include "database/keys/position_tree.h"
#include "database/keys/search_booster.h"
#include "database/keys/theme_masks.h"
#include "database/oldformat/tqf_database.h"

namespace zh {

namespace fs = std::filesystem;

namespace {

constexpr int32_t kKeyKinds[] = {4, 16, 32, 64, 128, 0x200000, 0x400000, 0x800000, 0x1000000};

}  // namespace

int TqfDatabase::WriteKeptGames(const std::vector<int32_t>& kept, const std::string& newBase) {
  FileTqf out(newBase, true, true);
  if (out.GetError() != PagedFile::kCreated && out.GetError() != 0) return kDbWriteError;
  out.SetDeferredWrite(true);
  std::vector<uint8_t> bytes;
  int done = 0;
  for (const int32_t index : kept) {
    const int64_t k = int64_t{index} + 1;
    if (file_->ReadRecord(k, bytes) != 0) {
      // Only the header is unreadable: the stored bytes stay as they are.
      if (file_->ReadSpan(k, bytes) != 0) return kDbReadError;
      LogLine(GetFilePath() + ": the header of game " + std::to_string(k) +
              " cannot be read; its stored bytes are copied as they are");
    }
    if (out.AppendRecord(bytes) != 0) return kDbWriteError;
    if (++done % 10000 == 0) StepFeedback(done);
  }
  out.SetDeferredWrite(false);
  return out.Flush() == 0 ? kDbDone : kDbWriteError;
}

void TqfDatabase::CloseFiles() {
  file_.reset();
  for (const int32_t kind : kKeyKinds) {
    if (auto* slot = KeySlot(kind)) slot->reset();
    if (auto* masks = MaskSlot(kind)) masks->reset();
  }
  openingsIndex_.reset();
  searchBooster_.reset();
}

int TqfDatabase::Reorganise(const std::vector<int32_t>& kept, bool, bool) {
  if (errorState_ != 0) return errorState_;
  if (!file_) return kDbNoSuchFile;
  const int count = GetCount();
  for (const int32_t index : kept)
    if (index < 0 || index >= count) return kDbReadError;
  SetFeedbackTitle("Reorganize " + basePath_);
  AddFeedbackLine("Generate New Database", 2 * static_cast<int64_t>(kept.size()));

  FileSetReplacement replacement(basePath_);
  const std::string newBase = replacement.Folder() + "/" + FileSetReplacement::kTemporaryStem;
  // Claimed first, so that every exit before the commit deletes what was written.
  replacement.Replace(newBase + ".cxi", replacement.PathOf("tqi"));
  replacement.Replace(newBase + ".cxf", replacement.PathOf("tqf"));
  int rc = WriteKeptGames(kept, newBase);
  if (rc == kDbDone) {
    std::vector<int32_t> map(static_cast<size_t>(count) + 1, -1);
    for (size_t i = 0; i < kept.size(); ++i)
      map[static_cast<size_t>(kept[i]) + 1] = static_cast<int32_t>(i + 1);
    HeaderSetFiles keys;
    keys.base = basePath_;
    keys.filePath = [this](const char* ext) { return basePath_ + "." + ext; };
    rc = RenumberKeyCopies(keys, replacement, map);
  }
  if (rc == kDbDone) {
    // The booster's records follow the old numbers: it is dropped and made again.
    if (const std::string booster = replacement.PathOf("cgi"); fs::exists(booster))
      replacement.Remove(booster);
    file_->Flush();
    rc = replacement.Commit([this] { CloseFiles(); });
  }
  if (rc != kDbDone)
    LogLine(GetFilePath() + ": reorganising stopped with code " + std::to_string(rc));
  if (!file_) Open(false);
  return rc;
}

}  // namespace zh

// Reorganising an old-format database: the kept games are written into a new file set
// beside the database, which then takes the place of the old files.
#include <filesystem>

#include "core/services.h"
#include "database/paged_file.h"
#include "database/tqf_database.h"

namespace zh {

namespace fs = std::filesystem;

namespace {

constexpr char kNewSetName[] = "__TMP$DB";

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

void TqfDatabase::Reorganise(const std::vector<int32_t>& kept, bool, bool) {
  if (!file_ || errorState_ != 0) return;
  SetFeedbackTitle("Reorganize " + basePath_);
  AddFeedbackLine("Generate New Database", 2 * static_cast<int64_t>(kept.size()));
  const std::string newBase = (fs::path(basePath_).parent_path() / kNewSetName).string();
  const std::string newData = newBase + ".cxf", newIndex = newBase + ".cxi";
  std::error_code ec;
  fs::remove(newData, ec);
  fs::remove(newIndex, ec);
  if (const int rc = WriteKeptGames(kept, newBase)) {
    LogLine(GetFilePath() + ": reorganising stopped (" + std::to_string(rc) +
            "); the database is unchanged");
    fs::remove(newData, ec);
    fs::remove(newIndex, ec);
    return;
  }
  RenumberKeys(kept);
  file_->Flush();
  file_.reset();
  // FILE SET REPLACEMENT GOES HERE
  fs::rename(newIndex, basePath_ + ".tqi", ec);
  fs::rename(newData, basePath_ + ".tqf", ec);
  file_.reset(new (std::nothrow) FileTqf(basePath_, false, workingCopy_));
  errorState_ = file_ ? file_->GetError() : kDbNoMemory;
}

}  // namespace zh

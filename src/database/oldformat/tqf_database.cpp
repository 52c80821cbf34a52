#include "database/oldformat/tqf_database.h"

#include <new>

#include "core/services.h"
#include "database/storage/file_set_replacement.h"
#include "database/storage/paged_file.h"

namespace zh {

TqfDatabase::TqfDatabase(std::string basePath, bool create, bool workingCopy)
    : GameFileDatabase(std::move(basePath), kOldFormat), workingCopy_(workingCopy) {
  Open(create);
}

namespace {

// 1 for a number outside the games (nothing changes), else the flag change's result.
template <class Change>
int ChangeFlags(FileTqf* file, int n, Change change) {
  if (!file || n < 1 || n > file->GameCount()) return kDbNoSuchFile;
  bool marked = false, deleted = false;
  if (const int rc = file->GetFlags(n, marked, deleted)) return rc;
  change(marked, deleted);
  return file->SetFlags(n, marked, deleted);
}

}  // namespace

int TqfDatabase::SetDeleted(int n, bool on) {
  return ChangeFlags(file_.get(), n, [on](bool&, bool& deleted) { deleted = on; });
}

int TqfDatabase::ToggleMark(int n) {
  return ChangeFlags(file_.get(), n, [](bool& marked, bool&) { marked = !marked; });
}

int TqfDatabase::ToggleDeleted(int n) {
  return ChangeFlags(file_.get(), n, [](bool&, bool& deleted) { deleted = !deleted; });
}

int TqfDatabase::CollectDeleted(std::vector<int32_t>& kept, PathList&) {
  kept.clear();
  if (!file_ || (file_->GetError() != 0 && file_->GetError() != PagedFile::kCreated))
    return kDbDone;
  const int count = GetCount();
  SetFeedbackTitle("Delete All " + basePath_);
  AddFeedbackLine("Generate Sortorder", count);
  for (int n = 1; n <= count; ++n) {
    bool marked = false, deleted = false;
    if (file_->GetFlags(n, marked, deleted) != 0) {
      LogLine(GetFilePath() + ": the header of game " + std::to_string(n) +
              " cannot be read; the game is kept as it is stored");
      kept.push_back(n - 1);
    } else if (!deleted) {
      kept.push_back(n - 1);
    }
    if (n % 10000 == 0) StepFeedback(n);
  }
  return kDbDone;
}

void TqfDatabase::Open(bool create) {
  // A replacement that a killed process left half done is finished first.
  if (const int rc = FileSetReplacement::CompletePending(basePath_)) {
    errorState_ = rc;
    return;
  }
  file_.reset(new (std::nothrow) FileTqf(basePath_, create, workingCopy_));
  const int state = file_ ? file_->GetError() : kDbNoMemory;
  errorState_ = state == PagedFile::kCreated ? 0 : state;
}

void TqfDatabase::FlushAll() {
  if (errorState_ == 0 && file_) file_->Flush();
}

void TqfDatabase::SetDeferredWrite(bool on) {
  if (file_) file_->SetDeferredWrite(on);
}

int TqfDatabase::CopyFromTqf(Database& source, int first, int& last, CopyOptions&) {
  TqfDatabase* from = source.AsTqfDatabase();
  if (!file_ || !from || !from->file_ || first > last) return kDbNoSuchFile;
  return file_->AppendRange(*from->file_, first, last) == 0 ? kDbDone : kDbNoSuchFile;
}

}  // namespace zh

#include "database/pgn/pgn_database.h"

#include <unistd.h>

#include <new>

#include "database/storage/paged_file.h"

namespace zh {

PgnDatabase::PgnDatabase(std::string basePath, bool create, bool writable, bool workingCopy)
    : GameFileDatabase(std::move(basePath), kPgn),
      fullPath_(basePath_ + (workingCopy ? ".pxn" : ".pgn")) {
  // A file the user may not write (or one in a read-only folder that cannot be made)
  // still opens for reading.
  const bool exists = access(fullPath_.c_str(), F_OK) == 0;
  const bool canWrite = writable && (exists ? access(fullPath_.c_str(), W_OK) == 0 : create);
  file_.reset(new (std::nothrow) FilePgn(fullPath_, canWrite, create && !exists));
  if (!file_) {
    errorState_ = kDbNoMemory;
    return;
  }
  const int state = file_->GetError();
  errorState_ = state == PagedFile::kCreated ? 0 : state;
}

int PgnDatabase::CopyGameRange(Database& source, int first, int& last, CopyOptions& options) {
  if (file_) file_->BeginAppends();
  const int result = GameFileDatabase::CopyGameRange(source, first, last, options);
  if (file_) file_->EndAppends();
  return result;
}

}  // namespace zh

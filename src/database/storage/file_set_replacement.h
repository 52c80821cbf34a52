// Replaces files of a database set by new ones, so that a process killed at any moment
// leaves either the old set or the new one.
//
// The new files are written first under temporary names in the set's folder (stem
// "__TMP$DB"; the rebuilt libraries may also use base + ".cx?"). Commit then writes a
// commit record listing the renames and the files to delete, under a temporary name,
// and renames it to base + ".tqr": from that moment the new set is the database. The
// old set is released (a callback, normally the database manager), the renames are
// made, the leftovers and finally the record are deleted. CompletePending, which
// opening and every maintenance call run first, finishes a record it finds and removes
// temporary files that no record claims. Every step can be repeated, so a kill during
// the completion is completed again. Only kill safety is sought: nothing is synced.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace zh {

class FileSetReplacement {
 public:
  enum Result : int {
    kDone = 0,
    kDefect = 6,       // a record that is not ours, or names outside the folder
    kWriteError = 11,  // the record could not be written, or a rename failed
  };
  static constexpr const char* kRecordExtension = "tqr";
  static constexpr const char* kTemporaryStem = "__TMP$DB";
  // Prefix of every temporary file in a database folder; CompletePending removes them.
  static constexpr const char* kTemporaryPrefix = "__TMP$";

  // `base` is the database's path without extension.
  explicit FileSetReplacement(std::string base);
  // Without a successful commit, the temporary files named so far are deleted.
  ~FileSetReplacement();
  FileSetReplacement(const FileSetReplacement&) = delete;
  FileSetReplacement& operator=(const FileSetReplacement&) = delete;

  const std::string& Base() const { return base_; }
  const std::string& Folder() const { return folder_; }
  std::string PathOf(const std::string& ext) const { return base_ + "." + ext; }
  // folder/__TMP$DB.ext, where a new file of the set is written.
  std::string TemporaryPath(const std::string& ext) const;
  // A name with the temporary prefix and `tag` that no file of the folder has yet.
  static std::string UniqueTemporaryPath(const std::string& folder, const std::string& tag);

  // After the commit the file `temporary` (in the folder) becomes `target` (in the
  // folder or below it). Renames are made in the order given.
  void Replace(const std::string& temporary, const std::string& target);
  void ReplaceExtension(const std::string& temporary, const std::string& ext) {
    Replace(temporary, PathOf(ext));
  }
  // After the renames `path` (in the folder or below it) is deleted when present.
  void Remove(const std::string& path);
  // A temporary file that the commit neither renames nor keeps: deleted with the
  // others when the replacement is abandoned or completed.
  void AddScratch(const std::string& temporary);

  // Writes and installs the record, calls `release` (which must close every file of
  // the old set), then completes the record. 0; 11 when the record cannot be written
  // (nothing changed, the temporary files are deleted) or a later step fails (the
  // record stays and the next CompletePending finishes it); 6 for bad names.
  int Commit(const std::function<void()>& release = {});
  // Deletes the temporary files without committing.
  void Abandon();

  // Finishes the record base + ".tqr" when one is there, then deletes the temporary
  // files of the folder (prefix "__TMP$") and base + ".cx?". 0, or the code of a record
  // that cannot be finished (the database is then not to be opened).
  static int CompletePending(const std::string& base);

 private:
  std::string base_;
  std::string folder_;
  std::vector<std::pair<std::string, std::string>> renames_;  // relative to the folder
  std::vector<std::string> removals_;
  std::vector<std::string> scratch_;
  bool committed_ = false;
};

}  // namespace zh

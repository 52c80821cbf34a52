// A rollback journal over the files of one database set: the files base + "." + ext.
//
// Between Begin and Commit every change that a covered file is about to undergo is
// announced first (BeforeWrite, BeforeResize, BeforeRemove). The journal then records,
// once per file, whether it existed and its length at the start, and, once per byte,
// the old contents of every range that existed at the start before it is overwritten
// or cut off. Each record reaches the journal file before the change it guards, so a
// process killed at any point leaves either no journal (the last commit stands) or a
// journal from which Recover restores the files exactly as they were at the last
// commit. Only kill safety is sought: nothing is synced to the disk.
//
// The journal file base.tqj stores extensions, not paths, so a set moved together
// with its journal still recovers.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace zh {

class FileSetJournal {
 public:
  enum Result : int {
    kDone = 0,
    kBusy = 4,         // a transaction is already open, or none is
    kDefect = 6,       // the journal file is not one of ours or is damaged inside
    kWriteError = 11,  // the journal or a file could not be written
    kReadError = 12,   // old contents could not be read
  };
  static constexpr const char* kExtension = "tqj";

  // `scratchExtensions` name files that no transaction covers and Recover removes.
  explicit FileSetJournal(std::string base, std::vector<std::string> scratchExtensions = {});
  // An open transaction is rolled back.
  ~FileSetJournal();
  FileSetJournal(const FileSetJournal&) = delete;
  FileSetJournal& operator=(const FileSetJournal&) = delete;

  // At the opening of a set: removes leftover scratch files and rolls back what a
  // journal left by a dead process records, then removes the journal. 0; 6 for a
  // journal that cannot be trusted and 11 when a file cannot be restored (the set is
  // then not to be opened; the journal stays).
  static int Recover(const std::string& base, const std::vector<std::string>& scratchExtensions);

  int Begin();
  // Calls the write-backs in the given order (their changes are still journaled), then
  // removes the journal. A failing write-back rolls everything back and gives its code.
  int Commit(const std::vector<std::function<int()>>& writeBacks = {});
  // Restores every covered file as it was at Begin. Buffers that hold file contents
  // are stale afterwards; their owner must drop them.
  int Rollback();
  // Begin, the operation, then Commit with the write-backs; a non-zero code of the
  // operation rolls back and is returned.
  int Run(const std::function<int()>& operation,
          const std::vector<std::function<int()>>& writeBacks = {});
  bool Active() const { return active_; }

  // True for base + "." + an extension that is neither the journal's nor a scratch one.
  bool Covers(const std::string& path) const;
  // Announcements. Outside a transaction or for uncovered paths they do nothing. `fd`
  // may be an open descriptor of the file (read from when given) or -1. False when the
  // old contents could not be saved: the change must then not be made.
  bool BeforeWrite(const std::string& path, int fd, uint64_t offset, uint64_t length);
  // The file is about to be cut or extended to `size` (created or emptied: 0).
  bool BeforeResize(const std::string& path, int fd, uint64_t size);
  // The file is about to be deleted or replaced by a rename.
  bool BeforeRemove(const std::string& path);

  const std::string& Base() const { return base_; }
  const std::string& JournalPath() const { return journalPath_; }

 private:
  // Saved ranges of one file: start -> end, disjoint and merged.
  using Ranges = std::map<uint64_t, uint64_t>;
  struct Tracked {
    uint32_t id = 0;
    bool existed = false;
    uint64_t length = 0;
    Ranges saved;
  };

  Tracked* Track(const std::string& path, int fd);
  bool Save(const std::string& path, Tracked& file, int fd, uint64_t from, uint64_t to);
  bool AppendRecord(const std::vector<uint8_t>& record);
  bool EnsureJournalFile();
  void Finish();

  std::string base_;
  std::vector<std::string> scratch_;
  std::string journalPath_;
  std::map<std::string, Tracked> files_;
  int journalFd_ = -1;
  uint64_t journalEnd_ = 0;
  bool active_ = false;
  bool failed_ = false;  // a journal write failed: nothing more may change
};

// Every change announced through the process-wide dispatch below goes to the open
// journal whose set covers the path; paths of no open journal pass. Paged files
// announce their writes, tail moves, copies and resizes here once a journal has begun
// or the kill hook is armed.
namespace file_journals {
bool BeforeWrite(const std::string& path, int fd, uint64_t offset, uint64_t length);
bool BeforeResize(const std::string& path, int fd, uint64_t size);
bool BeforeRemove(const std::string& path);
}  // namespace file_journals

// Test hook for kill tests: every call that changes a file (journal writes, announced
// writes, resizes, renames and removals) is counted; when the count reaches the armed
// number the process kills itself with SIGKILL before making that change. 0 disarms.
void ArmKillAtFileChange(int64_t n);
int64_t FileChangeCount();
// Counts one change; code that renames or deletes files calls it before doing so.
void NoteFileChange();
// Test hook for failure tests: from the armed count of changes on, announced writes
// and resizes are refused as on a full disk, and FileChangeRefused answers true. 0
// disarms.
void ArmFailAtFileChange(int64_t n);
bool FileChangeRefused();

}  // namespace zh

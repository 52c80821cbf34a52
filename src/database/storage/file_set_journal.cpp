#include "database/storage/file_set_journal.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iterator>

#include "core/toolbox/paged_file.h"

namespace zh {

namespace {

// Journal file: the magic, then records [u32 n][n bytes: type, payload][u32 checksum
// of the n bytes], all little-endian. A file record (id, existed, length, extension)
// comes before the range records (id, offset, old bytes) of its file; ids count up
// from 0 in the order of the file records.
constexpr char kMagic[8] = {'Z', 'H', 'J', 'R', 'N', 'L', '1', '\n'};
constexpr uint8_t kFileRecord = 1;
constexpr uint8_t kRangeRecord = 2;
constexpr uint64_t kChunk = 1 << 20;

int64_t gChangeCount = 0;
int64_t gKillAt = 0;
int64_t gFailAt = 0;

std::vector<FileSetJournal*>& OpenJournals() {
  static std::vector<FileSetJournal*> journals;
  return journals;
}

uint32_t Checksum(const uint8_t* p, size_t n) {
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 16777619u;
  return h;
}

void Put(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint64_t Get(const uint8_t* p, int bytes) {
  uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

// Frames a payload (type first) as a record.
std::vector<uint8_t> Record(const std::vector<uint8_t>& payload) {
  std::vector<uint8_t> r;
  r.reserve(payload.size() + 8);
  Put(r, payload.size(), 4);
  r.insert(r.end(), payload.begin(), payload.end());
  Put(r, Checksum(payload.data(), payload.size()), 4);
  return r;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// The extension of base + "." + ext, or empty for a path outside the set.
std::string ExtensionInSet(const std::string& base, const std::string& path) {
  if (path.size() <= base.size() + 1 || path.compare(0, base.size(), base) != 0 ||
      path[base.size()] != '.')
    return {};
  std::string ext = path.substr(base.size() + 1);
  return ext.find('/') == std::string::npos ? ext : std::string();
}

// The files base + "." + ext in base's folder, the extension compared case-blind.
std::vector<std::string> FindCaseBlind(const std::string& base, const std::string& ext) {
  namespace fs = std::filesystem;
  const fs::path b(base);
  const fs::path folder = b.has_parent_path() ? b.parent_path() : fs::path(".");
  const std::string wanted = Lower(b.filename().string() + "." + ext);
  std::vector<std::string> found;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (Lower(it->path().filename().string()) == wanted)
      found.push_back((b.has_parent_path() ? (folder / it->path().filename()).string()
                                           : it->path().filename().string()));
  return found;
}

// pread or pwrite until the whole range is done; false on an error or a short file.
template <class Transfer, class Pointer>
bool Fully(Transfer transfer, int fd, Pointer p, uint64_t offset, uint64_t length) {
  while (length > 0) {
    const ssize_t n = transfer(fd, p, length, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    offset += static_cast<uint64_t>(n);
    length -= static_cast<uint64_t>(n);
  }
  return true;
}

bool ReadFully(int fd, uint8_t* p, uint64_t offset, uint64_t length) {
  return Fully(pread, fd, p, offset, length);
}

bool WriteFully(int fd, const uint8_t* p, uint64_t offset, uint64_t length) {
  return Fully(pwrite, fd, p, offset, length);
}

struct JournaledFile {
  std::string ext;
  bool existed = false;
  uint64_t length = 0;
  // (file offset, position of the old bytes in the journal, length)
  struct Range {
    uint64_t offset, at, length;
  };
  std::vector<Range> ranges;
};

// Reads the records; a damaged last record is one whose write was cut short (the
// change it guards was never made) and ends the list. 0 or 6.
int ParseRecords(const std::vector<uint8_t>& j, std::vector<JournaledFile>& files) {
  uint64_t pos = sizeof kMagic;
  while (pos < j.size()) {
    const uint64_t left = j.size() - pos;
    if (left < 4) break;
    const uint64_t n = Get(&j[pos], 4);
    if (left < n + 8) break;
    const uint8_t* p = &j[pos + 4];
    const bool last = left == n + 8;
    if (n < 1 || Checksum(p, n) != Get(p + n, 4)) {
      if (last) break;
      return FileSetJournal::kDefect;
    }
    if (p[0] == kFileRecord && n >= 16) {
      const uint64_t extLength = Get(p + 14, 2);
      if (Get(p + 1, 4) != files.size() || n != 16 + extLength) return FileSetJournal::kDefect;
      JournaledFile f;
      f.existed = p[5] != 0;
      f.length = Get(p + 6, 8);
      f.ext.assign(reinterpret_cast<const char*>(p + 16), extLength);
      if (f.ext.empty() || f.ext.find('/') != std::string::npos) return FileSetJournal::kDefect;
      files.push_back(std::move(f));
    } else if (p[0] == kRangeRecord && n >= 13) {
      const uint64_t id = Get(p + 1, 4), offset = Get(p + 5, 8), length = n - 13;
      if (id >= files.size() || !files[id].existed || offset > files[id].length ||
          length > files[id].length - offset)
        return FileSetJournal::kDefect;
      files[id].ranges.push_back({offset, pos + 4 + 13, length});
    } else {
      return FileSetJournal::kDefect;
    }
    pos += n + 8;
  }
  return FileSetJournal::kDone;
}

int ApplyRecords(const std::string& base, const std::vector<uint8_t>& j,
                 const std::vector<JournaledFile>& files) {
  for (const JournaledFile& f : files) {
    const std::string path = base + "." + f.ext;
    if (!f.existed) {
      if (unlink(path.c_str()) != 0 && errno != ENOENT) return FileSetJournal::kWriteError;
      continue;
    }
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return FileSetJournal::kWriteError;
    bool ok = true;
    for (const auto& r : f.ranges) ok = ok && WriteFully(fd, &j[r.at], r.offset, r.length);
    ok = ok && ftruncate(fd, static_cast<off_t>(f.length)) == 0;
    close(fd);
    if (!ok) return FileSetJournal::kWriteError;
  }
  return FileSetJournal::kDone;
}

// Rolls the set back by the journal file at `journal` and removes it.
int RestoreFrom(const std::string& base, const std::string& journal) {
  const int fd = open(journal.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? FileSetJournal::kDone : FileSetJournal::kReadError;
  struct stat st;
  std::vector<uint8_t> j;
  bool read = fstat(fd, &st) == 0;
  if (read) {
    j.resize(static_cast<size_t>(st.st_size));
    read = ReadFully(fd, j.data(), 0, j.size());
  }
  close(fd);
  if (!read) return FileSetJournal::kReadError;
  const size_t head = std::min(j.size(), sizeof kMagic);
  if (head > 0 && std::memcmp(j.data(), kMagic, head) != 0) return FileSetJournal::kDefect;
  std::vector<JournaledFile> files;
  if (j.size() >= sizeof kMagic) {
    if (const int code = ParseRecords(j, files)) return code;
    if (const int code = ApplyRecords(base, j, files)) return code;
  }
  // A journal cut short inside its magic guarded nothing yet.
  return unlink(journal.c_str()) == 0 || errno == ENOENT ? FileSetJournal::kDone
                                                         : FileSetJournal::kWriteError;
}

// Ranges of [from, to) not yet in `saved`.
std::vector<std::pair<uint64_t, uint64_t>> Gaps(const std::map<uint64_t, uint64_t>& saved,
                                                uint64_t from, uint64_t to) {
  std::vector<std::pair<uint64_t, uint64_t>> gaps;
  uint64_t pos = from;
  auto it = saved.upper_bound(from);
  if (it != saved.begin()) pos = std::max(pos, std::prev(it)->second);
  for (; it != saved.end() && it->first < to && pos < to; ++it) {
    if (it->first > pos) gaps.emplace_back(pos, it->first);
    pos = std::max(pos, it->second);
  }
  if (pos < to) gaps.emplace_back(pos, to);
  return gaps;
}

void AddRange(std::map<uint64_t, uint64_t>& saved, uint64_t from, uint64_t to) {
  auto it = saved.lower_bound(from);
  if (it != saved.begin() && std::prev(it)->second >= from) {
    --it;
    from = it->first;
  }
  while (it != saved.end() && it->first <= to) {
    to = std::max(to, it->second);
    it = saved.erase(it);
  }
  saved[from] = to;
}

// Every paged file of the process announces its changes through the dispatch.
class JournalWatcher final : public PagedFileWatcher {
 public:
  bool BeforeWrite(const std::string& path, int fd, uint64_t offset, uint64_t length) override {
    return file_journals::BeforeWrite(path, fd, offset, length);
  }
  bool BeforeResize(const std::string& path, int fd, uint64_t size) override {
    return file_journals::BeforeResize(path, fd, size);
  }
};

void WatchPagedFiles() {
  static JournalWatcher watcher;
  PagedFile::SetWatcher(&watcher);
}

}  // namespace

FileSetJournal::FileSetJournal(std::string base, std::vector<std::string> scratchExtensions)
    : base_(std::move(base)),
      scratch_(std::move(scratchExtensions)),
      journalPath_(base_ + "." + kExtension) {
  for (std::string& s : scratch_) s = Lower(s);
}

FileSetJournal::~FileSetJournal() {
  if (active_) Rollback();
}

int FileSetJournal::Recover(const std::string& base,
                            const std::vector<std::string>& scratchExtensions) {
  for (const std::string& ext : scratchExtensions)
    for (const std::string& path : FindCaseBlind(base, ext)) unlink(path.c_str());
  for (const std::string& journal : FindCaseBlind(base, kExtension))
    if (const int code = RestoreFrom(base, journal)) return code;
  return kDone;
}

int FileSetJournal::Begin() {
  if (active_) return kBusy;
  WatchPagedFiles();
  active_ = true;
  failed_ = false;
  files_.clear();
  OpenJournals().push_back(this);
  return kDone;
}

int FileSetJournal::Commit(const std::vector<std::function<int()>>& writeBacks) {
  if (!active_) return kBusy;
  for (const auto& writeBack : writeBacks) {
    if (const int code = writeBack()) {
      Rollback();
      return code;
    }
  }
  if (failed_) {
    Rollback();
    return kWriteError;
  }
  if (journalFd_ >= 0) {
    close(journalFd_);
    journalFd_ = -1;
    NoteFileChange();
    if (unlink(journalPath_.c_str()) != 0 && errno != ENOENT) {
      Rollback();
      return kWriteError;
    }
  }
  Finish();
  return kDone;
}

int FileSetJournal::Rollback() {
  if (!active_) return kBusy;
  if (journalFd_ >= 0) close(journalFd_);
  journalFd_ = -1;
  // Also after Commit closed the journal but could not remove it.
  const int code = journalEnd_ > 0 ? RestoreFrom(base_, journalPath_) : kDone;
  Finish();
  return code;
}

int FileSetJournal::Run(const std::function<int()>& operation,
                        const std::vector<std::function<int()>>& writeBacks) {
  if (const int code = Begin()) return code;
  if (const int code = operation()) {
    Rollback();
    return code;
  }
  return Commit(writeBacks);
}

void FileSetJournal::Finish() {
  active_ = false;
  files_.clear();
  journalEnd_ = 0;
  auto& open = OpenJournals();
  open.erase(std::remove(open.begin(), open.end(), this), open.end());
}

bool FileSetJournal::Covers(const std::string& path) const {
  const std::string ext = Lower(ExtensionInSet(base_, path));
  return !ext.empty() && ext != kExtension &&
         std::find(scratch_.begin(), scratch_.end(), ext) == scratch_.end();
}

bool FileSetJournal::BeforeWrite(const std::string& path, int fd, uint64_t offset,
                                 uint64_t length) {
  if (!active_ || !Covers(path)) return true;
  Tracked* file = Track(path, fd);
  return file && Save(path, *file, fd, offset, offset + length);
}

bool FileSetJournal::BeforeResize(const std::string& path, int fd, uint64_t size) {
  if (!active_ || !Covers(path)) return true;
  Tracked* file = Track(path, fd);
  return file && Save(path, *file, fd, size, UINT64_MAX);
}

bool FileSetJournal::BeforeRemove(const std::string& path) {
  if (!active_ || !Covers(path)) return true;
  Tracked* file = Track(path, -1);
  return file && Save(path, *file, -1, 0, UINT64_MAX);
}

FileSetJournal::Tracked* FileSetJournal::Track(const std::string& path, int fd) {
  if (failed_) return nullptr;
  auto it = files_.find(path);
  if (it != files_.end()) return &it->second;
  struct stat st;
  Tracked t;
  t.id = static_cast<uint32_t>(files_.size());
  t.existed = (fd >= 0 ? fstat(fd, &st) : stat(path.c_str(), &st)) == 0;
  t.length = t.existed ? static_cast<uint64_t>(st.st_size) : 0;
  const std::string ext = ExtensionInSet(base_, path);
  std::vector<uint8_t> p{kFileRecord};
  Put(p, t.id, 4);
  p.push_back(t.existed ? 1 : 0);
  Put(p, t.length, 8);
  Put(p, ext.size(), 2);
  p.insert(p.end(), ext.begin(), ext.end());
  if (!AppendRecord(Record(p))) return nullptr;
  return &files_.emplace(path, std::move(t)).first->second;
}

bool FileSetJournal::Save(const std::string& path, Tracked& file, int fd, uint64_t from,
                          uint64_t to) {
  if (!file.existed) return true;
  to = std::min(to, file.length);
  if (from >= to) return true;
  const auto gaps = Gaps(file.saved, from, to);
  if (gaps.empty()) return true;
  const int readFd = fd >= 0 ? fd : open(path.c_str(), O_RDONLY | O_CLOEXEC);
  bool ok = readFd >= 0;
  for (const auto& [a, b] : gaps) {
    for (uint64_t at = a; ok && at < b;) {
      const uint64_t n = std::min(kChunk, b - at);
      std::vector<uint8_t> p{kRangeRecord};
      Put(p, file.id, 4);
      Put(p, at, 8);
      p.resize(p.size() + n);
      ok = ReadFully(readFd, p.data() + 13, at, n) && AppendRecord(Record(p));
      if (ok) AddRange(file.saved, at, at + n);
      at += n;
    }
  }
  if (fd < 0 && readFd >= 0) close(readFd);
  if (!ok) failed_ = true;
  return ok;
}

bool FileSetJournal::EnsureJournalFile() {
  if (journalFd_ >= 0) return true;
  NoteFileChange();
  journalFd_ = open(journalPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (journalFd_ < 0) return false;
  NoteFileChange();
  journalEnd_ = sizeof kMagic;
  return WriteFully(journalFd_, reinterpret_cast<const uint8_t*>(kMagic), 0, sizeof kMagic);
}

bool FileSetJournal::AppendRecord(const std::vector<uint8_t>& record) {
  if (!EnsureJournalFile()) {
    failed_ = true;
    return false;
  }
  NoteFileChange();
  if (!WriteFully(journalFd_, record.data(), journalEnd_, record.size())) {
    failed_ = true;
    return false;
  }
  journalEnd_ += record.size();
  return true;
}

namespace file_journals {

namespace {
FileSetJournal* JournalFor(const std::string& path) {
  for (FileSetJournal* j : OpenJournals())
    if (j->Covers(path)) return j;
  return nullptr;
}
}  // namespace

bool BeforeWrite(const std::string& path, int fd, uint64_t offset, uint64_t length) {
  NoteFileChange();
  if (FileChangeRefused()) return false;
  FileSetJournal* j = JournalFor(path);
  return !j || j->BeforeWrite(path, fd, offset, length);
}

bool BeforeResize(const std::string& path, int fd, uint64_t size) {
  NoteFileChange();
  if (FileChangeRefused()) return false;
  FileSetJournal* j = JournalFor(path);
  return !j || j->BeforeResize(path, fd, size);
}

bool BeforeRemove(const std::string& path) {
  NoteFileChange();
  FileSetJournal* j = JournalFor(path);
  return !j || j->BeforeRemove(path);
}

}  // namespace file_journals

void ArmKillAtFileChange(int64_t n) {
  WatchPagedFiles();
  gKillAt = n;
  gChangeCount = 0;
}

void ArmFailAtFileChange(int64_t n) {
  WatchPagedFiles();
  gFailAt = n;
  gChangeCount = 0;
}

bool FileChangeRefused() {
  return gFailAt > 0 && gChangeCount >= gFailAt;
}

int64_t FileChangeCount() {
  return gChangeCount;
}

void NoteFileChange() {
  ++gChangeCount;
  if (gKillAt > 0 && gChangeCount >= gKillAt) kill(getpid(), SIGKILL);
}

}  // namespace zh

#include "database/headerset/archive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <set>
#include <string_view>
#include <utility>

#include "core/toolbox/code_pages.h"
#include "core/toolbox/little_endian.h"
#include "core/toolbox/path_list.h"
#include "core/toolbox/replacing_file.h"
#include "core/services.h"
#include "core/toolbox/system_helpers.h"
#include "core/toolbox/utf8.h"

namespace zh {

struct Archive::Entry {
  std::string name;  // '/' separators, UTF-8
  std::vector<std::string> folders;
  std::string leaf;
  int64_t offset = 0;
  int64_t stored = 0;
  int64_t unpacked = 0;
  bool compressed = false;
  int32_t date = 0;
  int32_t time = 0;
};

namespace {

constexpr size_t kBlockHeader = 4;

class FdGuard {
 public:
  explicit FdGuard(int fd) : fd_(fd) {}
  ~FdGuard() {
    if (fd_ >= 0) ::close(fd_);
  }
  FdGuard(const FdGuard&) = delete;
  FdGuard& operator=(const FdGuard&) = delete;

 private:
  int fd_;
};

// The progress dialog stays open for one operation and closes on every way out.
class ProgressGuard {
 public:
  ProgressGuard() { Progress().Open(); }
  ~ProgressGuard() { Progress().Close(); }
  ProgressGuard(const ProgressGuard&) = delete;
  ProgressGuard& operator=(const ProgressGuard&) = delete;
};

bool ReadAt(int fd, void* data, size_t size, int64_t offset) {
  auto* p = static_cast<uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = ::pread(fd, p, size, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
    offset += n;
  }
  return true;
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

uint16_t Checksum(const uint8_t* data, size_t length) {
  uint32_t sum = 0;
  for (size_t i = 0; i + 1 < length; i += 2) sum += GetLittleEndian(data + i, 2);
  return static_cast<uint16_t>(sum);
}

int64_t BlockCount(int64_t size) { return (size + Archive::kChunk - 1) / Archive::kChunk; }

bool IsUtf8(std::string_view text) {
  for (size_t pos = 0; pos < text.size();) {
    const Utf8Char c = DecodeUtf8(text, pos);
    if (c.code == kReplacementChar && c.length == 1) return false;
    pos += c.length;
  }
  return true;
}

// Stored names may come from other writers: either separator, and 8-bit names in
// Windows-1252 when they are not UTF-8.
std::string DecodeStoredName(std::string_view raw) {
  std::string name = IsUtf8(raw) ? std::string(raw) : Windows1252ToUtf8(raw);
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

// Splits a name into its folders and file name. False for a name that could leave
// the target folder or names no file: empty, absolute, UNC, a drive letter, or an
// empty, "." or ".." component.
bool SplitName(const std::string& name, std::vector<std::string>& folders, std::string& leaf) {
  if (name.empty() || name[0] == '/') return false;
  const auto letter = static_cast<unsigned char>(name[0]);
  if (name.size() >= 2 && name[1] == ':' && ((letter | 0x20) >= 'a' && (letter | 0x20) <= 'z'))
    return false;
  folders.clear();
  size_t start = 0;
  while (true) {
    const size_t end = name.find('/', start);
    std::string part = name.substr(start, end == std::string::npos ? end : end - start);
    if (part.empty() || part == "." || part == "..") return false;
    if (end == std::string::npos) {
      leaf = std::move(part);
      return true;
    }
    folders.push_back(std::move(part));
    start = end + 1;
  }
}

// The last change as yyyymmdd and hhmmsscc, UTC.
void ToStoredTime(const timespec& t, int32_t& date, int32_t& time) {
  std::tm tm{};
  const time_t seconds = t.tv_sec;
  if (!::gmtime_r(&seconds, &tm)) tm = std::tm{};
  date = (tm.tm_year + 1900) * 10000 + (tm.tm_mon + 1) * 100 + tm.tm_mday;
  time = tm.tm_hour * 1000000 + tm.tm_min * 10000 + tm.tm_sec * 100 +
         static_cast<int32_t>(t.tv_nsec / 10000000);
}

// False for a date or time that names no moment; the file then keeps the time of its
// extraction.
bool FromStoredTime(int32_t date, int32_t time, timespec& t) {
  const int year = date / 10000, month = date / 100 % 100, day = date % 100;
  const int hour = time / 1000000, minute = time / 10000 % 100, second = time / 100 % 100;
  if (date < 0 || time < 0 || year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > 31 || hour > 23 || minute > 59 || second > 60)
    return false;
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  t.tv_sec = ::timegm(&tm);
  t.tv_nsec = static_cast<long>(time % 100) * 10000000;
  return true;
}

// Creates a new file beside `leaf` in folder `dir` under a name no one else uses.
int CreateTemporary(int dir, const std::string& leaf, std::string& temp) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = "." + leaf + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
    const int fd =
        ::openat(dir, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

// The folders above one target, opened one component at a time from the target
// folder without following symlinks. Remembers the folders it made, so that a file
// that fails leaves no trace.
class Archive::Folders {
 public:
  explicit Folders(int root) : root_(root) {}
  ~Folders() {
    for (int fd : fds_) ::close(fd);
  }
  Folders(const Folders&) = delete;
  Folders& operator=(const Folders&) = delete;

  // 0, or 10 when a component is no folder (a file, a symlink) or cannot be made.
  // Without `create`, a missing component sets `missing` and stops the walk.
  int32_t Open(const std::vector<std::string>& names, bool create, bool& missing) {
    names_ = &names;
    missing = false;
    for (size_t i = 0; i < names.size(); ++i) {
      const int parent = Current();
      int fd = ::openat(parent, names[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (fd < 0 && errno == ENOENT) {
        if (!create) {
          missing = true;
          return 0;
        }
        if (::mkdirat(parent, names[i].c_str(), 0777) != 0) return 10;
        created_.push_back(i);
        fd = ::openat(parent, names[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      }
      if (fd < 0) return 10;
      fds_.push_back(fd);
    }
    return 0;
  }

  int Current() const { return fds_.empty() ? root_ : fds_.back(); }

  // Removes the folders that Open made, deepest first.
  void RemoveCreated() {
    for (auto i = created_.rbegin(); i != created_.rend(); ++i) {
      const int parent = *i == 0 ? root_ : fds_[*i - 1];
      ::unlinkat(parent, (*names_)[*i].c_str(), AT_REMOVEDIR);
    }
    created_.clear();
  }

 private:
  int root_;
  const std::vector<std::string>* names_ = nullptr;
  std::vector<int> fds_;
  std::vector<size_t> created_;
};

Archive::Archive(std::filesystem::path path)
    : path_(std::move(path)), chunk_(kChunk), block_(Compressor::kMaxBlock) {}

int32_t Archive::ReadDirectory(int fd, std::vector<Entry>& entries) {
  entries.clear();
  struct stat st{};
  if (::fstat(fd, &st) != 0) return 12;
  const int64_t fileSize = st.st_size;
  uint8_t header[kHeaderLength];
  if (fileSize < kHeaderLength) return 4;
  if (!ReadAt(fd, header, sizeof header, 0)) return 12;
  const uint32_t headerLength = GetLittleEndian(header, 2);
  const uint32_t count = GetLittleEndian(header + 2, 2);
  const uint32_t entrySize = GetLittleEndian(header + 4, 2);
  const uint32_t version = GetLittleEndian(header + 6, 2);
  if (headerLength < kHeaderLength || headerLength > 79 || entrySize < kEntrySize ||
      entrySize > 767 || version < 3 || version > 9)
    return 4;
  if (version != kVersion) return 20;
  const int64_t directoryEnd = headerLength + int64_t{count} * entrySize;
  if (directoryEnd > fileSize) return 4;

  std::vector<uint8_t> directory(static_cast<size_t>(count) * entrySize);
  if (!directory.empty() && !ReadAt(fd, directory.data(), directory.size(), headerLength))
    return 12;
  entries.resize(count);
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* p = directory.data() + size_t{i} * entrySize;
    const void* end = std::memchr(p, 0, kNameField);
    if (!end) return 4;
    Entry& e = entries[i];
    e.name = DecodeStoredName(
        std::string_view(reinterpret_cast<const char*>(p), static_cast<const uint8_t*>(end) - p));
    e.offset = GetLE32(p + 128);
    e.stored = GetLE32(p + 132);
    e.unpacked = GetLE32(p + 136);
    e.compressed = p[140] == 1;
    e.date = GetLE32(p + 141);
    e.time = GetLE32(p + 145);
    if (e.offset < 0 || e.stored < 0 || e.unpacked < 0 || p[140] > 1) return 4;
    if (e.stored > 0 && (e.offset < directoryEnd || e.offset + e.stored > fileSize)) return 4;
  }
  return 0;
}

int32_t Archive::Store(const PathList& files, const std::filesystem::path& base, int16_t& ratio) {
  ratio = 0;
  const int32_t n = files.Count();
  if (n > kMaxEntries) return 1;

  // Every name is settled before anything is written.
  std::vector<std::string> names(static_cast<size_t>(n));
  std::set<std::string> seen;
  for (int32_t i = 0; i < n; ++i) {
    std::filesystem::path relative = files.At(i);
    if (!MakeArchiveRelativePath(relative, base)) return 1;
    std::string name = relative.generic_string();
    // A backslash inside a name would read back as a folder separator.
    if (name.empty() || name.size() >= kNameField || name.find('\\') != std::string::npos)
      return 1;
    std::replace(name.begin(), name.end(), '/', '\\');
    if (!seen.insert(name).second) return 1;
    names[static_cast<size_t>(i)] = std::move(name);
  }

  ReplacingFile out;
  if (!out.Create(path_)) return 10;
  uint8_t header[kHeaderLength];
  PutLittleEndian(header, 2, kHeaderLength);
  PutLittleEndian(header + 2, 2, static_cast<uint32_t>(n));
  PutLittleEndian(header + 4, 2, kEntrySize);
  PutLittleEndian(header + 6, 2, kVersion);
  std::vector<uint8_t> directory(size_t{kEntrySize} * static_cast<size_t>(n));
  if (!out.Write(header, sizeof header) || !out.Write(directory.data(), directory.size()))
    return 11;

  ProgressGuard progress;
  int64_t position = kHeaderLength + int64_t{kEntrySize} * n;
  int64_t storedTotal = 0, unpackedTotal = 0;
  for (int32_t i = 0; i < n; ++i) {
    const std::filesystem::path& file = files.At(i);
    ShowStatusMessage("Storing: '" + file.string() + "'");
    const int in = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0) return 6;
    FdGuard guard(in);
    struct stat st{};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) return 6;
    if (st.st_size > INT32_MAX) return 1;
    int64_t written = 0;
    const bool compress = files.TagAt(i) == 1;
    if (int32_t rc = StoreFile(in, st.st_size, compress, out, written)) return rc;
    if (position + written > offsetLimit_) return 1;

    uint8_t* entry = directory.data() + size_t{kEntrySize} * static_cast<size_t>(i);
    const std::string& name = names[static_cast<size_t>(i)];
    std::memcpy(entry, name.data(), name.size());
    PutLE32(entry + 128, static_cast<int32_t>(position));
    PutLE32(entry + 132, static_cast<int32_t>(written));
    PutLE32(entry + 136, static_cast<int32_t>(st.st_size));
    entry[140] = compress ? 1 : 0;
    int32_t date, time;
    ToStoredTime(st.st_mtim, date, time);
    PutLE32(entry + 141, date);
    PutLE32(entry + 145, time);

    position += written;
    storedTotal += written;
    unpackedTotal += st.st_size;
  }
  if (!directory.empty() &&
      ::pwrite(out.Descriptor(), directory.data(), directory.size(), kHeaderLength) !=
          static_cast<ssize_t>(directory.size()))
    return 11;
  if (!out.Commit(0644)) return 11;
  if (unpackedTotal > 0)
    ratio = static_cast<int16_t>(std::min<int64_t>(storedTotal * 100 / unpackedTotal, INT16_MAX));
  return 0;
}

int32_t Archive::StoreFile(int in, int64_t size, bool compress, ReplacingFile& out,
                           int64_t& written) {
  written = 0;
  Progress().AddLine("", BlockCount(size));
  for (int64_t offset = 0; offset < size; offset += kChunk) {
    const size_t length = static_cast<size_t>(std::min<int64_t>(kChunk, size - offset));
    if (!ReadAt(in, chunk_.data(), length, offset)) return 12;
    const uint8_t* data = chunk_.data();
    size_t stored = length;
    if (compress) {
      compressor_.Compress(chunk_.data(), length, block_.data(), stored);
      data = block_.data();
    }
    uint8_t header[kBlockHeader];
    PutLittleEndian(header, 2, static_cast<uint32_t>(stored));
    PutLittleEndian(header + 2, 2, Checksum(data, stored));
    if (!out.Write(header, sizeof header) || !out.Write(data, stored)) return 11;
    written += static_cast<int64_t>(kBlockHeader + stored);
    Progress().Step(1);
    Reschedule();
  }
  return 0;
}

int32_t Archive::Extract(const std::filesystem::path& target) {
  const int archive = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (archive < 0) return 10;
  FdGuard archiveGuard(archive);
  std::vector<Entry> entries;
  if (int32_t rc = ReadDirectory(archive, entries)) return rc;

  // Names: each inside the target, none twice, none both a file and a folder.
  std::set<std::string> names, folders;
  for (Entry& e : entries) {
    if (!SplitName(e.name, e.folders, e.leaf)) return 4;
    if (!names.insert(e.name).second) return 4;
    std::string folder;
    for (const std::string& part : e.folders) {
      folder += folder.empty() ? part : "/" + part;
      folders.insert(folder);
    }
  }
  for (const std::string& folder : folders)
    if (names.count(folder)) return 4;

  std::error_code ec;
  std::filesystem::create_directories(target, ec);
  const int root = ::open(target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (root < 0) return 10;
  FdGuard rootGuard(root);

  // Targets: every folder on the way must be a real folder; existing files are
  // replaced only when the user agrees.
  bool anyExists = false;
  for (const Entry& e : entries) {
    Folders walk(root);
    bool missing;
    if (walk.Open(e.folders, false, missing)) return 10;
    if (missing) continue;
    struct stat st{};
    if (::fstatat(walk.Current(), e.leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
      if (S_ISDIR(st.st_mode)) return 10;
      anyExists = true;
    } else if (errno != ENOENT) {
      return 10;
    }
  }
  if (anyExists &&
      !AskYesNo("Files of this archive exist already in " + target.string() + ". Replace them?"))
    return 1;

  ProgressGuard progress;
  for (const Entry& e : entries)
    if (int32_t rc = ExtractEntry(archive, root, e, target)) return rc;
  return 0;
}

int32_t Archive::ExtractEntry(int archive, int root, const Entry& entry,
                              const std::filesystem::path& target) {
  ShowStatusMessage("Extracting: " + (target / entry.name).string());
  Folders folders(root);
  bool missing;
  int32_t rc = folders.Open(entry.folders, true, missing);
  if (rc) {
    folders.RemoveCreated();
    return rc;
  }
  const int dir = folders.Current();
  std::string temp;
  const int out = CreateTemporary(dir, entry.leaf, temp);
  if (out < 0) {
    folders.RemoveCreated();
    return 10;
  }
  rc = ExtractBlocks(archive, entry, out);
  timespec times[2] = {{0, UTIME_OMIT}, {0, UTIME_OMIT}};
  if (rc == 0 && FromStoredTime(entry.date, entry.time, times[1])) ::futimens(out, times);
  if (::close(out) != 0 && rc == 0) rc = 11;
  if (rc == 0 && ::renameat(dir, temp.c_str(), dir, entry.leaf.c_str()) != 0) rc = 10;
  if (rc != 0) {
    ::unlinkat(dir, temp.c_str(), 0);
    folders.RemoveCreated();
  }
  return rc;
}

int32_t Archive::ExtractBlocks(int archive, const Entry& entry, int out) {
  int64_t position = entry.offset;
  const int64_t end = entry.offset + entry.stored;
  Progress().AddLine("", BlockCount(entry.unpacked));
  for (int64_t remaining = entry.unpacked; remaining > 0;) {
    const size_t expected = static_cast<size_t>(std::min<int64_t>(kChunk, remaining));
    uint8_t header[kBlockHeader];
    if (position + int64_t{kBlockHeader} > end) return 17;
    if (!ReadAt(archive, header, sizeof header, position)) return 12;
    const size_t length = GetLittleEndian(header, 2);
    position += kBlockHeader;
    if (length > Compressor::kMaxBlock || position + static_cast<int64_t>(length) > end) return 17;
    if (!ReadAt(archive, block_.data(), length, position)) return 12;
    if (Checksum(block_.data(), length) != GetLittleEndian(header + 2, 2)) return 17;
    const uint8_t* data = block_.data();
    size_t produced = length;
    if (entry.compressed) {
      if (compressor_.Expand(block_.data(), length, chunk_.data(), chunk_.size(), produced) != 0)
        return 17;
      data = chunk_.data();
    }
    if (produced != expected) return 17;
    if (!WriteAll(out, data, produced)) return 11;
    position += static_cast<int64_t>(length);
    remaining -= static_cast<int64_t>(expected);
    Progress().Step(1);
    Reschedule();
  }
  return position == end ? 0 : 17;
}

int32_t Archive::TotalUnpackedSize(int64_t& total) {
  total = 0;
  const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 10;
  FdGuard guard(fd);
  std::vector<Entry> entries;
  if (int32_t rc = ReadDirectory(fd, entries)) return rc;
  for (const Entry& e : entries) total += e.unpacked;
  return 0;
}

std::string Archive::EntryName(int32_t index) {
  const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  FdGuard guard(fd);
  struct stat st{};
  if (index < 0 || ::fstat(fd, &st) != 0) return {};
  // Callers walk the entries one index after the other: the names are read once for
  // each version of the file, not once for each index.
  const NameStamp stamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
  if (stamp != nameStamp_) {
    names_.clear();
    nameStamp_ = {};
    std::vector<Entry> entries;
    if (ReadDirectory(fd, entries) != 0) return {};
    names_.reserve(entries.size());
    for (Entry& e : entries) names_.push_back(std::move(e.name));
    nameStamp_ = stamp;
  }
  return static_cast<size_t>(index) < names_.size() ? names_[static_cast<size_t>(index)] : std::string();
}

}  // namespace zh

#include "database/storage/file_set_replacement.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "database/storage/file_set_journal.h"

namespace zh {

namespace fs = std::filesystem;

namespace {

// Commit record: the magic, [u32 renames][u32 removals], then per rename the source and
// the target and per removal the path, each as [u16 n][n bytes] relative to the
// folder, and last a u32 checksum of everything before; little-endian.
constexpr char kMagic[8] = {'Z', 'H', 'R', 'E', 'P', 'L', '1', '\n'};

using Renames = std::vector<std::pair<std::string, std::string>>;

uint32_t Checksum(const std::string& bytes) {
  uint32_t h = 2166136261u;
  for (unsigned char c : bytes) h = (h ^ c) * 16777619u;
  return h;
}

void Put(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

bool Get(const std::string& in, size_t& at, int bytes, uint32_t& value) {
  if (in.size() - at < static_cast<size_t>(bytes)) return false;
  value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(in[at + i]);
  at += bytes;
  return true;
}

void PutName(std::string& out, const std::string& name) {
  Put(out, static_cast<uint32_t>(name.size()), 2);
  out += name;
}

// A name relative to the folder that stays inside it: not empty, not absolute, no
// ".." and no NUL.
bool SafeName(const std::string& name) {
  if (name.empty() || name.size() > 0xFFFF || name.front() == '/' ||
      name.find('\0') != std::string::npos)
    return false;
  for (const auto& part : fs::path(name))
    if (part == "..") return false;
  return true;
}

bool GetName(const std::string& in, size_t& at, std::string& name) {
  uint32_t n = 0;
  if (!Get(in, at, 2, n) || in.size() - at < n) return false;
  name = in.substr(at, n);
  at += n;
  return SafeName(name);
}

std::string Encode(const Renames& renames, const std::vector<std::string>& removals) {
  std::string out(kMagic, sizeof kMagic);
  Put(out, static_cast<uint32_t>(renames.size()), 4);
  Put(out, static_cast<uint32_t>(removals.size()), 4);
  for (const auto& [from, to] : renames) {
    PutName(out, from);
    PutName(out, to);
  }
  for (const auto& path : removals) PutName(out, path);
  Put(out, Checksum(out), 4);
  return out;
}

bool Decode(const std::string& in, Renames& renames, std::vector<std::string>& removals) {
  if (in.size() < sizeof kMagic + 12 || in.compare(0, sizeof kMagic, kMagic, sizeof kMagic) != 0)
    return false;
  size_t end = in.size() - 4;
  uint32_t sum = 0;
  if (!Get(in, end, 4, sum) || sum != Checksum(in.substr(0, in.size() - 4))) return false;
  const std::string body = in.substr(0, in.size() - 4);
  size_t at = sizeof kMagic;
  uint32_t nRenames = 0, nRemovals = 0;
  if (!Get(body, at, 4, nRenames) || !Get(body, at, 4, nRemovals)) return false;
  for (uint32_t i = 0; i < nRenames; ++i) {
    std::string from, to;
    if (!GetName(body, at, from) || !GetName(body, at, to)) return false;
    renames.emplace_back(std::move(from), std::move(to));
  }
  for (uint32_t i = 0; i < nRemovals; ++i) {
    std::string path;
    if (!GetName(body, at, path)) return false;
    removals.push_back(std::move(path));
  }
  return at == body.size();
}

bool ReadWhole(const std::string& path, std::string& out) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char buf[65536];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) out.append(buf, n);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

bool WriteNew(const std::string& path, const std::string& bytes) {
  NoteFileChange();
  if (FileChangeRefused()) return false;
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  NoteFileChange();
  bool ok = !FileChangeRefused();
  for (size_t at = 0; ok && at < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + at, bytes.size() - at);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) at += static_cast<size_t>(n);
  }
  return close(fd) == 0 && ok;
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::symlink_status(path, ec).type() != fs::file_type::not_found && !ec;
}

bool DeleteIfPresent(const std::string& path) {
  if (!Exists(path)) return true;
  NoteFileChange();
  return unlink(path.c_str()) == 0 || errno == ENOENT;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string FolderOf(const std::string& base) {
  const std::string folder = fs::path(base).parent_path().string();
  return folder.empty() ? "." : folder;
}

// Makes the renames that are still to be made (a source that is gone was renamed
// before), deletes the removals, then the record.
int Finish(const std::string& folder, const std::string& record, const Renames& renames,
           const std::vector<std::string>& removals) {
  for (const auto& [from, to] : renames) {
    const std::string source = folder + "/" + from;
    if (!Exists(source)) continue;
    NoteFileChange();
    if (std::rename(source.c_str(), (folder + "/" + to).c_str()) != 0)
      return FileSetReplacement::kWriteError;
  }
  for (const auto& path : removals)
    if (!DeleteIfPresent(folder + "/" + path)) return FileSetReplacement::kWriteError;
  return DeleteIfPresent(record) ? FileSetReplacement::kDone : FileSetReplacement::kWriteError;
}

int FinishRecord(const std::string& folder, const std::string& record) {
  std::string bytes;
  Renames renames;
  std::vector<std::string> removals;
  if (!ReadWhole(record, bytes)) return FileSetReplacement::kWriteError;
  if (!Decode(bytes, renames, removals)) return FileSetReplacement::kDefect;
  return Finish(folder, record, renames, removals);
}

}  // namespace

FileSetReplacement::FileSetReplacement(std::string base)
    : base_(std::move(base)), folder_(FolderOf(base_)) {}

FileSetReplacement::~FileSetReplacement() {
  if (!committed_) Abandon();
}

std::string FileSetReplacement::TemporaryPath(const std::string& ext) const {
  return folder_ + "/" + kTemporaryStem + "." + ext;
}

std::string FileSetReplacement::UniqueTemporaryPath(const std::string& folder,
                                                    const std::string& tag) {
  static std::atomic<uint32_t> counter{0};
  for (;;) {
    const std::string path = folder + "/" + kTemporaryPrefix + tag + "." +
                             std::to_string(getpid()) + "." + std::to_string(counter++);
    if (!Exists(path)) return path;
  }
}

namespace {
// `path` relative to `folder`, or empty when it is not inside it.
std::string Relative(const std::string& folder, const std::string& path) {
  const std::string prefix = folder + "/";
  if (path.compare(0, prefix.size(), prefix) != 0) return {};
  std::string rest = path.substr(prefix.size());
  return SafeName(rest) ? rest : std::string();
}
}  // namespace

void FileSetReplacement::Replace(const std::string& temporary, const std::string& target) {
  renames_.emplace_back(Relative(folder_, temporary), Relative(folder_, target));
  scratch_.push_back(temporary);
}

void FileSetReplacement::Remove(const std::string& path) {
  removals_.push_back(Relative(folder_, path));
}

void FileSetReplacement::AddScratch(const std::string& temporary) {
  scratch_.push_back(temporary);
}

void FileSetReplacement::Abandon() {
  for (const auto& path : scratch_) DeleteIfPresent(path);
  scratch_.clear();
  renames_.clear();
  removals_.clear();
}

int FileSetReplacement::Commit(const std::function<void()>& release) {
  for (const auto& [from, to] : renames_)
    if (from.empty() || to.empty()) {
      Abandon();
      return kDefect;
    }
  for (const auto& path : removals_)
    if (path.empty()) {
      Abandon();
      return kDefect;
    }
  const std::string record = PathOf(kRecordExtension);
  const std::string pending = UniqueTemporaryPath(folder_, "commit");
  if (!WriteNew(pending, Encode(renames_, removals_))) {
    DeleteIfPresent(pending);
    Abandon();
    return kWriteError;
  }
  NoteFileChange();
  if (std::rename(pending.c_str(), record.c_str()) != 0) {
    DeleteIfPresent(pending);
    Abandon();
    return kWriteError;
  }
  committed_ = true;
  if (release) release();
  const int code = Finish(folder_, record, renames_, removals_);
  if (code == kDone)
    for (const auto& path : scratch_) DeleteIfPresent(path);
  return code;
}

int FileSetReplacement::CompletePending(const std::string& base) {
  const std::string folder = FolderOf(base);
  const std::string own = Lower(fs::path(base).filename().string());
  int result = kDone;
  bool allFinished = true;
  std::error_code ec;
  std::vector<fs::path> entries;
  for (const auto& entry : fs::directory_iterator(folder, ec)) entries.push_back(entry.path());
  // Records of other sets in the folder are finished too: they may claim temporary
  // files that are about to be deleted.
  for (const auto& path : entries) {
    const std::string name = path.filename().string();
    if (Lower(path.extension().string()) != std::string(".") + kRecordExtension) continue;
    if (Lower(name).rfind(Lower(kTemporaryPrefix), 0) == 0) continue;
    const int code = FinishRecord(folder, path.string());
    if (code == kDone) continue;
    allFinished = false;
    if (Lower(path.stem().string()) == own) result = code;
  }
  if (!allFinished) return result;
  for (const auto& path : entries) {
    const std::string name = Lower(path.filename().string());
    const bool temporary = name.rfind(Lower(kTemporaryPrefix), 0) == 0;
    const bool library = name.size() == own.size() + 4 && name.compare(0, own.size(), own) == 0 &&
                         name.compare(own.size(), 3, ".cx") == 0;
    if ((temporary || library) && !fs::is_directory(fs::symlink_status(path, ec)))
      DeleteIfPresent(path.string());
  }
  return result;
}

}  // namespace zh

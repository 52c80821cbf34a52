#include "database/headerset/header_set_guard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

#include "core/toolbox/paged_file.h"

namespace zh {

namespace fs = std::filesystem;

namespace {

// The files a creation makes, the journal and scratch files, and the marker.
constexpr const char* kSetExtensions[] = {"tqg", "tqh", "tqa", "tqp", "tqt", "tqc",
                                          "tqs", "tqj", "cyg", "cya", "tqn"};

bool IsSetExtension(std::string ext) {
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* known : kSetExtensions)
    if (ext == known) return true;
  return false;
}

// The set's files as they are on disk, in any case of their extensions.
std::vector<fs::path> SetFiles(const std::string& base) {
  std::vector<fs::path> files;
  const fs::path b(base);
  const fs::path folder = b.has_parent_path() ? b.parent_path() : fs::path(".");
  const std::string stem = b.filename().string();
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() <= stem.size() + 1 || name.compare(0, stem.size(), stem) != 0 ||
        name[stem.size()] != '.')
      continue;
    if (IsSetExtension(name.substr(stem.size() + 1)))
      files.push_back(b.has_parent_path() ? b.parent_path() / name : fs::path(name));
  }
  return files;
}

}  // namespace

bool HeaderSetHeldElsewhere(const std::string& base) {
  for (const fs::path& file : SetFiles(base)) {
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);  // flock locks belong to the description: the holder keeps its own
    if (held) return true;
  }
  return false;
}

int RemoveHalfMadeHeaderSet(const std::string& base) {
  const std::string marker = PathWithExtension(base, HeaderSetCreation::kExtension);
  std::error_code ec;
  if (!fs::exists(marker, ec)) return 0;
  for (const fs::path& file : SetFiles(base))
    if (file != fs::path(marker) && !fs::remove(file, ec) && ec) return 11;
  if (!fs::remove(marker, ec) && ec) return 11;
  return 0;
}

HeaderSetCreation::HeaderSetCreation(const std::string& base)
    : base_(base), path_(PathWithExtension(base, kExtension)) {
  fd_ = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ >= 0 && flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    close(fd_);
    fd_ = -1;
  }
}

HeaderSetCreation::~HeaderSetCreation() {
  if (fd_ < 0) return;
  // Still holding the marker's lock, so no one else takes the files for a set.
  for (const fs::path& file : SetFiles(base_)) {
    std::error_code ec;
    if (file != fs::path(path_)) fs::remove(file, ec);
  }
  unlink(path_.c_str());
  close(fd_);
}

void HeaderSetCreation::Finish() {
  if (fd_ < 0) return;
  unlink(path_.c_str());
  close(fd_);
  fd_ = -1;
}

}  // namespace zh

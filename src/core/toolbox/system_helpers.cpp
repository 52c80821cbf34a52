#include "core/toolbox/system_helpers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <system_error>

#include "core/toolbox/replacing_file.h"
#include "core/services.h"
#include "core/toolbox/system_probe.h"

namespace zh {
namespace {

// Copies `source` to a temporary file beside `target` and renames it into place; the
// copy is owner-writable.
bool CopyReplacing(const std::filesystem::path& source, const std::filesystem::path& target) {
  const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st{};
  bool ok = ::fstat(in, &st) == 0 && S_ISREG(st.st_mode);
  ReplacingFile out;
  ok = ok && out.Create(target);
  char buffer[1 << 16];
  while (ok) {
    const ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    ok = out.Write(buffer, static_cast<size_t>(n));
  }
  ::close(in);
  return ok && out.Commit((st.st_mode & 07777) | S_IWUSR);
}

}  // namespace

std::filesystem::path FullPath(const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(path, ec);
  return (ec ? path : full).lexically_normal();
}

bool MakeArchiveRelativePath(std::filesystem::path& path, const std::filesystem::path& base) {
  const std::string full = FullPath(path).string();
  std::string prefix = FullPath(base).string();
  if (prefix.empty() || prefix.back() != '/') prefix += '/';
  if (full.size() > prefix.size() && full.compare(0, prefix.size(), prefix) == 0) {
    path = full.substr(full.find_first_not_of('/', prefix.size()));
    return true;
  }
  DumpText("Path error in archive");
  path = full;
  return false;
}

int32_t CopyFileShell(const std::filesystem::path& source, const std::filesystem::path& target) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(source, ec)) return 6;
  if (std::filesystem::exists(target, ec)) {
    if (std::filesystem::equivalent(source, target, ec)) return 6;
    if (!AskYesNo("The file " + target.string() + " exists already. Replace it?")) return 1;
  }
  return CopyReplacing(source, target) ? 0 : 6;
}

int32_t RenameFileChecked(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (::rename(from.c_str(), to.c_str()) == 0) return 0;
  if (errno != EXDEV) return 6;
  if (!CopyReplacing(from, to)) return 6;
  return ::unlink(from.c_str()) == 0 ? 0 : 6;
}

int32_t GetDriveNumber(std::string_view storedPath) {
  if (storedPath.size() >= 2 && storedPath[1] == ':') {
    char letter = storedPath[0];
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    if (letter >= 'A' && letter <= 'Z') return letter - 'A';
  }
  if (!storedPath.empty() && storedPath[0] == '\\') return 3;
  return -1;
}

uint64_t GetFreeDiskSpaceKB(const std::filesystem::path& path) {
  // A file that does not exist yet lands in its nearest existing folder.
  std::filesystem::path probe = FullPath(path);
  std::error_code ec;
  while (!std::filesystem::exists(probe, ec) && probe.has_relative_path())
    probe = probe.parent_path();
  uint64_t bytes = 0;
  if (!CurrentSystemProbe().FreeBytes(probe, bytes)) return 0;
  return bytes >> 10;
}

uint64_t GetMemoryBudget(uint32_t percent) {
  MemoryStatus m;
  if (!CurrentSystemProbe().Memory(m)) return 0;
  const uint64_t available = m.availablePhysical + m.freeSwap;
  const uint64_t cap = m.totalPhysical / 10 * 8 + m.totalPhysical % 10 * 8 / 10;
  return percent * (std::min(available, cap) / 100);
}

}  // namespace zh

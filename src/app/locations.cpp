#include "app/locations.h"

#include "core/toolbox/user_folder.h"

#include <cctype>
#include <filesystem>
#include <system_error>

namespace zh {
namespace fs = std::filesystem;
namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// The entry of `folder` that matches `name` exactly, else without regard to case.
std::optional<std::string> FindEntry(const std::string& folder, const std::string& name) {
  std::error_code ec;
  if (fs::exists(fs::path(folder) / name, ec)) return name;
  for (fs::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::string entry = it->path().filename().string();
    if (EqualIgnoringCase(entry, name)) return entry;
  }
  return std::nullopt;
}

}  // namespace

Locations Locations::ForExecutable(std::string_view executablePath) {
  Locations l;
  l.programFolder = fs::path(executablePath).parent_path().string();
  l.dataFolder = JoinPath(l.programFolder, "data");
  l.userFolder = UserConfigFolder().string();
  return l;
}

Locations Locations::ForThisProcess() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ForExecutable(ec ? std::string("./program") : exe.string());
}

std::string JoinPath(std::string_view a, std::string_view b) {
  if (a.empty()) return std::string(b);
  if (b.empty()) return std::string(a);
  std::string out(a);
  if (out.back() != '/') out += '/';
  while (!b.empty() && b.front() == '/') b.remove_prefix(1);
  out += b;
  return out;
}

std::string MapStoredPath(std::string_view stored, std::string_view cdDrive,
                          std::string_view dataFolder) {
  std::string p(stored);
  for (char& c : p)
    if (c == '\\') c = '/';
  bool hasDrive = p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]));
  if (hasDrive) {
    bool isCd = !cdDrive.empty() && EqualIgnoringCase(p.substr(0, 1), cdDrive.substr(0, 1));
    std::string rest = p.substr(2);
    return isCd ? JoinPath(dataFolder, rest) : (rest.empty() || rest[0] != '/' ? "/" + rest : rest);
  }
  if (!stored.empty() && stored[0] == '\\') return JoinPath(dataFolder, p);
  return p;
}

std::optional<std::string> FindPathIgnoringCase(std::string_view path) {
  std::string p(path);
  std::error_code ec;
  if (fs::exists(p, ec)) return p;
  std::string found = !p.empty() && p[0] == '/' ? "/" : "";
  size_t start = found.size();
  while (start <= p.size()) {
    size_t end = p.find('/', start);
    if (end == std::string::npos) end = p.size();
    std::string part = p.substr(start, end - start);
    if (!part.empty()) {
      auto entry = FindEntry(found, part);
      if (!entry) return std::nullopt;
      found = JoinPath(found, *entry);
    }
    start = end + 1;
  }
  return found;
}

std::string ResolveDataPath(std::string_view stored, std::string_view cdDrive,
                            std::string_view dataFolder) {
  std::string mapped = MapStoredPath(stored, cdDrive, dataFolder);
  return FindPathIgnoringCase(mapped).value_or(mapped);
}

bool IsDirectory(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

bool IsFile(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

}  // namespace zh

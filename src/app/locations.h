// Where the program finds its files: the program folder (the executable's), the
// read-only data beside it, and the user's folder for settings and own files.
// Stored paths ("x:\talk.cht") map to real ones here, without regard to case.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zh {

struct Locations {
  std::string programFolder;
  std::string dataFolder;  // programFolder/data
  std::string userFolder;  // $XDG_CONFIG_HOME/zelkohome, default ~/.config/zelkohome

  // Folders for a program at `executablePath`, user folder from the environment.
  static Locations ForExecutable(std::string_view executablePath);
  // The running program's folders (the executable from /proc/self/exe).
  static Locations ForThisProcess();
};

// `a` and `b` joined by one '/'.
std::string JoinPath(std::string_view a, std::string_view b);

// A stored path turned into a real one: '\' becomes '/'; a leading "<cdDrive>:"
// and a path starting with '\' without a drive lead into `dataFolder`; another
// drive letter is dropped. Other paths keep their place.
std::string MapStoredPath(std::string_view stored, std::string_view cdDrive,
                          std::string_view dataFolder);

// The existing path whose components equal those of `path` without regard to
// ASCII letter case (an exact match is preferred); nothing when none exists.
std::optional<std::string> FindPathIgnoringCase(std::string_view path);

// MapStoredPath, then the existing spelling of it when there is one.
std::string ResolveDataPath(std::string_view stored, std::string_view cdDrive,
                            std::string_view dataFolder);

bool IsDirectory(const std::string& path);
bool IsFile(const std::string& path);

}  // namespace zh

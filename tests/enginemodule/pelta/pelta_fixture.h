// Folders with a copy of the Pelta B22 adapter (and of a test build of its library)
// for one test, the adapter loaded directly, and the library's call log.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "enginemodule/interface/exports.h"
#include "enginemodule/pelta/library/test_hooks.h"

namespace zh::pelta::test {

namespace fs = std::filesystem;

// A folder of its own: copies of the adapter and, unless `with_library` is false,
// of the scripted library. Removed at the end.
class Folder {
 public:
  explicit Folder(bool with_library = true) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = fs::path(::testing::TempDir()) /
            ("pelta-" + std::string(info->name()) + "-" + std::to_string(getpid()));
    fs::remove_all(path_);
    fs::create_directories(path_);
    fs::copy_file(Source() / kAdapterFile, path_ / kAdapterFile);
    if (with_library) AddLibrary();
  }
  ~Folder() { fs::remove_all(path_); }

  static fs::path Source() { return fs::path(ZH_PELTA_FOLDERS) / "scripted"; }
  void AddLibrary() { fs::copy_file(Source() / kLibraryFile, path_ / kLibraryFile, fs::copy_options::overwrite_existing); }
  std::string adapter() const { return (path_ / kAdapterFile).string(); }
  std::string library() const { return (path_ / kLibraryFile).string(); }
  fs::path path() const { return path_; }

  // The library's calls, one line each.
  std::vector<std::string> Calls() const {
    std::vector<std::string> lines;
    std::ifstream in(path_ / "calls.log");
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  // Calls whose name is `name`.
  std::vector<std::string> Calls(const std::string& name) const {
    std::vector<std::string> out;
    for (const std::string& line : Calls())
      if (line == name || line.rfind(name + " ", 0) == 0) out.push_back(line);
    return out;
  }

 private:
  fs::path path_;
};

// Whether a file of that name is mapped into this process.
inline bool Mapped(const std::string& name) {
  std::ifstream maps("/proc/self/maps");
  std::stringstream text;
  text << maps.rdbuf();
  return text.str().find(name) != std::string::npos;
}

// The handle of a loaded file, without loading it.
inline void* Loaded(const std::string& path) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle) dlclose(handle);
  return handle;
}

}  // namespace zh::pelta::test

// The engine modules of the engines folder, as the engine dialogs list them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zh {

// What loading a module as a plain shared library tells about it.
struct ModuleProbe {
  enum Reason { kAccepted = 0, kCannotLoad = 1, kMissingExport = 2 };
  bool accepted = false;
  bool inUse = false;
  std::string name;
  std::string author;
  bool exportsEng21 = false;
  int reason = kCannotLoad;
};

// Loads the module (absolute path), calls Eng5, Eng7 and Eng6 when all three exist,
// and unloads it again in every case.
ModuleProbe engine_module_probe(const std::string& path);

class InstalledEngineList {
 public:
  struct Entry {
    std::string fileName;
    std::string name;
    std::string author;
    uint8_t inUse = 0;
  };

  // Every "*.eng" file of `folder` whose probe succeeds and that does not export
  // Eng21 (unless `withEng21`), sorted by engine name; equal names keep the order of
  // the file names.
  explicit InstalledEngineList(const std::string& folder, bool withEng21 = false);

  int Count() const { return static_cast<int>(entries_.size()); }
  std::string FileName(int index) const;
  std::string EngineName(int index) const;
  const std::vector<Entry>& Entries() const { return entries_; }
  // Removes the first entry whose engine name begins with `start`; false when none.
  bool RemoveStartingWith(std::string_view start);

 private:
  std::vector<Entry> entries_;
};

}  // namespace zh

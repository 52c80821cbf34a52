#include "engines/installed_engines.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "enginemodule/interface/exports.h"

namespace zh {
namespace {

constexpr size_t kMaxModuleText = 255;

std::string BoundedText(const char* text) {
  return text == nullptr ? std::string() : std::string(text, strnlen(text, kMaxModuleText));
}

}  // namespace

ModuleProbe engine_module_probe(const std::string& path) {
  ModuleProbe probe;
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return probe;
  auto eng5 = reinterpret_cast<eng::Eng5Fn>(dlsym(library, "Eng5"));
  auto eng6 = reinterpret_cast<eng::Eng6Fn>(dlsym(library, "Eng6"));
  auto eng7 = reinterpret_cast<eng::Eng7Fn>(dlsym(library, "Eng7"));
  probe.exportsEng21 = dlsym(library, "Eng21") != nullptr;
  if (eng5 == nullptr || eng6 == nullptr || eng7 == nullptr) {
    probe.reason = ModuleProbe::kMissingExport;
  } else {
    probe.inUse = eng5() != 0;
    probe.name = BoundedText(eng7());
    probe.author = BoundedText(eng6());
    probe.accepted = true;
    probe.reason = ModuleProbe::kAccepted;
  }
  dlclose(library);
  return probe;
}

InstalledEngineList::InstalledEngineList(const std::string& folder, bool withEng21) {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::filesystem::path& p = it->path();
    if (p.extension() == ".eng" && it->is_regular_file(ec)) files.push_back(p);
  }
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    ModuleProbe probe = engine_module_probe(file.string());
    if (!probe.accepted || (probe.exportsEng21 && !withEng21)) continue;
    Entry entry{file.filename().string(), probe.name, probe.author, static_cast<uint8_t>(probe.inUse ? 1 : 0)};
    auto after = std::upper_bound(entries_.begin(), entries_.end(), entry.name,
                                  [](const std::string& name, const Entry& e) { return name < e.name; });
    entries_.insert(after, std::move(entry));
  }
}

std::string InstalledEngineList::FileName(int index) const {
  return index >= 0 && index < Count() ? entries_[static_cast<size_t>(index)].fileName : std::string();
}

std::string InstalledEngineList::EngineName(int index) const {
  return index >= 0 && index < Count() ? entries_[static_cast<size_t>(index)].name : std::string();
}

bool InstalledEngineList::RemoveStartingWith(std::string_view start) {
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [&](const Entry& e) { return std::string_view(e.name).starts_with(start); });
  if (it == entries_.end()) return false;
  entries_.erase(it);
  return true;
}

}  // namespace zh

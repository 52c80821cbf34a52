#include "dbwindow/pick_list.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/toolbox/profile_file.h"

namespace zh {

namespace {

constexpr char kGroup[] = "PickList";

std::string KeyOf(int index) {
  return "Pick" + std::to_string(index);
}

bool IsExistingFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

}  // namespace

void PickList::Load(ProfileFile& settings, const Defaults& defaults) {
  paths_.clear();
  const std::string previous = settings.Group();
  settings.SelectGroup(kGroup);
  for (int i = 0; i < kCapacity; ++i) {
    const std::optional<std::string> path = settings.ReadText(KeyOf(i));
    if (path && !path->empty() && IsExistingFile(*path)) paths_.push_back(*path);
  }
  settings.SelectGroup(previous);
  if (!paths_.empty()) return;
  paths_.assign(defaults.begin(), defaults.end());
}

void PickList::Save(ProfileFile& file) const {
  const std::string previous = file.Group();
  file.DeleteGroup(kGroup);
  file.SelectGroup(kGroup);
  for (int i = 0; i < Count(); ++i) file.WriteText(KeyOf(i), paths_[static_cast<size_t>(i)]);
  file.SelectGroup(previous);
}

void PickList::Add(const std::string& path) {
  std::erase(paths_, path);
  if (Count() >= kCapacity) paths_.resize(kCapacity - 1);
  paths_.insert(paths_.begin(), path);
}

}  // namespace zh

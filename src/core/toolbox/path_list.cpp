#include "core/toolbox/path_list.h"

#include "core/toolbox/system_helpers.h"

namespace zh {

PathList::PathList(int32_t capacity) : capacity_(capacity > 0 ? capacity : 0) {
  entries_.reserve(static_cast<size_t>(capacity_));
}

int32_t PathList::Add(const std::filesystem::path& path, int16_t tag) {
  if (Count() >= capacity_) {
    capacity_ += capacity_ >= 20 ? capacity_ / 2 : 10;
    entries_.reserve(static_cast<size_t>(capacity_));
  }
  entries_.push_back({path, FullPath(path), tag});
  return Count() - 1;
}

int32_t PathList::Find(const std::filesystem::path& path) const {
  const std::filesystem::path normal = FullPath(path);
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].normal.native() == normal.native()) return static_cast<int32_t>(i);
  return -1;
}

int32_t PathList::FindTagged(const std::filesystem::path& path, int16_t tag) const {
  const std::filesystem::path normal = FullPath(path);
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].tag == tag && entries_[i].normal.native() == normal.native())
      return static_cast<int32_t>(i);
  return -1;
}

int32_t PathList::Remove(const std::filesystem::path& path) {
  const int32_t i = Find(path);
  if (i >= 0) entries_.erase(entries_.begin() + i);
  return Count();
}

void PathList::Clear() { entries_.clear(); }

void PathList::DeleteFilesAndClear() {
  for (const Entry& e : entries_) {
    std::error_code ec;
    std::filesystem::remove(e.path, ec);
  }
  Clear();
}

const std::filesystem::path& PathList::At(int32_t i) const {
  static const std::filesystem::path kEmpty;
  return i >= 0 && i < Count() ? entries_[static_cast<size_t>(i)].path : kEmpty;
}

int16_t PathList::TagAt(int32_t i) const {
  return i >= 0 && i < Count() ? entries_[static_cast<size_t>(i)].tag : 0;
}

}  // namespace zh

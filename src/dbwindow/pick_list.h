// The databases used last, most recent first, kept in the settings file's group
// "PickList" under the keys Pick0 to Pick29.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace zh {

class ProfileFile;

class PickList {
 public:
  static constexpr int kCapacity = 30;

  // The databases a list without entries starts from, in this order: auto-save,
  // current, engine match, engine tournament (the owner reads them from the settings).
  using Defaults = std::array<std::string, 4>;

  // Reads the group: entries naming an existing file are taken in key order. When
  // none is taken, the defaults follow, unchecked.
  void Load(ProfileFile& file, const Defaults& defaults);
  // Replaces the group by Pick0 .. Pick(n-1); the caller writes the file back.
  void Save(ProfileFile& file) const;
  // Moves or puts the path at the front; the oldest entry leaves a full list.
  void Add(const std::string& path);

  const std::vector<std::string>& Paths() const { return paths_; }
  int Count() const { return static_cast<int>(paths_.size()); }

 private:
  std::vector<std::string> paths_;
};

}  // namespace zh

// A list of file paths with a 16-bit tag each (database and archive files; for media
// files the annotation type: 16 audio, 17 picture, 18 video).
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace zh {

class PathList {
 public:
  explicit PathList(int32_t capacity = 10);

  // Appends a copy of the path and answers its index. A full list first grows by half
  // its capacity, by 10 while the capacity is below 20.
  int32_t Add(const std::filesystem::path& path, int16_t tag = 0);
  // Index of the first equal path, or -1. Paths compare in their normal form ("." and
  // ".." folded, made absolute), byte for byte.
  int32_t Find(const std::filesystem::path& path) const;
  int32_t FindTagged(const std::filesystem::path& path, int16_t tag) const;
  // Removes the first equal entry; answers the number of entries left.
  int32_t Remove(const std::filesystem::path& path);
  void Clear();
  // Deletes every listed file from the disk, then clears the list.
  void DeleteFilesAndClear();

  // Path i, or an empty path when i is out of range.
  const std::filesystem::path& At(int32_t i) const;
  // Tag i, or 0 when i is out of range.
  int16_t TagAt(int32_t i) const;
  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  int32_t Capacity() const { return capacity_; }

 private:
  struct Entry {
    std::filesystem::path path;
    std::filesystem::path normal;
    int16_t tag;
  };

  int32_t capacity_;
  std::vector<Entry> entries_;
};

}  // namespace zh

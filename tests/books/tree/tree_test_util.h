// Scratch folders, generated keys and records for the position tree file tests.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "books/tree/tree_key_hash.h"
#include "books/tree/tree_page_records.h"
#include "core/rules/position_key.h"

namespace zh::test {

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string dir = (std::filesystem::temp_directory_path() / "zh-tree-XXXXXX").string();
    if (!mkdtemp(dir.data())) std::abort();
    path_ = dir;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  std::string Base() const { return (path_ / "tree").string(); }
  std::filesystem::path File(const char* extension) const {
    return path_ / (std::string("tree.") + extension);
  }

 private:
  std::filesystem::path path_;
};

using Key = std::vector<uint8_t>;

// Distinct keys of 9 to 20 bytes; the header byte carries the length.
inline std::vector<Key> GeneratedKeys(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<Key> keys;
  while (keys.size() < count) {
    const auto length = static_cast<uint8_t>(9 + random() % 12);
    Key key(length);
    for (auto& b : key) b = static_cast<uint8_t>(random());
    key[0] = static_cast<uint8_t>((key[0] & 0xE0) | length);
    keys.push_back(std::move(key));
  }
  return keys;
}

inline uint32_t HashOf(const Key& key) {
  return TreeKeyHash(key.data(), PositionKeyLength(key.data()));
}

// A record of the key with `moves` move entries and games = the key's length.
inline std::vector<uint8_t> RecordOf(const Key& key, int moves = 0) {
  TreeRecordItems items;
  for (int i = 0; i < moves; ++i)
    items.AddMove({static_cast<uint8_t>(i), static_cast<uint8_t>(i & 31)});
  items.statistics.games = static_cast<uint32_t>(key.size());
  items.eval = 3;
  return PackTreeRecord(key.data(), items);
}

}  // namespace zh::test

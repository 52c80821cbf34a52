// A cache of pawn-file scores. A file's score depends only on the pawns of its own
// and its two neighbouring files, the rooks on it, whether an enemy piece stands in
// front of each side's leading pawn, the file itself and the run's rows of the
// no-pawn-file values; the kings' race of passed pawns in the endgame is added by the
// caller. Keys hold all of these but the rows exactly, so a hit is the score itself;
// the cache empties itself when the rows change.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>

namespace zh::zelko2 {

// What the cache keeps of a file: white's part minus black's without the kings'
// race, and the own-view rank of each side's passed leading pawn (-1 none).
struct FileParts {
  int16_t base = 0;
  int8_t white_passed = -1;
  int8_t black_passed = -1;
};

class FileScoreCache {
 public:
  using Rows = std::array<std::array<int8_t, 8>, 2>;

  FileScoreCache() = default;
  // A copy starts empty: the entries are found again from their keys.
  FileScoreCache(const FileScoreCache&) {}
  FileScoreCache& operator=(const FileScoreCache&) { return *this; }

  // Empties the cache when the no-pawn-file rows differ from those of its entries.
  void Use(const Rows& rows) {
    std::array<uint64_t, 2> words;  // the 16 row bytes, compared without a library call
    static_assert(sizeof words == sizeof rows);
    std::memcpy(words.data(), rows.data(), sizeof words);
    if (entries_ && words == rows_) return;
    if (!entries_) entries_ = std::make_unique<Entry[]>(kEntries);
    else for (size_t i = 0; i < kEntries; ++i) entries_[i] = Entry{};
    rows_ = words;
  }
  // The parts of a key (never 0), or null when the key is not cached.
  const FileParts* Find(uint64_t key) const {
    const Entry& e = entries_[Index(key)];
    return e.key == key ? &e.parts : nullptr;
  }
  void Store(uint64_t key, const FileParts& parts) { entries_[Index(key)] = Entry{key, parts}; }

 private:
  static constexpr int kBits = 14;
  static constexpr size_t kEntries = size_t{1} << kBits;
  struct Entry {
    uint64_t key = 0;
    FileParts parts;
  };
  static size_t Index(uint64_t key) { return static_cast<size_t>((key * 0x9E3779B97F4A7C15u) >> (64 - kBits)); }

  std::unique_ptr<Entry[]> entries_;
  std::array<uint64_t, 2> rows_{};
};

}  // namespace zh::zelko2

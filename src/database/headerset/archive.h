// Archive (.tqv): the files of a database and its media packed into one file. Each
// file is cut into chunks of 61,440 bytes, each chunk stored as one block (length,
// 16-bit checksum, bytes), compressed by the block compressor when the file's tag is 1.
//
// Layout, little-endian: an 8-byte header (header length 8, entry count, entry size
// 149, version 3), the directory of fixed-size entries (128-byte zero-terminated name
// with '\' separators, int32 offset, stored size, unpacked size, compressed flag byte,
// int32 date yyyymmdd and time hhmmsscc of the last change, UTC), then the blocks of
// each file in directory order.
//
// Every field read from an archive is checked before use, so a damaged or hostile
// archive gives an error code and never writes outside the target folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/toolbox/compressor.h"

namespace zh {

class PathList;
class ReplacingFile;

class Archive {
 public:
  static constexpr uint16_t kHeaderLength = 8;
  static constexpr uint16_t kEntrySize = 149;
  static constexpr uint16_t kVersion = 3;
  static constexpr size_t kNameField = 128;
  static constexpr int32_t kChunk = 61440;
  static constexpr int32_t kMaxEntries = 65535;
  static constexpr int64_t kMaxOffset = INT32_MAX;

  explicit Archive(std::filesystem::path path);

  // Packs the listed files (tag 1: compressed) under their paths relative to `base`
  // into a temporary file that is renamed over the archive at the end, so a failed
  // Store keeps an older archive whole. ratio = stored bytes × 100 / file bytes.
  // 0; 1 a path outside `base`, a name of 128 bytes or more, two equal names, a file
  // over 2 GiB, data past offset 2^31 or more than 65,535 files; 6 a file to store
  // cannot be opened; 10 the archive cannot be created; 11 write error; 12 read error.
  int32_t Store(const PathList& files, const std::filesystem::path& base, int16_t& ratio);

  // Unpacks every file into `target` (made when missing). All names and targets are
  // checked first; when some targets exist, one Yes/No question decides. Each file is
  // written under a temporary name and renamed into place once all its blocks have
  // been verified; files finished before an error stay.
  // 0; 1 the user said No; 4 a bad header, directory entry or name; 10 the archive
  // cannot be opened or a target cannot be created; 11 write error; 12 read error;
  // 17 a damaged block; 20 a version other than 3.
  int32_t Extract(const std::filesystem::path& target);

  // The sum of the files' sizes. 0, or the codes of Extract's directory check.
  int32_t TotalUnpackedSize(int64_t& total);

  // The name of entry `index` with '/' separators, UTF-8; empty when there is none.
  std::string EntryName(int32_t index);

  // Lowers the limit on offsets, so that tests reach it with small files.
  void SetOffsetLimit(int64_t limit) { offsetLimit_ = limit; }

 private:
  struct Entry;
  class Folders;

  int32_t ReadDirectory(int fd, std::vector<Entry>& entries);
  int32_t StoreFile(int in, int64_t size, bool compress, ReplacingFile& out, int64_t& written);
  int32_t ExtractEntry(int archive, int root, const Entry& entry,
                       const std::filesystem::path& target);
  int32_t ExtractBlocks(int archive, const Entry& entry, int out);

  // The file that names_ were read from: device, inode, size and time of change.
  struct NameStamp {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = -1;
    int64_t seconds = 0;
    int64_t nanoseconds = 0;
    bool operator==(const NameStamp&) const = default;
  };

  std::filesystem::path path_;
  int64_t offsetLimit_ = kMaxOffset;
  std::vector<std::string> names_;
  NameStamp nameStamp_;
  Compressor compressor_;
  std::vector<uint8_t> chunk_;
  std::vector<uint8_t> block_;
};

}  // namespace zh

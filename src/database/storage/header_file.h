// The header file of a database: fixed-size records on a paged file, record 0 the
// file header, record n the header record of item n. All integers big-endian.
#pragma once

#include <cstdint>
#include <string>

#include "database/storage/header_record.h"
#include "database/storage/packed_header_record.h"
#include "database/storage/paged_file.h"

namespace zh {

class FileTqh {
 public:
  static constexpr uint16_t kRecordSize = 46;
  static constexpr uint16_t kMinRecordSize = 46;
  static constexpr uint16_t kMaxRecordSize = 64;
  static constexpr uint16_t kUsedHeaderLength = 36;
  static constexpr uint16_t kFormatWord = 256;
  // The next record number is stored in 24 bits.
  static constexpr uint32_t kMaxNextRecord = 0xFFFFFF;
  static constexpr uint32_t kBufferSize = 23000;
  static constexpr uint32_t kLookBack = 20700;

  // Opens base + extension; a missing file is created when `create` is set.
  FileTqh(const std::string& basePath, const std::string& extension, bool create);
  ~FileTqh();
  FileTqh(const FileTqh&) = delete;
  FileTqh& operator=(const FileTqh&) = delete;

  // 0, or 12 when the record cannot be read or its kind is unknown.
  int ReadRecord(uint32_t n, HeaderRecord& header);
  // 0, 11 on a write error, or the packing result; record 0 refreshes the file header.
  int WriteRecord(uint32_t n, const HeaderRecord& header);
  // The record's RecordSize() bytes into `bytes`, and its layout; null where
  // ReadRecord fails.
  const PackedLayout* ReadPacked(uint32_t n, uint8_t* bytes) {  // inline: called per item
    if (error_ || n > kMaxNextRecord) return nullptr;
    if (file_.Read(bytes, uint64_t{n} * recordSize_, recordSize_) != 0) return nullptr;
    return PackedRecord::LayoutOf(bytes[0]);
  }
  // Records first .. first + count - 1 from `bytes`, RecordSize() bytes each, in one
  // write; record 0 is not written this way. 0 or 11.
  int WritePacked(uint32_t first, uint32_t count, const uint8_t* bytes);
  // Writes at the next record number, raises it and writes record 0; 1 when the
  // numbers are used up.
  int AppendRecord(const HeaderRecord& header);
  int ReadFileHeader();
  int WriteFileHeader();
  // While the file writes behind, appends leave record 0 in memory for this call.
  int FlushFileHeader() { return headerPending_ ? WriteFileHeader() : 0; }

  bool HasError() const { return error_; }
  uint16_t RecordSize() const { return recordSize_; }
  uint32_t NextRecord() const { return fileHeader_.header32[0]; }
  void SetNextRecord(uint32_t n) { fileHeader_.header32[0] = n; }
  uint32_t ItemCount() const { return NextRecord() ? NextRecord() - 1 : 0; }
  // Media counters: audio, picture and video objects.
  uint32_t& MediaCount(int i) { return fileHeader_.header32[1 + i]; }
  HeaderRecord& FileHeader() { return fileHeader_; }
  PagedFile& File() { return file_; }

 private:
  // Takes the record size from the file header; false (error flag set) outside 46..64.
  bool TakeRecordSize();

  PagedFile file_;
  bool error_ = true;
  uint16_t recordSize_ = kRecordSize;
  bool headerPending_ = false;
  HeaderRecord fileHeader_;
};

}  // namespace zh

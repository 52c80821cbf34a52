#include "database/storage/header_file.h"

#include <cstring>

namespace zh {

FileTqh::FileTqh(const std::string& basePath, const std::string& extension, bool create)
    : file_(PathWithExtension(basePath, extension), create, kBufferSize, kLookBack,
            PagedFile::kSequential) {
  fileHeader_.type = kFileHeaderRecord;
  fileHeader_.header16[0] = kUsedHeaderLength;
  fileHeader_.header16[1] = kRecordSize;
  fileHeader_.header16[2] = kFormatWord;
  if (file_.State() == PagedFile::kOpened) {
    ReadFileHeader();
  } else if (file_.State() == PagedFile::kCreated) {
    SetNextRecord(1);
    WriteFileHeader();
  }
}

FileTqh::~FileTqh() {
  FlushFileHeader();
  file_.Close();
}

bool FileTqh::TakeRecordSize() {
  const uint16_t size = fileHeader_.header16[1];
  error_ = size < kMinRecordSize || size > kMaxRecordSize;
  if (!error_) recordSize_ = size;
  return !error_;
}

int FileTqh::ReadFileHeader() {
  uint8_t bytes[kHeaderRecordBuffer] = {};
  HeaderRecord header;
  if (file_.Read(bytes, 0, kUsedHeaderLength) != 0 || header.UnpackFileHeader(bytes) != 0) {
    error_ = true;
    return PagedFile::kReadError;
  }
  fileHeader_ = header;
  return TakeRecordSize() ? 0 : PagedFile::kReadError;
}

int FileTqh::WriteFileHeader() {
  uint8_t bytes[kHeaderRecordBuffer];
  fileHeader_.type = kFileHeaderRecord;
  if (fileHeader_.Pack(bytes) != 0 || !TakeRecordSize() ||
      file_.Write(bytes, 0, recordSize_) != 0)
    return PagedFile::kWriteError;
  headerPending_ = false;
  return 0;
}

int FileTqh::ReadRecord(uint32_t n, HeaderRecord& header) {
  if (error_ || n > kMaxNextRecord) return PagedFile::kReadError;
  uint8_t bytes[kHeaderRecordBuffer] = {};
  if (file_.Read(bytes, uint64_t{n} * recordSize_, recordSize_) != 0) return PagedFile::kReadError;
  return header.Unpack(bytes) == 0 ? 0 : PagedFile::kReadError;
}

int FileTqh::WritePacked(uint32_t first, uint32_t count, const uint8_t* bytes) {
  if (error_ || first == 0 || uint64_t{first} + count > uint64_t{kMaxNextRecord} + 1)
    return PagedFile::kWriteError;
  const uint64_t length = uint64_t{count} * recordSize_;
  if (length > 0x7FFFFFFF) return PagedFile::kWriteError;
  return file_.Write(bytes, uint64_t{first} * recordSize_, static_cast<int32_t>(length)) == 0
             ? 0
             : PagedFile::kWriteError;
}

int FileTqh::WriteRecord(uint32_t n, const HeaderRecord& header) {
  if (error_ || n > kMaxNextRecord) return PagedFile::kWriteError;
  uint8_t bytes[kHeaderRecordBuffer];
  if (const int packed = header.Pack(bytes); packed != 0) return packed;
  if (n == 0) {
    HeaderRecord fresh;
    if (fresh.UnpackFileHeader(bytes) != 0 || fresh.header16[1] < kMinRecordSize ||
        fresh.header16[1] > kMaxRecordSize)
      return 1;
    fileHeader_ = fresh;
    TakeRecordSize();
  }
  if (file_.Write(bytes, uint64_t{n} * recordSize_, recordSize_) != 0) return PagedFile::kWriteError;
  return 0;
}

int FileTqh::AppendRecord(const HeaderRecord& header) {
  const uint32_t n = NextRecord();
  if (n == 0 || n >= kMaxNextRecord) return 1;
  if (const int code = WriteRecord(n, header); code != 0) return code;
  SetNextRecord(n + 1);
  headerPending_ = true;
  return file_.Flags() & PagedFile::kWriteBehind ? 0 : WriteFileHeader();
}

}  // namespace zh

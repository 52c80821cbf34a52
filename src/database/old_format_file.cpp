#include "database/old_format_file.h"

#include <cstring>

#include "core/byte_key.h"
#include "core/move_coding_tables.h"
#include "core/services.h"
#include "database/game_item.h"

namespace zh {

namespace {

constexpr int64_t kEntryLimit = 0xFFFFFFFFll;

}  // namespace

GameOffsetIndex::GameOffsetIndex(const std::string& path, bool create)
    : file_(path, create, 2048, 1024) {
  if (file_.State() == PagedFile::kCreated) {
    Set(0, 1);
    Set(1, 1);
  } else if (create && file_.State() == PagedFile::kOpened && file_.GetSize() < 8) {
    Set(0, 1);
    Set(1, 1);
  }
}

int64_t GameOffsetIndex::Get(uint32_t i) {
  uint8_t b[4];
  if (file_.Read(b, uint64_t{i} * 4, 4) != 0) return -1;
  const int64_t stored = int64_t{b[0]} << 24 | b[1] << 16 | b[2] << 8 | b[3];
  return stored - i;
}

int GameOffsetIndex::Set(uint32_t i, int64_t value) {
  const int64_t stored = value + i;
  if (value < 0 || stored > kEntryLimit) return -1;
  const uint8_t b[4] = {static_cast<uint8_t>(stored >> 24), static_cast<uint8_t>(stored >> 16),
                        static_cast<uint8_t>(stored >> 8), static_cast<uint8_t>(stored)};
  return file_.Write(b, uint64_t{i} * 4, 4) == 0 ? 0 : -1;
}

int GameOffsetIndex::AddToRange(uint32_t first, uint32_t last, int64_t delta) {
  for (uint32_t i = first; i <= last; ++i) {
    const int64_t v = Get(i);
    if (v < 0 || Set(i, v + delta) != 0) return 6;
    if (i == UINT32_MAX) break;
  }
  return 0;
}

FileTqf::FileTqf(const std::string& base, bool create, bool workingCopy)
    : data_(PathWithExtension(base, workingCopy ? "cxf" : "tqf"), create, 10240, 9216) {
  if (data_.State() == PagedFile::kOpened || data_.State() == PagedFile::kCreated) {
    index_ = std::make_unique<GameOffsetIndex>(PathWithExtension(base, workingCopy ? "cxi" : "tqi"),
                                               create || data_.State() == PagedFile::kCreated);
    if (index_->State() != PagedFile::kOpened && index_->State() != PagedFile::kCreated) index_.reset();
  }
}

int FileTqf::GetError() const {
  if (data_.State() != PagedFile::kOpened && data_.State() != PagedFile::kCreated) return data_.State();
  if (!index_) return 5;
  return index_->State();
}

int64_t FileTqf::GetGameOffset(int64_t k) {
  if (!index_ || k < 0 || k > kEntryLimit) return -1;
  const int64_t v = index_->Get(static_cast<uint32_t>(k));
  if (v < 0) return -1;
  return k == 0 ? v : v - 1;
}

int FileTqf::SetGameOffset(int64_t k, int64_t offset) {
  if (!index_ || k < 0 || k > kEntryLimit || offset < 0) return -1;
  return index_->Set(static_cast<uint32_t>(k), k == 0 ? offset : offset + 1);
}

int FileTqf::ReadRecord(int64_t k, std::vector<uint8_t>& bytes, TqfRecord* out) {
  if (k < 1 || k > GameCount()) return 1;
  const int64_t at = GetGameOffset(k);
  if (at < 0) return 12;
  uint8_t header[kTqfHeaderSize];
  if (data_.Read(header, static_cast<uint64_t>(at), kTqfHeaderSize) != 0) return 12;
  TqfRecord r;
  if (UnpackTqfHeader(header, r)) return 1;
  bytes.resize(static_cast<size_t>(r.RecordSize()));
  if (data_.Read(bytes.data(), static_cast<uint64_t>(at), r.RecordSize()) != 0) return 12;
  if (out) *out = r;
  return 0;
}

int FileTqf::ReadHeader(int64_t k, GameHeader& header) {
  std::vector<uint8_t> bytes;
  if (const int rc = ReadRecord(k, bytes)) return rc;
  return DecodeTqfHeader(bytes.data(), bytes.size(), header);
}

int FileTqf::ReadGame(int64_t k, TQGame& game) {
  std::vector<uint8_t> bytes;
  if (const int rc = ReadRecord(k, bytes)) return rc;
  const int rc = DecodeTqfGame(bytes.data(), bytes.size(), game);
  game.number = static_cast<int32_t>(k);
  return rc;
}

int FileTqf::ReadGameBody(int64_t k, TQGame& game) {
  std::vector<uint8_t> bytes;
  if (const int rc = ReadRecord(k, bytes)) return rc;
  const int rc = DecodeTqfGame(bytes.data(), bytes.size(), game, true);
  game.number = static_cast<int32_t>(k);
  return rc;
}

int FileTqf::StoreGame(int64_t k, const TQGame& game) {
  lastRecordSize_ = 0;
  const int64_t at = GetGameOffset(k);
  if (at < 0) return 1;
  std::vector<uint8_t> bytes;
  std::string error;
  if (EncodeTqfGame(game, bytes, &error) != 0) {
    LogLine(data_.Path() + ": game " + std::to_string(k) + " not stored: " + error);
    return 1;
  }
  if (data_.Write(bytes.data(), static_cast<uint64_t>(at), static_cast<int32_t>(bytes.size())) != 0) return 11;
  lastRecordSize_ = static_cast<int>(bytes.size());
  return 0;
}

int FileTqf::AppendGame(const TQGame& game) {
  const int64_t n = GetGameOffset(0);
  const int64_t start = GetGameOffset(n);
  if (n < 1 || start < 0) return 1;
  std::vector<uint8_t> probe;
  if (EncodeTqfGame(game, probe) == 0 && start + int64_t(probe.size()) + 1 + n + 1 > kEntryLimit) {
    LogLine(data_.Path() + ": the index has no room for another game");
    return 1;
  }
  if (StoreGame(n, game) != 0 || lastRecordSize_ <= 0) return 1;
  if (SetGameOffset(n + 1, start + lastRecordSize_) != 0 || SetGameOffset(0, n + 1) != 0) return 1;
  return 0;
}

int FileTqf::SetFlags(int64_t k, bool marked, bool deleted) {
  std::vector<uint8_t> bytes;
  if (const int rc = ReadRecord(k, bytes)) return rc;
  // Only the two flag bits and the check byte change.
  uint8_t* b = bytes.data();
  ScrambleTqf(b, kTqfHeaderSize, move_coding::kOldHeaderSeed, move_coding::kOldTextFactor);
  b[10] = static_cast<uint8_t>((b[10] & 0x3F) | (marked ? 0x40 : 0) | (deleted ? 0x80 : 0));
  b[13] = ByteKey().CheckByte(b, 13);
  ScrambleTqf(b, kTqfHeaderSize, move_coding::kOldHeaderSeed, move_coding::kOldTextFactor);
  return data_.Write(b, static_cast<uint64_t>(GetGameOffset(k)), kTqfHeaderSize) == 0 ? 0 : 11;
}

int FileTqf::Flush() {
  const int a = data_.WriteBack();
  const int b = index_ ? index_->WriteBack() : 0;
  return a ? a : b;
}

}  // namespace zh

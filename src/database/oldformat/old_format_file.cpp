#include "database/oldformat/old_format_file.h"

#include <cstring>

#include "core/rules/byte_key.h"
#include "core/rules/move_coding_tables.h"
#include "core/services.h"
#include "database/game/game_item.h"
#include "database/game/game_header.h"

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

int FileTqf::GetFlags(int64_t k, bool& marked, bool& deleted) {
  std::vector<uint8_t> bytes;
  TqfRecord r;
  if (const int rc = ReadRecord(k, bytes, &r)) return rc;
  marked = r.marked;
  deleted = r.deleted;
  return 0;
}

int FileTqf::WriteHeader(int64_t k, const GameHeader& header, bool headerOnly) {
  std::vector<uint8_t> bytes;
  TqfRecord r;
  if (const int rc = ReadRecord(k, bytes, &r)) return rc;
  const size_t oldTextEnd = size_t(kTqfHeaderSize) + r.playerLength + r.tournamentLength;
  SetTqfHeaderFields(header, r);
  std::vector<uint8_t> record(kTqfHeaderSize);
  if (headerOnly) {
    PackTqfHeader(r, record.data());
    return data_.Write(record.data(), static_cast<uint64_t>(GetGameOffset(k)), kTqfHeaderSize) == 0 ? 0 : 11;
  }
  std::string players, tournament;
  EncodeTqfTexts(header, players, tournament);
  r.playerLength = static_cast<uint8_t>(players.size());
  r.tournamentLength = static_cast<uint8_t>(tournament.size());
  r.storedConversion = true;
  PackTqfHeader(r, record.data());
  std::vector<uint8_t> texts(players.begin(), players.end());
  texts.insert(texts.end(), tournament.begin(), tournament.end());
  ScrambleTqf(texts.data(), int(texts.size()), TqfTextSeed(int(texts.size())), move_coding::kOldTextFactor);
  record.insert(record.end(), texts.begin(), texts.end());
  record.insert(record.end(), bytes.begin() + static_cast<std::ptrdiff_t>(oldTextEnd), bytes.end());
  return ReplaceRecord(k, record);
}

int FileTqf::ReplaceRecord(int64_t k, const std::vector<uint8_t>& bytes) {
  const int64_t count = GameCount();
  if (k < 1 || k > count) return 1;
  const int64_t start = GetGameOffset(k), end = GetGameOffset(k + 1);
  if (start < 0 || end < start) return 1;
  const int64_t growth = static_cast<int64_t>(bytes.size()) - (end - start);
  if (growth > 0) {
    const int64_t dataEnd = GetGameOffset(count + 1);
    if (dataEnd < 0 || dataEnd + growth + count + 1 > kEntryLimit) return 1;
    if (data_.MoveTail(static_cast<uint64_t>(end), growth) != 0) return 1;
    // Stored entries are the offset + 1; the range addition works on the stored values.
    if (const int rc = index_->AddToRange(static_cast<uint32_t>(k + 1), static_cast<uint32_t>(count + 1), growth))
      return rc;
  }
  if (data_.Write(bytes.data(), static_cast<uint64_t>(start), static_cast<int32_t>(bytes.size())) != 0) return 11;
  lastRecordSize_ = static_cast<int>(bytes.size());
  return 0;
}

int FileTqf::ReplaceGame(int64_t k, const TQGame& game) {
  if (k < 1) return 1;
  if (k > GameCount()) return AppendGame(game);
  std::vector<uint8_t> bytes;
  std::string error;
  if (EncodeTqfGame(game, bytes, &error) != 0) {
    LogLine(data_.Path() + ": game " + std::to_string(k) + " not stored: " + error);
    return 1;
  }
  return ReplaceRecord(k, bytes);
}

int FileTqf::ReadSpan(int64_t k, std::vector<uint8_t>& bytes) {
  if (k < 1 || k > GameCount()) return 1;
  const int64_t start = GetGameOffset(k), end = GetGameOffset(k + 1);
  if (start < 0 || end < start || end - start > INT32_MAX) return 12;
  bytes.resize(static_cast<size_t>(end - start));
  if (bytes.empty()) return 0;
  return data_.Read(bytes.data(), static_cast<uint64_t>(start), static_cast<int32_t>(bytes.size())) == 0 ? 0 : 12;
}

int FileTqf::AppendRecord(const std::vector<uint8_t>& bytes) {
  const int64_t n = GetGameOffset(0);
  const int64_t start = GetGameOffset(n);
  if (n < 1 || start < 0) return 1;
  const int64_t end = start + static_cast<int64_t>(bytes.size());
  if (end + n + 1 > kEntryLimit) return 1;
  if (!bytes.empty() &&
      data_.Write(bytes.data(), static_cast<uint64_t>(start), static_cast<int32_t>(bytes.size())) != 0)
    return 11;
  if (SetGameOffset(n + 1, end) != 0 || SetGameOffset(0, n + 1) != 0) return 11;
  return 0;
}

int FileTqf::AppendRange(FileTqf& source, int64_t first, int64_t last) {
  if (first < 1 || last < first || last > source.GameCount()) return 1;
  const int64_t from = source.GetGameOffset(first), to = source.GetGameOffset(last + 1);
  const int64_t n = GetGameOffset(0), at = GetGameOffset(n);
  if (from < 0 || to < from || n < 1 || at < 0) return 1;
  const int64_t games = last - first + 1;
  if (at + (to - from) + n + games > kEntryLimit) return 1;
  if (data_.CopyFrom(source.data_, static_cast<uint64_t>(at), static_cast<uint64_t>(from),
                     static_cast<uint64_t>(to - from)) != 0)
    return 11;
  for (int64_t i = 1; i <= games; ++i) {
    const int64_t next = source.GetGameOffset(first + i);
    if (next < 0) return 1;
    if (SetGameOffset(n + i, at + (next - from)) != 0) return 11;
  }
  return SetGameOffset(0, n + games) == 0 ? 0 : 11;
}

void FileTqf::SetDeferredWrite(bool on) {
  if (on) data_.EnableWriteBehind();
  else data_.DisableWriteBehind();
  if (index_) index_->SetDeferredWrite(on);
}

int FileTqf::Flush() {
  const int a = data_.WriteBack();
  const int b = index_ ? index_->WriteBack() : 0;
  return a ? a : b;
}

}  // namespace zh

#include "database/storage/game_file.h"

#include <algorithm>
#include <cstring>

#include "core/toolbox/big_endian.h"
#include "core/toolbox/code_pages.h"
#include "core/services.h"
#include "database/storage/annotation_file.h"
#include "database/game/game_body.h"
#include "database/game/game_item.h"
#include "database/storage/start_position_record.h"

namespace zh {

namespace {

constexpr uint32_t kBufferSize = 32000;
constexpr uint32_t kLookBack = 28000;
constexpr uint8_t kVersionBits = 0x3F;
constexpr int kTextSlots = 8;

// Content flags and the variation size class of the abundance word.
constexpr uint32_t kSetUpContent = 1;
constexpr uint32_t kVariationContent = 2;

uint16_t VariationSizeClass(int variationMoves) {
  if (variationMoves > 1000) return 3;
  if (variationMoves > 300) return 2;
  if (variationMoves > 50) return 1;
  return 0;
}

// A set-up start the coder can play from.
bool IsValidStart(const Position& p) {
  return p.IsValid();
}

// Fields of a text record in order, each bounded by the record.
class RecordReader {
 public:
  RecordReader(const uint8_t* bytes, uint32_t length) : p_(bytes), end_(length) {}
  bool Word(uint32_t& v) {
    if (end_ - pos_ < 2) return false;
    v = GetBigEndian(p_ + pos_, 2);
    pos_ += 2;
    return true;
  }
  bool Byte(uint8_t& v) {
    if (end_ - pos_ < 1) return false;
    v = p_[pos_++];
    return true;
  }
  // A 16-bit length and that many bytes.
  bool Bytes(std::string& out) {
    uint32_t n;
    if (!Word(n) || end_ - pos_ < n) return false;
    out.assign(reinterpret_cast<const char*>(p_ + pos_), n);
    pos_ += n;
    return true;
  }

 private:
  const uint8_t* p_;
  uint32_t end_;
  uint32_t pos_ = 0;
};

void PutWord(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}

// A 16-bit length and the bytes, cut at 65,535.
void PutBytes(std::vector<uint8_t>& out, const std::string& bytes) {
  const size_t n = std::min<size_t>(bytes.size(), 0xFFFF);
  PutWord(out, static_cast<uint32_t>(n));
  out.insert(out.end(), bytes.begin(), bytes.begin() + static_cast<long>(n));
}

// Sets the busy flag for one operation.
class Busy {
 public:
  explicit Busy(bool& flag) : flag_(flag), was_(flag) { flag = true; }
  ~Busy() {
    if (!was_) flag_ = false;
  }
  bool Refused() const { return was_; }

 private:
  bool& flag_;
  bool was_;
};

int BeginAnnotationRead(FileTqa* file, const TQGame& game) {
  return file->BeginRead(game);
}
int BeginAnnotationBlock(FileTqa* file, const TQGame& game) {
  return file->BeginBlock(game);
}
int FinishAnnotationBlock(FileTqa* file, TQGame& game) {
  return file->FinishBlock(game);
}

}  // namespace

FileTqg::FileTqg(const std::string& basePath, const std::string& extension, bool create)
    : file_(PathWithExtension(basePath, extension), create, kBufferSize, kLookBack,
            PagedFile::kSequential) {
  if (file_.State() == PagedFile::kCreated && WriteHeader() != 0) error_ = true;
  if (file_.State() != PagedFile::kOpened && file_.State() != PagedFile::kCreated) error_ = true;
  if (!error_ && ReadHeader() != 0) error_ = true;
}

FileTqg::~FileTqg() {
  FlushHeader();
  file_.Close();
}

int FileTqg::WriteHeader() {
  headerPending_ = true;
  return file_.Flags() & PagedFile::kWriteBehind ? 0 : FlushHeader();
}

int FileTqg::FlushHeader() {
  if (!headerPending_) return 0;
  uint8_t bytes[kHeaderSize];
  PackBigEndian10(bytes, format_, end_, waste_);
  if (file_.Write(bytes, 0, kHeaderSize) != 0) return PagedFile::kWriteError;
  headerPending_ = false;
  return 0;
}

int FileTqg::ReadHeader() {
  uint8_t bytes[kHeaderSize];
  if (file_.Read(bytes, 0, kHeaderSize) != 0) return PagedFile::kReadError;
  UnpackBigEndian10(bytes, format_, end_, waste_);
  end_ = std::max(end_, kHeaderSize);
  return 0;
}

int FileTqg::SetEnd(uint32_t offset) {
  const uint32_t old = end_;
  end_ = std::max(offset, kHeaderSize);
  if (WriteHeader() == 0) return 0;
  end_ = old;
  return PagedFile::kWriteError;
}

int FileTqg::SetWaste(uint32_t bytes) {
  const uint32_t old = waste_;
  waste_ = bytes;
  if (WriteHeader() == 0) return 0;
  waste_ = old;
  return PagedFile::kWriteError;
}

int64_t FileTqg::RecordLength(uint32_t offset) {
  uint8_t header[kRecordHeaderSize];
  if (file_.Read(header, offset, kRecordHeaderSize) != 0) return -1;
  return GetBigEndian(header + 1, 3);
}

uint8_t* FileTqg::WorkBuffer() {
  if (!buffer_) {
    for (int size : {kWorkBufferSize, 1024}) {
      buffer_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(size)]);
      if (buffer_) {
        bufferSize_ = size;
        break;
      }
    }
  }
  return buffer_.get();
}

int FileTqg::ReadPiece(uint8_t* buffer, int& length) {
  const uint32_t n = std::min(pieceLeft_, static_cast<uint32_t>(std::max(length, 0)));
  length = 0;
  if (n == 0) return 0;
  if (file_.Read(buffer, pieceOffset_, static_cast<int32_t>(n)) != 0) return PagedFile::kReadError;
  pieceOffset_ += n;
  pieceLeft_ -= n;
  length = static_cast<int>(n);
  return 0;
}

int FileTqg::WritePiece(const uint8_t* buffer, int length) {
  if (written_.size() + static_cast<size_t>(length) > kMaxRecordLength) {
    tooLong_ = true;
    return 1;
  }
  written_.insert(written_.end(), buffer, buffer + length);
  return 0;
}

bool FileTqg::BodyPlausible(const TQGame& game, uint32_t bodyLength) const {
  const GameBody& body = game.body;
  const int64_t m = game.header.GetMoveCount();
  const bool blackFirst = body.IsSetUp() && body.start.start.position.side == 1;
  const int version = body.Version();
  if (version >= body_coding::kVersions) return true;
  int64_t least;
  if (body_coding::kVersionInfo[version].twoByte)
    least = blackFirst ? 4 * (m - 1) : 4 * m - 2;
  else
    least = blackFirst ? 2 * (m - 1) : 2 * m;
  return static_cast<int64_t>(bodyLength) >= least;
}

int FileTqg::OpenGameRecord(TQGame& game) {
  GameBody& body = game.body;
  const uint64_t offset = game.header.record.tqgOffset;
  uint8_t header[kRecordHeaderSize];
  if (file_.Read(header, offset, kRecordHeaderSize) != 0) return PagedFile::kReadError;
  const uint8_t kind = header[0];
  const uint32_t length = GetBigEndian(header + 1, 3);
  if (kind & kTextKind || length < kRecordHeaderSize || offset + length > end_) return PagedFile::kReadError;
  uint32_t bodyStart = kRecordHeaderSize;
  if (kind & kSetUpStart) {
    uint8_t record[StartPositionRecord::kNibbleLength];
    const uint32_t available = std::min<uint32_t>(length - kRecordHeaderSize, sizeof record);
    if (available < StartPositionRecord::kBitCodedLength ||
        file_.Read(record, offset + kRecordHeaderSize, static_cast<int32_t>(available)) != 0)
      return PagedFile::kReadError;
    StartRecord start;
    const int n = StartPositionRecord::Read(record, static_cast<int>(available), start);
    if (n == 0) return PagedFile::kReadError;
    if (!IsValidStart(start.start.position)) {
      body.SetStandardStart();
      return 1;
    }
    body.start = start;
    bodyStart += static_cast<uint32_t>(n);
  } else {
    body.SetStandardStart();
  }
  body.flags = kind & (kVersionBits | kSetUpStart);
  if (!BodyPlausible(game, length - bodyStart)) return 1;
  pieceOffset_ = offset + bodyStart;
  pieceLeft_ = length - bodyStart;
  return 0;
}

int FileTqg::ReadGame(TQGame& game, FileTqa* annotations, bool computeMoveTexts) {
  Busy busy(busy_);
  if (busy.Refused()) return 1;
  GameBody& body = game.body;
  body.ClearMoves();
  if (!game.header.IsGame()) return 0;
  if (!WorkBuffer()) return 5;
  if (const int rc = OpenGameRecord(game)) return rc;
  body.readVariations = body.readAnnotations = true;
  body.computeMoveTexts = computeMoveTexts;
  body.plyLimit = kPlyLimit;
  bool annotationsLost = false;
  if (annotations && game.header.GetTqaOffset() != 0 && BeginAnnotationRead(annotations, game) != 0) {
    annotations = nullptr;
    annotationsLost = true;
  }
  if (game.header.GetTqaOffset() == 0) annotations = nullptr;
  int rc = body.Decode(buffer_.get(), bufferSize_, *this, annotations);
  if (rc == 0 && annotationsLost) {
    body.damaged = true;
    LogLine("Load game error");
    rc = 12;
  }
  return rc;
}

int FileTqg::ReadBody(TQGame& game, int plyLimit, bool computeMoveTexts) {
  Busy busy(busy_);
  if (busy.Refused()) return 1;
  game.body.ClearMoves();
  if (!game.header.IsGame()) return 0;
  if (!WorkBuffer()) return 5;
  if (const int rc = OpenGameRecord(game)) return rc;
  GameBody& body = game.body;
  body.readVariations = body.readAnnotations = false;
  body.computeMoveTexts = computeMoveTexts;
  body.plyLimit = std::clamp(plyLimit, 0, kPlyLimit);
  return body.DecodeMainLine(buffer_.get(), bufferSize_, *this);
}

int FileTqg::ReadTrace(TQGame& game, TraceSink& trace, int plyLimit) {
  Busy busy(busy_);
  if (busy.Refused()) return 1;
  if (!game.header.IsGame()) {
    game.body.ClearMoves();
    return 0;
  }
  if (!WorkBuffer()) return 5;
  if (const int rc = OpenGameRecord(game)) return rc;
  game.body.plyLimit = std::clamp(plyLimit, 0, kPlyLimit);
  return game.body.DecodeInto(trace, buffer_.get(), bufferSize_, *this);
}

int FileTqg::AppendGame(TQGame& game, FileTqa* annotations) {
  Busy busy(busy_);
  if (busy.Refused()) return 1;
  if (!WorkBuffer()) return 5;
  GameBody& body = game.body;
  GameHeader& header = game.header;
  uint8_t start[StartPositionRecord::kNibbleLength];
  int startLength = 0;
  if (body.IsSetUp()) {
    if (!IsValidStart(body.start.start.position)) return 1;
    startLength = StartPositionRecord::Write(body.start, start);
  }
  if (annotations && !body.HasAnnotations()) annotations = nullptr;
  // The annotation block reaches the file only when it is finished: a refused or
  // failed game leaves the annotation file as it was.
  if (annotations)
    if (const int rc = BeginAnnotationBlock(annotations, game)) return rc;

  written_.clear();
  tooLong_ = false;
  const int rc = body.Encode(buffer_.get(), bufferSize_, *this, annotations);
  const uint64_t length = kRecordHeaderSize + static_cast<uint64_t>(startLength) + written_.size();
  const uint64_t offset = end_;
  const bool refused = tooLong_ || length > kMaxRecordLength || offset + length > endLimit;
  if (refused || rc) {
    written_ = {};
    return refused ? 1 : rc;
  }

  std::vector<uint8_t> record(kRecordHeaderSize);
  record[0] = static_cast<uint8_t>((body.flags & kVersionBits) | (body.IsSetUp() ? kSetUpStart : 0));
  PutBigEndian(record.data() + 1, 3, static_cast<uint32_t>(length));
  record.insert(record.end(), start, start + startLength);
  record.insert(record.end(), written_.begin(), written_.end());
  // The body buffer is kept for the next game unless this one made it large.
  if (written_.capacity() > (size_t{1} << 20))
    written_ = {};
  else
    written_.clear();
  if (file_.Write(record.data(), offset, static_cast<int32_t>(record.size())) != 0)
    return PagedFile::kWriteError;

  header.SetTqgOffset(static_cast<uint32_t>(offset));
  header.SetTqaOffset(0);
  header.SetContentFlags(0);
  header.SetWord43(0);
  if (annotations)
    if (const int finish = FinishAnnotationBlock(annotations, game)) return finish;
  uint32_t content = header.GetContentFlags();
  if (body.IsSetUp()) content |= kSetUpContent;
  if (body.HasVariations()) content |= kVariationContent;
  header.SetContentFlags(content);
  const int main = body.mainLine.Count();
  header.SetWord43(header.GetWord43() | VariationSizeClass(body.mainLine.CountMoves(0) - main));
  header.SetMoveCount(body.FullMoveCount());
  return SetEnd(static_cast<uint32_t>(offset + length));
}

int FileTqg::AppendText(TQTextItem& item) {
  Busy busy(busy_);
  if (busy.Refused()) return 1;
  std::vector<uint8_t> record(kRecordHeaderSize);
  PutWord(record, 1);
  const size_t titleCount = record.size();
  PutWord(record, 0);
  uint32_t titles = 0;
  for (int slot = 0; slot < kTextSlots; ++slot) {
    if (item.Title(slot).empty()) continue;
    PutWord(record, static_cast<uint32_t>(slot));
    PutBytes(record, Utf8ToDisplay(item.Title(slot)));
    ++titles;
  }
  PutBigEndian(record.data() + titleCount, 2, titles);
  record.push_back(item.flag);
  const size_t textCount = record.size();
  PutWord(record, 0);
  uint32_t texts = 0;
  for (int slot = 0; slot < kTextSlots; ++slot) {
    if (item.FormattedText(slot).empty()) continue;
    PutWord(record, static_cast<uint32_t>(slot));
    PutBytes(record, item.FormattedText(slot));
    PutBytes(record, item.FormatData(slot));
    ++texts;
  }
  PutBigEndian(record.data() + textCount, 2, texts);
  const uint64_t offset = end_;
  if (record.size() > kMaxRecordLength || offset + record.size() > endLimit) return 1;
  record[0] = kTextKind;
  PutBigEndian(record.data() + 1, 3, static_cast<uint32_t>(record.size()));
  if (file_.Write(record.data(), offset, static_cast<int32_t>(record.size())) != 0)
    return PagedFile::kWriteError;
  item.header.SetTqgOffset(static_cast<uint32_t>(offset));
  return SetEnd(static_cast<uint32_t>(offset + record.size()));
}

int FileTqg::ReadText(TQTextItem& item) {
  Busy busy(busy_);
  if (busy.Refused()) return 1;
  const uint64_t offset = item.header.record.tqgOffset;
  uint8_t header[kRecordHeaderSize];
  if (file_.Read(header, offset, kRecordHeaderSize) != 0) return PagedFile::kReadError;
  const uint32_t length = GetBigEndian(header + 1, 3);
  if (header[0] != kTextKind || length < kRecordHeaderSize + 2 || offset + length > end_)
    return PagedFile::kReadError;
  std::vector<uint8_t> bytes(length - kRecordHeaderSize);
  if (file_.Read(bytes.data(), offset + kRecordHeaderSize, static_cast<int32_t>(bytes.size())) != 0)
    return PagedFile::kReadError;

  // Everything is checked before the item changes.
  RecordReader in(bytes.data(), static_cast<uint32_t>(bytes.size()));
  uint32_t word, count;
  if (!in.Word(word) || word != 1 || !in.Word(count)) return PagedFile::kReadError;
  std::string titles[kTextSlots], texts[kTextSlots], formats[kTextSlots];
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t slot;
    std::string title;
    if (!in.Word(slot) || slot >= kTextSlots || !in.Bytes(title)) return PagedFile::kReadError;
    titles[slot] = DisplayToUtf8(title);
  }
  uint8_t flag;
  if (!in.Byte(flag) || !in.Word(count)) return PagedFile::kReadError;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t slot;
    std::string text, format;
    if (!in.Word(slot) || slot >= kTextSlots || !in.Bytes(text) || !in.Bytes(format))
      return PagedFile::kReadError;
    texts[slot] = std::move(text);
    formats[slot] = std::move(format);
  }
  for (int slot = 0; slot < kTextSlots; ++slot) {
    item.SetTitle(slot, titles[slot]);
    item.SetFormattedText(slot, texts[slot]);
    item.SetFormatData(slot, formats[slot]);
  }
  item.flag = flag;
  return 0;
}

}  // namespace zh

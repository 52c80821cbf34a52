#include "database/storage/annotation_file.h"

#include <algorithm>
#include <new>
#include <utility>

#include "core/toolbox/big_endian.h"
#include "database/game/annotation_set.h"
#include "database/game/game_item.h"
#include "database/game/training_payload.h"

namespace zh {

namespace {

constexpr int kReadError = PagedFile::kReadError;
constexpr int kWriteError = PagedFile::kWriteError;
constexpr int kUnreadableProlog = 11;
constexpr uint32_t kMaxCount = 0xFFFFFF;

// Counts above which a type is abundant in a game, by type 0..15.
constexpr uint16_t kAbundance[16] = {0, 0, 200, 9, 9, 5, 2, 9, 9, 5, 0, 0, 0, 0, 0, 0};

}  // namespace

FileTqa::FileTqa(const std::string& basePath, const std::string& extension, bool create)
    : file_(PathWithExtension(basePath, extension), create, kBufferSize, kLookBack,
            PagedFile::kSequential) {
  if (file_.State() == PagedFile::kCreated && WriteHeader() != 0) defect_ = true;
  if (ReadHeader() != 0) defect_ = true;
}

FileTqa::~FileTqa() {
  FlushHeader();
  buffer_.reset();
}

int FileTqa::WriteHeader() {
  headerPending_ = true;
  return file_.Flags() & PagedFile::kWriteBehind ? 0 : FlushHeader();
}

int FileTqa::FlushHeader() {
  if (!headerPending_) return 0;
  uint8_t bytes[kHeaderSize];
  PackBigEndian10(bytes, headerWord_, end_, wasted_);
  if (file_.Write(bytes, 0, kHeaderSize) != 0) return kWriteError;
  headerPending_ = false;
  return 0;
}

int FileTqa::ReadHeader() {
  uint8_t bytes[kHeaderSize];
  if (file_.Read(bytes, 0, kHeaderSize) != 0) return kReadError;
  UnpackBigEndian10(bytes, headerWord_, end_, wasted_);
  end_ = std::max(end_, kHeaderSize);
  return 0;
}

uint8_t* FileTqa::Buffer() {
  if (!buffer_) buffer_.reset(new (std::nothrow) uint8_t[kRecordBufferSize]);
  return buffer_.get();
}

int FileTqa::SetEnd(uint32_t offset) {
  const uint32_t old = end_;
  end_ = std::max(offset, kHeaderSize);
  if (WriteHeader() == 0) return 0;
  end_ = old;
  return kWriteError;
}

int FileTqa::SetWasted(uint32_t n) {
  const uint32_t old = wasted_;
  wasted_ = n;
  if (WriteHeader() == 0) return 0;
  wasted_ = old;
  return kWriteError;
}

// ---- writing

int FileTqa::BeginBlock(const TQGame& game) {
  return BeginBlock(static_cast<uint32_t>(game.number));
}

int FileTqa::BeginBlock(uint32_t gameNumber) {
  if (!Buffer()) return kNoMemory;
  gameNumber_ = gameNumber;
  blockStart_ = end_;
  // The prolog is written by FinishBlock, once the block has records.
  offset_ = blockStart_ + kPrologSize;
  block_.assign(kPrologSize, 0);
  kindFlags_ = 0;
  medalBits_ = 0;
  counters_.fill(0);
  recordsDone_ = 0;
  return 0;
}

void FileTqa::Account(const AnnotationEntry& entry, uint16_t length) {
  const int type = entry.type;
  // The text before a move counts as a text: text searches look for bit 2.
  const int kind = type == kTextBefore ? kTextAfter : type;
  if (kind < 32) kindFlags_ |= 1u << kind;
  if (type == kTrainingAnnotation && entry.Training() && entry.Training()->HoldsText())
    kindFlags_ |= 0x10000;
  if (type == kMedalAnnotation) medalBits_ |= static_cast<uint16_t>(entry.key);
  if (kind == kTextAfter) {
    const uint32_t sum = uint32_t{counters_[2]} + (length - 8u);
    counters_[2] = static_cast<uint16_t>(std::min<uint32_t>(sum, 0xFFFF));
  } else if (kind >= 3 && kind <= 15 && counters_[static_cast<size_t>(kind)] < 0xFFFF) {
    ++counters_[static_cast<size_t>(kind)];
  }
}

int FileTqa::WriteSet(const AnnotationSet& set, uint32_t key) {
  uint8_t* buffer = buffer_.get();
  if (!buffer) return kMalformed;
  for (int i = 0; i < set.Count(); ++i) {
    const AnnotationEntry& entry = set.EntryAt(i);
    const uint16_t length = EncodeAnnotationEntry(entry, buffer, key);
    if (length == 0) continue;
    if (recordsDone_ + 1 >= kMaxCount || offset_ + length > UINT32_MAX) return kWriteError;
    block_.insert(block_.end(), buffer, buffer + length);
    offset_ += length;
    ++recordsDone_;
    Account(entry, length);
  }
  return 0;
}

int FileTqa::FinishBlock(uint32_t& offset) {
  offset = 0;
  if (recordsDone_ == 0) return 0;
  AnnoProlog prolog{gameNumber_, recordsDone_ + 1, static_cast<uint32_t>(offset_ - blockStart_)};
  prolog.Write(block_.data());
  for (size_t done = 0; done < block_.size();) {
    const size_t n = std::min<size_t>(block_.size() - done, size_t{1} << 30);
    if (file_.Write(block_.data() + done, blockStart_ + done, static_cast<int32_t>(n)) != 0)
      return kWriteError;
    done += n;
  }
  block_.clear();
  if (SetEnd(static_cast<uint32_t>(offset_)) != 0) return kWriteError;
  offset = static_cast<uint32_t>(blockStart_);
  return 0;
}

int FileTqa::FinishBlock(TQGame& game) {
  uint32_t offset = 0;
  const int result = FinishBlock(offset);
  if (result != 0 || offset == 0) return result;
  GameHeader& header = game.header;
  header.SetTqaOffset(offset);
  header.SetContentFlags(kindFlags_);
  header.SetWord43(AbundanceFlags());
  header.SetMedals(header.GetMedals() | medalBits_);
  return 0;
}

uint16_t FileTqa::AbundanceFlags() const {
  uint16_t flags = 0;
  for (int t = 2; t < 16; ++t)
    if (counters_[static_cast<size_t>(t)] > kAbundance[t]) flags |= static_cast<uint16_t>(1u << t);
  return flags;
}

// ---- reading

int FileTqa::BeginRead(const TQGame& game) {
  const int64_t offset = game.header.GetTqaOffset();
  if (offset < 0) return kMalformed;
  return BeginRead(static_cast<uint32_t>(offset), static_cast<uint32_t>(game.number));
}

int FileTqa::BeginRead(uint32_t offset, uint32_t gameNumber) {
  recordsDone_ = recordCount_ = 0;
  offset_ = blockStart_ = blockEnd_ = offset;
  if (offset < kHeaderSize || uint64_t{offset} + kPrologSize > end_) return kMalformed;
  if (!Buffer()) return kNoMemory;
  uint8_t bytes[kPrologSize];
  if (file_.Read(bytes, offset, kPrologSize) != 0) return kUnreadableProlog;
  AnnoProlog prolog;
  if (prolog.Read(bytes) != 0 || prolog.game != (gameNumber & 0xFFFFFF) || prolog.recordCount == 0 ||
      prolog.blockLength < kPrologSize)
    return kMalformed;
  recordCount_ = prolog.recordCount;
  blockEnd_ = std::min<uint64_t>(end_, uint64_t{offset} + prolog.blockLength);
  offset_ = offset + kPrologSize;
  recordsDone_ = 1;
  return 0;
}

int FileTqa::ReadRecordHeader(AnnoRec& header) {
  uint8_t bytes[kRecordHeaderSize];
  if (offset_ + kRecordHeaderSize > blockEnd_) return kReadError;
  if (file_.Read(bytes, offset_, kRecordHeaderSize) != 0) return kReadError;
  header = AnnoRec::Read(bytes);
  // A length below the header would never advance.
  if (header.length < kRecordHeaderSize || offset_ + header.length > blockEnd_) return kReadError;
  return 0;
}

int FileTqa::ReadRecord(const AnnoRec& header, AnnotationSet& set) {
  uint8_t* buffer = buffer_.get();
  if (!buffer) return kNoMemory;
  if (file_.Read(buffer, offset_, header.length) != 0) return kReadError;
  AnnotationEntry entry;
  // A malformed record comes back as a kept unknown one and is added all the same.
  DecodeAnnotationEntry(entry, buffer, header.length);
  if (entry.type != 0) set.Append(entry.type, entry.key, std::move(entry.payload));
  ++recordsDone_;
  offset_ += header.length;
  return 0;
}

int FileTqa::ReadSet(const std::function<AnnotationSet*()>& target, int32_t& key) {
  AnnotationSet* set = nullptr;
  while (BlockHasMore()) {
    AnnoRec header;
    if (int r = ReadRecordHeader(header)) return r;
    if (static_cast<int32_t>(header.key) != key) {
      key = static_cast<int32_t>(header.key);
      return 0;
    }
    if (!set && !(set = target())) return kNoMemory;
    if (int r = ReadRecord(header, *set)) return r;
  }
  return 0;
}

int FileTqa::ReadSet(AnnotationSet& set, int32_t& key) {
  return ReadSet([&set] { return &set; }, key);
}

int FileTqa::ReadNextSet(AnnotationSet& set, int32_t& key) {
  key = -1;
  if (!BlockHasMore()) return 0;
  AnnoRec header;
  if (int r = ReadRecordHeader(header)) return r;
  key = static_cast<int32_t>(header.key);
  int32_t wanted = key;
  return ReadSet(set, wanted);
}

// Records that were never reached, or that the block's length cut off, are lost.
int FileTqa::EndRead() const { return recordsDone_ < recordCount_ ? kReadError : 0; }

// ---- maintenance

int64_t FileTqa::BlockLength(uint32_t offset) {
  uint8_t bytes[kPrologSize];
  AnnoProlog prolog;
  if (file_.Read(bytes, offset, kPrologSize) != 0 || prolog.Read(bytes) != 0) return -1;
  return prolog.blockLength;
}

int FileTqa::SetBlockGameNumber(uint32_t offset, uint32_t number) {
  uint8_t bytes[kPrologSize];
  AnnoProlog prolog;
  if (file_.Read(bytes, offset, kPrologSize) != 0 || prolog.Read(bytes) != 0) return kDefect;
  PutBigEndian(bytes, 3, number & 0xFFFFFF);
  return file_.Write(bytes, offset, kPrologSize) == 0 ? 0 : kDefect;
}

}  // namespace zh

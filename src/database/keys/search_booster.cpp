#include "database/keys/search_booster.h"

#include <algorithm>
#include <cctype>

#include "core/toolbox/big_endian.h"
#include "core/services.h"

namespace zh {

namespace {

uint32_t GetLittleEndian(const uint8_t* p, int width) {
  uint32_t v = 0;
  for (int i = width - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

void PutLittleEndian(uint8_t* p, int width, uint32_t v) {
  for (int i = 0; i < width; ++i, v >>= 8) p[i] = static_cast<uint8_t>(v);
}

uint32_t SwapNibbles(uint32_t byte) { return (byte & 0x0F) << 4 | (byte & 0xF0) >> 4; }

uint8_t ReverseBits(uint8_t b) {
  b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
  b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
  return static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

uint32_t MirrorWord(uint32_t w) {
  uint32_t out = 0;
  for (int i = 0; i < 4; ++i) out |= uint32_t{ReverseBits(static_cast<uint8_t>(w >> (8 * i)))} << (8 * i);
  return out;
}

// The two sides exchanged: material bytes 0 and 1, count nibbles, the groups and the
// square sets of the two sides, the halves of the placement word.
BoosterRecord ReverseColours(const BoosterRecord& r) {
  BoosterRecord out = r;
  const uint32_t w0 = r.words[0];
  out.words[0] = (w0 & 0xFF) << 8 | (w0 >> 8 & 0xFF) | (w0 & 0xFF0000) | SwapNibbles(w0 >> 24) << 24;
  const uint32_t w1 = r.words[1];
  out.words[1] = (w1 & 0xFFFF0000) | SwapNibbles(w1 & 0xFF) | SwapNibbles(w1 >> 8 & 0xFF) << 8;
  out.words[6] = r.words[6] << 16 | r.words[6] >> 16;
  for (int w : {2, 3, 8, 9, 12, 13}) std::swap(out.words[w], out.words[w + 2]);
  return out;
}

BoosterRecord MirrorSets(const BoosterRecord& r) {
  BoosterRecord out = r;
  for (int w = 8; w < kBoosterWords; ++w) out.words[w] = MirrorWord(r.words[w]);
  return out;
}

// A count nibble: 7 - count (capped) and the exact flag.
uint32_t CountNibble(uint8_t minimum, bool exact) {
  return (7u - std::min<uint32_t>(minimum, 7)) | (exact ? 8u : 0u);
}

uint32_t Nibble(const BoosterRecord& r, int i) {
  return i < 2 ? r.words[0] >> (24 + 4 * i) & 0xF : r.words[1] >> (4 * (i - 2)) & 0xF;
}

}  // namespace

BoosterPattern BoosterPattern::FromCriteria(const BoosterCriteria& c) {
  BoosterPattern p;
  uint32_t nibbles[6];
  for (int group = 0; group < 3; ++group)
    for (int side = 0; side < 2; ++side)
      nibbles[group * 2 + side] = c.material ? CountNibble(c.minimum[side][group], c.exact[side][group])
                                             : 7u;
  p.containment.words[0] = (c.material ? c.materialWord & 0xFFFFFF : 0) | nibbles[0] << 24 |
                           nibbles[1] << 28;
  p.containment.words[1] = nibbles[2] | nibbles[3] << 4 | nibbles[4] << 8 | nibbles[5] << 12;
  p.testPlacement = c.motif || c.manoeuvre;
  if (!p.testPlacement) return p;
  for (int w = 2; w < kBoosterWords; ++w) p.containment.words[w] = c.placement[w - 2];
  for (int k = 0; k < 6; ++k) {
    p.overlap.words[kAlternativePairs[k][0]] = c.alternatives[k][0];
    p.overlap.words[kAlternativePairs[k][1]] = c.alternatives[k][1];
    p.testOverlap |= (c.alternatives[k][0] | c.alternatives[k][1]) != 0;
  }
  return p;
}

BoosterPattern BoosterPattern::ColourReversed() const {
  BoosterPattern p = *this;
  p.containment = ReverseColours(containment);
  p.overlap = ReverseColours(overlap);
  return p;
}

BoosterPattern BoosterPattern::Mirrored() const {
  BoosterPattern p = *this;
  p.containment = MirrorSets(containment);
  p.overlap = MirrorSets(overlap);
  return p;
}

bool BoosterPattern::Matches(const BoosterRecord& r) const {
  const uint32_t material = containment.words[0] & 0xFFFFFF;
  if ((r.words[0] & material) != material) return false;
  for (int i = 0; i < 6; ++i) {
    const uint32_t want = Nibble(containment, i), have = Nibble(r, i) & 7;
    if ((want & 8) ? have != (want & 7) : have > want) return false;
  }
  if (testPlacement)
    for (int w = 2; w < kBoosterWords; ++w)
      if ((r.words[w] & containment.words[w]) != containment.words[w]) return false;
  if (testOverlap) {
    for (const auto& pair : kAlternativePairs) {
      const uint32_t first = overlap.words[pair[0]], second = overlap.words[pair[1]];
      if ((first | second) != 0 && !(first & r.words[pair[0]]) && !(r.words[pair[1]] & second))
        return false;
    }
  }
  return true;
}

BoosterPatternSet BoosterPatternSet::FromCriteria(const BoosterCriteria& criteria) {
  BoosterPatternSet set;
  set.patterns[0] = BoosterPattern::FromCriteria(criteria);
  if (criteria.reversedColours) set.patterns[set.count++] = set.patterns[0].ColourReversed();
  if (criteria.mirrored) set.patterns[set.count++] = set.patterns[0].Mirrored();
  if (criteria.reversedColours && criteria.mirrored)
    set.patterns[set.count++] = set.patterns[1].Mirrored();
  return set;
}

bool BoosterPatternSet::Matches(const BoosterRecord& record) const {
  for (int i = 0; i < count; ++i)
    if (patterns[i].Matches(record)) return true;
  return false;
}

bool BoosterFile::OpenFile(const std::string& databasePath, const std::string& extension,
                           bool create, uint32_t bufferSize, uint32_t lookBack) {
  file_ = PagedFileForExtension(databasePath, extension, create, bufferSize, lookBack);
  const int state = file_->State();
  if (state == PagedFile::kMissing || state == PagedFile::kCannotOpen) {
    status_ = state;
    return false;
  }
  return true;
}

int BoosterFile::ReadRecord(uint32_t game, uint8_t* bytes) {
  if (status_ != 0 || game == 0 || game >= count_) return kReadError;
  return file_->Read(bytes, uint64_t{game} * recordSize_, recordSize_) ? kReadError : 0;
}

int BoosterFile::WriteRecords(uint32_t first, uint32_t count, const uint8_t* records) {
  if (status_ != 0 || first == 0 || uint64_t{first} + count > 0xFFFFFFFFu) return kWriteError;
  if (file_->Write(records, uint64_t{first} * recordSize_,
                   static_cast<int32_t>(uint64_t{count} * recordSize_)) != 0)
    return kWriteError;
  count_ = std::max(count_, first + count);
  return WriteHeader();
}

int BoosterFile::LowerRecordCount(uint32_t count) {
  if (status_ != 0) return status_;
  count = std::max<uint32_t>(count, 1);
  if (count_ <= count) return 0;
  count_ = count;
  return WriteHeader();
}

SearchBooster::SearchBooster(const std::string& databasePath, const std::string& extension,
                             bool create, int kind) {
  std::string lower = extension;
  for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  complemented_ = lower != "cgi";
  if (!OpenFile(databasePath, lower, create, kBufferSize, kLookBack)) return;
  const uint64_t size = file_->GetSize();
  if (size == 0) {
    if (!create) {
      status_ = kBadHeader;
    } else if (kind < 0 || kind > 3) {
      status_ = kBadKind;
    } else {
      kind_ = kind;
      recordSize_ = kRecordSizes[kind];
      status_ = WriteHeader();
    }
    return;
  }
  uint8_t header[8];
  if (file_->Read(header, 0, 8) != 0) {
    status_ = kReadError;
    return;
  }
  count_ = GetBigEndian(header, 4);
  kind_ = static_cast<int>(GetBigEndian(header + 4, 2));
  recordSize_ = static_cast<int>(GetBigEndian(header + 6, 2));
  if (kind_ > 3 || recordSize_ != kRecordSizes[kind_]) {
    status_ = kBadKind;
  } else if (count_ < 1 || count_ > size / static_cast<uint64_t>(recordSize_)) {
    status_ = kBadHeader;
  }
}

int SearchBooster::WriteHeader() {
  std::vector<uint8_t> header(static_cast<size_t>(recordSize_));
  PutBigEndian(header.data(), 4, count_);
  PutBigEndian(header.data() + 4, 2, static_cast<uint32_t>(kind_));
  PutBigEndian(header.data() + 6, 2, static_cast<uint32_t>(recordSize_));
  if (file_->Write(header.data(), 0, recordSize_) != 0) return kWriteError;
  return file_->WriteBack() ? kWriteError : 0;
}

BoosterRecord SearchBooster::Unpack(const uint8_t* b) const {
  BoosterRecord r;
  const uint32_t material = GetLittleEndian(b, 3) ^ (complemented_ ? 0xFFFFFFu : 0u);
  r.words[0] = material | uint32_t{b[3]} << 24;
  r.words[1] = GetLittleEndian(b + 4, 2) | 0xFFFF0000u;
  r.words[2] = GetLittleEndian(b + 6, 4);
  r.words[3] = b[10] | 0xFFFFFF00u;
  r.words[4] = GetLittleEndian(b + 11, 4);
  r.words[5] = b[15] | 0xFFFFFF00u;
  r.words[6] = GetLittleEndian(b + 16, 4);
  r.words[7] = 0xFFFFFFFFu;
  for (int w = 8; w < kBoosterWords; ++w) r.words[w] = GetLittleEndian(b + 20 + 4 * (w - 8), 4);
  return r;
}

void SearchBooster::Pack(const BoosterRecord& r, uint8_t* b) const {
  PutLittleEndian(b, 3, (r.words[0] & 0xFFFFFF) ^ (complemented_ ? 0xFFFFFFu : 0u));
  b[3] = static_cast<uint8_t>(r.words[0] >> 24);
  PutLittleEndian(b + 4, 2, r.words[1]);
  PutLittleEndian(b + 6, 4, r.words[2]);
  b[10] = static_cast<uint8_t>(r.words[3]);
  PutLittleEndian(b + 11, 4, r.words[4]);
  b[15] = static_cast<uint8_t>(r.words[5]);
  PutLittleEndian(b + 16, 4, r.words[6]);
  for (int w = 8; w < kBoosterWords; ++w) PutLittleEndian(b + 20 + 4 * (w - 8), 4, r.words[w]);
}

bool SearchBooster::RecordMatches(uint32_t game) {
  uint8_t bytes[52];
  if (file_->Read(bytes, uint64_t{game} * recordSize_, recordSize_) != 0) return true;
  return patterns_.Matches(Unpack(bytes));
}

bool SearchBooster::Matches(uint32_t game) {
  if (status_ != 0 || kind_ != kScanKind || game == 0 || game >= count_) return true;
  return RecordMatches(game);
}

std::unique_ptr<SortedLONGArr> SearchBooster::Scan(const SortedLONGArr* candidates,
                                                   bool* stopped) {
  if (stopped) *stopped = false;
  if (!candidates && (status_ != 0 || kind_ != kScanKind)) return nullptr;  // all would match
  auto result = std::make_unique<SortedLONGArr>(1000);
  if (candidates) {
    for (uint32_t i = 0; i < candidates->Count(); ++i) {
      const int32_t game = candidates->Get(i);
      if (game <= 0 || Matches(static_cast<uint32_t>(game))) result->Append(game);
      if ((i + 1) % kListStep == 0) {
        StepFeedback(i + 1);
        if (ProcessShouldStop()) {
          if (stopped) *stopped = true;
          break;
        }
      }
    }
    return result;
  }
  const uint64_t giveUp = (uint64_t{count_} - 1) * 2 / 3;
  for (uint32_t game = 1; game < count_; ++game) {
    if (RecordMatches(game)) result->Append(static_cast<int32_t>(game));
    if (game % kGameStep == 0) {
      StepFeedback(game);
      if (result->Count() > giveUp) return nullptr;
      if (ProcessShouldStop()) {
        if (stopped) *stopped = true;
        break;
      }
    }
  }
  return result;
}

int FindStructureClass(uint64_t first, uint64_t second, std::span<const StructureClass> table) {
  for (size_t c = 0; c < table.size(); ++c) {
    const uint64_t mask1 = table[c][0] | uint64_t{table[c][1]} << 32;
    const uint64_t mask2 = table[c][2] | uint64_t{table[c][3]} << 32;
    if ((first & ~mask1) == 0 && (second & ~mask2) == 0) return static_cast<int>(c) + 1;
  }
  return 0;
}

std::span<const StructureClass> ShippedStructureClasses() { return {}; }

uint64_t MirrorSquareBytes(uint64_t set) {
  return MirrorWord(static_cast<uint32_t>(set)) | uint64_t{MirrorWord(static_cast<uint32_t>(set >> 32))} << 32;
}

OpeningsBooster::OpeningsBooster(const std::string& databasePath, const std::string& extension,
                                 bool create)
    : classes_(ShippedStructureClasses()) {
  recordSize_ = kRecordSize;
  if (!OpenFile(databasePath, extension, create, kBufferSize, kLookBack)) return;
  const uint64_t size = file_->GetSize();
  if (size == 0) {
    if (!create) {
      status_ = kBadHeader;
      return;
    }
    PutBigEndian(header_, 2, 16);
    PutBigEndian(header_ + 6, 2, 256);
    PutBigEndian(header_ + 10, 2, kRecordSize);
    PutBigEndian(header_ + 12, 2, firstPly_);
    PutBigEndian(header_ + 14, 2, lastPly_);
    status_ = WriteHeader();
    return;
  }
  if (file_->Read(header_, 0, kRecordSize) != 0) {
    status_ = kReadError;
    return;
  }
  count_ = GetBigEndian(header_ + 2, 4);
  firstPly_ = static_cast<uint16_t>(GetBigEndian(header_ + 12, 2));
  lastPly_ = static_cast<uint16_t>(GetBigEndian(header_ + 14, 2));
  // An unknown header is never used nor written.
  if (GetBigEndian(header_ + 6, 2) != 256 || GetBigEndian(header_ + 10, 2) != kRecordSize ||
      count_ < 1 || count_ > size / kRecordSize)
    status_ = kBadHeader;
}

int OpeningsBooster::WriteHeader() {
  PutBigEndian(header_ + 2, 4, count_);
  if (file_->Write(header_, 0, kRecordSize) != 0) return kWriteError;
  return file_->WriteBack() ? kWriteError : 0;
}

bool OpeningsBooster::Prepare(const BoosterCriteria& criteria) {
  prepared_ = false;
  if (status_ != 0 || !criteria.motif) return false;
  if (criteria.firstMove < firstPly_ / 2 - 1 || criteria.lastMove > lastPly_ / 2 + 2) return false;
  const int c = FindStructureClass(criteria.squares[0], criteria.squares[1], classes_);
  if (c == 0) return false;
  std::fill(std::begin(pattern_), std::end(pattern_), 0u);
  std::fill(std::begin(mirroredPattern_), std::end(mirroredPattern_), 0u);
  pattern_[(c - 1) / 32] |= 1u << ((c - 1) % 32);
  const int m = FindStructureClass(MirrorSquareBytes(criteria.squares[0]),
                                   MirrorSquareBytes(criteria.squares[1]), classes_);
  if (m > 0) mirroredPattern_[(m - 1) / 32] |= 1u << ((m - 1) % 32);
  mirrored_ = criteria.mirrored;
  prepared_ = true;
  return true;
}

bool OpeningsBooster::RecordMatches(const uint8_t* bytes) const {
  bool plain = true, mirrored = mirrored_;
  for (int w = 0; w < 4; ++w) {
    const uint32_t set = GetBigEndian(bytes + 4 * w, 4);
    plain &= (set & pattern_[w]) == pattern_[w];
    mirrored &= (set & mirroredPattern_[w]) == mirroredPattern_[w];
  }
  return plain || mirrored;
}

bool OpeningsBooster::Matches(uint32_t game) {
  uint8_t bytes[kRecordSize];
  if (!prepared_ || ReadRecord(game, bytes) != 0) return true;
  return RecordMatches(bytes);
}

std::unique_ptr<SortedLONGArr> OpeningsBooster::Candidates() {
  if (!prepared_ || status_ != 0) return nullptr;
  auto result = std::make_unique<SortedLONGArr>(1000);
  for (uint32_t game = 1; game < count_; ++game) {
    uint8_t bytes[kRecordSize];
    if (ReadRecord(game, bytes) != 0 || RecordMatches(bytes)) result->Append(static_cast<int32_t>(game));
    if (game % SearchBooster::kGameStep == 0) StepFeedback(game);
  }
  return result;
}

bool CollectBoosterCandidates(OpeningsBooster* openings, SearchBooster& booster,
                              const BoosterCriteria& criteria, BoosterCandidates& out) {
  out = BoosterCandidates{};
  if (openings && openings->IsUsable() && openings->Prepare(criteria)) {
    ShowStatusMessage("Caching");
    openings->File().SetBufferSize(0x60000);
    out.list = openings->Candidates();
    openings->File().RestoreBuffer();
    if (out.list) out.covered = openings->RecordCount() - 1;
  }
  booster.Prepare(criteria);
  ShowStatusMessage("Caching");
  booster.File().SetBufferSize(out.list ? 0x8000 : 0x60000);
  bool stopped = false;
  std::unique_ptr<SortedLONGArr> scanned = booster.Scan(out.list.get(), &stopped);
  booster.File().RestoreBuffer();
  if (stopped) return false;
  if (scanned) {
    // A refined list keeps the openings booster's range (games beyond the search
    // booster stay in it); a list of its own covers the search booster's games.
    if (!out.list) out.covered = booster.RecordCount() - 1;
    out.list = std::move(scanned);
  }
  return out.list != nullptr;
}

std::vector<int64_t> CandidateGameOffsets(FileTqh& headers, const SortedLONGArr& candidates) {
  std::vector<int64_t> offsets(candidates.Count(), -1);
  headers.File().SetBufferSize(0x8000);
  for (uint32_t i = 0; i < candidates.Count(); ++i) {
    HeaderRecord record;
    const int32_t game = candidates.Get(i);
    if (game > 0 && headers.ReadRecord(static_cast<uint32_t>(game), record) == 0 &&
        record.type == kGameRecord)
      offsets[i] = record.tqgOffset;
    if ((i + 1) % 2000 == 0) StepFeedback(i + 1);
  }
  headers.File().RestoreBuffer();
  return offsets;
}

}  // namespace zh

// Per-game signature files that let a position search skip games cheaply.
//
// The search booster (.tqb, .cgi in the old format) holds one record per game after a
// big-endian header record {record count, kind, record size}. Only kind 1 (52-byte
// records, fields little-endian) is tested; every other kind, a damaged file and a
// game beyond the file answer "candidate", so a booster can only narrow a search.
//
// A kind-1 record unpacks into sixteen 32-bit words:
//   word 0      material word (bits 0-23: byte 0 white, byte 1 black, byte 2 both) and,
//               in bits 24-31, the first counts byte;
//   word 1      the second count word (bits 0-15), 1 bits above;
//   words 2-3   first five-byte placement group, 1 bits in the three bytes behind it;
//   words 4-5   second group, likewise;
//   word 6      placement word; word 7 all 1 bits;
//   words 8-15  four 64-bit square sets.
// A count nibble holds 7 - count in bits 0-2 (7 and more count as 7) and a flag in
// bit 3; the counts byte holds white in its low and black in its high nibble, the count
// word two more nibbles per side (white in nibbles 0 and 2).
//
// The openings booster (.tqo) holds one 128-bit set of structure classes per game.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/toolbox/int_array.h"
#include "database/storage/header_file.h"
#include "database/storage/paged_file.h"

namespace zh {

inline constexpr int kBoosterWords = 16;

// What a booster needs of a search mask.
struct BoosterCriteria {
  bool material = false;
  // Per side (0 white, 1 black) the least number of each of three counted groups,
  // and whether the count must be exactly that.
  uint8_t minimum[2][3] = {};
  bool exact[2][3] = {};
  uint32_t materialWord = 0;
  bool motif = false;
  bool manoeuvre = false;
  // Required bits of words 2..15 of a record.
  uint32_t placement[kBoosterWords - 2] = {};
  // Alternatives: pair k is met when its first word meets the record's first word of
  // pair k or its second word the record's second word.
  uint32_t alternatives[6][2] = {};
  bool reversedColours = false;
  bool mirrored = false;
  // The position motif of the openings booster: move window and two square sets.
  int firstMove = 0;
  int lastMove = 0;
  uint64_t squares[2] = {};
};

// One record, unpacked.
struct BoosterRecord {
  uint32_t words[kBoosterWords] = {};
};

// Record words of the six alternative pairs.
inline constexpr int kAlternativePairs[6][2] = {{2, 4}, {3, 5}, {8, 10}, {9, 11}, {12, 14}, {13, 15}};

struct BoosterPattern {
  BoosterRecord containment;  // words 0-1 material, 2-15 placement
  BoosterRecord overlap;      // alternative words at their record positions
  bool testPlacement = false;
  bool testOverlap = false;

  static BoosterPattern FromCriteria(const BoosterCriteria& criteria);
  BoosterPattern ColourReversed() const;
  BoosterPattern Mirrored() const;
  bool Matches(const BoosterRecord& record) const;
};

// The four patterns of a scan: the pattern, colour-reversed, mirrored and both, of
// which the criteria's options select those tested.
struct BoosterPatternSet {
  BoosterPattern patterns[4];
  int count = 1;

  static BoosterPatternSet FromCriteria(const BoosterCriteria& criteria);
  bool Matches(const BoosterRecord& record) const;
};

// The record file under both boosters: records of one size, record 0 the header.
class BoosterFile {
 public:
  static constexpr int kWriteError = 11;
  static constexpr int kReadError = 12;

  virtual ~BoosterFile() = default;
  int Status() const { return status_; }
  // Records including record 0.
  uint32_t RecordCount() const { return count_; }
  PagedFile& File() { return *file_; }
  // 12 for a game outside the file or a read error.
  int ReadRecord(uint32_t game, uint8_t* bytes);
  // Writes `count` records from game `first` and raises the record count over them.
  int WriteRecords(uint32_t first, uint32_t count, const uint8_t* records);
  // Drops the records from `count` on (record 0 stays): games that changed are no
  // longer judged by their old records.
  int LowerRecordCount(uint32_t count);

 protected:
  // Opens the file; false (status set to the open state) when it cannot be had.
  bool OpenFile(const std::string& databasePath, const std::string& extension, bool create,
                uint32_t bufferSize, uint32_t lookBack);
  virtual int WriteHeader() = 0;

  std::unique_ptr<PagedFile> file_;
  int status_ = 0;
  uint32_t count_ = 1;
  int recordSize_ = 0;
};

class SearchBooster : public BoosterFile {
 public:
  static constexpr int kRecordSizes[4] = {36, 52, 96, 36};
  static constexpr int kScanKind = 1;
  static constexpr int kBadKind = 1;
  static constexpr int kBadHeader = 10;
  static constexpr uint32_t kBufferSize = 62400;
  static constexpr uint32_t kLookBack = 57200;
  static constexpr uint32_t kListStep = 5000;
  static constexpr uint32_t kGameStep = 50000;

  // A new file gets kind `kind` and an empty header record.
  SearchBooster(const std::string& databasePath, const std::string& extension, bool create,
                int kind);

  int Kind() const { return kind_; }
  int RecordSize() const { return recordSize_; }

  // Prepares the pattern set that Matches and Scan test.
  void Prepare(const BoosterCriteria& criteria) { patterns_ = BoosterPatternSet::FromCriteria(criteria); }
  bool Matches(uint32_t game);
  // Games that can match: the listed ones (games beyond the file stay), or all. Null
  // when more than two thirds of the file's games match. A stop ends the scan with
  // what was found; `stopped` tells.
  std::unique_ptr<SortedLONGArr> Scan(const SortedLONGArr* candidates, bool* stopped = nullptr);

  // Kind 1: bytes to words and back (the .tqb form keeps the material word complemented).
  BoosterRecord Unpack(const uint8_t* bytes) const;
  void Pack(const BoosterRecord& record, uint8_t* bytes) const;

 private:
  bool RecordMatches(uint32_t game);
  int WriteHeader() override;

  bool complemented_ = true;
  int kind_ = 0;
  BoosterPatternSet patterns_;
};

// A structure class: two 64-bit masks as four 32-bit words.
using StructureClass = std::array<uint32_t, 4>;
// The first class (1-based) whose masks hold both sets, 0 for none.
int FindStructureClass(uint64_t first, uint64_t second, std::span<const StructureClass> table);
// The table the program ships: no classes.
std::span<const StructureClass> ShippedStructureClasses();
// Each byte's bit order reversed.
uint64_t MirrorSquareBytes(uint64_t set);

class OpeningsBooster : public BoosterFile {
 public:
  static constexpr int kRecordSize = 16;
  static constexpr int kBadHeader = 1;
  static constexpr uint32_t kBufferSize = 64000;
  static constexpr uint32_t kLookBack = 57600;

  OpeningsBooster(const std::string& databasePath, const std::string& extension, bool create);

  bool IsUsable() const { return status_ == 0; }
  void SetClassTable(std::span<const StructureClass> table) { classes_ = table; }

  // True when a pattern with a class bit could be made for the criteria's motif.
  bool Prepare(const BoosterCriteria& criteria);
  bool IsPrepared() const { return prepared_; }
  bool Matches(uint32_t game);
  // The games whose class set holds the pattern; null without a pattern.
  std::unique_ptr<SortedLONGArr> Candidates();


 private:
  bool RecordMatches(const uint8_t* bytes) const;
  int WriteHeader() override;

  uint16_t firstPly_ = 4;
  uint16_t lastPly_ = 30;
  uint8_t header_[kRecordSize] = {};
  std::span<const StructureClass> classes_;
  bool prepared_ = false;
  bool mirrored_ = false;
  uint32_t pattern_[4] = {};
  uint32_t mirroredPattern_[4] = {};
};

// The first steps of a booster-driven position search: the openings booster's
// candidates (when it can make a pattern), refined or made by the search booster's
// scan. False when the search must go without boosters: no list could be made, or the
// scan was stopped. Games after `covered` were not judged and go to the plain loop.
struct BoosterCandidates {
  std::unique_ptr<SortedLONGArr> list;
  uint32_t covered = 0;
};
bool CollectBoosterCandidates(OpeningsBooster* openings, SearchBooster& booster,
                              const BoosterCriteria& criteria, BoosterCandidates& out);

// The next step: each candidate's game offset from its raw header record, -1 unless
// the record is exactly an undeleted game record. Progress steps every 2000 candidates
// on the caller's feedback line.
std::vector<int64_t> CandidateGameOffsets(FileTqh& headers, const SortedLONGArr& candidates);

}  // namespace zh

// Records in the pages of a position tree. A page starts with u16 record count and u16
// bytes in use (header included); records follow without gaps. A record is the
// position key (its first byte's low five bits give its length L), the move list
// (byte 0 = its odd length n, then (n - 1) / 2 pairs of move byte and value byte) and
// the fixed tail of the item layout: statistics, learned value, evaluation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zh {

class GameHeader;

struct TreePageHeader {
  uint8_t count[2];
  uint8_t used[2];
};
static_assert(sizeof(TreePageHeader) == 4);

// Game statistics of a position, 30 bytes on disk.
struct StatisticItem {
  struct Bytes {
    uint8_t games[3];
    uint8_t whiteWins[3];
    uint8_t blackWins[3];
    uint8_t draws[3];
    uint8_t whitePoints[4];
    uint8_t whiteRated[3];
    uint8_t whiteRatingSum[4];
    uint8_t blackRated[3];
    uint8_t blackRatingSum[4];
  };

  uint32_t games = 0;
  uint32_t whiteWins = 0;
  uint32_t blackWins = 0;
  uint32_t draws = 0;
  uint32_t whitePoints = 0;  // tenths: 10 a win, 5 a draw
  uint32_t whiteRated = 0;
  uint32_t whiteRatingSum = 0;
  uint32_t blackRated = 0;
  uint32_t blackRatingSum = 0;

  // The record form holds counts up to kMaxCount and sums up to kMaxSum; Pack and Add
  // saturate there.
  static constexpr uint32_t kMaxCount = 0xFFFFFF;
  static constexpr uint32_t kMaxSum = 0xFFFFFFFF;

  void Pack(uint8_t* out) const;
  static StatisticItem Unpack(const uint8_t* in);

  // The operations below live in tree_statistics.cpp.
  void Copy(const StatisticItem& other) { *this = other; }
  // Adds every counter, saturating; a rating pair whose sum or count would pass its
  // maximum keeps both as they were, so that the average stays right.
  void Add(const StatisticItem& other);
  // One game of the header; null counts as InitUnknown.
  void FromGame(const GameHeader* header);
  void InitUnknown();
  // Bit 0 of the normalising steps set: White and Black exchanged.
  void SwapColours(int steps);
  int WhiteScore() const;
  int BlackScore() const;
  uint32_t AverageWhiteRating() const;
  uint32_t AverageBlackRating() const;
  int WhitePerformance() const;
  int BlackPerformance() const;
  // The 4-byte form of the write cache: ratings keep their low 12 bits.
  uint32_t PackCompact() const;
  void UnpackCompact(uint32_t compact);
  bool operator==(const StatisticItem&) const = default;
};
static_assert(sizeof(StatisticItem::Bytes) == 30);
static_assert(offsetof(StatisticItem::Bytes, whitePoints) == 12);
static_assert(offsetof(StatisticItem::Bytes, whiteRatingSum) == 19);
static_assert(offsetof(StatisticItem::Bytes, blackRatingSum) == 26);

inline constexpr uint32_t kZelkoItemSize = 2;
inline constexpr uint32_t kEvalItemSize = 1;
inline constexpr uint32_t kTreeRecordTail = sizeof(StatisticItem::Bytes) + kZelkoItemSize +
                                            kEvalItemSize;
static_assert(kTreeRecordTail == 33);

// A move list never holds more entries than its length byte can count.
inline constexpr int kMaxTreeMoves = 127;

struct TreeMoveEntry {
  uint8_t move = 0;  // stored move byte
  uint8_t value = 0;  // bits 0-4 annotation value, 5-7 flags
  bool operator==(const TreeMoveEntry&) const = default;
};

// The items of one record, unpacked.
struct TreeRecordItems {
  std::vector<TreeMoveEntry> moves;
  StatisticItem statistics;
  uint8_t zelko[kZelkoItemSize] = {0, 0};
  uint8_t eval = 0;

  // Adds a move entry; false, with the list unchanged, when it holds kMaxTreeMoves.
  bool AddMove(TreeMoveEntry entry);
};

// The record of a key (its length from its first byte) and items; moves beyond
// kMaxTreeMoves are not recorded.
std::vector<uint8_t> PackTreeRecord(const uint8_t* key, const TreeRecordItems& items);
// The items of a record that lies whole in `length` bytes; false when it does not.
bool UnpackTreeRecord(const uint8_t* record, size_t length, TreeRecordItems& items);

class TreePageRecords {
 public:
  static constexpr int kNotFound = -1;

  TreePageRecords(uint32_t pageSize, uint32_t fixedTail)
      : pageSize_(pageSize), tail_(fixedTail) {}

  static uint32_t Count(const uint8_t* page);
  static uint32_t Used(const uint8_t* page);
  static void SetHeader(uint8_t* page, uint32_t count, uint32_t used);
  static void MakeEmpty(uint8_t* page) { SetHeader(page, 0, 4); }

  // L + n + the fixed tail.
  uint32_t RecordLength(const uint8_t* record) const;
  // The record's own length when it is well formed (1 <= L <= 31, n odd) and lies in
  // `room` bytes, else 0.
  uint32_t CheckedLength(const uint8_t* record, uint32_t room) const;
  // Every record well formed and inside the used length, the count matching.
  bool IsSound(const uint8_t* page) const;

  // The index of the record with the key and its offset; kNotFound also for a damaged
  // page.
  int FindRecord(const uint8_t* page, const uint8_t* key, uint32_t& offset) const;
  // 0; 15 for a damaged page or a malformed record; 14 when it does not fit.
  int AppendRecord(uint8_t* page, const uint8_t* record, int& index, uint32_t& offset) const;
  // 0, or 15 when the index, the offset or the page is not sound.
  int RemoveRecord(uint8_t* page, int index, uint32_t offset) const;
  // Moves the records of the ascending `indexes` to the empty page made in `second` and
  // closes the gaps in `page`; 1 for a damaged page.
  int SplitPage(uint8_t* page, uint8_t* second, const uint16_t* indexes, int n) const;

  uint32_t PageSize() const { return pageSize_; }
  uint32_t Tail() const { return tail_; }

 private:
  uint32_t pageSize_;
  uint32_t tail_;
};

}  // namespace zh

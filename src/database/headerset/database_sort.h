// The order of all items of a header-set database by a criterion, computed by an
// external merge sort inside a memory budget without changing any file of the
// database: sorted runs go to temporary files in the database's folder and are merged
// five at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "database/storage/header_record.h"

namespace zh {

enum SortCriterion : int {
  kSortByTournament = 0,  // date key ascending, tournament, round, sub-round, players
  kSortByEco = 1,         // ECO code, then white and black player
  kSortNewestFirst = 7,   // like kSortByTournament with the date key descending
};

// What the sort reads of a database.
class SortSource {
 public:
  virtual ~SortSource() = default;
  virtual int Count() = 0;
  // Item n's header record (n from 1); false when it cannot be read or holds a library
  // reference out of range.
  virtual bool ReadRecord(int n, HeaderRecord& record) = 0;
  // Entries of the tournament library (numbers 0 .. count - 1).
  virtual int TournamentCount() = 0;
  // Packed date of a tournament entry; 0 for an unknown entry.
  virtual uint32_t TournamentDate(uint32_t tournament) = 0;
  // Sorted positions of entries in the tournament and player libraries. Load them
  // first (false when the orders cannot be had) and free them afterwards.
  virtual bool LoadSortOrders() = 0;
  virtual void FreeSortOrders() = 0;
  virtual uint32_t TournamentPosition(uint32_t tournament) = 0;
  virtual uint32_t PlayerPosition(uint32_t player) = 0;
  // Place and title of a tournament entry, compared as texts for undated tournaments.
  virtual std::pair<std::string, std::string> TournamentPlaceAndTitle(uint32_t tournament) = 0;
  // The title of text item n.
  virtual std::string TextTitle(int n) = 0;
  // Bytes of the database's files, for the disk-space check.
  virtual uint64_t FileBytes() { return 0; }
};

// One item as the sort compares it.
struct SortKey {
  int32_t item = 0;          // item number
  uint32_t tournament = 0;   // library entry
  uint32_t dateKey = 0;      // the tournament's date, or the game's year on 1 January
  uint32_t tournamentPosition = 0;
  uint32_t whitePosition = 0xFFFFFFFF;  // sorted positions; a text's players are last
  uint32_t blackPosition = 0xFFFFFFFF;
  uint16_t eco = 0xFFFF;
  int8_t round = 0;  // compared as signed bytes: a text's sub-round 255 comes first
  int8_t subRound = 0;
  uint8_t text = 0;
  uint8_t dated = 0;  // the tournament's date has a year
  uint8_t padding[2] = {};
};
static_assert(sizeof(SortKey) == 32);

// The comparison of two keys under a criterion. It is a strict total order: the
// tournament step compares dated tournaments by their library position, undated ones
// by place and title, and puts dated before undated ones, so no three keys form a
// cycle; keys equal in every field go by item number.
class SortKeyOrder {
 public:
  SortKeyOrder(SortSource& source, int criterion) : source_(source), criterion_(criterion) {}
  bool operator()(const SortKey& a, const SortKey& b) const;

 private:
  int CompareTournaments(const SortKey& a, const SortKey& b) const;
  SortSource& source_;
  int criterion_;
};

struct SortOptions {
  // Bytes the sort may hold; 0 takes half the memory budget, capped at 1 GiB.
  uint64_t memoryBudget = 0;
  // Told of each merge: the run numbers of the group and the number of the new run.
  std::function<void(const std::vector<int>& group, int into)> onMerge;
  // Told of the path of each run file when it is written.
  std::function<void(const std::string& path)> onRun;
};

// The item indexes (number - 1) of all items in the order of `criterion`, items whose
// records cannot be read last in number order; null for an empty database, too
// little memory or disk space, or a failed file operation. Run files are named with
// the temporary prefix of the folder and removed before the call returns.
std::unique_ptr<std::vector<int32_t>> SortItems(SortSource& source, const std::string& folder,
                                                int criterion, const SortOptions& options = {});

// The memory a maintenance call may use: `percent` of the budget, at most 1 GiB.
uint64_t MaintenanceBudget(uint32_t percent);

}  // namespace zh

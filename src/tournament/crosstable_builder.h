// Builds a crosstable from a list of game numbers of a database: gathers the games of
// one tournament and their players, scores them, and chooses the kind whose tests pass
// first. The window that shows the table adds only painting and measuring.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tournament/crosstable_kinds.h"
#include "tournament/crosstable_manager.h"

namespace zh {

class Database;
class SortedLONGArr;

// The games of a crosstable: a sorted list, or first..last; optionally a set of marked
// numbers.
class GameNumberRange {
 public:
  static GameNumberRange FromList(const SortedLONGArr& list);
  static GameNumberRange FromRange(int32_t first, int32_t last);

  int64_t Count() const;
  int32_t At(int64_t i) const;
  void Mark(int32_t number) { marked_.insert(number); }
  bool IsMarked(int32_t number) const { return marked_.count(number) != 0; }

 private:
  std::vector<int32_t> list_;
  bool isRange_ = false;
  int32_t first_ = 1, last_ = 0;
  std::set<int32_t> marked_;
};

// Round-robin tolerances of the display settings.
inline constexpr int kStrictRoundRobin = 10;
inline constexpr int kLooseRoundRobin = 95;

class CrosstableBuilder {
 public:
  CrosstableBuilder(Database& database, const GameNumberRange& games, int roundRobinTolerance);

  // The table's kind, or null with Message() telling why there is none.
  Tournament* Kind() const { return kind_.get(); }
  const CTourManager& Manager() const { return manager_; }
  const std::string& Message() const { return message_; }

 private:
  void Build(Database& database, const GameNumberRange& games, int tolerance);
  void ChooseKind(int tolerance);

  CTourManager manager_;
  std::unique_ptr<Tournament> kind_;
  std::string message_;
};

// Player slots for a list of n games: the table's own sizes (600 below 300 games, 4500
// above 4500), but never fewer than one per player the games can hold (2n + 1, up to
// 9000).
int32_t CrosstablePlayerCapacity(int64_t games);

}  // namespace zh

// The name pre-filter of a header-set search: the mask's player names, tournament
// text and annotator text turned once into lists of library entry numbers, against
// which raw header records are tested before any name is read.
//
// A player name that begins with a capital letter and holds no wildcard is taken as
// a range of the player library, from the name up to the name followed by 0xFF bytes,
// so names that go on with letters above 'z' (Müller for "M") stay in it; any other
// name, and the tournament and annotator texts, are matched against every entry.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/toolbox/int_array.h"

namespace zh {

class AnnotatorLib;
class PlayerLib;
class SearchCriteria;
class SourceLib;
class TournamentLib;
struct HeaderRecord;

class NameFilter {
 public:
  static constexpr int32_t kNoGame = 999999999;
  static constexpr size_t kPatternLength = 79;

  NameFilter(const SearchCriteria& mask, PlayerLib* players, TournamentLib* tournaments,
             AnnotatorLib* annotators, SourceLib* sources);

  // Makes the lists; 0, or the error of a library that could not be read.
  int Build();
  // The smallest first game of all matched names; 1 when the mask names nothing,
  // kNoGame when it names only what no game has.
  int32_t SmallestFirstGame() const { return smallest_; }
  bool HasLists() const { return players_ || tournaments_ || annotators_; }
  // A game record passes when its white or black player, its tournament or its
  // annotator is listed; other records and a filter without lists pass.
  bool Passes(const HeaderRecord& record) const;

  // Entries matched one by one against a pattern.
  uint32_t ScannedEntries() const { return scanned_; }
  const SortedLONGArr* Players() const { return players_.get(); }
  const SortedLONGArr* Tournaments() const { return tournaments_.get(); }
  const SortedLONGArr* Annotators() const { return annotators_.get(); }

 private:
  int AddPlayerName(int index);
  // Entries whose texts match the pattern, by a scan over the whole library.
  template <class Lib, class Match>
  int ScanLibrary(Lib& lib, const std::string& pattern, SortedLONGArr& list, Match&& match);
  void TakeFirstGame(int32_t first);

  const SearchCriteria& mask_;
  std::unique_ptr<SortedLONGArr> players_;
  std::unique_ptr<SortedLONGArr> tournaments_;
  std::unique_ptr<SortedLONGArr> annotators_;
  PlayerLib* playerLib_;
  TournamentLib* tournamentLib_;
  AnnotatorLib* annotatorLib_;
  SourceLib* sourceLib_;
  int32_t smallest_ = kNoGame;
  uint32_t scanned_ = 0;
  std::string pattern_;
};

}  // namespace zh

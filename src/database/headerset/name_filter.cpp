#include "database/headerset/name_filter.h"

#include <algorithm>

#include "core/toolbox/code_pages.h"
#include "core/services.h"
#include "database/database.h"
#include "database/game/header_items.h"
#include "database/headerset/header_library.h"
#include "database/storage/header_record.h"
#include "database/search_mask.h"

namespace zh {

namespace {

bool IsPlainPrefix(const std::string& name) {
  return !name.empty() && name[0] >= 'A' && name[0] <= 'Z' &&
         name.find_first_of("*?") == std::string::npos;
}

// The bytes followed by 0xFF up to the field's length, above every name that begins
// with them.
std::string UpperBound(const std::string& bytes, size_t length) {
  return bytes + std::string(length > bytes.size() ? length - bytes.size() : 1, '\xFF');
}

bool Listed(const SortedLONGArr* list, uint32_t entry) {
  return list && list->Contains(static_cast<int32_t>(entry));
}

}  // namespace

NameFilter::NameFilter(const SearchCriteria& mask, PlayerLib* players, TournamentLib* tournaments,
                       AnnotatorLib* annotators, SourceLib* sources)
    : mask_(mask), playerLib_(players), tournamentLib_(tournaments), annotatorLib_(annotators),
      sourceLib_(sources) {}

void NameFilter::TakeFirstGame(int32_t first) {
  smallest_ = std::min(smallest_, std::max(first, 1));
}

template <class Lib, class Match>
int NameFilter::ScanLibrary(Lib& lib, const std::string& pattern, SortedLONGArr& list, Match&& match) {
  pattern_ = pattern.substr(0, kPatternLength);
  ShowStatusMessage("Scanning library for: " + pattern_);
  const int32_t nodes = lib.NodeCount();
  if (nodes < 0) return lib.Status();
  auto item = lib.NewItem();
  for (int32_t entry = 0; entry < nodes; ++entry) {
    // Free nodes do not read as entries.
    if (lib.ReadEntry(*item, entry) != HeaderLib::kOk) continue;
    ++scanned_;
    if (!match(*item)) continue;
    list.Append(entry);
    TakeFirstGame(item->firstGame);
  }
  return 0;
}

int NameFilter::AddPlayerName(int index) {
  const std::string& last = mask_.PlayerLast(index);
  const std::string& first = mask_.PlayerFirst(index);
  if (IsPlainPrefix(last)) {
    const std::string lastBytes = Utf8ToDisplay(last), firstBytes = Utf8ToDisplay(first);
    TQPlayer low, high;
    low.SetLastNameBytes(lastBytes);
    low.SetFirstNameBytes(firstBytes);
    high.SetLastNameBytes(UpperBound(lastBytes, TQPlayer::kLastNameLength));
    high.SetFirstNameBytes(first.empty() ? std::string(TQPlayer::kFirstNameLength, '\xFF')
                                         : UpperBound(firstBytes, TQPlayer::kFirstNameLength));
    // The range is collected into a list of its own size (a full list ends the walk).
    const int32_t size = playerLib_->CountInRange(low, high);
    if (size < 0) return playerLib_->Status();
    SortedLONGArr range(static_cast<uint32_t>(size) + 1);
    if (const int rc = playerLib_->CollectRange(range, low, high)) return rc;
    for (uint32_t i = 0; i < range.Count(); ++i) {
      int32_t firstGame = 0, count = 0;
      if (playerLib_->GetGameRange(range.Get(i), firstGame, count) != HeaderLib::kOk) continue;
      players_->Append(range.Get(i));
      TakeFirstGame(firstGame);
    }
    return 0;
  }
  return ScanLibrary(*playerLib_, last, *players_, [&](const HeaderLibItem& item) {
    return MatchWildcard(static_cast<const TQPlayer&>(item).LastName(), last) != 0;
  });
}

int NameFilter::Build() {
  const bool names = !mask_.PlayerLast(0).empty() || !mask_.PlayerLast(1).empty();
  const std::string& tournament = mask_.TournamentText();
  const std::string& annotator = mask_.AnnotatorText();
  if (!names && tournament.empty() && annotator.empty()) {
    smallest_ = 1;
    return 0;
  }
  WaitCursor wait;
  if (names) {
    if (!playerLib_) return kDbLibraryDefect;
    players_ = std::make_unique<SortedLONGArr>();
    for (int index = 0; index < 2; ++index)
      if (!mask_.PlayerLast(index).empty())
        if (const int rc = AddPlayerName(index)) return rc;
    players_->SortUnique();
  }
  if (!tournament.empty()) {
    if (!tournamentLib_) return kDbLibraryDefect;
    tournaments_ = std::make_unique<SortedLONGArr>();
    if (const int rc = ScanLibrary(*tournamentLib_, tournament, *tournaments_, [&](const HeaderLibItem& item) {
          const auto& t = static_cast<const TQTournament&>(item);
          return MatchWildcard(t.Title(), tournament) || MatchWildcard(t.Place(), tournament);
        }))
      return rc;
    tournaments_->SortUnique();
  }
  if (!annotator.empty()) {
    if (!annotatorLib_) return kDbLibraryDefect;
    annotators_ = std::make_unique<SortedLONGArr>();
    if (const int rc = ScanLibrary(*annotatorLib_, annotator, *annotators_, [&](const HeaderLibItem& item) {
          return MatchWildcard(static_cast<const TQAnnotator&>(item).Name(), annotator) != 0;
        }))
      return rc;
    annotators_->SortUnique();
  }
  return 0;
}

bool NameFilter::Passes(const HeaderRecord& record) const {
  if (!record.IsGame() || !HasLists()) return true;
  return Listed(players_.get(), record.white) || Listed(players_.get(), record.black) ||
         Listed(tournaments_.get(), record.tournament) || Listed(annotators_.get(), record.annotator);
}

}  // namespace zh

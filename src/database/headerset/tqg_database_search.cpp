// The search of a header set: the name pre-filter and the boosters in front of the
// per-game tests, the booster-driven fast path of a position search, and the walks
// that find a stored game or a tournament's text again.
#include <algorithm>
#include <memory>
#include <string>

#include "core/toolbox/int_array.h"
#include "core/services.h"
#include "database/keys/booster_criteria.h"
#include "database/storage/game_file.h"
#include "database/game/game_header.h"
#include "database/game/game_item.h"
#include "database/storage/header_file.h"
#include "database/game/header_items.h"
#include "database/headerset/header_library.h"
#include "database/headerset/name_filter.h"
#include "database/keys/search_booster.h"
#include "database/search_mask.h"
#include "database/headerset/tqg_database.h"

namespace zh {

namespace {

constexpr int kCandidateOffsetsText = 630;
constexpr int kGamesSearchedText = 631;
constexpr int kCandidatePoll = 999;
constexpr int kPlainPoll = 10000;
constexpr uint32_t kCandidateBuffer = 0x8000;

bool PositionCriteria(const SearchCriteria& mask) {
  return mask.MaterialOn() || mask.MotifOn() || mask.ManeuverOn();
}

bool OtherCriteria(const SearchCriteria& mask) {
  return PositionCriteria(mask) || mask.SeveralPositionCriteria() || mask.AnnotationsOn() ||
         mask.FinalPositionOn() || mask.GameTestOn();
}

// Only position criteria: the boosters can narrow the search.
bool OnlyPositionCriteria(const SearchCriteria& mask) {
  return PositionCriteria(mask) && !mask.IsActive() && !mask.AnnotationsOn() &&
         !mask.FinalPositionOn() && !mask.GameTestOn();
}

// A title of the text in one of the scanned languages is the text (exact) or holds it.
bool TitleMatches(const TQTextItem& item, const std::string& text, bool exact) {
  for (int slot = 0; slot < TQTextItem::kScannedSlots; ++slot) {
    const std::string& title = item.Title(slot);
    if (exact ? title == text : title.find(text) != std::string::npos) return true;
  }
  return false;
}

}  // namespace

int TqgDatabase::SearchBegin(SearchCriteria& mask) {
  searchCounters_ = {};
  nameFilter_.reset();
  if (PositionCriteria(mask)) {
    // Boosters on disk take part; missing ones stay closed.
    OpenSearchBooster(false);
    OpenOpeningsBooster(false);
    const BoosterCriteria criteria = BoosterCriteriaOf(mask);
    if (searchBooster_) searchBooster_->Prepare(criteria);
    if (openingsBooster_ && openingsBooster_->IsUsable()) openingsBooster_->Prepare(criteria);
  }
  if (!mask.IsActive()) return OtherCriteria(mask) ? 1 : NameFilter::kNoGame;
  if (!header_) return NameFilter::kNoGame;
  auto filter = std::make_unique<NameFilter>(mask, players_.get(), tournaments_.get(),
                                             annotators_.get(), sources_.get());
  if (filter->Build() != 0) return NameFilter::kNoGame;
  const int32_t first = filter->SmallestFirstGame();
  nameFilter_ = std::move(filter);
  return OtherCriteria(mask) ? 1 : first;
}

void TqgDatabase::SearchEnd() {
  nameFilter_.reset();
}

int TqgDatabase::SearchNext(SearchCriteria& mask, TraceSink& trace, TQGame& game, int n) {
  if (mask.IsActive()) {
    if (!nameFilter_ || ReadHeaderRecord(n, game.header) != kDbDone) return kNoMatchingPly;
    ++searchCounters_.examined;
    if (!nameFilter_->Passes(game.header.record)) return kNoMatchingPly;
    if (nameFilter_->HasLists() && ReadHeader(n, game.header) != kDbDone) return kNoMatchingPly;
    if (!mask.MatchHeader(game.header)) return kNoMatchingPly;
  }
  if (PositionCriteria(mask)) {
    const auto number = static_cast<uint32_t>(n);
    if (openingsBooster_ && !openingsBooster_->Matches(number)) {
      ++searchCounters_.openingsRefused;
      return kNoMatchingPly;
    }
    if (searchBooster_ && !searchBooster_->Matches(number)) {
      ++searchCounters_.boosterRefused;
      return kNoMatchingPly;
    }
  }
  return MatchBeyondHeader(mask, trace, game, n);
}

int TqgDatabase::ReadGameForTest(int n, TQGame& game) {
  return ReadGame(n, game, false);
}

bool TqgDatabase::SearchCandidates(SearchCriteria& mask, TraceSink& trace, TQGame& game,
                                   SortedLONGArr& hits, int& next) {
  BoosterCandidates candidates;
  if (!CollectBoosterCandidates(openingsBooster_.get(), *searchBooster_, BoosterCriteriaOf(mask),
                                candidates))
    return true;
  const SortedLONGArr& list = *candidates.list;
  AddFeedbackLine(GetMessageText(kCandidateOffsetsText), list.Count());
  const std::vector<int64_t> offsets = CandidateGameOffsets(*header_, list);
  AddFeedbackLine(GetMessageText(kGamesSearchedText), list.Count());
  // The game file reads ahead (it is opened for sequential reading); candidates come
  // in file order.
  PagedFile& file = game_->File();
  file.SetBufferSize(kCandidateBuffer);
  trace.menFloor = mask.MinimumMen();
  bool stopped = false;
  for (uint32_t i = 0; i < list.Count() && !stopped; ++i) {
    if (offsets[i] >= 0 &&
        ReadGameTraceAt(static_cast<uint32_t>(offsets[i]), trace, game, mask.GetPlyLimit()) == kDbDone &&
        MatchTracedPositions(mask, trace) != kNoMatchingPly)
      hits.Append(list.Get(i));
    if ((i + 1) % kCandidatePoll == 0) {
      StepFeedback(i + 1);
      SetFeedbackCount(hits.Count());
      stopped = ProcessShouldStop();
    }
  }
  file.RestoreBuffer();
  next = static_cast<int>(candidates.covered) + 1;
  return !stopped;
}

std::unique_ptr<SortedLONGArr> TqgDatabase::Search(SearchCriteria& mask, const SortedLONGArr* list) {
  if (list) return TQFileDatabase::Search(mask, list);
  auto hits = std::make_unique<SortedLONGArr>(1000);
  const std::unique_ptr<TraceSink> trace = MakeSearchTrace(mask);
  const std::unique_ptr<TQGame> game = MakeWorkGame();
  if (!trace || !game) return hits;

  int next = SearchBegin(mask);
  bool goOn = true;
  if (OnlyPositionCriteria(mask) && searchBooster_ && header_ && game_)
    goOn = SearchCandidates(mask, *trace, *game, *hits, next);
  const int count = GetCount();
  if (goOn && next <= count) {
    AddFeedbackLine(GetMessageText(kGamesSearchedText), count - next + 1);
    for (int n = next, step = 1; n <= count; ++n, ++step) {
      if (SearchNext(mask, *trace, *game, n) != kNoMatchingPly) hits->Append(n);
      if (step % kPlainPoll == 0) {
        StepFeedback(step);
        SetFeedbackCount(hits->Count());
        if (ProcessShouldStop()) break;
      }
    }
  }
  SearchEnd();
  ShowStatusMessage("Result: " + std::to_string(hits->Count()));
  return hits;
}

int TqgDatabase::FindSameGame(const GameHeader& header, int mode) {
  if (mode != 1 || !header_ || !players_ || !tournaments_) return 0;
  int32_t white = -1, black = -1, tournament = -1;
  TQPlayer w = header.white, b = header.black;
  TQTournament t = header.tournament;
  players_->Find(w, white);
  players_->Find(b, black);
  tournaments_->Find(t, tournament);
  const int count = GetCount();
  GameHeader h;
  if (white >= 0 && black >= 0 && tournament >= 0) {
    int first = 1;
    for (int32_t entry : {white, black}) {
      int32_t firstGame = 0, games = 0;
      if (players_->GetGameRange(entry, firstGame, games) == HeaderLib::kOk) first = std::max(first, firstGame);
    }
    int32_t firstGame = 0, games = 0;
    if (tournaments_->GetGameRange(tournament, firstGame, games) == HeaderLib::kOk)
      first = std::max(first, firstGame);
    for (int n = first; n <= count; ++n) {
      if (ReadHeaderRecord(n, h) != kDbDone || h.record.type != kGameRecord) continue;
      const HeaderRecord& r = h.record;
      if (r.white != static_cast<uint32_t>(white) || r.black != static_cast<uint32_t>(black) ||
          r.tournament != static_cast<uint32_t>(tournament))
        continue;
      if (ReadHeader(n, h) == kDbDone && h.GetResult() == header.GetResult()) return n;
    }
  }
  // No exact match: the game record that agrees in most fields.
  const HeaderRecord& want = header.record;
  int best = 0, bestScore = 0;
  for (int n = 1; n <= count; ++n) {
    if (ReadHeaderRecord(n, h) != kDbDone || h.record.type != kGameRecord) continue;
    const HeaderRecord& r = h.record;
    const int score = (static_cast<int64_t>(r.white) == white) + (static_cast<int64_t>(r.black) == black) +
                      (static_cast<int64_t>(r.tournament) == tournament) +
                      (h.GetResult() == header.GetResult()) + (r.round == want.round) +
                      (r.subRound == want.subRound) + (r.whiteElo == want.whiteElo) +
                      (r.blackElo == want.blackElo);
    if (score > bestScore) {
      best = n;
      bestScore = score;
    }
  }
  return best;
}

int TqgDatabase::FindTournamentText(const std::string& title, int32_t tournament) {
  if (!header_ || !tournaments_) return 0;
  int32_t first = 0, games = 0;
  if (tournaments_->GetGameRange(tournament, first, games) != HeaderLib::kOk) return 0;
  const int count = GetCount();
  GameHeader h;
  for (const bool exact : {true, false}) {
    int passed = 0;
    for (int n = std::max(first, 1); n <= count && passed < games; ++n) {
      if (ReadHeaderRecord(n, h) != kDbDone) continue;
      const HeaderRecord& r = h.record;
      if ((!r.IsGame() && !r.IsText()) || r.tournament != static_cast<uint32_t>(tournament)) continue;
      ++passed;
      TQTextItem text;
      if (r.IsText() && ReadText(n, text) == kDbDone && TitleMatches(text, title, exact)) return n;
    }
  }
  return 0;
}

}  // namespace zh

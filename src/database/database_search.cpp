// The generic search: the per-item test of Database and the search loop of the file
// databases.
#include <algorithm>

#include "core/toolbox/int_array.h"
#include "core/services.h"
#include "database/file_database.h"
#include "database/game/game_cursor.h"
#include "database/game/game_item.h"
#include "database/search_mask.h"

namespace zh {

namespace {

constexpr int kFinalPositionPlies = 600;
constexpr int kSearchPollInterval = 250;
constexpr int kSearchLineText = 629;

}  // namespace

int MatchTracedPositions(const SearchCriteria& mask, const TraceSink& trace) {
  if (mask.SeveralPositionCriteria()) return mask.FindMatchingPly(trace);
  int result = kNoMatchingPly;
  bool failed = false;
  if (mask.MaterialOn()) {
    result = mask.MaterialFindMatch(trace);
    failed = result == kNoMatchingPly;
  }
  if (mask.MotifOn() && !failed) {
    const int ply = mask.MotifFindMatch(trace);
    failed = ply == kNoMatchingPly;
    result = std::min(result, ply);
  }
  if (mask.ManeuverOn() && !failed) {
    const int ply = mask.ManeuverFindMatch(trace);
    failed = ply == kNoMatchingPly;
    result = std::min(result, ply);
  }
  return failed ? kNoMatchingPly : result;
}

int MatchFinalPosition(const SearchCriteria& mask, TQGame& game) {
  const int plies = game.body.mainLine.Count();
  if (plies == 0) return kNoMatchingPly;
  GameCursor cursor(&game);
  while (cursor.Ply() < plies && cursor.Forward() == 0) {
  }
  return mask.MatchFinalPosition(cursor.GetPosition(), *game.body.mainLine.GetMove(plies - 1), plies);
}

int Database::SearchNext(SearchCriteria& mask, TraceSink& trace, TQGame& game, int n) {
  if (mask.IsActive()) {
    if (ReadHeader(n, game.header) != kDbDone || !mask.MatchHeader(game.header)) return kNoMatchingPly;
  }
  return MatchBeyondHeader(mask, trace, game, n);
}

int Database::ReadGameForTest(int n, TQGame& game) {
  return ReadGameBody(n, game, kFinalPositionPlies, false);
}

int Database::MatchBeyondHeader(SearchCriteria& mask, TraceSink& trace, TQGame& game, int n) {
  int result = 0;
  if (mask.MaterialOn() || mask.MotifOn() || mask.ManeuverOn()) {
    trace.menFloor = mask.MinimumMen();
    if (ReadGameTrace(n, trace, game, mask.GetPlyLimit()) != kDbDone) return kNoMatchingPly;
    result = MatchTracedPositions(mask, trace);
    if (result == kNoMatchingPly) return result;
  }
  if (mask.FinalPositionOn()) {
    // Only a game record has a final position.
    if (ReadGameBody(n, game, kFinalPositionPlies, false) != kDbDone ||
        game.header.record.Kind() != kGameRecord)
      return kNoMatchingPly;
    result = MatchFinalPosition(mask, game);
    if (result == kNoMatchingPly) return result;
  }
  if (mask.AnnotationsOn()) {
    if (ReadHeaderRecord(n, game.header) != kDbDone) return kNoMatchingPly;
    result = mask.MatchAnnotations(game.header, n, SearchAnnotations());
    if (result == kNoMatchingPly) return result;
  }
  if (mask.GameTestOn()) {
    if (ReadGameForTest(n, game) != kDbDone) return kNoMatchingPly;
    result = mask.MatchGame(game);
  }
  return result;
}

std::unique_ptr<TraceSink> TQFileDatabase::MakeSearchTrace(const SearchCriteria& mask) const {
  if (mask.MaterialOn() || mask.MotifOn() || mask.ManeuverOn())
    if (std::unique_ptr<TraceSink> trace = mask.MakeTrace()) return trace;
  return MakeWorkTrace();
}

std::unique_ptr<SortedLONGArr> TQFileDatabase::Search(SearchCriteria& mask, const SortedLONGArr* list) {
  auto hits = std::make_unique<SortedLONGArr>(1000);
  const std::unique_ptr<TraceSink> trace = MakeSearchTrace(mask);
  const std::unique_ptr<TQGame> game = MakeWorkGame();
  if (!trace || !game) return hits;

  const int first = SearchBegin(mask);
  const int64_t total = list ? list->Count() : std::max(0, GetCount() - first + 1);
  AddFeedbackLine(GetMessageText(kSearchLineText), total);
  for (int64_t i = 0; i < total; ++i) {
    const int n = list ? list->Get(static_cast<uint32_t>(i)) : first + static_cast<int>(i);
    if (SearchNext(mask, *trace, *game, n) != kNoMatchingPly) hits->Append(n);
    if ((i + 1) % kSearchPollInterval == 0) {
      StepFeedback(i + 1);
      SetFeedbackCount(hits->Count());
      if (ProcessShouldStop()) break;
    }
  }
  SearchEnd();
  return hits;
}

}  // namespace zh

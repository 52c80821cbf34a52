#include "tournament/crosstable_builder.h"

#include <algorithm>

#include "app/message_ids.h"
#include "core/services.h"
#include "core/toolbox/int_array.h"
#include "database/database.h"
#include "database/game/game_header.h"

namespace zh {

namespace {

constexpr int64_t kPlayerSlotLimit = 9000;
constexpr int kFirstNameCut = 20;

}  // namespace

GameNumberRange GameNumberRange::FromList(const SortedLONGArr& list) {
  GameNumberRange r;
  r.list_.reserve(list.Count());
  for (uint32_t i = 0; i < list.Count(); ++i) r.list_.push_back(list.Get(i));
  return r;
}

GameNumberRange GameNumberRange::FromRange(int32_t first, int32_t last) {
  GameNumberRange r;
  r.isRange_ = true;
  r.first_ = first;
  r.last_ = last;
  return r;
}

int64_t GameNumberRange::Count() const {
  if (!isRange_) return static_cast<int64_t>(list_.size());
  return std::max<int64_t>(0, static_cast<int64_t>(last_) - first_ + 1);
}

int32_t GameNumberRange::At(int64_t i) const {
  return isRange_ ? static_cast<int32_t>(first_ + i) : list_[static_cast<size_t>(i)];
}

int32_t CrosstablePlayerCapacity(int64_t n) {
  int64_t capacity = n > 4500 ? 4500 : n < 300 ? 600 : n;
  capacity = std::max(capacity, std::min(2 * n + 1, kPlayerSlotLimit));
  return static_cast<int32_t>(capacity);
}

CrosstableBuilder::CrosstableBuilder(Database& database, const GameNumberRange& games, int tolerance) {
  Build(database, games, tolerance);
}

void CrosstableBuilder::Build(Database& database, const GameNumberRange& games, int tolerance) {
  const int64_t n = games.Count();
  if (n > INT32_MAX || !manager_.Allocate(static_cast<int32_t>(n), CrosstablePlayerCapacity(n))) {
    message_ = GetMessageText(msg::M_CROSSTABLE_NO_MEMORY);
    return;
  }
  bool otherTournament = false;
  for (int64_t i = 0; i < n; ++i) {
    const int32_t number = games.At(i);
    GameHeader header;
    if (database.ReadHeader(number, header) != kDbDone) continue;
    if (!header.IsGame() || header.record.IsDeleted()) continue;
    const std::string title = CutTournamentTitle(header.tournament.DisplayText());
    if (!manager_.SetTournament(title, static_cast<int>(header.GetDate() >> 9))) {
      otherTournament = true;
      continue;
    }
    const int32_t white = manager_.AddPlayer(TrimPlayerName(header.white.DisplayText(kFirstNameCut)),
                                             header.GetWhiteElo());
    const int32_t black = white < 0 ? -1
                                    : manager_.AddPlayer(TrimPlayerName(header.black.DisplayText(kFirstNameCut)),
                                                         header.GetBlackElo());
    if (black < 0) {
      message_ = GetMessageText(msg::M_CROSSTABLE_TOO_MANY_PLAYERS);
      return;
    }
    manager_.AddGame(white, black, header.GetResult(), header.GetRound(), games.IsMarked(number), number);
  }
  if (otherTournament) {
    message_ = GetMessageText(msg::M_CROSSTABLE_OTHER_TOURNAMENTS);
    return;
  }
  ChooseKind(tolerance);
}

void CrosstableBuilder::ChooseKind(int tolerance) {
  manager_.ScoreGames();
  int cycles = 0;
  int32_t giver = 0, perOpponent = 0;
  if (manager_.IsRoundRobin(tolerance, cycles)) {
    manager_.SonnebornBerger();
    kind_ = std::make_unique<RibbenTournament>(manager_, cycles);
  } else if (manager_.IsSimul(giver, perOpponent)) {
    kind_ = std::make_unique<SimultanTournament>(manager_, giver, perOpponent);
  } else if (manager_.IsTeamMatch()) {
    kind_ = std::make_unique<TeamTournament>(manager_);
  } else if (manager_.IsMulti()) {
    kind_ = std::make_unique<MultiTournament>(manager_);
  } else if (manager_.IsKnockOut()) {
    kind_ = std::make_unique<KoSystemTournament>(manager_);
  } else {
    manager_.ComputeBuchholz();
    kind_ = std::make_unique<OpenTournament>(manager_);
  }
  kind_->ComputeOrder();
}

}  // namespace zh

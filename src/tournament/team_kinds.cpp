// The kinds between two groups: two teams where everyone meets everyone of the other,
// a simultaneous exhibition, and a team match of board pairs.
#include <algorithm>

#include "tournament/crosstable_kinds.h"
#include "tournament/crosstable_text.h"

namespace zh {

namespace {

void AddOnce(std::vector<int32_t>& list, int32_t slot) {
  if (std::find(list.begin(), list.end(), slot) == list.end()) list.push_back(slot);
}

std::string RatingText(int elo, bool tabs) {
  return elo > 0 ? Printf(tabs ? "\t%d" : "  %d", elo) : (tabs ? "\txxxx" : "  xxxx");
}

}  // namespace

// --- Two teams ---------------------------------------------------------------------

MultiTournament::MultiTournament(CTourManager& manager) : Tournament(manager) {}

int32_t MultiTournament::PointsOf(int32_t slot) const {
  return manager_.Row(RowOfPlayer(slot)).points;
}

const GridCell& MultiTournament::Cell(size_t a, size_t b, int k) const {
  return grid_[(a * teamB_.size() + b) * static_cast<size_t>(gamesPerPairing_) + static_cast<size_t>(k)];
}

void MultiTournament::ComputeOrder() {
  const auto& games = manager_.Games();
  if (games.empty() || !manager_.BuildPairMatrix() || manager_.OpponentCount(0) == 0) {
    failed_ = true;
    return;
  }
  gamesPerPairing_ = std::max(1, manager_.GamesPlayed(0) / manager_.OpponentCount(0));
  const int32_t firstWhite = games[0].white, firstBlack = games[0].black;
  teamA_ = {firstBlack};
  teamB_ = {firstWhite};
  for (const GameEntry& g : games) {
    if (g.white == firstWhite) AddOnce(teamA_, g.black);
    if (g.black == firstWhite) AddOnce(teamA_, g.white);
    if (g.white == firstBlack) AddOnce(teamB_, g.black);
    if (g.black == firstBlack) AddOnce(teamB_, g.white);
  }
  for (auto* team : {&teamA_, &teamB_})
    for (size_t i = 0; i < team->size(); ++i)
      for (size_t j = i + 1; j < team->size(); ++j)
        if (PointsOf((*team)[j]) > PointsOf((*team)[i])) std::swap((*team)[i], (*team)[j]);
  grid_.assign(teamA_.size() * teamB_.size() * static_cast<size_t>(gamesPerPairing_), GridCell{});
  auto indexIn = [](const std::vector<int32_t>& team, int32_t slot) {
    return static_cast<size_t>(std::find(team.begin(), team.end(), slot) - team.begin());
  };
  for (const GameEntry& g : games) {
    size_t a = indexIn(teamA_, g.white), b = indexIn(teamB_, g.black);
    bool aWhite = true;
    if (a == teamA_.size() || b == teamB_.size()) {
      a = indexIn(teamA_, g.black);
      b = indexIn(teamB_, g.white);
      aWhite = false;
    }
    if (a == teamA_.size() || b == teamB_.size()) continue;
    const uint8_t symbol = !HasResult(g.result)      ? kNoSymbol
                           : g.result == kDraw       ? kDrawSymbol
                           : (g.result == kWhiteWon) == aWhite ? kWinSymbol
                                                               : kLossSymbol;
    for (int k = 0; k < gamesPerPairing_; ++k) {
      GridCell& cell = const_cast<GridCell&>(Cell(a, b, k));
      if (cell.symbol != kNoSymbol) continue;
      cell = {symbol, g.marked};
      break;
    }
  }
  for (int32_t s : teamA_) teamARated_ |= EloOfSlot(s) > 0;
  for (int32_t s : teamB_) teamBRated_ |= EloOfSlot(s) > 0;
}

std::string MultiTournament::WriteTextTable(bool tabs) const {
  if (failed_) return {};
  const int w = WidestRowName();
  const int g = gamesPerPairing_;
  const int n = static_cast<int>(teamB_.size());
  const int total = static_cast<int>(teamA_.size()) * g;
  std::string text = TitleLine("  ");
  const int indent = (g - 1) / 2 + w + (teamARated_ ? 0 : -6) + 11;
  auto ratingOf = [&](int32_t slot, bool teamRated) -> std::string {
    const int elo = EloOfSlot(slot);
    if (elo > 0) return Printf(tabs ? "%.4d\t" : "%.4d  ", elo);
    return teamRated ? (tabs ? "\t" : "      ") : "";
  };
  for (int i = 0; i <= n; ++i) {
    text += tabs ? "\t" : Blanks(indent);
    for (int k = 0; k < i; ++k) text += "|" + (tabs ? std::string("\t") : Blanks(g + 1));
    const int dashes = (n - i) * (g + 2) - (g - 1) / 2 - 1;
    text += std::string(static_cast<size_t>(std::max(dashes, 0)), '-');
    if (i < n) {
      const int32_t slot = teamB_[static_cast<size_t>(i)];
      text += tabs ? " \t" + NameOfSlot(slot) + "\t" : "  " + PadRight(NameOfSlot(slot), w) + "  ";
      if (EloOfSlot(slot) > 0) text += ratingOf(slot, teamBRated_);
      text += Printf("%6.1f/%d", PointsOf(slot) / 2.0, total);
    }
    text += "\n";
  }
  for (size_t e = 0; e < teamA_.size(); ++e) {
    const int32_t slot = teamA_[e];
    text += tabs ? Printf("%2d\t", static_cast<int>(e + 1)) + NameOfSlot(slot) + "\t"
                 : Printf("%2d ", static_cast<int>(e + 1)) + PadRight(NameOfSlot(slot), w) + "  ";
    text += ratingOf(slot, teamARated_);
    for (size_t b = 0; b < teamB_.size(); ++b) {
      for (int k = 0; k < g; ++k) text += SymbolText(Cell(e, b, k).symbol);
      text += tabs ? "\t" : "  ";
    }
    text += Printf("%6.1f/%d\n", PointsOf(slot) / 2.0, n * g);
  }
  return text;
}

// --- Simultaneous exhibition -------------------------------------------------------

SimultanTournament::SimultanTournament(CTourManager& manager, int32_t giverRow, int32_t gamesPerOpponent)
    : Tournament(manager), giver_(manager.Row(giverRow).player), gamesPerOpponent_(gamesPerOpponent) {}

void SimultanTournament::ComputeOrder() {
  for (int32_t r = 0; r < manager_.RowCount(); ++r) {
    const int32_t slot = manager_.Row(r).player;
    if (slot == giver_) continue;
    opponentRated_ |= EloOfSlot(slot) > 0;
    widest_ = std::max(widest_, TextWidth(NameOfSlot(slot)));
  }
}

std::string SimultanTournament::WriteTextTable(bool tabs) const {
  if (failed_) return {};
  std::string text = TitleLine("  ");
  const std::string& giverName = NameOfSlot(giver_);
  for (int32_t r = 0; r < manager_.RowCount(); ++r) {
    const int32_t slot = manager_.Row(r).player;
    if (slot == giver_) continue;
    text += tabs ? "\t" + giverName + "\t" : giverName + "  ";
    if (EloOfSlot(giver_) > 0) text += Printf(tabs ? "\t%d" : "  %d", EloOfSlot(giver_));
    text += tabs ? "\t-\t" : " - ";
    text += tabs ? "\t" + NameOfSlot(slot) + "\t" : PadRight(NameOfSlot(slot), widest_) + "  ";
    if (opponentRated_) text += RatingText(EloOfSlot(slot), tabs);
    text += tabs ? "\t" : "  ";
    std::string result;
    if (gamesPerOpponent_ == 1) {
      for (const GameEntry& g : manager_.Games())
        if ((g.white == giver_ && g.black == slot) || (g.black == giver_ && g.white == slot)) {
          result = ResultText(g.result, g.black == giver_);
          break;
        }
    } else {
      double giverPoints = 0, opponentPoints = 0;
      for (const GameEntry& g : manager_.Games()) {
        const bool giverWhite = g.white == giver_ && g.black == slot;
        if (!giverWhite && !(g.black == giver_ && g.white == slot)) continue;
        if (g.result == kDraw) {
          giverPoints += 0.5;
          opponentPoints += 0.5;
        } else if (HasResult(g.result)) {
          ((g.result == kWhiteWon) == giverWhite ? giverPoints : opponentPoints) += 1;
        }
      }
      result = Printf("%.1f - %.1f", giverPoints, opponentPoints);
    }
    text += (tabs ? "\t" : " ") + result + "\n";
  }
  return text;
}

// --- Team match of board pairs -----------------------------------------------------

TeamTournament::TeamTournament(CTourManager& manager) : Tournament(manager) {}

void TeamTournament::ComputeOrder() {
  std::vector<uint8_t> side(static_cast<size_t>(manager_.PlayerCapacity()), 0);
  for (const GameEntry& g : manager_.Games()) {
    uint8_t& w = side[static_cast<size_t>(g.white)];
    uint8_t& b = side[static_cast<size_t>(g.black)];
    if (w && b) continue;
    if (!w && !b) {
      w = 1;
      b = 2;
    } else if (!w) {
      w = static_cast<uint8_t>(3 - b);
    } else {
      b = static_cast<uint8_t>(3 - w);
    }
    ++boards_;
    for (int32_t slot : {g.white, g.black}) {
      if (side[static_cast<size_t>(slot)] == 1) AddOnce(sideA_, slot);
      if (side[static_cast<size_t>(slot)] == 2) AddOnce(sideB_, slot);
    }
  }
  for (int32_t r = 0; r < manager_.RowCount(); ++r) {
    const int32_t slot = manager_.Row(r).player;
    anyRated_ |= EloOfSlot(slot) > 0;
    widest_ = std::max(widest_, TextWidth(NameOfSlot(slot)));
  }
}

std::string TeamTournament::WriteTextTable(bool tabs) const {
  if (failed_) return {};
  std::string text = TitleLine("  ");
  const int32_t n = manager_.RowCount();
  std::vector<int32_t> counter(static_cast<size_t>(n));
  for (int32_t r = 0; r < n; ++r) counter[static_cast<size_t>(r)] = manager_.OpponentCount(r);
  auto inB = [&](int32_t slot) { return std::find(sideB_.begin(), sideB_.end(), slot) != sideB_.end(); };
  auto player = [&](int32_t slot) {
    std::string part = tabs ? "\t" + NameOfSlot(slot) + "\t" : PadRight(NameOfSlot(slot), widest_) + "  ";
    if (anyRated_) part += RatingText(EloOfSlot(slot), tabs);
    return part;
  };
  for (int32_t r = 0; r < n; ++r) {
    if (counter[static_cast<size_t>(r)] < 1) continue;
    const int32_t own = manager_.Row(r).player;
    const GameEntry* found = nullptr;
    for (const GameEntry& g : manager_.Games()) {
      if (g.white != own && g.black != own) continue;
      const int32_t opponentRow = RowOfPlayer(g.white == own ? g.black : g.white);
      if (counter[static_cast<size_t>(opponentRow)] > 0) {
        --counter[static_cast<size_t>(opponentRow)];
        found = &g;
        break;
      }
    }
    // A row whose counter is still positive but finds no game is left out.
    if (!found) continue;
    const int32_t first = inB(found->white) ? found->white : found->black;
    const int32_t second = first == found->white ? found->black : found->white;
    text += player(first) + (tabs ? "\t-\t" : " - ") + player(second) + (tabs ? "\t" : "  ");
    for (const GameEntry& g : manager_.Games())
      if ((g.white == first && g.black == second) || (g.white == second && g.black == first))
        text += ResultText(g.result, g.black == first) + (tabs ? "\t" : " ");
    text += "\n";
  }
  return text;
}

}  // namespace zh

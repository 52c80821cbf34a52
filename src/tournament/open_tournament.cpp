#include <cstdlib>

#include "tournament/crosstable_kinds.h"
#include "tournament/crosstable_text.h"

namespace zh {

OpenTournament::OpenTournament(CTourManager& manager) : Tournament(manager) {}

const OpenTournament::RoundCell& OpenTournament::Cell(int32_t row, int round) const {
  return grid_[static_cast<size_t>(row) * static_cast<size_t>(rounds_) + static_cast<size_t>(round - 1)];
}

void OpenTournament::ComputeOrder() {
  manager_.SortRows();
  rounds_ = manager_.MaxRound();
  if (!manager_.RowCountsBuilt() && !manager_.BuildPairMatrix()) {
    failed_ = true;
    return;
  }
  roundsKnown_ = rounds_ != 0;
  for (int32_t r = 0; r < manager_.RowCount(); ++r)
    if (manager_.GamesPlayed(r) != manager_.OpponentCount(r)) roundsKnown_ = false;
  grid_.clear();
  if (!roundsKnown_ || static_cast<int64_t>(rounds_) * manager_.RowCount() >= kGridCellLimit) return;
  grid_.assign(static_cast<size_t>(rounds_) * static_cast<size_t>(manager_.RowCount()), RoundCell{});
  for (const GameEntry& g : manager_.Games()) {
    if (g.round <= 0) continue;
    const int32_t w = RowOfPlayer(g.white), b = RowOfPlayer(g.black);
    RoundCell& white = const_cast<RoundCell&>(Cell(w, g.round));
    RoundCell& black = const_cast<RoundCell&>(Cell(b, g.round));
    white = {b + 1, g.result, g.marked};
    const int16_t swapped = static_cast<int16_t>(g.result == kWhiteWon ? int{kBlackWon} : g.result == kBlackWon ? int{kWhiteWon} : int{g.result});
    black = {-(w + 1), swapped, g.marked};
  }
}

std::string OpenTournament::WriteTextTable(bool tabs) const {
  if (failed_) return {};
  const int w = WidestRowName();
  std::string text = TitleLine("  ");
  const std::string indent = tabs ? (ratingShown_ ? "\t\t\t" : "\t\t") : Blanks(ratingShown_ ? w + 12 : w + 6);
  if (HasGrid()) {
    text += indent;
    for (int i = 1; i <= rounds_; ++i) text += Printf(tabs ? "%d\t" : "%d  ", i);
    text += "\n";
  }
  for (int32_t r = 0; r < manager_.RowCount(); ++r) {
    const StandingRow& row = manager_.Row(r);
    const int elo = EloOfSlot(row.player);
    text += tabs ? Printf("%d\t", r + 1) + NameOfRow(r) + "\t" : Printf("%3d ", r + 1) + PadRight(NameOfRow(r), w);
    if (ratingShown_) {
      if (tabs)
        text += elo > 0 ? Printf("%d\t", elo) : "\t";
      else
        text += elo > 0 ? Printf("  %d", elo) : "      ";
    }
    if (!tabs) text += "  ";
    if (HasGrid()) {
      for (int i = 1; i <= rounds_; ++i) {
        const RoundCell& cell = Cell(r, i);
        if (cell.opponent == kNoGame) {
          text += tabs ? "\t" : "   ";
          continue;
        }
        const uint8_t own = cell.result == kWhiteWon ? kWinSymbol
                            : cell.result == kBlackWon ? kLossSymbol
                            : cell.result == kDraw    ? kDrawSymbol
                                                       : kNoSymbol;
        text += (cell.opponent > 0 ? "+" : "-") + SymbolText(own) + (tabs ? "\t" : " ");
      }
    }
    text += Printf("%4.1f/%d\n", row.points / 2.0, row.gamesCounted);
    if (HasGrid()) {
      text += indent;
      for (int i = 1; i <= rounds_; ++i) {
        const RoundCell& cell = Cell(r, i);
        if (cell.opponent == kNoGame)
          text += tabs ? "\t" : "   ";
        else
          text += Printf(tabs ? "%d\t" : "%3d", std::abs(cell.opponent));
      }
      text += "\n";
    }
  }
  return text;
}

}  // namespace zh

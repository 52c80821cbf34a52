#include <algorithm>

#include "tournament/crosstable_kinds.h"
#include "tournament/crosstable_text.h"

namespace zh {

Tournament::Tournament(CTourManager& manager) : manager_(manager) {
  for (const StandingRow& row : manager_.Rows())
    if (EloOfSlot(row.player) > 0) ratingShown_ = true;
}

int32_t Tournament::RowOfPlayer(int32_t slot) const {
  return manager_.RowOfPlayer(slot);
}

std::string Tournament::WriteTextTable(bool) const {
  return {};
}

int32_t Tournament::FindGame(int32_t a, int32_t b, int n, bool rows) const {
  const int32_t slotA = rows ? manager_.Row(a).player : a;
  const int32_t slotB = rows ? manager_.Row(b).player : b;
  for (const GameEntry& g : manager_.Games())
    if (((g.white == slotA && g.black == slotB) || (g.white == slotB && g.black == slotA)) && --n == 0)
      return g.gameNumber;
  return -1;
}

std::string Tournament::TitleLine(const char* separator) const {
  return manager_.GetTitle() + separator + std::to_string(manager_.GetYear()) + "\n\n";
}

int Tournament::WidestRowName() const {
  int widest = 0;
  for (int32_t r = 0; r < manager_.RowCount(); ++r) widest = std::max(widest, TextWidth(NameOfRow(r)));
  return widest;
}

std::string SymbolText(uint8_t symbol) {
  switch (symbol) {
    case kLossSymbol:
      return "0";
    case kDrawSymbol:
      return "\u00BD";
    case kWinSymbol:
      return "1";
    default:
      return " ";
  }
}

std::string ResultText(int result, bool firstHadBlack) {
  std::string text = firstHadBlack ? "*" : "";
  if (firstHadBlack && (result == kWhiteWon || result == kBlackWon)) result = 2 - result;
  switch (result) {
    case kBlackWon:
      return text + "0-1";
    case kWhiteWon:
      return text + "1-0";
    case kDraw:
      return text + "\u00BD-\u00BD";
    default:
      return text + "V";
  }
}

}  // namespace zh

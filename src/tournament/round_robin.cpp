#include <algorithm>

#include "app/message_ids.h"
#include "core/rules/rating_performance.h"
#include "core/services.h"
#include "tournament/crosstable_kinds.h"
#include "tournament/crosstable_text.h"

namespace zh {

namespace {

constexpr int kUnratedElo = 2200;

uint8_t SymbolOf(int result, bool forWhite) {
  switch (result) {
    case kWhiteWon:
      return forWhite ? kWinSymbol : kLossSymbol;
    case kBlackWon:
      return forWhite ? kLossSymbol : kWinSymbol;
    case kDraw:
      return kDrawSymbol;
    default:
      return kNoSymbol;
  }
}

int EloOrDefault(int elo) {
  return elo > 0 ? elo : kUnratedElo;
}

}  // namespace

RibbenTournament::RibbenTournament(CTourManager& manager, int cycles)
    : Tournament(manager), cycles_(std::max(cycles, 1)) {}

const GridCell& RibbenTournament::Cell(int32_t a, int32_t b, int k) const {
  const size_t n = static_cast<size_t>(manager_.RowCount());
  return grid_[(static_cast<size_t>(a) * n + static_cast<size_t>(b)) * static_cast<size_t>(cycles_) +
               static_cast<size_t>(k)];
}

void RibbenTournament::ComputeOrder() {
  manager_.SortRows();
  FillGrid();
  if (failed_) return;
  eloSum_ = 0;
  for (const StandingRow& row : manager_.Rows()) eloSum_ += EloOrDefault(EloOfSlot(row.player));
  ComputePerformances();
}

void RibbenTournament::FillGrid() {
  const size_t n = static_cast<size_t>(manager_.RowCount());
  try {
    grid_.assign(n * n * static_cast<size_t>(cycles_), GridCell{});
  } catch (const std::bad_alloc&) {
    failed_ = true;
    return;
  }
  auto enter = [&](int32_t a, int32_t b, uint8_t symbol, uint8_t marked) {
    for (int k = 0; k < cycles_; ++k) {
      GridCell& cell = const_cast<GridCell&>(Cell(a, b, k));
      if (cell.symbol != kNoSymbol) continue;
      cell.symbol = symbol;
      cell.marked = marked;
      return;
    }
  };
  for (const GameEntry& g : manager_.Games()) {
    const int32_t w = RowOfPlayer(g.white), b = RowOfPlayer(g.black);
    enter(w, b, SymbolOf(g.result, true), g.marked);
    enter(b, w, SymbolOf(g.result, false), g.marked);
  }
}

// Only the first `cycles` games against each opponent count, and of those the ones
// with a result; the score is taken from the same games.
void RibbenTournament::ComputePerformances() {
  const int32_t n = manager_.RowCount();
  for (int32_t r = 0; r < n; ++r) {
    StandingRow& row = manager_.Row(r);
    std::vector<int> met(static_cast<size_t>(n), 0);
    int32_t m = 0, sum = 0, halfPoints = 0;
    for (const GameEntry& g : manager_.Games()) {
      const bool white = g.white == row.player;
      if (!white && g.black != row.player) continue;
      const int32_t opponent = white ? g.black : g.white;
      if (++met[static_cast<size_t>(RowOfPlayer(opponent))] > cycles_ || !HasResult(g.result)) continue;
      ++m;
      sum += EloOrDefault(EloOfSlot(opponent));
      halfPoints += g.result == kDraw ? 1 : (g.result == kWhiteWon) == white ? 2 : 0;
    }
    row.performanceDelta = 0;
    if (m == 0) continue;
    RatingPerformance performance;
    performance.Set(m, sum);
    const double p = halfPoints / 2.0 / m;
    row.performanceDelta = performance.GetFormulaPerformance(p) - EloOfSlot(row.player);
  }
}

int64_t RibbenTournament::Average() const {
  const int32_t n = manager_.RowCount();
  return n > 2 ? eloSum_ / n : 0;
}

int64_t RibbenTournament::Category() const {
  return manager_.RowCount() > 2 ? (Average() - 2226) / 25 : 0;
}

double RibbenTournament::GrandmasterNorm() const {
  const int64_t c = Category();
  if (manager_.RowCount() <= 2 || c < 0 || c > 24) return 0;
  return cycles_ * (manager_.RowCount() - 1) * RatingPerformance::GMNormPercent(static_cast<int>(c)) / 100.0;
}

double RibbenTournament::MasterNorm() const {
  const int64_t c = Category();
  if (manager_.RowCount() <= 2 || c < 0 || c > 24) return 0;
  return cycles_ * (manager_.RowCount() - 1) * RatingPerformance::IMNormPercent(static_cast<int>(c)) / 100.0;
}

bool RibbenTournament::TiedWithNeighbour(int32_t r) const {
  const int32_t points = manager_.Row(r).points;
  return (r > 0 && manager_.Row(r - 1).points == points) ||
         (r + 1 < manager_.RowCount() && manager_.Row(r + 1).points == points);
}

std::string RibbenTournament::WriteTextTable(bool tabs) const {
  if (failed_) return {};
  const int32_t n = manager_.RowCount();
  const bool match = n < 3;
  const int w = WidestRowName();
  std::string text = TitleLine("  ");

  // Head: the game numbers of a match, else the player numbers.
  int indent = w + 6;
  if (ratingShown_) indent += match ? 6 : 12;
  text += tabs ? "\t" : Blanks(indent);
  if (match) {
    for (int k = 1; k <= cycles_; ++k) text += std::to_string(k % 10);
  } else {
    for (int32_t c = 1; c <= n; ++c)
      text += tabs ? Printf("%d\t", c % 10) : std::to_string(c % 10) + Blanks(cycles_);
  }
  text += "\n";

  for (int32_t r = 0; r < n; ++r) {
    const StandingRow& row = manager_.Row(r);
    const int elo = EloOfSlot(row.player);
    text += tabs ? Printf("%d\t", r + 1) + NameOfRow(r) : Printf("%-4d", r + 1) + PadRight(NameOfRow(r), w);
    if (ratingShown_) {
      text += elo > 0 ? Printf(tabs ? "\t%-4d" : "  %-4d", elo) : (tabs ? "\txxxx" : "  xxxx");
      if (!match) {
        if (elo <= 0)
          text += tabs ? "\t" : "      ";
        else
          text += Printf(row.performanceDelta > 0 ? (tabs ? "\t%+4d" : "  %+4d") : (tabs ? "\t%4d" : "  %4d"),
                         row.performanceDelta);
      }
    }
    text += tabs ? "\t" : "  ";
    for (int32_t c = 0; c < n; ++c) {
      if (c == r) {
        if (match) continue;
        text += std::string(static_cast<size_t>(cycles_), '*');
      } else {
        for (int k = 0; k < cycles_; ++k) text += SymbolText(Cell(r, c, k).symbol);
      }
      if (!match) text += tabs ? "\t" : " ";
    }
    // A match has no column tabs; its score needs a cell of its own all the same.
    if (match && tabs) text += "\t";
    text += Printf(tabs ? "%.1f/%d" : "%5.1f/%d", row.points / 2.0, row.gamesCounted);
    if (TiedWithNeighbour(r)) text += Printf(tabs ? "\t%2.2f" : "  %2.2f", row.tieBreak1 * 0.25);
    text += "\n";
  }
  text += "\n";
  if (!match && Category() >= 3) {
    text += GetMessageText(msg::M_CROSSTABLE_AVERAGE_ELO) + Printf(" %lld <=> ", static_cast<long long>(Average())) +
            GetMessageText(msg::M_CROSSTABLE_CATEGORY) + Printf(" %lld \n", static_cast<long long>(Category()));
    if (Category() >= 7) text += Printf("gm = %2.2f m = %2.2f\n", GrandmasterNorm(), MasterNorm());
  }
  return text;
}

}  // namespace zh

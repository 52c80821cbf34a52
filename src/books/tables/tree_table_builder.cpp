#include "books/tables/tree_table_builder.h"

#include <vector>

#include "books/tree/opening_tree.h"
#include "books/tree/tree_maintenance.h"
#include "books/tree/tree_values.h"
#include "core/rules/movelist.h"
#include "core/rules/retro_movelist.h"
#include "database/game/game_cursor.h"

namespace zh {
namespace {

bool SameSquares(const GameMove& a, const GameMove& b) { return a.from == b.from && a.to == b.to; }

// Files of the pawns (of the side to move in `before`'s successor) on their fourth
// rank beside a pawn of `before`'s mover, the two squares behind them empty: each
// could just have made a double step.
std::vector<int> DoubleStepFiles(const Position& before) {
  std::vector<int> files;
  const bool moverBlack = before.IsBlackToMove();
  // The pawns that may have stepped belong to the side not to move in `before`.
  const uint8_t stepped = static_cast<uint8_t>(kPawn | (moverBlack ? 0 : kBlackBit));
  const uint8_t capturer = static_cast<uint8_t>(kPawn | (moverBlack ? kBlackBit : 0));
  const int rank = moverBlack ? 3 : 4;       // their fourth rank
  const int behind = moverBlack ? 1 : -1;    // rank - behind lies towards their own side
  for (int f = 0; f < 8; ++f) {
    if (before.board[MakeSquare(f, rank)] != stepped) continue;
    if (before.board[MakeSquare(f, rank - behind)] != kEmpty ||
        before.board[MakeSquare(f, rank - 2 * behind)] != kEmpty)
      continue;
    const bool beside = (f > 0 && before.board[MakeSquare(f - 1, rank)] == capturer) ||
                        (f < 7 && before.board[MakeSquare(f + 1, rank)] == capturer);
    if (beside) files.push_back(f);
  }
  return files;
}

int Score(const StatisticItem& s, bool black) { return black ? s.BlackScore() : s.WhiteScore(); }
int Rating(const StatisticItem& s, bool black) {
  return static_cast<int>(black ? s.AverageBlackRating() : s.AverageWhiteRating());
}
int Performance(const StatisticItem& s, bool black) {
  return black ? s.BlackPerformance() : s.WhitePerformance();
}

}  // namespace

TreeTableBuilder::TreeTableBuilder(OpeningTree& tree, const TreeSettings& settings)
    : tree_(tree), settings_(settings) {}

void TreeTableBuilder::LookUpPosition(const GameCursor& cursor) {
  const Position position = Position::FromCursor(cursor);
  uint8_t z[2] = {};
  uint8_t e = 0;
  found = tree_.FindPosition(position, &statistics, z, &e, &list);
  if (found) {
    zelko = ZelkoItem{z[0], z[1]};
    eval.flags = e;
    list.Complete(position);
  } else {
    statistics = StatisticItem();
    zelko = ZelkoItem();
    eval = EvalItem();
    list = TreeMoveList();
  }
  BuildContinuations(cursor);
  BuildTranspositions(cursor);
  Reschedule();
}

void TreeTableBuilder::Format(TreeMoveTable& table, int i, const Position& before,
                              const GameCursor& cursor, int ply) {
  formatter_.SetStart(cursor.GetStartRecord());
  table.texts[i] = formatter_.FormatMoveString(before, table.moves[i], ply).ToUtf8();
}

void TreeTableBuilder::ComputeValues(TreeMoveTable& table, const Position& position) const {
  const int n = table.count;
  uint8_t flags[TreeMoveTable::kEntries];
  int values[TreeMoveTable::kEntries] = {};
  for (int i = 0; i < n; ++i) flags[i] = table.zelko[i].flags;
  if (ValuesFromGrades(flags, table.seconds.data(), n, values) != 0)
    ValuesFromStatistics(settings_, table.statistics.data(), n, values,
                         position.IsBlackToMove() ? 0 : 1);
  for (int i = 0; i < n; ++i) table.values[i] = static_cast<int16_t>(values[i]);
}

void TreeTableBuilder::BuildContinuations(const GameCursor& cursor) {
  TreeMoveTable& table = continuations;
  table.Clear();
  const Position position = Position::FromCursor(cursor);
  std::vector<GameMove> candidates;
  if (settings_.transpositions) {
    MoveList legal;
    const int n = legal.GenerateLegal(position);
    for (int i = 0; i < n && i < MoveList::kMaxLimit; ++i) {
      GameMove m = GameMove::FromSquares(legal.At(i).from, legal.At(i).to, legal.At(i).promotion);
      m.Complete(position);
      candidates.push_back(m);
    }
  } else if (found) {
    for (int i = 0; i < list.count; ++i)
      if (list.moves[i].ToMove().IsLegal(position)) candidates.push_back(list.moves[i]);
  }
  if (candidates.empty()) return;
  MoveCode codes[OpeningTree::kMaxChildren];
  StatisticItem statistics[TreeMoveTable::kEntries];
  uint8_t zelkos[TreeMoveTable::kEntries][2];
  uint8_t evals[TreeMoveTable::kEntries];
  const int n = tree_.FindChildrenOfMoves(position, candidates.data(), static_cast<int>(candidates.size()),
                                          codes, statistics, zelkos, evals, nullptr,
                                          TreeMoveTable::kEntries);
  for (int i = 0; i < n; ++i) {
    GameMove m = GameMove::FromSquares(codes[i].from, codes[i].to, codes[i].promotion);
    m.Complete(position);
    table.moves[i] = m;
    table.statistics[i] = statistics[i];
    table.zelko[i] = ZelkoItem{zelkos[i][0], zelkos[i][1]};
    table.evals[i].flags = evals[i];
    Format(table, i, position, cursor, cursor.Ply());
    table.gameSum += static_cast<int32_t>(statistics[i].games);
    for (int k = 0; k < list.count && found; ++k)
      if (SameSquares(list.moves[k], m)) {
        table.symbols[i] = list.flags[k];
        table.seconds[i] = list.values[k];
        break;
      }
  }
  table.count = static_cast<uint16_t>(n);
  ComputeValues(table, position);
  SortList(table, position);
}

void TreeTableBuilder::BuildTranspositions(const GameCursor& cursor) {
  TreeMoveTable& table = retroMoves;
  table.Clear();
  if (!settings_.retroMoves) return;
  Position position = Position::FromCursor(cursor);
  // The en-passant file counts only where it decides something.
  if (cursor.Ply() == 0) {
    if (!EnPassantCapturePossible(position)) position.epFile = 0;
  } else if (cursor.Ply() >= cursor.LineEnd()) {
    position.epFile = 0;
  } else {
    const GameMove* next = cursor.GetMove(cursor.Ply());
    if (!next || next->IsEmpty() || !(next->kind & kEnPassant)) position.epFile = 0;
  }
  const std::vector<GameMove> entries = RetroEntries(position);
  ScopedNotationSettings longForm([] {
    NotationSettings s = GetNotationSettings();
    s.mode = static_cast<uint8_t>(kAlgebraic | kLongForm);
    return s;
  }());
  int n = 0;
  for (const GameMove& m : entries) {
    if (n == TreeMoveTable::kEntries) break;
    Position before = position;
    before.UndoGameMove(m);
    uint8_t z[2] = {};
    uint8_t e = 0;
    if (!tree_.FindPosition(before, &table.statistics[n], z, &e)) continue;
    GameMove forward = m;
    forward.Complete(before);
    table.moves[n] = forward;
    table.zelko[n] = ZelkoItem{z[0], z[1]};
    table.evals[n].flags = e;
    Format(table, n, before, cursor, cursor.Ply() > 0 ? cursor.Ply() - 1 : 0);
    table.gameSum += static_cast<int32_t>(table.statistics[n].games);
    ++n;
  }
  table.count = static_cast<uint16_t>(n);
  ComputeValues(table, position);
  SortList(table, position);
}

std::vector<GameMove> TreeTableBuilder::RetroEntries(const Position& position) {
  RetroMoveList retro;
  const int generated = retro.Generate(position, RetroMoveList::kMaxLimit);
  std::vector<GameMove> entries;
  for (int i = 0; i < generated && entries.size() < RetroMoveList::kMaxLimit; ++i) {
    const GameMove& m = retro.At(i);
    Position before = position;
    before.UndoGameMove(m);
    if (!IsLegalPredecessor(before, m)) continue;
    entries.push_back(m);
    // The same predecessor with an en-passant right where a double step could have
    // preceded it (an un-capture en passant has its right already).
    if (m.epFile != 0) continue;
    for (int file : DoubleStepFiles(before)) {
      if (entries.size() >= RetroMoveList::kMaxLimit) break;
      GameMove variant = m;
      variant.epFile = static_cast<uint8_t>(file + 1);
      entries.push_back(variant);
    }
  }
  return entries;
}

void TreeTableBuilder::SortList(TreeMoveTable& table, const Position& position) const {
  const bool black = position.IsBlackToMove();
  auto before = [&](int a, int b) {
    const StatisticItem& x = table.statistics[a];
    const StatisticItem& y = table.statistics[b];
    const bool moreGames = x.games > y.games;
    switch (sortOrder) {
      case kSortGames:
        return x.games == y.games ? Score(x, black) < Score(y, black) : moreGames;
      case kSortScore:
        return Score(x, black) != Score(y, black) ? Score(x, black) > Score(y, black) : moreGames;
      case kSortRating:
        return Rating(x, black) != Rating(y, black) ? Rating(x, black) > Rating(y, black) : moreGames;
      case kSortPerformance:
        return Performance(x, black) != Performance(y, black)
                   ? Performance(x, black) > Performance(y, black)
                   : moreGames;
      case kSortLearned:
        return table.zelko[a].value != table.zelko[b].value ? table.zelko[a].value < table.zelko[b].value
                                                             : moreGames;
      case kSortMoveValue:
        return table.values[a] != table.values[b] ? table.values[a] < table.values[b] : moreGames;
      default:
        return moreGames;
    }
  };
  for (int i = 1; i < table.count; ++i)
    for (int j = i; j > 0 && before(j, j - 1); --j) table.Swap(j, j - 1);
}

int TreeTableBuilder::AddGameMove(const GameCursor& cursor) {
  const Position after = Position::FromCursor(cursor);
  if (!tree_.FindPosition(after))
    if (const int code = tree_.AddPosition(after, nullptr)) return code;
  if (cursor.Ply() == 0) return 0;
  const GameMove* last = cursor.LastMove();
  if (!last || last->IsEmpty()) return 0;
  Position before = after;
  before.UndoGameMove(*last);
  TreeMoveList stored;
  if (!tree_.FindPosition(before, nullptr, nullptr, nullptr, &stored)) {
    if (const int code = tree_.AddPosition(before, nullptr)) return code;
  }
  if (stored.Contains(*last)) return 0;
  if (stored.count < TreeMoveList::kCapacity) {
    TreeMoveList one;
    one.Add(*last, 0, 0);
    if (const int code = tree_.MergeMoves(before, one)) return code;
  }
  const uint8_t green[2] = {ZelkoItem::kPlainMove, 0};
  return tree_.SetZelko(after, green);
}

}  // namespace zh

// The data of a tree window's rows for the game's current position: its own items,
// the continuations stored in the tree (or all legal moves that reach stored positions)
// and the retro moves from stored predecessors, each sorted by the window's order;
// and the step that adds a played move to the tree. Nothing here draws.
#pragma once

#include <cstdint>
#include <vector>

#include "books/tables/tree_move_table.h"
#include "books/tree/tree_items.h"
#include "core/rules/notation.h"
#include "core/services.h"

namespace zh {

class GameCursor;
class OpeningTree;

// Sort orders of the tables.
enum TreeSortOrder : int {
  kSortGames = 0,
  kSortScore = 1,
  kSortRating = 2,
  kSortPerformance = 3,
  kSortLearned = 4,
  kSortMoveValue = 5,
};

class TreeTableBuilder {
 public:
  TreeTableBuilder(OpeningTree& tree, const TreeSettings& settings);

  // Reads the position's own items and builds both tables.
  void LookUpPosition(const GameCursor& cursor);
  void BuildContinuations(const GameCursor& cursor);
  // Only with "RetroMoves" on; otherwise the table stays empty.
  void BuildTranspositions(const GameCursor& cursor);
  // Stable insertion sort by `sortOrder`, keys seen from the side to move of `position`.
  void SortList(TreeMoveTable& table, const Position& position) const;
  // Stores the game's current position and, after a move, the move in the position
  // before it with a green mark on the position after it; the tree's code.
  int AddGameMove(const GameCursor& cursor);
  // The retro moves of `position` whose predecessor is legal, each followed by its
  // copies with an en-passant right where a double step could have preceded it; at most
  // 1023 entries.
  static std::vector<GameMove> RetroEntries(const Position& position);

  int sortOrder = kSortGames;
  bool found = false;
  StatisticItem statistics;
  ZelkoItem zelko;
  EvalItem eval;
  TreeMoveList list;
  TreeMoveTable continuations;
  TreeMoveTable retroMoves;

 private:
  void ComputeValues(TreeMoveTable& table, const Position& position) const;
  void Format(TreeMoveTable& table, int i, const Position& before, const GameCursor& cursor,
              int ply);

  OpeningTree& tree_;
  const TreeSettings& settings_;
  NotationFormatter formatter_;
};

}  // namespace zh

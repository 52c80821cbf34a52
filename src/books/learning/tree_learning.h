// Trees that learn from finished games: the learned values of the positions that the
// learning side's moves produced are moved towards the game's outcome, more strongly
// for later moves; and the long jobs that learn from, or add, a range of database
// games.
#pragma once

#include <cstdint>

#include "books/learning/tree_views.h"

namespace zh {

class Database;
class OpeningTree;
class TQGame;
struct TreeSettings;

// Learned-value flags that learning sets.
inline constexpr uint8_t kLearnedFlag = 0x04;
inline constexpr uint8_t kLearnedLossFlag = 0x10;
inline constexpr uint8_t kLearnedWinFlag = 0x20;
// Plies learned from: 0 .. kLearnPlies - 1.
inline constexpr int kLearnPlies = 128;

// The learning context of one game.
struct TreeLearning {
  OpeningTree* tree = nullptr;
  const TQGame* game = nullptr;
};

// side 0 White, 1 Black; factor is "FactLearn". 0 when done or nothing to learn, else
// the code of the failed write.
int LearnGameInTree(const TreeLearning& context, int side, int factor);
// The game's outcome for the learning side, from its result and the engine
// evaluations of the main line's moves after fromPly, up to 60 plies.
int16_t GameLearnValue(const TreeLearning& context, int side, int result, int fromPly,
                       int toPly);

// The long job "Learn from db" over games first .. last; 0, the failed write's code,
// or 1 when another job runs.
int LearnTreeFromDatabase(OpeningTree& tree, TreeViews& views, Database& database, int first,
                          int last, const TreeSettings& settings);
// The long job that adds games first .. last to the tree through its write cache; 0,
// the failed write's code, or 1 when another job runs.
int AddDatabaseToTree(OpeningTree& tree, TreeViews& views, Database& database, int first,
                      int last, const TreeSettings& settings);

}  // namespace zh

#include "books/tables/tree_table_builder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "books/tree/opening_tree.h"
#include "books/tree/tree_test_util.h"
#include "books/tree/tree_values.h"
#include "core/rules/movelist.h"
#include "database/game/game_cursor.h"
#include "database/game/move_tree.h"
#include "database/game_test_util.h"
#include "support/recording_services.h"

namespace zh {
namespace {

using test::ScratchFolder;

GameMove MoveOf(const Position& p, const std::string& uci) {
  GameMove m = GameMove::FromSquares(MakeSquare(uci[0] - 'a', uci[1] - '1'),
                                     MakeSquare(uci[2] - 'a', uci[3] - '1'));
  m.Complete(p);
  return m;
}

// Stores a line with `games` games on each position and each move in its position's
// list with the grade `grade`.
void AddLine(OpeningTree& tree, const std::vector<std::string>& moves, int games = 1,
             uint8_t grade = 0) {
  Position p;
  for (size_t i = 0;; ++i) {
    for (int g = 0; g < games; ++g) ASSERT_EQ(tree.AddPosition(p, nullptr), 0);
    if (i == moves.size()) return;
    const GameMove m = MoveOf(p, moves[i]);
    TreeMoveList one;
    one.Add(m, grade, 0);
    ASSERT_EQ(tree.MergeMoves(p, one), 0);
    p.DoGameMove(m);
  }
}

std::vector<std::string> Squares(const TreeMoveTable& table) {
  std::vector<std::string> out;
  for (int i = 0; i < table.count; ++i) {
    const GameMove& m = table.moves[i];
    out.push_back(std::string{char('a' + FileOf(m.from)), char('1' + RankOf(m.from)),
                              char('a' + FileOf(m.to)), char('1' + RankOf(m.to))});
  }
  return out;
}

struct Game {
  TQGame game;
  GameCursor cursor{&game};
  explicit Game(const char* moves) { test::Enter(cursor, moves); }
};

TEST(TreeTableBuilder, ContinuationsFollowTheTranspositionsSwitch) {
  test::RecordingServices services;
  ScratchFolder folder;
  OpeningTree tree(folder.Base());
  AddLine(tree, {"e2e4", "e7e5", "g1f3"}, 3);
  AddLine(tree, {"d2d4", "e7e5", "e2e4"}, 2);  // reaches 1.e4 e5 2.d4 by transposition
  Game game("e2e4 e7e5");
  TreeSettings settings;
  TreeTableBuilder builder(tree, settings);
  builder.LookUpPosition(game.cursor);
  ASSERT_TRUE(builder.found);
  EXPECT_EQ(Squares(builder.continuations), std::vector<std::string>{"g1f3"});
  EXPECT_EQ(builder.continuations.gameSum, 3);

  settings.transpositions = true;
  builder.LookUpPosition(game.cursor);
  ASSERT_EQ(builder.continuations.count, 2);
  EXPECT_EQ(Squares(builder.continuations), (std::vector<std::string>{"g1f3", "d2d4"}));
  for (int i = 0; i < builder.continuations.count; ++i) {
    Position after = game.cursor.GetPosition();
    after.DoGameMove(builder.continuations.moves[i]);
    StatisticItem s;
    ASSERT_TRUE(tree.FindPosition(after, &s));
    EXPECT_EQ(builder.continuations.statistics[i].games, s.games);
    EXPECT_FALSE(builder.continuations.texts[i].empty());
  }
}

TEST(TreeTableBuilder, MoveValuesFromGradesOrFromStatistics) {
  test::RecordingServices services;
  ScratchFolder folder;
  OpeningTree tree(folder.Base());
  AddLine(tree, {"e2e4"}, 4, 5);
  AddLine(tree, {"d2d4"}, 2, 1);
  Game game("");
  TreeSettings settings;
  TreeTableBuilder builder(tree, settings);
  builder.sortOrder = kSortMoveValue;
  builder.LookUpPosition(game.cursor);
  ASSERT_EQ(builder.continuations.count, 2);
  // Grade 5: 125 - floor(4^5 * 0.0153) = 110; grade 1: 125. Smaller values first.
  EXPECT_EQ(Squares(builder.continuations), (std::vector<std::string>{"e2e4", "d2d4"}));
  EXPECT_EQ(builder.continuations.values[0], 125 - static_cast<int>(std::pow(4, 5) * 0.0153));
  EXPECT_EQ(builder.continuations.values[1], 125);

  // A marked successor switches to the statistics.
  Position e4;
  e4.DoGameMove(MoveOf(e4, "e2e4"));
  const uint8_t red[2] = {ZelkoItem::kMarkedMove, 0};
  ASSERT_EQ(tree.SetZelko(e4, red), 0);
  builder.LookUpPosition(game.cursor);
  TreeMoveTable& table = builder.continuations;
  int fromStatistics[2] = {};
  ValuesFromStatistics(settings, table.statistics.data(), 2, fromStatistics, 1);
  EXPECT_EQ(table.values[0], fromStatistics[0]);
  EXPECT_EQ(table.values[1], fromStatistics[1]);
}

TEST(TreeTableBuilder, SortOrdersAreStableInsertionSorts) {
  test::RecordingServices services;
  ScratchFolder folder;
  OpeningTree tree(folder.Base());
  TreeSettings settings;
  TreeTableBuilder builder(tree, settings);
  // Entries: games, White's wins (the rest Black's), White's average rating, learned
  // byte, move value.
  struct Entry {
    uint32_t games, whiteWins, rating;
    uint8_t learned;
    int16_t value;
  };
  const Entry entries[] = {{10, 5, 2400, 3, 40}, {10, 8, 2300, 1, 10},
                           {20, 12, 2300, 3, 40}, {10, 5, 2500, 2, 20}};
  auto Fill = [&] {
    TreeMoveTable table;
    table.count = 4;
    for (int i = 0; i < 4; ++i) {
      StatisticItem& s = table.statistics[i];
      s.games = entries[i].games;
      s.whiteWins = entries[i].whiteWins;
      s.blackWins = entries[i].games - entries[i].whiteWins;
      s.whiteRated = entries[i].games;
      s.whiteRatingSum = entries[i].rating * entries[i].games;
      s.blackRated = entries[i].games;  // the same opponents: performance follows the score
      s.blackRatingSum = 2400 * entries[i].games;
      table.zelko[i].value = entries[i].learned;
      table.values[i] = entries[i].value;
      table.texts[i] = std::string(1, char('A' + i));
    }
    return table;
  };
  Position white, black;
  black.side = 1;
  struct Case {
    int order;
    const Position* side;
    const char* expected;
  };
  const Case cases[] = {
      {kSortGames, &white, "CADB"},   // games, then the lower score first
      {kSortScore, &white, "BCAD"},   // score 80 > 60 > 50 = 50, ties stay
      {kSortScore, &black, "ADCB"},   // Black's scores: 100 - White's
      {kSortRating, &white, "DACB"},  // 2500, 2400, then 2300 by games
      {kSortPerformance, &white, "BCAD"},
      {kSortLearned, &white, "BDCA"},  // smaller stored byte; equal bytes by games
      {kSortMoveValue, &white, "BDCA"},
  };
  for (const Case& c : cases) {
    TreeMoveTable table = Fill();
    builder.sortOrder = c.order;
    builder.SortList(table, *c.side);
    std::string order;
    for (int i = 0; i < 4; ++i) order += table.texts[i];
    EXPECT_EQ(order, c.expected) << c.order;
  }
}

TEST(TreeTableBuilder, AddGameMoveStoresTheMoveAndMarksItsPosition) {
  test::RecordingServices services;
  ScratchFolder folder;
  OpeningTree tree(folder.Base());
  TreeSettings settings;
  TreeTableBuilder builder(tree, settings);
  Game start("");
  ASSERT_EQ(builder.AddGameMove(start.cursor), 0);
  TreeMoveList list;
  ASSERT_TRUE(tree.FindPosition(Position(), nullptr, nullptr, nullptr, &list));
  EXPECT_EQ(list.count, 0);  // at ply 0 only the position is stored

  Game e4("e2e4");
  ASSERT_EQ(builder.AddGameMove(e4.cursor), 0);
  uint8_t z[2] = {};
  ASSERT_TRUE(tree.FindPosition(e4.cursor.GetPosition(), nullptr, z, nullptr, nullptr));
  EXPECT_EQ(z[0], 128);
  EXPECT_EQ(z[1], 0);
  ASSERT_TRUE(tree.FindPosition(Position(), nullptr, nullptr, nullptr, &list));
  ASSERT_EQ(list.count, 1);
  EXPECT_EQ(list.values[0], 0);
  EXPECT_EQ(list.flags[0], 0);
  ASSERT_EQ(builder.AddGameMove(e4.cursor), 0);  // present: nothing changes
  ASSERT_TRUE(tree.FindPosition(Position(), nullptr, nullptr, nullptr, &list));
  EXPECT_EQ(list.count, 1);
}

TEST(TreeTableBuilder, AFullListTakesNoThirtyThirdMoveButTheMarkIsWritten) {
  test::RecordingServices services;
  ScratchFolder folder;
  OpeningTree tree(folder.Base());
  // Before 8.a3 White has more than 33 moves: 32 others are stored first.
  Game game("e2e4 e7e5 g1f3 b8c6 f1c4 f8c5 d2d3 d7d6 b1c3 g8f6 c1g5 c8g4 d1d2 d8d7 a2a3");
  Position before = game.cursor.GetPosition();
  before.UndoGameMove(*game.cursor.LastMove());
  MoveList legal;
  ASSERT_GT(legal.GenerateLegal(before), 33);
  ASSERT_EQ(tree.AddPosition(before, nullptr), 0);
  int stored = 0;
  for (int i = 0; i < legal.Count() && stored < 32; ++i) {
    GameMove m = GameMove::FromSquares(legal.At(i).from, legal.At(i).to);
    if (m.from == game.cursor.LastMove()->from && m.to == game.cursor.LastMove()->to) continue;
    m.Complete(before);
    TreeMoveList one;
    one.Add(m, 0, 0);
    ASSERT_EQ(tree.MergeMoves(before, one), 0);
    ++stored;
  }
  TreeSettings settings;
  TreeTableBuilder builder(tree, settings);
  ASSERT_EQ(builder.AddGameMove(game.cursor), 0);
  TreeMoveList list;
  ASSERT_TRUE(tree.FindPosition(before, nullptr, nullptr, nullptr, &list));
  EXPECT_EQ(list.count, 32);
  EXPECT_FALSE(list.Contains(*game.cursor.LastMove()));
  uint8_t z[2] = {};
  ASSERT_TRUE(tree.FindPosition(game.cursor.GetPosition(), nullptr, z, nullptr, nullptr));
  EXPECT_EQ(z[0], 128);
}

}  // namespace
}  // namespace zh

// Move lines and variation lists: growth, spare entries, replacing a move, folding,
// copies and the game body built on them.
#include <gtest/gtest.h>

#include "core/rules/notation.h"
#include "database/game/annotation_set.h"
#include "database/game/embedded_game.h"
#include "database/game/move_tree.h"
#include "database/game/position_stacks.h"
#include "database/game_test_util.h"
#include "support/test_fen.h"

namespace zh {
namespace {

using test::DumpTree;
using test::Enter;

TEST(MoveTreeTest, LinesGrowInStepsOfFourAndKeepSpareEntries) {
  MoveLine line(5);
  EXPECT_EQ(line.Capacity(), 8);
  EXPECT_EQ(line.GetMove(7)->kind, kNoMoveKind);
  for (int i = 0; i < 9; ++i) ASSERT_EQ(line.Append(GameMove::FromSquares(i, i + 1)), 0);
  EXPECT_EQ(line.Capacity(), 12);
  GetAnnotations(*line.GetMove(8))->SetTime(5);
  line.Truncate(6);
  // The spare entry at the count is the array's own, reset to the empty move.
  EXPECT_EQ(line.GetMove(6), line.begin() + 6);
  EXPECT_EQ(line.GetMove(8)->kind, kNoMoveKind);
  EXPECT_EQ(line.GetMove(8)->annotations, nullptr);
  GameMove* outside = line.GetMove(12);
  EXPECT_EQ(outside->kind, kNoMoveKind);
  outside->annotations = reinterpret_cast<AnnotationSet*>(1);
  EXPECT_EQ(line.GetMove(12)->annotations, nullptr);
}

GameMove FirstMove(const char* text) {
  int from, to, p;
  test::ParseCoordinates(text, from, to, p);
  GameMove m = GameMove::FromSquares(from, to, p);
  m.Complete(Position());
  return m;
}

// Plays `moves` from the start into a fresh game and answers the game.
std::unique_ptr<TQGame> Game(const char* moves) {
  auto game = std::make_unique<TQGame>();
  GameCursor cursor(game.get());
  Enter(cursor, moves);
  return game;
}

TEST(MoveTreeTest, ReplaceMoveKeepsWhatStaysLegal) {
  struct Case {
    const char* moves;
    const char* replacement;
    const char* tree;
  } cases[] = {
      {"e2e4 e7e5 g1f3", "d2d4", "d2d4 e7e5 g1f3"},
      {"e2e4 e7e5 g1f3", "g1f3", "g1f3 e7e5"},
      // A knight move keeps its target through another origin.
      {"e2e4 e7e5 b1c3", "d2d4", "d2d4 e7e5 b1c3"},
      {"e2e4 e7e5 ( d7d5 e4d5 ) g1f3", "e2e3", "e2e3 e7e5 (d7d5) g1f3"},
      {"e2e4 d7d5 ( e7e5 ) e4d5", "d2d4", "d2d4 d7d5 (e7e5)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.moves);
    auto game = Game(c.moves);
    NotationFormatter formatter;
    ASSERT_EQ(game->body.mainLine.ReplaceMove(Position(), FirstMove(c.replacement), 0, &formatter), 0);
    EXPECT_EQ(DumpTree(*game), c.tree);
  }
  // A knight that must come from elsewhere keeps its target square.
  auto game = Game("g1f3 d7d5 f3e5");
  game->body.mainLine.GetMove(2)->from = 48;  // g1, no longer the knight's square
  game->body.mainLine.ReplaceMove(Position(), FirstMove("g1f3"), 0, nullptr);
  EXPECT_EQ(DumpTree(*game), "g1f3 d7d5 f3e5");
}

TEST(MoveTreeTest, ReplaceMoveUnderSixtyNestedLevels) {
  // The path shuffles the g-knights; every level leaves a b-knight move behind as the
  // line's own move and goes on in a new, deeper variation.
  TQGame game;
  GameCursor cursor(&game);
  Enter(cursor, "e2e4 e7e5");
  const char* path[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
  const char* others[] = {"b1c3", "b8c6"};
  int from, to, p;
  for (int level = 0; level < 60; ++level) {
    test::ParseCoordinates(others[level % 2], from, to, p);
    ASSERT_EQ(cursor.AddMove(from, to, 0, 0), 0);
    cursor.Back(false);
    test::ParseCoordinates(path[level % 4], from, to, p);
    ASSERT_EQ(cursor.AddMove(from, to, 0, 0), 0) << level;
    ASSERT_EQ(cursor.Lines().Count(), level + 1);
  }
  const int before = game.body.mainLine.CountMoves(0);
  NotationFormatter formatter;
  game.body.mainLine.ReplaceMove(Position(), FirstMove("d2d4"), 0, &formatter);
  EXPECT_EQ(game.body.mainLine.CountMoves(0), before);
  // The deepest variation is still there.
  const MoveLine* line = &game.body.mainLine;
  int depth = 0;
  for (int index = 2; line->Count() > index && line->GetMove(index)->variations; index = 1, ++depth)
    line = line->GetMove(index)->variations->GetLine(0);
  EXPECT_EQ(depth, 60);
}

TEST(MoveTreeTest, OneShortLineIsNeverFolded) {
  for (int length : {5, 6}) {
    MoveLine line;
    for (int i = 0; i < length; ++i) line.Append(GameMove::FromSquares(0, 1));
    VariationList list;
    list.Add(line);
    list.SetFolding(2, 1);
    EXPECT_EQ(list.flags & 1, length == 6 ? 1 : 0) << length;
    list.SetFolding(0, 1);
    EXPECT_EQ(list.flags & 1, 0);
  }
}

TEST(MoveTreeTest, CountsMedalsAndEvaluations) {
  auto game = Game("e2e4 e7e5 ( c7c5 g1f3 ) g1f3");
  EXPECT_EQ(game->body.mainLine.CountMoves(0), 5);
  GetAnnotations(*game->body.mainLine.GetMove(1)->variations->GetLine(0)->GetMove(1))->SetMedal(4);
  GetAnnotations(*game->body.mainLine.GetMove(0))->SetMedal(1);
  EXPECT_EQ(game->body.CollectMedals(), 5);
  EXPECT_EQ(game->body.mainLine.LastEvaluation().kind, kEvalNone);
  GetAnnotations(*game->body.mainLine.GetMove(1))->SetEngineEval({kEvalCentipawns, 31, 2});
  EXPECT_EQ(game->body.mainLine.LastEvaluation().value, 31);
  int index = -1;
  EXPECT_TRUE(game->body.mainLine.FindMove(0, 2, 0, -1, 42, index));  // Nf3
  EXPECT_EQ(index, 2);
  game->body.RemoveAnnotations(kMedalAnnotation, false);
  EXPECT_EQ(game->body.CollectMedals(), 0);
}

TEST(MoveTreeTest, MainLineText) {
  NotationSettings settings;
  settings.SetEnglishLetters();
  ScopedNotationSettings guard(settings);
  auto game = Game("e2e4 e7e5 g1f3");
  const std::string text = game->body.MainLineText(1, 3).ToUtf8();
  EXPECT_NE(text.find("e5"), std::string::npos) << text;
  EXPECT_NE(text.find("2"), std::string::npos) << text;
  EXPECT_EQ(game->body.MainLineText(5, 9).Bytes(), "--");
}

TEST(GameBodyTest, CopiesKeepSetUpFlagAndGameComments) {
  TQGame game;
  game.body.SetSetUpStart(test::ParseFenForTest("4k3/8/8/8/8/8/8/4K3 w - - 0 1"), 12);
  game.body.flags |= 3;  // coding version
  game.body.AddGameComment("before the first move");
  GameCursor cursor(&game);
  Enter(cursor, "e1e2");
  TQGame copy(game);
  EXPECT_EQ(copy.ItemKind(), kSetUpGameItem);
  EXPECT_EQ(copy.body.flags, kSetUpStart);
  ASSERT_NE(copy.body.GameAnnotations(), nullptr);
  EXPECT_EQ(copy.body.GameAnnotations()->GetTextAfter(kAllLanguages), "before the first move");
  EXPECT_EQ(copy.body.start.FirstMoveNumber(), 12);
  EXPECT_EQ(DumpTree(copy), "e1e2");
}

TEST(GameBodyTest, AskingForAnnotationsKeepsTheReadSwitch) {
  TQGame game;
  GameCursor cursor(&game);
  Enter(cursor, "e2e4");
  EXPECT_FALSE(game.body.HasAnnotations());
  AddComment(*game.body.mainLine.GetMove(0), "best by test", true, 0);
  EXPECT_TRUE(game.body.readAnnotations);
  EXPECT_TRUE(game.body.HasAnnotations());
  AddComment(*game.body.mainLine.GetMove(0), "again", true, 1);
  EXPECT_EQ(CommentAfter(*game.body.mainLine.GetMove(0)), "best by test. again");
  game.body.ChangeMedals(0x8001, true);
  EXPECT_EQ(game.body.ChangeMedals(1, false), 0x8000);
}

}  // namespace
}  // namespace zh

namespace zh {
namespace {

TEST(PositionStacksTest, BoundsAndStaticEntries) {
  PositionStack positions(2);
  GamePosition p{Position(), 7};
  EXPECT_EQ(positions.Pop(p), 1);
  EXPECT_EQ(positions.Push(p), 0);
  EXPECT_EQ(positions.Push(p), 0);
  EXPECT_EQ(positions.Push(p), 1);
  EXPECT_EQ(positions.Top()->ply, 7);

  LineStack lines(3);
  VariationList list;
  MoveLine line;
  line.Append(GameMove::FromSquares(12, 28));
  list.Add(line);
  for (int i = 0; i < 3; ++i) lines.PushLine({Position(), static_cast<int16_t>(i)}, &list, 0);
  EXPECT_EQ(LineStack::LineLength(lines.Top()), 1);
  EXPECT_EQ(lines.Entry(5).list, nullptr);
  EXPECT_EQ(lines.Entry(5).position.position, Position());
  GamePosition out;
  VariationList* popped = nullptr;
  int index = -1;
  EXPECT_EQ(lines.PopLine(out, popped, index), 0);
  EXPECT_EQ(out.ply, 2);
  EXPECT_EQ(popped, &list);
}

}  // namespace
}  // namespace zh

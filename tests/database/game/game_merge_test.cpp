#include "database/game/game_merge.h"

#include <gtest/gtest.h>

#include "database/game/annotation_set.h"
#include "database/game/game_item.h"
#include "database/game_test_util.h"
#include "database/game/game_title.h"
#include "database/game/move_tree.h"
#include "support/recording_services.h"

namespace zh {
namespace {

using test::DumpTree;
using test::Enter;

constexpr const char* kLine =
    "e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 b5a4 g8f6 e1g1 f8e7 f1e1 b7b5 a4b3 d7d6";

void SetPlayers(TQGame& game, const char* annotator) {
  game.header.white = TQPlayer("Miller", "Anna");
  game.header.black = TQPlayer("Smith", "Bert");
  game.header.SetResult(kWhiteWon);
  game.header.SetMoveCount(7);
  game.header.annotator.SetName(annotator);
}

struct Merge : ::testing::Test {
  test::RecordingServices services;
  TQGame mine, theirs;
  GameCursor here{&mine}, there{&theirs};
  Merge() {
    services.settings.mergeSettings[0] = 100;
    services.settings.mergeSettings[1] = 100;
    services.settings.mergeSettings[2] = 5;
    Enter(here, kLine);
    here.GoToPly(3);
  }
};

TEST_F(Merge, GameIntoItselfAddsNothing) {
  const std::string before = DumpTree(mine);
  int counter = 0;
  GameCursor self(&mine);
  EXPECT_EQ(MergeGames(here, self, counter, false), 0);
  EXPECT_EQ(DumpTree(mine), before);
  EXPECT_EQ(here.Ply(), 3);
}

TEST_F(Merge, LeavingAtPlyTenAddsOneVariationWithTheTitle) {
  theirs.header.white = TQPlayer("Kasp", "Gary");
  theirs.header.black = TQPlayer("Lobo", "Tim");
  theirs.header.tournament.SetTitle("Wijk");
  Enter(there, "e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 b5a4 g8f6 e1g1 f8e7 d2d4 e5d4 e4e5");
  int counter = 0;
  ASSERT_EQ(MergeGames(here, there, counter, false), 0);
  EXPECT_EQ(counter, 0);
  EXPECT_EQ(DumpTree(mine),
            "e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 b5a4 g8f6 e1g1 f8e7 f1e1 (d2d4 e5d4 e4e5 "
            "{Kasp,G-Lobo,T/Wijk}) b7b5 a4b3 d7d6");
  EXPECT_EQ(here.Ply(), 3);
  // Settings cut the added line: two plies at most.
  TQGame short_;
  GameCursor s(&short_);
  Enter(s, kLine);
  services.settings.mergeSettings[0] = 1;
  ASSERT_EQ(MergeGames(s, there, counter, false), 0);
  EXPECT_EQ(DumpTree(short_),
            "e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 b5a4 g8f6 e1g1 f8e7 f1e1 (d2d4 e5d4 {Kasp,G-Lobo,T/Wijk}) "
            "b7b5 a4b3 d7d6");
}

TEST_F(Merge, SameGameByAnotherAnnotatorAddsWhatIsMissing) {
  SetPlayers(mine, "Kent");
  SetPlayers(theirs, "Lund");
  Enter(there, kLine);
  there.GoToPly(4);
  Enter(there, "f1c4 f8c5 )");
  GameMove& m = *theirs.body.mainLine.GetMove(2);
  GetAnnotations(m)->SetTextAfter("the main move", 0, 7);
  // Its own text stays where both have one.
  GetAnnotations(*mine.body.mainLine.GetMove(1))->SetTextAfter("mine", 0, 7);
  GetAnnotations(*theirs.body.mainLine.GetMove(1))->SetTextAfter("theirs", 0, 7);
  int counter = 0;
  ASSERT_EQ(MergeGames(here, there, counter, false), 0);
  EXPECT_EQ(counter, 1);
  EXPECT_EQ(DumpTree(mine),
            "e2e4 {Lund} e7e5 {mine} g1f3 {the main move} b8c6 f1b5 (f1c4 f8c5) a7a6 b5a4 g8f6 e1g1 f8e7 "
            "f1e1 b7b5 a4b3 d7d6");
}

TEST_F(Merge, UnfoundSetUpStartGivesNine) {
  Position p;
  p.MakeMoveSquares(MakeSquare(3, 1), MakeSquare(3, 3), 0);  // 1.d4
  theirs.body.start.start = {p, 0};
  Enter(there, "d7d5");
  const std::string before = DumpTree(mine);
  int counter = 0;
  EXPECT_EQ(MergeGames(here, there, counter, false), 9);
  EXPECT_EQ(DumpTree(mine), before);
  // An empty other game changes nothing.
  TQGame empty;
  GameCursor none(&empty);
  EXPECT_EQ(MergeGames(here, none, counter, false), 0);
  EXPECT_EQ(DumpTree(mine), before);
}

}  // namespace
}  // namespace zh

#include "database/game/game_merge.h"

#include <gtest/gtest.h>

#include "database/game/annotation_set.h"
#include "database/game/game_item.h"
#include "database/game_test_util.h"
#include "database/game/game_title.h"
#include "database/game/move_tree.h"
#include "support/recording_services.h"
#include "support/test_fen.h"

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

// A game that reaches this tree by another move order joins at the common position
// and adds only its own continuation: at a main line's end, inside it, and inside a
// variation of this game.
TEST(MergeByPosition, TranspositionJoinsWhereThePositionsMeet) {
  test::RecordingServices services;
  services.settings.mergeSettings[0] = 100;
  services.settings.mergeSettings[1] = 100;
  services.settings.mergeSettings[2] = 5;
  const struct {
    const char* mine;
    const char* theirs;
    const char* merged;
  } cases[] = {
      {"d2d4 g8f6 c2c4 e7e6 b1c3 f8b4", "c2c4 e7e6 d2d4 g8f6 b1c3 f8b4 d1c2 e8g8",
       "d2d4 g8f6 c2c4 e7e6 b1c3 f8b4 d1c2 e8g8 {Lobo,T-Kasp,G}"},
      {"d2d4 g8f6 c2c4 e7e6 b1c3 f8b4 e2e3 e8g8", "c2c4 e7e6 d2d4 g8f6 b1c3 f8b4 d1c2 e8g8 a2a3",
       "d2d4 g8f6 c2c4 e7e6 b1c3 f8b4 e2e3 (d1c2 e8g8 a2a3 {Lobo,T-Kasp,G}) e8g8"},
      {"d2d4 g8f6 c2c4 g7g6 ( e7e6 b1c3 )", "c2c4 e7e6 d2d4 g8f6 b1c3 f8b4",
       "d2d4 g8f6 c2c4 g7g6 (e7e6 b1c3 f8b4)"},
      // No common position after the start: a plain new line.
      {"d2d4 g8f6", "e2e4 e7e5", "d2d4 (e2e4 e7e5 {Lobo,T-Kasp,G}) g8f6"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.theirs);
    TQGame mine, theirs;
    GameCursor here(&mine), there(&theirs);
    Enter(here, c.mine);
    here.Rewind();
    theirs.header.white = TQPlayer("Lobo", "Tim");
    theirs.header.black = TQPlayer("Kasp", "Gary");
    Enter(there, c.theirs);
    int counter = 0;
    ASSERT_EQ(MergeGames(here, there, counter, false), 0);
    EXPECT_EQ(DumpTree(mine), c.merged);
    // Merging again adds nothing.
    ASSERT_EQ(MergeGames(here, there, counter, false), 0);
    EXPECT_EQ(DumpTree(mine), c.merged);
  }
}

TEST(MergeByPosition, DeepestCommonPositionHoldsThePathAndTheNextMoves) {
  TQGame mine, theirs;
  GameCursor here(&mine), there(&theirs);
  Enter(here, "d2d4 g8f6 c2c4 g7g6 ( e7e6 b1c3 f8b4 ) b1c3");
  Enter(there, "c2c4 e7e6 d2d4 g8f6 b1c3 f8b4");
  here.Rewind();
  there.Rewind();
  CommonPosition common = FindDeepestCommonPosition(here, there, 0);
  ASSERT_TRUE(common.found);
  EXPECT_EQ(common.otherPly, 6);
  EXPECT_EQ(common.cursor.Ply(), 6);
  EXPECT_EQ(common.cursor.Lines().Count(), 1);
  EXPECT_FALSE(common.nextMovesAgree);
  // The board alone is not enough: castling rights count.
  TQGame a, b;
  GameCursor ca(&a), cb(&b);
  Enter(ca, "g1f3 g8f6 h1g1 h8g8 g1h1 g8h8");
  Enter(cb, "g1f3 g8f6 b1c3 b8c6 c3b1 c6b8");
  ca.Rewind();
  cb.Rewind();
  common = FindDeepestCommonPosition(ca, cb, 0);
  ASSERT_TRUE(common.found);
  EXPECT_EQ(common.otherPly, 2);
  EXPECT_FALSE(common.nextMovesAgree);
}

// The three limits: plies added in the main line and in variations, and the nesting
// depth of the other game's variations; the same game takes 600, 600 and 30.
TEST(MergeByPosition, LimitsFromTheSettingsOrForTheSameGame) {
  test::RecordingServices services;
  services.settings.mergeSettings[0] = 1;  // two plies in the main line
  services.settings.mergeSettings[1] = 1;  // two plies in a variation
  services.settings.mergeSettings[2] = 1;  // one level of variations
  const char* theirs = "d2d4 d7d5 c2c4 e7e6 b1c3 ( g1f3 g8f6 b1c3 ( g2g3 f8e7 ) f8e7 ) g8f6";
  const struct {
    bool sameGame;
    const char* merged;
  } cases[] = {
      {false, "e2e4 (d2d4 d7d5 {Miller,A-Smith,B/[Kent]/1-0 (7)}) e7e5"},
      {true, "e2e4 {Lund} (d2d4 d7d5 c2c4 e7e6 b1c3 (g1f3 g8f6 b1c3 (g2g3 f8e7) f8e7) g8f6) e7e5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sameGame ? "same game" : "another game");
    TQGame mine, other;
    GameCursor here(&mine), there(&other);
    Enter(here, "e2e4 e7e5");
    Enter(there, theirs);
    SetPlayers(mine, "Kent");
    SetPlayers(other, c.sameGame ? "Lund" : "Kent");
    int counter = 0;
    ASSERT_EQ(MergeGames(here, there, counter, false), 0);
    EXPECT_EQ(DumpTree(mine), c.merged);
  }
  // Within the ply limits only the nesting depth cuts: the nested line is left out.
  services.settings.mergeSettings[0] = 10;
  services.settings.mergeSettings[1] = 10;
  TQGame mine, other;
  GameCursor here(&mine), there(&other);
  Enter(here, "d2d4 d7d5 c2c4 e7e6");
  Enter(there, theirs);
  SetPlayers(mine, "Kent");
  SetPlayers(other, "Kent");
  int counter = 0;
  ASSERT_EQ(MergeGames(here, there, counter, false), 0);
  EXPECT_EQ(DumpTree(mine),
            "d2d4 d7d5 c2c4 e7e6 b1c3 (g1f3 g8f6 b1c3 f8e7) g8f6 {Miller,A-Smith,B/[Kent]/1-0 (7)}");
}

TEST_F(Merge, UnfoundSetUpStartGivesNine) {
  // After 1.d4, which this main line (1.e4 ...) never reaches.
  theirs.body.SetSetUpStart(test::ParseFenForTest("rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq - 0 1"), 1);
  there.Rewind();
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

#include "database/game/game_title.h"

#include <gtest/gtest.h>

#include "core/rules/material_difference.h"
#include "database/game/move_tree.h"
#include "database/game_test_util.h"
#include "support/test_fen.h"

namespace zh {
namespace {

using test::Enter;

TEST(GameTitleLine, Table) {
  struct Case {
    const char* white;
    const char* black;
    const char* title;
    const char* place;
    int year;
    const char* source;
    const char* annotator;
    int result;
    int moves;
    bool resultFirst;
    const char* expected;
  } cases[] = {
      {"Miller", "Smith", "Linares", "", 1994, "", "", kWhiteWon, 41, false,
       "Miller,A-Smith,B/Linares 1994/1-0 (41)"},
      {"Miller", "Smith", "Linares", "", 1994, "", "", kWhiteWon, 41, true,
       "1-0 Miller,A-Smith,B/Linares 1994 (41)"},
      {"Miller", "Smith", "", "Madrid", 0, "Source", "Kent", kDraw, 0, false,
       "Miller,A-Smith,B/Madrid/Source/[Kent]/\xC2\xBD-\xC2\xBD"},
      {"Miller", "", "", "", 2001, "", "", kNoResult, 7, false, "Miller,A (7)"},
  };
  for (const Case& c : cases) {
    TQGame game;
    game.header.white = TQPlayer(c.white, "Anna");
    if (*c.black) game.header.black = TQPlayer(c.black, "Bert");
    game.header.tournament.SetTitle(c.title);
    game.header.tournament.SetPlace(c.place);
    game.header.SetDate(static_cast<uint32_t>(c.year) << 9);
    game.header.source.SetTitle(c.source);
    game.header.annotator.SetName(c.annotator);
    game.header.SetResult(c.result);
    game.header.SetMoveCount(c.moves);
    EXPECT_EQ(GameTitleLine(game, c.resultFirst), c.expected);
  }
}

TEST(CursorSearches, FindKeyPly) {
  TQGame game;
  GameCursor cursor(&game);
  // 30 plies of knight moves, no captures.
  Enter(cursor, "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 "
                "f3g1 f6g8 g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8 g1f3 g8f6");
  cursor.Rewind();
  EXPECT_EQ(FindKeyPly(cursor, 0), 0);   // the first quiet move
  EXPECT_EQ(FindKeyPly(cursor, 10), 10);  // 20 plies remain
  EXPECT_EQ(FindKeyPly(cursor, 11), 30);  // too few: the line end
  EXPECT_EQ(FindKeyPly(cursor, 50), 30);
  MoveSymbols s;
  s.SetFromPositionSymbolCode(3);
  GameMove& m = *const_cast<GameMove*>(cursor.GetMove(6));
  SetSymbols(m, s);
  EXPECT_EQ(FindKeyPly(cursor, 2), 6);  // a position judgement comes first
}

TEST(CursorSearches, PathRoundTripsAndPositionsInNestedLines) {
  TQGame game;
  GameCursor cursor(&game);
  Enter(cursor, "e2e4 e7e5 ( c7c5 g1f3 d7d6 ( b8c6 d2d4 ( f1c4 ) ) d2d4 ) g1f3 b8c6");
  cursor.GoToPly(1);
  ASSERT_EQ(cursor.BeginLine(0), 0);
  cursor.GoToPly(3);
  ASSERT_EQ(cursor.BeginLine(0), 0);
  cursor.GoToPly(5);
  const Position deep = cursor.GetPosition();
  CursorPath path;
  path.Capture(cursor);
  ASSERT_EQ(path.steps.size(), 2u);
  GameCursor other(&game);
  ASSERT_EQ(path.Restore(other, 5), 0);
  EXPECT_EQ(other.GetPosition(), deep);
  EXPECT_EQ(other.Lines().Count(), 2);

  // Search from the start: the position after 1.e4 c5 2.Nf3 Nc6 3.d4 is found.
  GameCursor finder(&game);
  EXPECT_TRUE(finder.FindPosition(10, deep));
  EXPECT_EQ(finder.GetPosition(), deep);
  // After 3.Bc4 within the innermost line, and a miss that changes nothing.
  GameCursor miss(&game);
  miss.GoToPly(1);
  EXPECT_FALSE(miss.FindPosition(10, test::ParseFenForTest("4k3/8/8/8/8/8/8/4K3 w - - 0 1")));
  EXPECT_EQ(miss.Ply(), 1);
  EXPECT_EQ(miss.Lines().Count(), 0);
  // Too few plies to reach it.
  GameCursor near(&game);
  EXPECT_FALSE(near.FindPosition(3, deep));
  EXPECT_EQ(near.Ply(), 0);
}

TEST(MaterialDifference, PairsOffEqualTypes) {
  const Position p = test::ParseFenForTest("4k3/pp6/8/8/8/8/PPP5/R2QK3 w - - 0 1");
  uint8_t white[16], black[16];
  int nw = 0, nb = 0;
  MaterialDifference(p.board, white, nw, black, nb);
  ASSERT_EQ(nw, 3);
  EXPECT_EQ(nb, 0);
  // In square order: rook a1, pawn c2, queen d1.
  EXPECT_EQ(white[0], kRook);
  EXPECT_EQ(white[1], kPawn);
  EXPECT_EQ(white[2], kQueen);
}

}  // namespace
}  // namespace zh

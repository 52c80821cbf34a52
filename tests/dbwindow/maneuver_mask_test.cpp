// The manoeuvre criterion: the fields of an entry, the ordered search with its span,
// negated and colour-reversed entries, and the search in any order.
#include <gtest/gtest.h>

#include <string>

#include "dbwindow/maneuver_mask.h"
#include "dbwindow/trace_games.h"

namespace zh {
namespace {

using E = ManeuverEntry;

// "Ng1-f3" style: side, kind, from and to squares, each may be "any".
E Move(int side, int kind, const char* from, const char* to) {
  E e;
  e.side = static_cast<uint8_t>(side);
  e.pieceKind = static_cast<uint8_t>(kind);
  if (from) {
    e.fromFile = static_cast<uint8_t>(from[0] - 'a');
    e.fromRank = static_cast<uint8_t>(from[1] - '1');
  }
  if (to) {
    e.toFile = static_cast<uint8_t>(to[0] - 'a');
    e.toRank = static_cast<uint8_t>(to[1] - '1');
  }
  return e;
}

ManeuverMask Of(std::initializer_list<E> entries) {
  ManeuverMask m;
  for (const E& e : entries) m.entries[m.count++] = e;
  m.firstMove = 1;
  m.lastMove = 100;
  m.span = 40;
  return m;
}

class Maneuver : public ::testing::Test {
 protected:
  GameTrace trace;
};

TEST_F(Maneuver, AnEntryOfAnyMatchesEveryMove) {
  test::TraceMoves(trace, test::kStartFen, "e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 e1g1");
  const E any;
  EXPECT_FALSE(ManeuverMask::EntryMatches(any, trace, 0));  // no move leads to the start
  for (int ply = 1; ply < trace.length; ++ply) EXPECT_TRUE(ManeuverMask::EntryMatches(any, trace, ply));
  EXPECT_FALSE(ManeuverMask::EntryMatches(any, trace, trace.length));
}

TEST_F(Maneuver, EntryFields) {
  // 1.e4 d5 2.exd5 Qxd5 3.Nc3 Qxa2 4.Rxa2, then a promotion and an under-promotion.
  test::TraceMoves(trace, test::kStartFen, "e2e4 d7d5 e4d5 d8d5 b1c3 d5a2 a1a2");
  struct Case {
    const char* name;
    E entry;
    int ply;
    bool match;
  };
  E capturePawn = Move(2, 0, nullptr, nullptr);
  capturePawn.captureOn = 1;
  capturePawn.capture = kPawn + 1;
  E anyCapture = capturePawn;
  anyCapture.capture = 1;
  E noCapture = capturePawn;
  noCapture.capture = 0;
  E loses = Move(2, 0, nullptr, nullptr);  // the mover ends the run of captures 8 down
  loses.materialOn = 1;
  loses.materialChange = 8;
  E gains = loses;
  gains.materialChange = -8;
  E gainsMore = loses;
  gainsMore.materialChange = -9;
  const Case cases[] = {
      {"white move at odd ply", Move(0, 0, nullptr, nullptr), 1, true},
      {"white move at even ply", Move(0, 0, nullptr, nullptr), 2, false},
      {"black move", Move(1, 0, nullptr, nullptr), 2, true},
      {"piece kind", Move(2, kQueen, nullptr, nullptr), 4, true},
      {"other piece kind", Move(2, kKnight, nullptr, nullptr), 4, false},
      {"from and to", Move(2, 0, "e4", "d5"), 3, true},
      {"wrong from", Move(2, 0, "e2", "d5"), 3, false},
      {"to file only", Move(2, 0, nullptr, "d1"), 3, false},
      {"capture of a pawn", capturePawn, 3, true},
      {"capture of a pawn, not a queen", capturePawn, 7, false},
      {"any capture", anyCapture, 7, true},
      {"no capture", noCapture, 5, true},
      {"no capture but one", noCapture, 6, false},
      {"black loses 8 in the run", loses, 6, true},
      {"white gains 8 in the run", gains, 7, true},
      {"white gains only 8", gainsMore, 7, false},
      {"black does not gain", gains, 6, false},
  };
  for (const Case& c : cases) EXPECT_EQ(ManeuverMask::EntryMatches(c.entry, trace, c.ply), c.match) << c.name;

  test::TraceMoves(trace, "4k3/1P4P1/8/8/8/8/6p1/4K3 w - - 0 1", "b7b8q g2g1n g7g8r");
  E promotes = Move(2, kPawn, nullptr, nullptr);
  promotes.promotionOn = 1;
  promotes.promotion = 1;
  E toKnight = promotes;
  toKnight.promotion = kKnight + 1;
  E none = promotes;
  none.promotion = 0;
  const Case promotions[] = {
      {"any promotion", promotes, 1, true},       {"any promotion by Black", promotes, 2, true},
      {"knight promotion", toKnight, 2, true},    {"knight promotion, not queen", toKnight, 1, false},
      {"no promotion", none, 3, false},
  };
  for (const Case& c : promotions) EXPECT_EQ(ManeuverMask::EntryMatches(c.entry, trace, c.ply), c.match) << c.name;
}

TEST_F(Maneuver, InOrderWithinTheSpan) {
  // Ng1-f3-g5 for White, found from ply 3 on.
  const char* game = "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 f3g5 d7d5";
  test::TraceMoves(trace, test::kStartFen, game);
  ManeuverMask m = Of({Move(0, kKnight, "g1", "f3"), Move(0, kKnight, "f3", "g5")});
  m.inOrder = 1;
  EXPECT_EQ(m.FindMatch(trace), 3);
  EXPECT_TRUE(m.MatchFrom(trace, 3));
  EXPECT_FALSE(m.MatchFrom(trace, 1));  // the first entry must match at the ply itself
  m.span = 4;                           // ply 7 lies at 3 + 4
  EXPECT_EQ(m.FindMatch(trace), kNoMatchingPly);
  m.span = 5;
  EXPECT_EQ(m.FindMatch(trace), 3);
  m.lastMove = 3;  // plies below 6 only
  EXPECT_EQ(m.FindMatch(trace), kNoMatchingPly);
  m.lastMove = 40;
  m.firstMove = 3;  // from ply 4 on
  EXPECT_EQ(m.FindMatch(trace), kNoMatchingPly);

  // In the reverse order the moves are not found in order, but are in any order.
  ManeuverMask back = Of({Move(0, kKnight, "f3", "g5"), Move(0, kKnight, "g1", "f3")});
  back.inOrder = 1;
  EXPECT_EQ(back.FindMatch(trace), kNoMatchingPly);
  back.inOrder = 0;
  EXPECT_EQ(back.FindMatch(trace), 3);
  EXPECT_EQ(ManeuverMask().FindMatch(trace), 0);  // no entries
  EXPECT_TRUE(ManeuverMask().MatchFrom(trace, 5));
}

// Bf1-c4, not ...d5 in between, then Ng5 (middle), and Bc4, Ng5, then not ...d5 (final).
TEST_F(Maneuver, NegatedEntries) {
  E notD5 = Move(1, kPawn, "d7", "d5");
  notD5.negated = 1;
  ManeuverMask middle = Of({Move(0, kBishop, "f1", "c4"), notD5, Move(0, kKnight, "f3", "g5")});
  ManeuverMask last = Of({Move(0, kBishop, "f1", "c4"), Move(0, kKnight, "f3", "g5"), notD5});
  // In any order the negated move spoils the manoeuvre only when it is played after
  // the first match and before the others are complete.
  struct Case {
    const char* game;
    bool middle, last, anyOrder;
  } cases[] = {
      {"e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 f3g5 d7d5", false, false, true},
      {"e2e4 e7e5 g1f3 b8c6 f1c4 d7d5 f3g5 h7h6", false, true, false},
      {"e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 f3g5 h7h6", true, true, true},
      {"e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 f3g5", true, true, true},  // a final negated entry left
      {"e2e4 d7d5 g1f3 b8c6 f1c4 g8f6 f3g5", true, true, true},  // played before
  };
  for (const Case& c : cases) {
    test::TraceMoves(trace, test::kStartFen, c.game);
    for (ManeuverMask* m : {&middle, &last}) {
      const bool expected = m == &middle ? c.middle : c.last;
      m->inOrder = 1;
      EXPECT_EQ(m->FindMatch(trace) != kNoMatchingPly, expected) << c.game;
      EXPECT_EQ(m->MatchFrom(trace, 5), expected) << c.game;
      m->inOrder = 0;
      EXPECT_EQ(m->FindMatch(trace) != kNoMatchingPly, c.anyOrder) << c.game;
    }
  }
}

// White's e4 and Nf3 defined; Black's e5 and Nf6 are their colour-reversed form.
TEST_F(Maneuver, ColourReversedForms) {
  const E e4 = Move(0, kPawn, "e2", "e4"), nf3 = Move(0, kKnight, "g1", "f3");
  test::TraceMoves(trace, test::kStartFen, "d2d4 e7e5 c2c3 g8f6 g1f3 d7d6");
  for (int order = 0; order < 2; ++order) {
    ManeuverMask m = Of({e4, nf3});
    m.inOrder = static_cast<uint8_t>(order);
    EXPECT_EQ(m.FindMatch(trace), 2) << order;
    m.colourReversedToo = 0;
    EXPECT_EQ(m.FindMatch(trace), kNoMatchingPly) << order;
  }
  ManeuverMask m = Of({e4, nf3});
  EXPECT_TRUE(m.MatchFrom(trace, 2));
  // Once reversed, every later entry is taken reversed: White's own Nf3 at ply 5 does
  // not complete a manoeuvre begun by Black.
  test::TraceMoves(trace, test::kStartFen, "d2d4 e7e5 g1f3 d7d6");
  for (int order = 0; order < 2; ++order) {
    m.inOrder = static_cast<uint8_t>(order);
    EXPECT_EQ(m.FindMatch(trace), kNoMatchingPly) << order;
  }
  EXPECT_FALSE(m.MatchFrom(trace, 2));
  // In order, only the first entry may be found reversed by the whole-game search;
  // MatchFrom tries every entry reversed until one is.
  test::TraceMoves(trace, test::kStartFen, "e2e4 d7d6 d2d4 g8f6");
  m.inOrder = 1;
  EXPECT_EQ(m.FindMatch(trace), kNoMatchingPly);
  EXPECT_TRUE(m.MatchFrom(trace, 1));
  // In any order, the reversed form is tried only while nothing has matched.
  m.inOrder = 0;
  EXPECT_EQ(m.FindMatch(trace), kNoMatchingPly);
  ManeuverMask single = Of({nf3});
  EXPECT_EQ(single.FindMatch(trace), 4);
}

}  // namespace
}  // namespace zh

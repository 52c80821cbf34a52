// The trace of a game: the records of every ply after start, captures, en passant,
// castling and promotions, the material around captures, the 600-ply bound, and that
// tracing allocates nothing once the trace exists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dbwindow/alloc_counter.h"
#include "dbwindow/game_trace.h"
#include "dbwindow/trace_games.h"
#include "dbwindow/material_mask.h"
#include "dbwindow/maneuver_mask.h"
#include "dbwindow/motif_mask.h"

namespace zh {
namespace {

using test::SquareOf;

uint64_t Bit(const char* square) {
  return uint64_t{1} << SquareOf(square);
}

class Trace : public ::testing::Test {
 protected:
  GameTrace trace;
};

TEST_F(Trace, StartPositionRecords) {
  test::TraceMoves(trace, test::kStartFen, "");
  ASSERT_EQ(trace.status, GameTrace::kReady);
  EXPECT_EQ(trace.length, 1);
  EXPECT_EQ(trace.Men(), 32);
  for (int side = 0; side < 2; ++side) {
    const TraceSide& s = trace.Side(0, side);
    EXPECT_EQ(s.material, 31);
    EXPECT_EQ(trace.Pawns(0, side).count, 8);
    const int expected[6] = {1, 1, 2, 2, 2, 0};  // K Q N B R, pawns kept apart
    for (int k = kKing; k <= kPawn; ++k) EXPECT_EQ(s.Count(k), expected[k - 1]) << k;
    EXPECT_EQ(s.Set(kPawn), 0u);
  }
  EXPECT_EQ(trace.Side(0, 0).Set(kRook), Bit("a1") | Bit("h1"));
  EXPECT_EQ(trace.Side(0, 1).Set(kKnight), Bit("b8") | Bit("g8"));
  EXPECT_EQ(trace.Pawns(0, 1).squares, 0x4040404040404040ull);  // rank 7 of every file
}

// One move each, and what the ply after it holds.
TEST_F(Trace, MovesChangeTheRecordsOfTheirPly) {
  struct Case {
    const char* name;
    const char* fen;
    const char* moves;
    int side;  // the side whose records are checked
    int kind;
    uint64_t set;  // pieces of that kind, or pawns
    int count;
    int material;
  } cases[] = {
      {"white short castling", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1g1", 0, kRook,
       Bit("a1") | Bit("f1"), 2, 10},
      {"white long castling", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1c1", 0, kRook,
       Bit("d1") | Bit("h1"), 2, 10},
      {"black short castling", "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "e8g8", 1, kRook,
       Bit("a8") | Bit("f8"), 2, 10},
      {"black long castling", "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "e8c8", 1, kRook,
       Bit("d8") | Bit("h8"), 2, 10},
      {"king moves with castling", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1c1", 0, kKing,
       Bit("c1"), 1, 10},
      {"en passant takes the pawn beside", test::kStartFen, "e2e4 a7a6 e4e5 d7d5 e5d6", 1, kPawn,
       (0x4040404040404040ull & ~Bit("d7") & ~Bit("a7")) | Bit("a6"), 7, 31},
      {"en passant pawn arrives", test::kStartFen, "e2e4 a7a6 e4e5 d7d5 e5d6", 0, kPawn,
       (0x0202020202020202ull & ~Bit("e2")) | Bit("d6"), 8, 31},
      {"queen promotion", "4k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7b8q", 0, kQueen, Bit("b8"), 1, 9},
      {"promotion leaves no pawn", "4k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7b8q", 0, kPawn, 0, 0, 9},
      {"knight under-promotion", "4k3/8/8/8/8/8/6p1/4K3 b - - 0 1", "g2g1n", 1, kKnight, Bit("g1"),
       1, 3},
      {"capture promotion", "r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7a8r", 0, kRook, Bit("a8"), 1, 5},
      {"capture promotion takes", "r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7a8r", 1, kRook, 0, 0, 0},
      {"capture of a bishop", "4k3/8/8/3b4/4N3/8/8/4K3 b - - 0 1", "d5e4", 0, kKnight, 0, 0, 0},
  };
  for (const Case& c : cases) {
    test::TraceMoves(trace, c.fen, c.moves);
    const int ply = trace.length - 1;
    const TraceSide& s = trace.Side(ply, c.side);
    if (c.kind == kPawn) {
      EXPECT_EQ(trace.Pawns(ply, c.side).squares, c.set) << c.name;
      EXPECT_EQ(trace.Pawns(ply, c.side).count, c.count) << c.name;
    } else {
      EXPECT_EQ(s.Set(c.kind), c.set) << c.name;
      EXPECT_EQ(s.Count(c.kind), c.count) << c.name;
    }
    EXPECT_EQ(s.material, c.material) << c.name;
  }
}

TEST_F(Trace, MovesAreRecordedByPly) {
  test::TraceMoves(trace, test::kStartFen, "e2e4 a7a6 e4e5 d7d5 e5d6");
  ASSERT_EQ(trace.length, 6);
  const TraceMove& ep = trace.MoveAt(5);
  EXPECT_EQ(ep.from, SquareOf("e5"));
  EXPECT_EQ(ep.to, SquareOf("d6"));
  EXPECT_TRUE(ep.kind & kEnPassant);
  EXPECT_EQ(ep.piece, kPawn);
  EXPECT_EQ(ep.captured, kPawn | kBlackBit);
  EXPECT_EQ(trace.Men(), 31);
  // Earlier plies keep their own records.
  EXPECT_EQ(trace.Pawns(4, 1).count, 8);
}

// Balance is White minus Black with pawns 1: pawns go 2.exd5 Qxd5, then the queen
// takes a2 (-1) and is taken (+8).
TEST_F(Trace, MaterialAroundCaptureSequences) {
  const char* line = "e2e4 d7d5 e4d5 d8d5 b1c3 d5a2 a1a2 g8f6";
  struct Case {
    const char* moves;
    int ply, before, after;
  } cases[] = {
      {line, 3, 0, 0},  // an even exchange
      {line, 6, 0, 8},  // first capture of a run
      {line, 7, 0, 8},  // last capture of a run
      {line, 5, 0, 8},  // the quiet move before a run
      {line, 8, 8, 8},  // a quiet move at the end
      // A run of captures that ends the game ends after its last capture.
      {"e2e4 d7d5 e4d5 d8d5 b1c3 d5a2 a1a2", 6, 0, 8},
  };
  for (const Case& c : cases) {
    test::TraceMoves(trace, test::kStartFen, c.moves);
    int before = -99, after = -99;
    trace.MaterialAround(c.ply, before, after);
    EXPECT_EQ(before, c.before) << c.moves << " ply " << c.ply;
    EXPECT_EQ(after, c.after) << c.moves << " ply " << c.ply;
  }
}

TEST_F(Trace, StopsAtSixHundredPlies) {
  std::string moves;
  for (int i = 0; i < 175; ++i) moves += "g1f3 g8f6 f3g1 f6g8 ";  // 700 plies
  test::TraceMoves(trace, test::kStartFen, moves);
  EXPECT_EQ(trace.length, kTracePlies);
  EXPECT_FALSE(trace.WantsMore());
  // Ply 599 is the position after move 599 and the move that led there.
  EXPECT_EQ(trace.MoveAt(599).from, SquareOf("f3"));
  EXPECT_EQ(trace.Side(599, 1).Set(kKnight), Bit("b8") | Bit("f6"));
  EXPECT_EQ(trace.Side(599, 0).Set(kKnight), Bit("b1") | Bit("g1"));
}

TEST_F(Trace, WantsMoreWhileEnoughMenRemain) {
  trace.menFloor = 32;
  test::TraceMoves(trace, test::kStartFen, "e2e4 d7d5");
  EXPECT_TRUE(trace.WantsMore());
  test::TraceMoves(trace, test::kStartFen, "e2e4 d7d5 e4d5");
  EXPECT_FALSE(trace.WantsMore());
  trace.menFloor = 31;
  EXPECT_TRUE(trace.WantsMore());
}

TEST(TraceMemory, FailedAllocationLeavesAnUnusableTrace) {
  test::FailNextAllocation();
  GameTrace trace;
  EXPECT_EQ(trace.status, GameTrace::kOutOfMemory);
  trace.Start(Board(true));
  trace.AppendMove(GameMove::FromSquares(SquareOf("e2"), SquareOf("e4")), 0);
  EXPECT_EQ(trace.length, 0);
  EXPECT_FALSE(trace.WantsMore());
  EXPECT_EQ(MaterialMask().FindMatch(trace), kNoMatchingPly);
  EXPECT_EQ(MotifMask().FindMatch(trace), kNoMatchingPly);
}

// Once made, the trace and the three tests use no heap for any game.
TEST(TraceMemory, TracingAndTestingAllocateNothing) {
  const auto games = test::RichRandomGames(1000, 160, 63);
  std::vector<std::vector<GameMove>> completed;
  for (const auto& g : games) {
    std::string moves;
    for (const auto& m : g) moves += m + " ";
    completed.push_back(test::CompleteMoves(test::kStartFen, moves));
  }
  GameTrace trace;
  MaterialMask material;
  material.conditions[MaterialMask::kOwnPassedPawn] = 1;
  MotifMask motif;
  motif.SetFromBoard(Board(true), -1);
  motif.mirrored = motif.colourReversed = 1;
  motif.Recompute();
  ManeuverMask maneuver;
  maneuver.count = 2;
  maneuver.entries[0].pieceKind = kKnight;
  maneuver.entries[1].captureOn = maneuver.entries[1].capture = 1;
  maneuver.entries[1].materialOn = 1;
  const Board start(true);

  int found = 0;
  const int64_t before = test::AllocationCount();
  for (const auto& moves : completed) {
    trace.Start(start);
    int side = 0;
    for (const GameMove& m : moves) {
      if (!trace.WantsMore()) break;
      trace.AppendMove(m, side);
      side ^= 1;
    }
    found += material.FindMatch(trace) != kNoMatchingPly;
    found += motif.FindMatch(trace) != kNoMatchingPly;
    found += maneuver.FindMatch(trace) != kNoMatchingPly;
    maneuver.inOrder ^= 1;
  }
  EXPECT_EQ(test::AllocationCount() - before, 0);
  EXPECT_GT(found, 0);
}

}  // namespace
}  // namespace zh

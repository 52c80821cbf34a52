// The material criterion: ranges, difference mode, the condition bytes one by one and
// in their combined pairs, and the whole-game scan in either orientation.
#include <gtest/gtest.h>

#include <string>

#include "dbwindow/material_mask.h"
#include "dbwindow/trace_games.h"

namespace zh {
namespace {

using M = MaterialMask;

// Every range open, own side White only: only the conditions decide.
MaterialMask OpenMask() {
  MaterialMask m;
  for (auto& r : m.ranges) r = {0, 0, 16, 16};
  m.eitherColour = 0;
  return m;
}

std::string Fen(const char* placement) {
  return std::string(placement) + " w - - 0 1";
}

TEST(MaterialMask, DefaultRangesFindTheFirstPawnEndingOfTwoPlies) {
  GameTrace trace;
  const std::string fen = Fen("4kr2/4p3/8/8/8/8/4P3/4KR2");
  MaterialMask mask;
  test::TraceMoves(trace, fen, "f1f8 e8f8 e1d2");
  EXPECT_EQ(mask.FindMatch(trace), 2);
  EXPECT_TRUE(mask.MatchPly(trace, 2));
  EXPECT_FALSE(mask.MatchPly(trace, 1));
  // The ending reached on the last ply lasts one ply only.
  test::TraceMoves(trace, fen, "f1f8 e8f8");
  EXPECT_EQ(mask.FindMatch(trace), kNoMatchingPly);
  mask.requiredPlies = 1;
  EXPECT_EQ(mask.FindMatch(trace), 2);
}

TEST(MaterialMask, DifferenceModeTestsOtherMinusOwn) {
  MaterialMask mask;
  mask.differenceMode = 1;
  mask.eitherColour = 0;
  mask.ranges[M::kPawns] = {0, 1, 8, 1};
  mask.ranges[M::kMinors] = {0, -4, 4, 4};
  mask.ranges[M::kPieces] = {1, -7, 8, 7};
  GameTrace trace;
  struct Case {
    const char* placement;
    bool pass;
  } cases[] = {
      {"4k3/pppp4/8/8/8/8/PPP5/4K3", true},          // 3 against 4
      {"4k3/pppppppp/8/8/8/8/PPPPPPP1/4K3", true},   // 7 against 8
      {"4k3/ppp5/8/8/8/8/PPP5/4K3", false},          // equal
      {"4k3/ppppp3/8/8/8/8/PPP5/4K3", false},        // two more
      {"4k3/ppp5/8/8/8/8/PPPP4/4K3", false},         // one fewer
  };
  for (const Case& c : cases) {
    test::TraceMoves(trace, Fen(c.placement), "");
    EXPECT_EQ(mask.MatchPly(trace, 0), c.pass) << c.placement;
  }
  // As own side Black the same position is one pawn fewer for the other side.
  mask.eitherColour = 1;
  test::TraceMoves(trace, Fen("4k3/ppp5/8/8/8/8/PPPP4/4K3"), "");
  EXPECT_TRUE(mask.MatchPly(trace, 0));
}

TEST(MaterialMask, RangesOfEachGroup) {
  GameTrace trace;
  test::TraceMoves(trace, test::kStartFen, "");
  struct Case {
    M::Group group;
    M::Range range;
    bool pass;
  } cases[] = {
      {M::kQueens, {1, 1, 1, 1}, true},  {M::kQueens, {0, 0, 0, 0}, false},
      {M::kRooks, {2, 2, 2, 2}, true},   {M::kRooks, {2, 0, 2, 1}, false},
      {M::kBishops, {2, 2, 2, 2}, true}, {M::kKnights, {3, 0, 8, 8}, false},
      {M::kPawns, {8, 8, 8, 8}, true},   {M::kPawns, {0, 0, 7, 8}, false},
      {M::kMinors, {4, 4, 4, 4}, true},  {M::kMinors, {0, 0, 3, 4}, false},
      {M::kPieces, {8, 8, 8, 8}, true},  {M::kPieces, {0, 0, 7, 8}, false},  // king counts
  };
  for (const Case& c : cases) {
    MaterialMask mask = OpenMask();
    mask.ranges[c.group] = c.range;
    EXPECT_EQ(mask.MatchPly(trace, 0), c.pass) << c.group << " " << c.range.ownMin;
  }
}

// One row per condition byte and per pair rule, own side White.
TEST(MaterialMask, ConditionBytes) {
  const char* kOppositeFen = "4k3/8/8/3b4/8/8/8/2B1K3";  // c1 dark, d5 light
  const char* kSameFen = "4k3/8/8/2b5/8/8/8/2B1K3";      // c1 and c5 dark
  const char* kGoodFen = "4k3/8/8/2p1p3/8/3P1P2/8/2B1K3";  // own pawns light, other dark
  const char* kBadFen = "4k3/8/4p3/3p4/3P4/4P3/8/2B1K3";   // own pawns dark, other light
  const char* kBothGoodBadFen = "4k3/2b5/8/2p1p3/8/3P1P2/8/2B1K3";
  const char* kLockedFen = "4k3/8/8/4p3/4P3/8/8/4K3";
  const char* kSupportedFen = "4k3/8/8/3pp3/4P3/8/8/4K3";
  const char* kTwoLockedFen = "4k3/p7/8/2p1p3/2P1P3/8/8/4K3";
  const char* kPassedFen = "4k3/8/8/3p4/4P3/8/7P/4K3";
  const char* kWingsFen = "4k3/7p/8/8/8/8/P7/4K3";
  const char* kOneWingFen = "4k3/2p5/8/8/8/8/P7/4K3";
  const char* kChainFen = "4k3/8/8/8/8/8/PPP5/4K3";
  const char* kSplitFen = "4k3/8/8/8/8/8/PP2P3/4K3";
  const char* kDoubledFen = "4k3/8/8/8/8/1P6/1P6/4K3";
  struct Case {
    const char* name;
    const char* placement;
    std::initializer_list<M::Condition> set;
    bool pass;
  } cases[] = {
      {"opposite bishops", kOppositeFen, {M::kOppositeBishops}, true},
      {"opposite on same colours", kSameFen, {M::kOppositeBishops}, false},
      {"same bishops", kSameFen, {M::kSameBishops}, true},
      {"same on opposite colours", kOppositeFen, {M::kSameBishops}, false},
      {"opposite with two bishops", "4k3/8/8/3b4/8/8/8/2B1KB2", {M::kOppositeBishops}, false},
      {"opposite and same: opposite", kOppositeFen, {M::kOppositeBishops, M::kSameBishops}, true},
      {"opposite and same: not same", kSameFen, {M::kOppositeBishops, M::kSameBishops}, false},
      {"good bishop", kGoodFen, {M::kGoodBishop}, true},
      {"good bishop is not bad", kGoodFen, {M::kBadBishop}, false},
      {"bad bishop", kBadFen, {M::kBadBishop}, true},
      {"bad bishop is not good", kBadFen, {M::kGoodBishop}, false},
      {"good and bad: good against bad", kBothGoodBadFen, {M::kGoodBishop, M::kBadBishop}, true},
      {"good and bad need two bishops", kGoodFen, {M::kGoodBishop, M::kBadBishop}, false},
      {"good bishop without bishops", "4k3/8/8/2p1p3/8/3P1P2/8/4K3", {M::kGoodBishop}, false},
      {"locked", kLockedFen, {M::kLockedPawns}, true},
      {"locked but supported", kSupportedFen, {M::kLockedPawns}, false},
      {"open", kSupportedFen, {M::kOpenPawns}, true},
      {"open but locked", kLockedFen, {M::kOpenPawns}, false},
      {"locked without pawns", "4k3/8/8/8/8/8/8/4K3", {M::kLockedPawns}, false},
      {"locked and open: two of three", kTwoLockedFen, {M::kLockedPawns, M::kOpenPawns}, true},
      {"locked and open: all locked", kLockedFen, {M::kLockedPawns, M::kOpenPawns}, false},
      {"balanced files", kLockedFen, {M::kBalancedFiles}, true},
      {"unbalanced files", kPassedFen, {M::kUnbalancedFiles}, true},
      {"balanced but unbalanced", kPassedFen, {M::kBalancedFiles}, false},
      {"both wings", kWingsFen, {M::kPawnsBothWings}, true},
      {"one wing", kOneWingFen, {M::kPawnsOneWing}, true},
      {"one wing but both", kWingsFen, {M::kPawnsOneWing}, false},
      {"both and one: first applies", kOneWingFen, {M::kPawnsBothWings, M::kPawnsOneWing}, false},
      {"own passed pawn", kPassedFen, {M::kOwnPassedPawn}, true},
      {"own has a passed pawn", kPassedFen, {M::kOwnNoPassedPawn}, false},
      {"other passed pawn", kPassedFen, {M::kOtherPassedPawn}, false},
      {"other has none", kPassedFen, {M::kOtherNoPassedPawn}, true},
      {"black passed pawn", kWingsFen, {M::kOtherPassedPawn}, true},
      {"own connected", kChainFen, {M::kOwnConnected}, true},
      {"own split", kSplitFen, {M::kOwnNotConnected}, true},
      {"own split is not connected", kSplitFen, {M::kOwnConnected}, false},
      {"own doubled is not connected", kDoubledFen, {M::kOwnNotConnected}, true},
      {"one pawn: neither", kLockedFen, {M::kOwnConnected}, false},
      {"one pawn: nor", kLockedFen, {M::kOwnNotConnected}, false},
      {"other connected", "4k3/ppp5/8/8/8/8/8/4K3", {M::kOtherConnected}, true},
      {"other not connected", "4k3/p1p5/8/8/8/8/8/4K3", {M::kOtherNotConnected}, true},
      {"own doubled", kDoubledFen, {M::kOwnDoubled}, true},
      {"own not doubled", kChainFen, {M::kOwnNoDoubled}, true},
      {"own doubled but not", kChainFen, {M::kOwnDoubled}, false},
      {"other doubled", "4k3/p7/p7/8/8/8/8/4K3", {M::kOtherDoubled}, true},
      {"other not doubled", "4k3/p7/p7/8/8/8/8/4K3", {M::kOtherNoDoubled}, false},
  };
  GameTrace trace;
  for (const Case& c : cases) {
    MaterialMask mask = OpenMask();
    for (M::Condition k : c.set) mask.conditions[k] = 1;
    test::TraceMoves(trace, Fen(c.placement), "");
    EXPECT_EQ(mask.MatchPly(trace, 0), c.pass) << c.name;
  }
}

// The own side follows the orientation; with eitherColour Black is tried as well.
TEST(MaterialMask, OrientationsAndTheWholeGameScan) {
  GameTrace trace;
  test::TraceMoves(trace, Fen("4k3/8/8/8/8/8/1P6/4K3"), "");
  MaterialMask mask = OpenMask();
  mask.conditions[M::kOwnPassedPawn] = 1;
  EXPECT_TRUE(mask.MatchOrientation(trace, 0, 0));
  EXPECT_FALSE(mask.MatchOrientation(trace, 0, 1));

  // 1.e4 f5 2.Bc4 fxe4 3.Nf3 d5 4.Bxd5: White a pawn down at plies 4 to 6.
  mask = MaterialMask();
  mask.ranges[M::kQueens] = {1, 1, 1, 1};
  mask.ranges[M::kRooks] = {2, 2, 2, 2};
  mask.ranges[M::kBishops] = {2, 2, 2, 2};
  mask.ranges[M::kKnights] = {2, 2, 2, 2};
  mask.ranges[M::kMinors] = {4, 4, 4, 4};
  mask.ranges[M::kPawns] = {7, 8, 7, 8};  // own side a pawn down
  mask.ranges[M::kPieces] = {8, 8, 8, 8};
  mask.eitherColour = 0;
  test::TraceMoves(trace, test::kStartFen, "e2e4 f7f5 f1c4 f5e4 g1f3 d7d5 c4d5");
  EXPECT_EQ(mask.FindMatch(trace), 4);
  mask.requiredPlies = 3;
  EXPECT_EQ(mask.FindMatch(trace), 4);
  mask.requiredPlies = 4;
  EXPECT_EQ(mask.FindMatch(trace), kNoMatchingPly);
  mask.requiredPlies = 2;
  mask.eitherColour = 1;
  test::TraceMoves(trace, test::kStartFen, "e2e4 d7d5 e4d5 g8f6 b1c3");
  EXPECT_EQ(mask.FindMatch(trace), 3);  // Black a pawn down from ply 3
}

}  // namespace
}  // namespace zh

#include "engines/handicap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <string>
#include <vector>

#include "board_text.h"
#include "core/rules/scored_movelist.h"
#include "core/services.h"
#include "core/toolbox/random_generator.h"
#include "enginemodule/interface/records.h"

namespace zh {
namespace {

using test::BoardOf;

// Hands out the scripted values, then `rest` for ever; counts every draw.
class ScriptedRandom final : public RandomService {
 public:
  explicit ScriptedRandom(std::deque<uint32_t> values = {}, uint32_t rest = 1)
      : values_(std::move(values)), rest_(rest) {}
  uint32_t Next() override {
    ++draws;
    if (values_.empty()) return rest_;
    const uint32_t v = values_.front();
    values_.pop_front();
    return v;
  }
  int draws = 0;

 private:
  std::deque<uint32_t> values_;
  uint32_t rest_;
};

Position PositionOf(const char* men, uint32_t side = 0) {
  Position position;
  position.Set(BoardOf(men), side, 0, 0);
  return position;
}

Move MoveOf(const Position& position, const char* squares) {
  Move move = Move::FromSquares(MakeSquare(squares[0] - 'a', squares[1] - '1'),
                                MakeSquare(squares[2] - 'a', squares[3] - '1'));
  move.CompleteFrom(position.board);
  return move;
}

// One line per entry: its first move and its value in centipawns from white's view.
std::vector<EvaluatedVariation> LinesOf(const Position& position,
                                        std::vector<std::pair<const char*, int>> lines) {
  std::vector<EvaluatedVariation> out(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    out[i].Append(MoveOf(position, lines[i].first));
    out[i].value = EvalValue{kEvalCentipawns, static_cast<int16_t>(lines[i].second), 0};
  }
  return out;
}

std::string Squares(const Move& move) { return SquareName(move.from) + SquareName(move.to); }

TEST(Handicap, DistanceIsTenthsOfASquareRounded) {
  // sqrt(df * df + dr * dr) in tenths, from a table of square roots.
  constexpr int kTenths[8][8] = {
      {0, 10, 20, 30, 40, 50, 60, 70},  {10, 14, 22, 32, 41, 51, 61, 71}, {20, 22, 28, 36, 45, 54, 63, 73},
      {30, 32, 36, 42, 50, 58, 67, 76}, {40, 41, 45, 50, 57, 64, 72, 81}, {50, 51, 54, 58, 64, 71, 78, 86},
      {60, 61, 63, 67, 72, 78, 85, 92}, {70, 71, 73, 76, 81, 86, 92, 99},
  };
  for (int a = 0; a < 64; ++a)
    for (int b = 0; b < 64; ++b)
      ASSERT_EQ(SquareDistance(a, b), kTenths[std::abs(FileOf(a) - FileOf(b))][std::abs(RankOf(a) - RankOf(b))])
          << a << " " << b;
}

TEST(Handicap, NeutralSlidersScoreNothingAndDrawNothing) {
  ScriptedRandom random;
  ScopedServices installed({.random = &random});
  HandicapScorer scorer;
  EXPECT_EQ(scorer.Record(), HandicapRecord{});
  const Position position = PositionOf("Ke1 Qd1 Ra1 Nb1 Pe4 Pd2 ke8 qd8 pd5 pe6 nf6");
  ScoredMoveList legal;
  position.ScoreLegalMoves(legal);
  ASSERT_GT(legal.Count(), 10);
  for (int i = 0; i < legal.Count(); ++i) EXPECT_EQ(scorer.ScoreMove(position, legal.MoveAt(i)), 0);
  EXPECT_EQ(random.draws, 0);

  Move chosen;
  ASSERT_TRUE(scorer.ChooseMove(LinesOf(position, {{"e4d5", 20}, {"b1c3", 15}, {"d1h5", 10}}), position, chosen));
  EXPECT_EQ(Squares(chosen), "e4d5");
}

TEST(Handicap, StyleSchemeWeighsOnlyLinesWithinTheRange) {
  ScriptedRandom random({}, 0);  // every chance falls
  ScopedServices installed({.random = &random});
  HandicapScorer scorer;
  scorer.Record().KingAttack = 100;
  const Position position = PositionOf("Ke1 Ra1 Rh1 Pa2 ke8");
  // Towards the king on e8: none, one square, three squares.
  const auto lines = LinesOf(position, {{"h1g1", 30}, {"h1h2", 30}, {"a1b1", 29}, {"h1h4", 30}});
  Move chosen;
  scorer.Record().EvalRange = 0;  // exactly the best value; line 2 ends the run
  ASSERT_TRUE(scorer.ChooseMove(lines, position, chosen));
  EXPECT_EQ(Squares(chosen), "h1h2");
  scorer.Record().EvalRange = 1;  // within 10 centipawns
  ASSERT_TRUE(scorer.ChooseMove(lines, position, chosen));
  EXPECT_EQ(Squares(chosen), "h1h4");
  // Only the best within range: the engine plays its own move.
  EXPECT_FALSE(scorer.ChooseMove(LinesOf(position, {{"h1g1", 30}, {"h1h4", -200}}), position, chosen));
  EXPECT_FALSE(scorer.ChooseMove(LinesOf(position, {{"h1g1", 30}}), position, chosen));
}

TEST(Handicap, KingTermsMeasureTowardsAndAwayFromTheKings) {
  ScriptedRandom random({}, 0);
  ScopedServices installed({.random = &random});
  HandicapScorer scorer;
  HandicapRecord& r = scorer.Record();
  const Position position = PositionOf("Kh1 Rd1 Ra8 ke8");
  const Move sideways = MoveOf(position, "d1f1");  // 7.1 squares from e8 before and after
  for (int slider : {0, 20, 80, 100}) {
    r.KingAttack = static_cast<int16_t>(slider);
    EXPECT_EQ(scorer.ScoreMove(position, sideways), 0) << slider;
  }
  r.KingAttack = 100;
  EXPECT_EQ(scorer.ScoreMove(position, MoveOf(position, "d1d7")), 6);  // 71 -> 14: (57 + 5) / 10
  EXPECT_EQ(scorer.ScoreMove(position, MoveOf(position, "a8a1")), 0);   // away
  r.KingAttack = 0;
  EXPECT_EQ(scorer.ScoreMove(position, MoveOf(position, "a8a1")), 4);  // 40 -> 81
  // Without a black king the distance is measured from a1.
  const Position kingless = PositionOf("Kh1 Ra8");
  r.KingAttack = 100;
  EXPECT_EQ(scorer.ScoreMove(kingless, MoveOf(kingless, "a8a2")), 6);  // 70 -> 10
  r.KingAttack = 50;
  r.KingDefence = 100;  // towards the own king on h1
  EXPECT_EQ(scorer.ScoreMove(position, MoveOf(position, "d1g1")), 3);  // 40 -> 10
}

TEST(Handicap, DirectionCaptureAndPieceTerms) {
  ScriptedRandom random({}, 0);
  ScopedServices installed({.random = &random});
  const Position white = PositionOf("Kh2 Rd1 Pe4 ke8 pd5 nb6");
  const Position black = PositionOf("Kh2 Rd1 Pe4 ke8 pd5 nb6", 1);
  const struct {
    const char* what;
    HandicapRecord record;
    const Position* position;
    const char* move;
    int score;
  } rows[] = {
      {"forward for white", {.PlayDir1 = 100}, &white, "d1d4", 3},
      {"back for white", {.PlayDir1 = 0}, &white, "d1d4", 0},
      {"forward for black", {.PlayDir1 = 100}, &black, "b6a4", 2},
      {"back for black", {.PlayDir1 = 0}, &black, "b6c8", 2},
      {"towards the a-file", {.PlayDir2 = 100}, &white, "d1a1", 3},
      {"away from the a-file", {.PlayDir2 = 0}, &white, "d1h1", 4},
      {"a capture", {.TakeRate = 100}, &white, "e4d5", 5},
      {"no capture", {.TakeRate = 0}, &white, "d1d4", 5},
      {"no capture with a high rate", {.TakeRate = 100}, &white, "d1d4", 0},
      {"a favoured rook", {.Pieces = 4, .PiecePlay = 100}, &white, "d1d4", 5},
      {"not a favoured type", {.Pieces = 32, .PiecePlay = 100}, &white, "d1d4", 0},
      {"shunned types", {.Pieces = 32, .PiecePlay = 0}, &white, "d1d4", 5},
      {"no types chosen", {.Pieces = 0, .PiecePlay = 100}, &white, "d1d4", 0},
  };
  for (const auto& row : rows) {
    HandicapScorer scorer;
    scorer.Record() = row.record;  // every other slider in the middle
    EXPECT_EQ(scorer.ScoreMove(*row.position, MoveOf(*row.position, row.move)), row.score) << row.what;
  }
}

TEST(Handicap, ATermOfChancePFiresPOutOfFifty) {
  RandomGeneratorService random(20261211);
  ScopedServices installed({.random = &random});
  const Position position = PositionOf("Ke1 Pe4 ke8 pd5");
  const Move capture = MoveOf(position, "e4d5");
  for (int p : {1, 10, 25, 40, 49, 50}) {
    HandicapScorer scorer;
    scorer.Record().TakeRate = static_cast<int16_t>(50 + p);
    constexpr int kDraws = 100'000;
    int fired = 0;
    for (int i = 0; i < kDraws; ++i) fired += scorer.ScoreMove(position, capture) == 5;
    EXPECT_NEAR(static_cast<double>(fired) / kDraws, p / 50.0, 0.01) << p;
  }
}

TEST(Handicap, SearchLimitsFollowTheStrength) {
  RandomGeneratorService random(7);
  ScopedServices installed({.random = &random});
  HandicapScorer scorer;
  eng::PositionBlock block{};
  block.moves_to_go = 12;
  scorer.SetSearchLimits(block);
  EXPECT_EQ(block.depth, 3);  // 1600 of 2400: 500 / 200 is below 3
  EXPECT_EQ(block.mode, 2);
  EXPECT_EQ(block.lines_wanted, 64);
  EXPECT_EQ(block.moves_to_go, 12);

  scorer.Record().PlayStrength = 2400;  // 1300: depth 6, one half of the time 7
  constexpr int kCalls = 100'000;
  int sevens = 0;
  for (int i = 0; i < kCalls; ++i) {
    const int16_t depth = scorer.SearchDepth();
    ASSERT_TRUE(depth == 6 || depth == 7) << depth;
    sevens += depth == 7;
  }
  EXPECT_NEAR(static_cast<double>(sevens) / kCalls, 0.5, 0.01);
  scorer.Record().PlayStrength = 2300;  // 1200: exactly 6
  for (int i = 0; i < 100; ++i) ASSERT_EQ(scorer.SearchDepth(), 6);
}

// Lines for the fun scheme: a quiet best move, a move not legal here, a blunder.
class FunScheme : public ::testing::Test {
 protected:
  FunScheme() {
    scorer.Record().FunScheme = 1;
    scorer.Record().FunThreshold = 100;
  }
  const Position position = PositionOf("Kg1 Qd4 Pa2 Pb2 Ph2 kg8 pd6 pa7 pb7 ph7");
  HandicapScorer scorer;

  std::string Choose(std::deque<uint32_t> draws, std::vector<std::pair<const char*, int>> lines) {
    ScriptedRandom random(std::move(draws), 1);
    ScopedServices installed({.random = &random});
    Move chosen;
    if (!scorer.ChooseMove(LinesOf(position, lines), position, chosen)) return "none";
    return Squares(chosen);
  }
};

TEST_F(FunScheme, TheBlunderKeyStopsTheWalk) {
  ScoredMoveList legal;
  position.ScoreLegalMoves(legal);
  const Move blunder = MoveOf(position, "d4e5");  // into the pawn on d6
  ASSERT_GE(legal.KeyAt(legal.Find(blunder)), HandicapScorer::kFunKeyLimit);
  ASSERT_EQ(legal.Find(MoveOf(position, "d4d8")), -1);  // through the pawn

  // Draws of 1 let no chance fall: the walk stops at the blunder and plays the line
  // before it. A line the position does not allow counts as key 0 and passes.
  EXPECT_EQ(Choose({}, {{"a2a3", 300}, {"d4d8", 280}, {"d4e5", 250}}), "d4d8");
  EXPECT_EQ(Choose({}, {{"a2a3", 300}, {"d4e5", 280}}), "a2a3");
  EXPECT_EQ(Choose({}, {{"a2a3", 300}, {"h2h3", 280}, {"b2b3", 250}}), "a2a3");  // walk runs out
  scorer.Record().Weak = 1;  // the weak set ignores the key
  EXPECT_EQ(Choose({}, {{"a2a3", 300}, {"d4e5", 280}, {"h2h3", 250}}), "a2a3");
}

TEST_F(FunScheme, ChancesInTheirOrder) {
  // Keep best plays line 0 and draws nothing.
  scorer.Record().KeepBest = 1;
  EXPECT_EQ(Choose({0, 0, 0}, {{"a2a3", 300}, {"h2h3", 280}, {"b2b3", 250}}), "a2a3");
  scorer.Record().KeepBest = 0;
  // At or below the threshold, an even draw keeps line 0.
  EXPECT_EQ(Choose({0, 0, 0}, {{"a2a3", 100}, {"h2h3", 90}, {"b2b3", 50}}), "a2a3");
  // A gap of more than 80 with an even draw keeps line 0.
  EXPECT_EQ(Choose({0, 14}, {{"a2a3", 300}, {"h2h3", 200}, {"b2b3", 150}}), "a2a3");
  // Line 2 below the threshold with an even draw stops there: line 1. Line 1 draws
  // the 1-in-14 test and the extra number; line 2 the even draw.
  EXPECT_EQ(Choose({1, 1, 0}, {{"a2a3", 300}, {"h2h3", 250}, {"b2b3", 50}}), "h2h3");
  // A 1-in-14 draw at line 1 keeps line 0.
  EXPECT_EQ(Choose({28}, {{"a2a3", 300}, {"h2h3", 250}, {"b2b3", 200}}), "a2a3");
  // Values are the side to move's: for black the lines' white-view values turn over.
  const Position blackToMove = PositionOf("Kg1 Qd4 Pa2 Pb2 Ph2 kg8 pd6 pa7 pb7 ph7", 1);
  ScriptedRandom random({0}, 1);
  ScopedServices installed({.random = &random});
  Move chosen;
  ASSERT_TRUE(scorer.ChooseMove(LinesOf(blackToMove, {{"a7a6", -50}, {"h7h6", -40}}), blackToMove, chosen));
  EXPECT_EQ(Squares(chosen), "a7a6");  // 50 for black: not above 100, kept on the even draw
  EXPECT_EQ(random.draws, 1);
}

}  // namespace
}  // namespace zh

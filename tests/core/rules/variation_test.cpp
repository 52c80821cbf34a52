#include "core/rules/variation.h"

#include <gtest/gtest.h>

#include "support/recording_services.h"

namespace zh {
namespace {

Move M(int from, int to, uint8_t kind = 0) {
  Move m = Move::FromSquares(from, to);
  m.kind = kind;
  return m;
}

TEST(Variation, GrowsByTenAndCopiesWithRoom) {
  Variation v;
  for (int i = 0; i < 11; ++i) v.Append(M(i, i + 1));
  EXPECT_EQ(v.Capacity(), 20);
  EXPECT_EQ(v.Count(), 11);
  EXPECT_EQ(v.Moves()[10].from, 10);
  const Variation copy(v);
  EXPECT_EQ(copy.Capacity(), 30);
  EXPECT_EQ(copy.Count(), 11);
  Variation small(5);
  small = v;
  EXPECT_EQ(small.Capacity(), 20);
  EXPECT_EQ(small.Moves()[10].from, 10);
}

TEST(Variation, OutOfRangeIsReportedAndClamped) {
  test::RecordingServices ui;
  Variation v;
  v.At(15).from = 33;
  ASSERT_EQ(ui.calls.size(), 1u);
  EXPECT_EQ(ui.calls[0].rfind("ErrorBox: nMove >= maxLen 15 10\n", 0), 0u) << ui.calls[0];
  EXPECT_EQ(v.Count(), 10);
  EXPECT_EQ(v.Moves()[9].from, 33);
  v.At(-1);
  EXPECT_EQ(ui.calls.back().rfind("ErrorBox: nMove < 0\n", 0), 0u);

  Variation none(0);
  none.At(0);
  EXPECT_EQ(ui.calls.back().rfind("ErrorBox: Accessing empty variation\n", 0), 0u);
}

TEST(Variation, SidedQueries) {
  Variation line;
  line.Append(M(12, 28));
  line.Append(M(51, 35));
  line.Append(M(28, 35, kCapture));
  const SidedVariation v(line, 0);
  EXPECT_EQ(v.FindMoveTo(35, 0), 2);
  EXPECT_EQ(v.FindMoveTo(35, 1), 1);
  EXPECT_EQ(v.FindMoveTo(20, 0), -1);
  SquareSet captures;
  captures.Add(35);
  EXPECT_EQ(v.GetCaptureSquares(0), captures);
  EXPECT_TRUE(v.GetCaptureSquares(1).IsEmpty());
  EXPECT_EQ(v.GetTargetSquares(0).Count(), 2);
}

EvaluatedLine Line(int score, int from = 0) {
  EvaluatedLine l;
  l.line.Append(M(from, from + 1));
  l.value = {kEvalCentipawns, static_cast<int16_t>(score), 0};
  return l;
}

TEST(EvaluatedVariation, NearBestLines) {
  EvaluatedVariation ev;
  for (int s : {50, 40, 15, 10}) ev.AddLine(Line(s, s));
  EXPECT_EQ(ev.CountNearBest(30, 20), 2);
  EXPECT_EQ(ev.CountNearBest(100, 5), 1);
  EXPECT_TRUE(ev.IsNearBestMove(M(15, 16)));

  EvaluatedVariation far;
  far.AddLine(Line(100, 1));
  far.AddLine(Line(10, 2));
  EXPECT_FALSE(far.IsNearBestMove(M(2, 3)));
  EXPECT_TRUE(far.IsNearBestMove(M(1, 2)));

  EvaluatedVariation ascending;
  for (int s : {-50, -40, -40, 0}) ascending.AddLine(Line(s));
  EXPECT_EQ(ascending.CountNearBest(30, 20), 3);
  EvaluatedVariation equal;
  for (int i = 0; i < 3; ++i) equal.AddLine(Line(7));
  EXPECT_EQ(equal.CountNearBest(0, 0), 3);
  EXPECT_EQ(EvaluatedVariation().CountNearBest(0, 0), 1);
}

TEST(EvaluatedVariation, LinesCopyAndClamp) {
  test::RecordingServices ui;
  EvaluatedVariation ev;
  for (int i = 0; i < 70; ++i) ev.AddLine(Line(i));
  EXPECT_EQ(ev.LineCount(), 64);
  const EvaluatedVariation copy(ev);
  EXPECT_EQ(copy.LineCount(), 64);
  EvaluatedVariation assigned;
  assigned = ev;
  EXPECT_EQ(assigned.LineCount(), 64);
  assigned = assigned;
  EXPECT_EQ(ui.calls.back().rfind("ErrorBox: Assigning EVT to itself\n", 0), 0u);

  EXPECT_EQ(ev.LineAt(70).value.value, 63);
  EXPECT_EQ(ui.calls.back().rfind("ErrorBox: nVar >= maxLen\n", 0), 0u);
  ev.AssignLine(ev.LineAt(3));
  EXPECT_EQ(ev.value.value, 3);
  EXPECT_EQ(ev.Count(), 1);
  ev.ClearLines();
  EXPECT_EQ(ev.LineCount(), 0);
  EXPECT_EQ(ev.LineAt(0).line.Count(), 0);
}

}  // namespace
}  // namespace zh

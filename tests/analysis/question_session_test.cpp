// The scoring of one question on a fake clock, its button and its score rows.
#include "analysis/training/question_session.h"

#include <gtest/gtest.h>

#include "app/message_ids.h"
#include "support/recording_services.h"

namespace zh {
namespace {

MoveCode M(int from, int to) {
  return MoveCode(static_cast<uint8_t>(from), static_cast<uint8_t>(to), 0, 0);
}
const MoveCode kBest = M(33, 35);   // e2-e4
const MoveCode kOther = M(25, 27);  // d2-d4
const MoveCode kWrong = M(14, 15);  // b7-b8 is no answer

MoveInputItem Item(int time, int bestValue, int otherValue) {
  MoveInputItem item;
  item.time = time;
  item.maxPoints = static_cast<int16_t>(bestValue);
  item.AddAnswer(kBest);
  item.AddAnswer(kOther);
  item.SetAnswerValue(kBest, bestValue);
  item.SetAnswerValue(kOther, otherValue);
  return item;
}

TEST(QuestionSession, PointsByTimeHelpsRetriesAndSolution) {
  struct Case {
    const char* name;
    int seconds;
    bool help1, help2, solution;
    int retries;
    MoveCode move;
    int value;  // of kBest
    int score;
  };
  const std::vector<Case> cases = {
      {"quick", 10, false, false, false, 0, kBest, 6, 8},
      {"before half time", 30, false, false, false, 0, kBest, 6, 7},
      {"after half time", 60, false, false, false, 0, kBest, 6, 6},
      {"both helps", 10, true, true, false, 0, kBest, 6, 4},
      {"one help", 10, true, false, false, 0, kBest, 6, 5},
      {"one retry, value 2", 60, false, false, false, 1, kBest, 2, 1},
      {"after the solution", 10, false, false, true, 0, kOther, 6, 0},
      {"a wrong move", 10, false, false, false, 0, kWrong, 6, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::RecordingServices services;
    MoveInputItem item = Item(100, c.value, c.value > 5 ? 5 : 1);
    QuestionSession session(item, false, 30, 0);
    if (c.help1) session.UseHelp1();
    if (c.help2) session.UseHelp2();
    if (c.solution) session.ShowSolution();
    for (int r = 0; r < c.retries; ++r) session.Retry();
    services.ticks += static_cast<uint64_t>(c.seconds) * 1000;
    EXPECT_EQ(session.OnUserMove(c.move), c.move.from == kBest.from);
    EXPECT_EQ(item.score, c.score);
    EXPECT_EQ(item.answered, 1);
  }
}

TEST(QuestionSession, TheLowestAttemptCountsAndTimeRunsOut) {
  test::RecordingServices services;
  MoveInputItem item = Item(0, 6, 2);
  QuestionSession session(item, true, 0, 0);
  EXPECT_EQ(session.Allowance(), QuestionSession::kMinAllowance);
  services.ticks = 1000;
  EXPECT_FALSE(session.OnUserMove(kOther));  // 2 + a bonus of 1
  EXPECT_EQ(item.score, 3);
  session.Retry();
  EXPECT_TRUE(session.OnUserMove(kBest));  // 6 - 1 for the retry is not lower
  EXPECT_EQ(item.score, 3);
  services.ticks = 4000;
  EXPECT_TRUE(session.OnTick());
  EXPECT_EQ(session.Remaining(), 1);
  services.ticks = 5000;
  EXPECT_FALSE(session.OnTick());
  EXPECT_TRUE(session.TimedOut());
  EXPECT_EQ(session.ComputePoints(6).points, 0);
  EXPECT_EQ(session.ComputePoints(-3).points, -3);
}

TEST(QuestionSession, ButtonFollowsHelpsMovesAndTheSolution) {
  test::RecordingServices services;
  MoveInputItem plain = Item(100, 6, 2);
  QuestionSession noHelps(plain, false, 10, 0);
  EXPECT_EQ(noHelps.ButtonState(), QuestionButton::kSolution);

  MoveInputItem helped = Item(100, 6, 2);
  helped.SetText(kFirstHelpGroup, 0, kTextVariant, "Look at e4.");
  helped.SetText(kSecondHelpGroup, 0, kSoundVariant, "hint.wav");  // a sound alone counts
  QuestionSession session(helped, false, 10, 0);
  EXPECT_EQ(session.ButtonState(), QuestionButton::kHelp1);
  EXPECT_EQ(QuestionSession::ButtonTextId(session.ButtonState()), msg::M_TRAIN_HELP);
  session.UseHelp1();
  EXPECT_EQ(session.ButtonState(), QuestionButton::kHelp2);
  session.UseHelp2();
  EXPECT_EQ(session.ButtonState(), QuestionButton::kSolution);
  session.OnUserMove(kOther);  // wrong
  EXPECT_EQ(session.ButtonState(), QuestionButton::kSolution);
  session.ShowSolution();
  EXPECT_EQ(session.ButtonState(), QuestionButton::kContinue);

  MoveInputItem right = Item(100, 6, 2);
  right.SetText(kFirstHelpGroup, 0, kTextVariant, "Look at e4.");
  QuestionSession found(right, false, 10, 0);
  found.OnUserMove(kBest);
  EXPECT_EQ(found.ButtonState(), QuestionButton::kContinue);
  EXPECT_EQ(QuestionSession::ButtonTextId(found.ButtonState()), msg::M_TRAIN_CONTINUE);
}

TEST(QuestionSession, ScoreRowsAndClose) {
  test::RecordingServices services;
  MoveInputItem item = Item(100, 6, 2);
  QuestionSession session(item, false, 20, 5);
  services.ticks = 10000;
  auto rows = session.ScoreLines(false);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].labelId, msg::M_TRAIN_POINTS_NOW);
  EXPECT_EQ(rows[0].value, "8");
  EXPECT_EQ(rows[1].value, "5/20 =  25%");
  session.OnUserMove(kBest);
  rows = session.ScoreLines(true);
  EXPECT_EQ(rows[0].labelId, msg::M_TRAIN_POINTS_SCORED);
  EXPECT_EQ(rows[0].value, "8/6");
  EXPECT_EQ(rows[1].value, "13/20 =  65%");

  MoveInputItem free = Item(100, 6, 2);
  QuestionSession none(free, false, 0, 0);
  free.score = 4;
  EXPECT_EQ(none.ScoreLines(true)[1].value, "4/0 =  400%");  // a total of 0 divides by 1
  none.Close();
  EXPECT_EQ(free.score, 0);  // never moved
  EXPECT_EQ(free.answered, 1);

  MoveInputItem worthless = Item(100, 0, 0);
  QuestionSession zero(worthless, false, 10, 0);
  EXPECT_TRUE(zero.ScoreLines(true).empty());
}

}  // namespace
}  // namespace zh

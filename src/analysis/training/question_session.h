// One training question while it is asked: the countdown, the helps and the solution,
// the user's moves and retries, the points they score with their time bonus and
// penalties, the state of the action button and the two score rows. The move-input
// dialog binds a one-second timer to OnTick and draws what this answers.
#pragma once

#include <cstdint>
#include <string>

#include "analysis/training/training_question.h"

namespace zh {

// The action button: first help, second help, solution, continue.
enum class QuestionButton : int { kHelp1 = 0, kHelp2 = 1, kSolution = 2, kContinue = 3 };

struct QuestionPoints {
  int points = 0;
  int bonus = 0;
};

struct ScoreRow {
  int labelId = 0;    // message id of the label
  std::string value;  // "7", "7/10", "12/30 =  40%"
};

class QuestionSession {
 public:
  static constexpr int kMinAllowance = 5;

  // Starts the countdown on the core clock. `item` is not owned.
  QuestionSession(MoveInputItem& item, bool blackToMove, int totalPoints, int scoreSoFar);

  // Points and bonus that an answer of value v scores now.
  QuestionPoints ComputePoints(int value) const;
  // Judges the user's move and keeps the lowest points of the attempts as the item's
  // score; true for the best answer.
  bool OnUserMove(const MoveCode& move);
  // The text after a move: its comment, or for a wrong move without one the message.
  std::string MoveComment(const MoveCode& move, int language, int secondLanguage) const;
  QuestionButton ButtonState() const;
  static int ButtonTextId(QuestionButton state);
  // Whole seconds left of the allowance, 0 at the least.
  int Remaining() const;
  // One tick of the countdown: true while time is left; at 0 the question is timed out.
  bool OnTick();
  // The action button in its present state (the helps, the solution); continue and
  // the retry are the caller's.
  void UseHelp1() { help1Used_ = true; }
  void UseHelp2() { help2Used_ = true; }
  void ShowSolution() { solutionShown_ = true; }
  void Retry();
  // The two score rows; empty when the item is worth nothing.
  std::vector<ScoreRow> ScoreLines(bool final) const;
  // Ends the question: answered, and no score when the user never moved.
  void Close();

  int Allowance() const { return allowance_; }
  bool TimedOut() const { return timedOut_; }
  bool Moved() const { return moved_; }
  bool Wrong() const { return wrong_; }
  int Retries() const { return retries_; }
  bool BlackToMove() const { return blackToMove_; }

 private:
  int ElapsedSeconds() const;
  bool HelpOrSound(int group) const;

  MoveInputItem& item_;
  bool blackToMove_;
  int totalPoints_;
  int scoreSoFar_;
  uint64_t startTicks_;
  int allowance_;
  bool help1Used_ = false, help2Used_ = false, solutionShown_ = false;
  bool timedOut_ = false, moved_ = false, wrong_ = false;
  int retries_ = 0;
  int lowest_ = 32767;
};

}  // namespace zh

#include "analysis/training/question_session.h"

#include <algorithm>

#include "app/message_ids.h"
#include "core/services.h"

namespace zh {

QuestionSession::QuestionSession(MoveInputItem& item, bool blackToMove, int totalPoints, int scoreSoFar)
    : item_(item),
      blackToMove_(blackToMove),
      totalPoints_(totalPoints),
      scoreSoFar_(scoreSoFar),
      startTicks_(Clock().TicksMs()),
      allowance_(std::max(item.time, kMinAllowance)) {}

int QuestionSession::ElapsedSeconds() const {
  return static_cast<int>((Clock().TicksMs() - startTicks_) / 1000);
}

int QuestionSession::Remaining() const {
  return std::max(0, allowance_ - ElapsedSeconds());
}

bool QuestionSession::OnTick() {
  if (Remaining() > 0) return true;
  timedOut_ = true;
  return false;
}

QuestionPoints QuestionSession::ComputePoints(int v) const {
  if (solutionShown_ || timedOut_) return {v <= 0 ? v : 0, 0};
  QuestionPoints p;
  const int t = ElapsedSeconds();
  if (t < allowance_ / 2 && !help1Used_ && !help2Used_ && retries_ == 0 && v > 0)
    p.bonus = t < allowance_ / 4 ? v / 3 : std::max(v / 5, 1);
  p.points = v;
  const int step = std::max(v / 4, 1);
  if (help1Used_) p.points -= step;
  if (help2Used_) p.points -= step;
  p.points -= std::max(v * retries_ / 4, retries_);
  return p;
}

bool QuestionSession::OnUserMove(const MoveCode& move) {
  moved_ = true;
  item_.answered = 1;
  QuestionPoints p = ComputePoints(item_.GetAnswerValue(move));
  if (p.points == 0) p.bonus = 0;
  if (p.points < lowest_) {
    lowest_ = p.points;
    item_.score = static_cast<int16_t>(std::clamp(p.points + p.bonus, -32768, 32767));
  }
  const MoveCode best = item_.BestAnswer();
  const bool promotes = (best.kind & kPromotion) || best.promotion != 0;
  const bool isBest = best.from == move.from && best.to == move.to && (!promotes || best.promotion == move.promotion);
  wrong_ = !isBest;
  return isBest;
}

std::string QuestionSession::MoveComment(const MoveCode& move, int language, int secondLanguage) const {
  std::string text = item_.GetComment(move, language, secondLanguage);
  if (text.empty() && wrong_) text = GetMessageText(msg::M_TRAIN_WRONG_MOVE) + ".";
  return text;
}

bool QuestionSession::HelpOrSound(int group) const {
  return !item_.Group(group).IsEmpty();
}

QuestionButton QuestionSession::ButtonState() const {
  QuestionButton state = !wrong_ || solutionShown_ ? QuestionButton::kContinue : QuestionButton::kSolution;
  if (!solutionShown_ && !moved_) {
    if (help1Used_)
      state = help2Used_ || !HelpOrSound(kSecondHelpGroup) ? QuestionButton::kSolution : QuestionButton::kHelp2;
    else
      state = HelpOrSound(kFirstHelpGroup) ? QuestionButton::kHelp1 : QuestionButton::kSolution;
  }
  return state;
}

int QuestionSession::ButtonTextId(QuestionButton state) {
  switch (state) {
    case QuestionButton::kHelp1:
      return msg::M_TRAIN_HELP;
    case QuestionButton::kHelp2:
      return msg::M_TRAIN_SECOND_HELP;
    case QuestionButton::kSolution:
      return msg::M_TRAIN_SOLUTION;
    default:
      return msg::M_TRAIN_CONTINUE;
  }
}

void QuestionSession::Retry() {
  ++retries_;
}

std::vector<ScoreRow> QuestionSession::ScoreLines(bool final) const {
  const int most = item_.maxPoints;
  if (most < 1) return {};
  std::vector<ScoreRow> rows(2);
  if (final) {
    rows[0] = {msg::M_TRAIN_POINTS_SCORED, std::to_string(item_.score) + "/" + std::to_string(most)};
  } else {
    const QuestionPoints now = ComputePoints(most);
    rows[0] = {msg::M_TRAIN_POINTS_NOW, std::to_string(now.points + now.bonus)};
  }
  const int sum = scoreSoFar_ + item_.score;
  const int total = totalPoints_;
  rows[1] = {msg::M_TRAIN_TOTAL, std::to_string(sum) + "/" + std::to_string(total) + " =  " +
                                     std::to_string(sum * 100 / (total == 0 ? 1 : total)) + "%"};
  return rows;
}

void QuestionSession::Close() {
  item_.answered = 1;
  if (!moved_) item_.score = 0;
}

}  // namespace zh

// The engine object's judgement of its own evaluations: resigning, offering and
// accepting draws, and remarks.
#include "engines/chess_engine.h"
#include "engines/slot_choice.h"

namespace zh {
namespace {

constexpr int32_t kDrawBand = 150;
constexpr int32_t kMatedBound = -19000;  // a mate against the engine is played out
constexpr int16_t kZeroEvalsForOffer = 5;
constexpr int16_t kZeroEvalsForAccept = 3;

struct ResignRule {
  int32_t value;
  int32_t count;
};

ResignRule RuleOf(uint32_t setting) {
  if (setting == 1) return {600, 3};
  if (setting == 2) return {420, 2};
  return {32000, 99999};
}

}  // namespace

bool ChessEngine::DecideResignOrDraw() {
  if (BookMove || Ply <= 0) {
    LostEvals = LowEvals = ZeroEvals = 0;
    LastEvalPly = Ply;
    return false;
  }
  const ResignRule rule = RuleOf(PlayingSettings().resign);
  EvalValue score;
  if (!GetScore(score)) return false;
  if (Ply != LastEvalPly + 1 && Ply != LastEvalPly + 2) {
    // A new game or a jump: counting starts again.
    DrawOfferArmed = true;
    LostEvals = LowEvals = ZeroEvals = 0;
    LastEvalPly = Ply;
    return false;
  }
  const bool consecutive = Ply == LastEvalPly + 1;
  int32_t d = score.GetComparable();
  if (EnginePosition.IsBlackToMove()) d = -d;
  LastEvalPly = Ply;

  if (d == 0) {
    ZeroEvals += 1;
    if (ZeroEvals > kZeroEvalsForOffer && DrawOfferArmed && DrawOfferLink.IsSet()) {
      CallLink(DrawOfferLink);
      DrawOfferArmed = false;
    }
    return false;
  }
  ZeroEvals = 0;
  if (consecutive) {
    if (d > rule.value || d < -rule.value) {
      LostEvals += 1;
    } else {
      LostEvals = 0;
      LowEvals = d > kDrawBand || d < -kDrawBand ? static_cast<int16_t>(LowEvals + 1) : int16_t{0};
    }
  } else {
    if (RemarkRoll(d)) {
      CallLink(RemarkLink);
      return false;
    }
    if (d < -rule.value) {
      LostEvals += 1;
    } else {
      LostEvals = 0;
      LowEvals = d < -kDrawBand ? static_cast<int16_t>(LowEvals + 1) : int16_t{0};
    }
  }
  if (d < -rule.value && d > kMatedBound && LostEvals > rule.count && ResignLink.IsSet())
    return ResignLink.Call(reinterpret_cast<std::intptr_t>(this)) != 0;
  BadEvals = d < -kDrawBand ? static_cast<int16_t>(BadEvals + 1) : int16_t{0};
  return false;
}

bool ChessEngine::AcceptsDraw() {
  DrawOfferArmed = true;
  return ZeroEvals > kZeroEvalsForAccept || LowEvals != 0 || LostEvals != 0;
}

bool ChessEngine::DrawOfferRoll() {
  RemarkArmed = true;
  const uint32_t r = Random().Next();
  return !(BadEvals != 0 && static_cast<uint32_t>(BadEvals) >= r % 5);
}

bool ChessEngine::RemarkRoll(int32_t d) {
  if (!RemarkArmed) return false;
  bool remark = Random().Next() % 7 == 0 && d > kDrawBand;
  if (!remark && d > -kDrawBand) remark = Random().Next() % 50 == 0;
  RemarkArmed = !remark;
  return remark;
}

bool ChessEngine::IsEndgameEnginePosition(const Board& board) { return IsEndgameTablePosition(board); }

}  // namespace zh

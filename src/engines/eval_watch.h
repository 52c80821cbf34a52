// The evaluation watch judges the user's moves by the engine's score before and
// after them and lights the search display's lamp; the evaluation history keeps one
// score per ply of the game.
#pragma once

#include <array>
#include <cstdint>

#include "core/rules/eval_value.h"
#include "core/services.h"

namespace zh {

class GameCursor;

// One entry of the history: a score with the depth it was searched to.
struct EvalEntry {
  int32_t kind = kEvalNone;
  int16_t value = 0;
  int16_t depth = 0;
  EvalValue Score() const { return EvalValue{kind, value, 0}; }
};
static_assert(sizeof(EvalEntry) == 8);

class EvalHistory {
 public:
  static constexpr int kPlies = 600;

  EvalHistory() { Clear(); }
  void Clear();
  // Plies outside 0..599 give entry 0.
  const EvalEntry& GetItem(int ply) const;
  int16_t GetDepth(int ply) const { return GetItem(ply).depth; }
  void ClearDepth(int ply);
  // False outside 0..599 or when the depth is below the stored one.
  bool SetItem(int ply, const EvalValue& score, int16_t depth);
  // The largest and smallest comparable score over first..last; false unless both.
  bool GetRange(int first, int last, int16_t& max, int16_t& min) const;
  // The average comparable score from ply down to ply - window (not below ply 1) of
  // the entries searched deeper than 1; 0 when none.
  int16_t GetAverage(int ply, int window) const;

 private:
  std::array<EvalEntry, kPlies> entries_;
};

class EvalWatch {
 public:
  // Registers its info handler with the engine manager, when one exists.
  EvalWatch();
  ~EvalWatch();
  EvalWatch(const EvalWatch&) = delete;
  EvalWatch& operator=(const EvalWatch&) = delete;
  static EvalWatch* Current();

  void Reset();
  // The game's ply is the cursor's.
  void OnNewPly(int ply);
  const EvalValue& GetScoreBefore() const { return before_; }
  // True when the move is a blunder.
  bool Check(const EvalValue& score, bool notify, int16_t depth);
  int32_t OnEngineInfo(std::intptr_t engine);
  void SetQueryRunning(bool running) { queryRunning_ = running; }
  void SetDisabled(bool disabled) { disabled_ = disabled; }
  int16_t LastDifference() const { return lastDifference_; }
  int CurrentPly() const { return ply_; }

  // Called with the watch on a blunder.
  CallbackLink BlunderLink;
  // The game manager's warning flags are cleared through it (called with 0).
  CallbackLink WarningFlagsLink;

 private:
  bool nextPly_ = false;
  bool queryRunning_ = false;
  bool disabled_ = false;
  int16_t ply_ = -1;
  int16_t lastDifference_ = 0;
  EvalValue before_{kEvalNone, 0, 0};
  EvalValue current_{};
  EvalValue last_{kEvalNone, 0, 0};
  EvalWatch* previous_ = nullptr;
};

}  // namespace zh

// The tactics quiz an engine object owns: its switch, the waiting flag of a posted
// search, the expected move it may hold and its end flag. The quiz questions
// themselves come with the training subsystem; until then it never has an answer.
#pragma once

#include <cstdint>

#include "core/rules/move.h"

namespace zh {

namespace eng {
struct PositionBlock;
}

class TacticsQuiz {
 public:
  uint8_t On = 0;
  uint8_t Level = 0;
  bool Waiting = false;
  bool HoldsMove = false;
  bool EndFlag = false;
  Move ExpectedMove;

  // Fills the block for a quiz question (nothing yet).
  void PrepareSearch(eng::PositionBlock&) {}
  // The step at a search's end; true when the quiz goes on with a search of its own.
  bool OnSearchEnd() { return false; }
  bool HasAnswer() const { return false; }
  const Move& Answer() const { return ExpectedMove; }
  // The book answered in place of a search.
  void TakeBookMove(const Move& move) {
    ExpectedMove = move;
    HoldsMove = true;
  }
};

// Move hints of the training subsystem; the null form gives none.
class Tutor {
 public:
  virtual ~Tutor() = default;
  virtual bool IsOn() const { return false; }
};

}  // namespace zh

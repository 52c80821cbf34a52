// A growable line of moves, and a line with its evaluation plus up to 64 further
// evaluated lines (the multi-line output of an analysis). Out-of-range use is
// reported in an error box and carries on with a clamped index.
#pragma once

#include <cstdint>
#include <memory>

#include "core/rules/eval_value.h"
#include "core/rules/move.h"
#include "core/rules/square_set.h"

namespace zh {

class Variation {
 public:
  static constexpr int kGrowth = 10;

  explicit Variation(int capacity = kGrowth);
  Variation(const Variation& other);
  Variation& operator=(const Variation& other);
  virtual ~Variation();

  // Move n; n is clamped into the storage (with a report) and the count grows to n + 1.
  Move& At(int n);
  // Appends a copy, growing the storage by 10 when full.
  void Append(const Move& move);

  int Count() const { return count_; }
  int Capacity() const { return capacity_; }
  void SetCount(int n) { count_ = static_cast<int16_t>(n < 0 ? 0 : n > capacity_ ? capacity_ : n); }
  const Move* Moves() const { return moves_.get(); }

 private:
  void Grow(int capacity);

  Move spare_;
  std::unique_ptr<Move[]> moves_;
  int16_t count_ = 0;
  int16_t capacity_ = 0;
  int32_t state_ = 0;
};

// A variation that knows the side of its first move; sides alternate from there.
class SidedVariation : public Variation {
 public:
  SidedVariation(const Variation& line, int firstSide) : Variation(line), side_(firstSide) {}

  // Index of the side's first move ending on the square, -1 when none.
  int FindMoveTo(int square, int side) const;
  // To-squares of the side's captures.
  SquareSet GetCaptureSquares(int side) const;
  // To-squares of all the side's moves.
  SquareSet GetTargetSquares(int side) const;

 private:
  bool IsSides(int i, int side) const { return ((side_ + i) & 1) == (side & 1); }
  int32_t side_;
};

struct EvaluatedLine {
  Variation line;
  EvalValue value;
};

class EvaluatedVariation : public Variation {
 public:
  static constexpr int kMaxLines = 64;
  static constexpr int kMargin = 85;

  EvaluatedVariation();
  EvaluatedVariation(const EvaluatedVariation& other);
  EvaluatedVariation& operator=(const EvaluatedVariation& other);
  ~EvaluatedVariation() override;

  EvalValue value;

  // Copies the main line and value of a line entry.
  void AssignLine(const EvaluatedLine& line);
  // Line n, clamped with a report; a static empty line without storage.
  EvaluatedLine& LineAt(int n);
  void AddLine(const EvaluatedLine& line);
  void ClearLines();
  int LineCount() const { return lineCount_; }
  int LineCapacity() const { return lineCapacity_; }

  // Lines from the first that stay within `margin` of the first score, with steps
  // between neighbours of at most `gap`.
  int CountNearBest(int margin, int gap);
  // Whether a line within 85 of the first starts with the move.
  bool IsNearBestMove(const Move& move);

 private:
  std::unique_ptr<EvaluatedLine[]> lines_;
  int16_t lineCount_ = 0;
  int16_t lineCapacity_ = 0;
  int32_t state_ = 0;
};

}  // namespace zh

#include "core/rules/variation.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "core/rules/board.h"
#include "core/services.h"

namespace zh {

namespace {

constexpr const char* kSource = "core/variation.cpp";
constexpr int32_t kDestroyed = 3;

void Assert(const std::string& text, int line) {
  ReportInconsistency(text, kSource, line);
}

}  // namespace

Variation::Variation(int capacity) {
  Grow(capacity > 0 ? capacity : 0);
}

Variation::Variation(const Variation& other) {
  Grow((other.capacity_ + kGrowth) / kGrowth * kGrowth);
  for (int i = 0; i < other.capacity_; ++i) moves_[i] = other.moves_[i];
  count_ = other.count_;
}

Variation& Variation::operator=(const Variation& other) {
  if (this == &other) return *this;
  if (capacity_ < other.capacity_) Grow(other.capacity_);
  for (int i = 0; i < other.capacity_; ++i) moves_[i] = other.moves_[i];
  count_ = other.count_;
  return *this;
}

Variation::~Variation() {
  state_ = kDestroyed;
}

void Variation::Grow(int capacity) {
  if (capacity > INT16_MAX) capacity = INT16_MAX;
  if (capacity <= capacity_) return;
  auto moves = std::make_unique<Move[]>(static_cast<size_t>(capacity));
  for (int i = 0; i < count_; ++i) moves[i] = std::move(moves_[i]);
  moves_ = std::move(moves);
  capacity_ = static_cast<int16_t>(capacity);
}

Move& Variation::At(int n) {
  if (!moves_ || capacity_ == 0) {
    Assert("Accessing empty variation", __LINE__);
    spare_ = Move();
    return spare_;
  }
  if (n < 0) {
    Assert("nMove < 0", __LINE__);
    n = 0;
  }
  if (n >= capacity_) {
    Assert("nMove >= maxLen " + std::to_string(n) + " " + std::to_string(capacity_), __LINE__);
    n = capacity_ - 1;
  }
  if (n >= count_) count_ = static_cast<int16_t>(n + 1);
  return moves_[n];
}

void Variation::Append(const Move& move) {
  if (count_ >= capacity_) Grow(capacity_ + kGrowth);
  if (count_ >= capacity_) return;
  moves_[count_++] = move;
}

int SidedVariation::FindMoveTo(int square, int side) const {
  for (int i = 0; i < Count(); ++i)
    if (IsSides(i, side) && Moves()[i].to == square) return i;
  return -1;
}

SquareSet SidedVariation::GetCaptureSquares(int side) const {
  SquareSet set;
  for (int i = 0; i < Count(); ++i)
    if (IsSides(i, side) && (Moves()[i].kind & kCapture) && IsOnBoard(Moves()[i].to))
      set.Add(Moves()[i].to);
  return set;
}

SquareSet SidedVariation::GetTargetSquares(int side) const {
  SquareSet set;
  for (int i = 0; i < Count(); ++i)
    if (IsSides(i, side) && IsOnBoard(Moves()[i].to)) set.Add(Moves()[i].to);
  return set;
}

EvaluatedVariation::EvaluatedVariation()
    : Variation(kGrowth), lines_(std::make_unique<EvaluatedLine[]>(kMaxLines)),
      lineCapacity_(kMaxLines) {}

EvaluatedVariation::EvaluatedVariation(const EvaluatedVariation& other)
    : Variation(other), value(other.value),
      lines_(std::make_unique<EvaluatedLine[]>(kMaxLines)), lineCapacity_(kMaxLines) {
  for (int i = 0; i < other.lineCount_ && i < kMaxLines; ++i) lines_[i] = other.lines_[i];
  lineCount_ = std::min<int16_t>(other.lineCount_, kMaxLines);
}

EvaluatedVariation& EvaluatedVariation::operator=(const EvaluatedVariation& other) {
  if (this == &other) {
    Assert("Assigning EVT to itself", __LINE__);
    return *this;
  }
  Variation::operator=(other);
  value = other.value;
  const int n = std::min(other.lineCount_, lineCapacity_);
  for (int i = 0; i < n; ++i) lines_[i] = other.lines_[i];
  lineCount_ = static_cast<int16_t>(n);
  return *this;
}

EvaluatedVariation::~EvaluatedVariation() {
  state_ = kDestroyed;
}

void EvaluatedVariation::AssignLine(const EvaluatedLine& line) {
  Variation::operator=(line.line);
  value = line.value;
}

EvaluatedLine& EvaluatedVariation::LineAt(int n) {
  if (!lines_ || lineCapacity_ == 0) {
    Assert("Incons", __LINE__);
    static EvaluatedLine empty;
    empty = EvaluatedLine();
    return empty;
  }
  if (n < 0) {
    Assert("nVar < 0", __LINE__);
    n = 0;
  }
  if (n >= lineCapacity_) {
    Assert("nVar >= maxLen", __LINE__);
    n = lineCapacity_ - 1;
  }
  return lines_[n];
}

void EvaluatedVariation::AddLine(const EvaluatedLine& line) {
  if (lineCount_ < lineCapacity_) lines_[lineCount_++] = line;
}

void EvaluatedVariation::ClearLines() {
  for (int i = 0; i < lineCapacity_; ++i) {
    lines_[i].line.SetCount(0);
    lines_[i].value = EvalValue();
  }
  lineCount_ = 0;
}

int EvaluatedVariation::CountNearBest(int margin, int gap) {
  if (lineCount_ < 2) return 1;
  auto score = [&](int i) { return static_cast<int>(lines_[i].value.GetComparable()); };
  const int first = score(0);
  int direction = 0;
  for (int i = 1; i < lineCount_ && direction == 0; ++i)
    if (score(i) != first) direction = score(i) > first ? 1 : -1;
  if (direction == 0) return lineCount_;
  int count = 0;
  for (int j = 0; j < lineCount_; ++j) {
    if ((score(j) - first) * direction > margin) break;
    if (j > 0 && (score(j) - score(j - 1)) * direction > gap) break;
    ++count;
  }
  return count;
}

bool EvaluatedVariation::IsNearBestMove(const Move& move) {
  for (int i = 0; i < lineCount_; ++i) {
    if (std::abs(lines_[i].value.GetComparable() - lines_[0].value.GetComparable()) > kMargin)
      break;
    if (lines_[i].line.Count() > 0 && lines_[i].line.Moves()[0].Equals(move)) return true;
  }
  return false;
}

}  // namespace zh

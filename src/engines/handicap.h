// Playing below strength or with a style: the handicap record and the scorer that
// picks, among the lines of a multi-line search, another move than the best. The
// style scheme biases the choice among lines nearly as good as the best; the fun
// scheme drops to a weaker line at random. Draws come from the core random source.
#pragma once

#include <cstdint>
#include <vector>

#include "core/rules/move.h"
#include "core/rules/position.h"
#include "core/rules/variation.h"

namespace zh {

namespace eng {
struct PositionBlock;
}

struct HandicapRecord {
  int16_t BaseStrength = 2400;  // upper reference of the strength slider
  int16_t PlayStrength = 1600;
  int16_t EvalRange = 5;  // tenths of a pawn
  int16_t KingAttack = 50;  // the style sliders run 0 to 100, 50 neutral
  int16_t KingDefence = 50;
  int16_t TakeRate = 50;
  int16_t PlayDir1 = 50;  // forward
  int16_t PlayDir2 = 50;  // towards the a-file
  int16_t Pieces = 0;     // favoured types: 1 K, 2 Q, 4 R, 8 B, 16 N, 32 P
  int16_t PiecePlay = 50;
  int16_t FunThreshold = 0;  // centipawns
  uint8_t FunScheme = 0;
  uint8_t Weak = 0;
  int16_t KeepBest = 0;

  bool operator==(const HandicapRecord&) const = default;
};

// Distance of two squares in tenths of a square, rounded.
int SquareDistance(int a, int b);
// The bit of a piece type in HandicapRecord::Pieces.
int PieceBit(int code);

class HandicapScorer {
 public:
  static constexpr int16_t kLinesWanted = 64;
  static constexpr int16_t kDepthMode = 2;
  static constexpr int kFunKeyLimit = 110;  // an exchange key this high loses material

  HandicapRecord& Record() { return record_; }
  const HandicapRecord& Record() const { return record_; }
  // The list the engine object refills from its last multi-line search.
  std::vector<EvaluatedVariation>& Lines() { return lines_; }

  // The move to play instead of the best one; false when the best is to be played.
  // Line values are from white's view.
  bool ChooseMove(const std::vector<EvaluatedVariation>& lines, const Position& position, Move& out) const;
  // Depth from the strength, fixed-depth mode, 64 lines.
  void SetSearchLimits(eng::PositionBlock& block) const;
  // The style bias of a move, 0 or more.
  int16_t ScoreMove(const Position& position, const Move& move) const;
  int16_t SearchDepth() const;

 private:
  int ChooseStyleLine(const std::vector<EvaluatedVariation>& lines, const Position& position) const;
  int ChooseFunLine(const std::vector<EvaluatedVariation>& lines, const Position& position) const;

  HandicapRecord record_;
  std::vector<EvaluatedVariation> lines_;
};

}  // namespace zh

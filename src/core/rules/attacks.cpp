// Attack sets of a board.
#include "core/rules/board.h"
#include "core/rules/piece_steps.h"

namespace zh {

namespace {

constexpr int kPawnAttackSteps = 2;
// Capture steps of a white (black) pawn.
constexpr Step kWhitePawnCaptures[kPawnAttackSteps] = {{0x41, +9}, {0x05, -7}};
constexpr Step kBlackPawnCaptures[kPawnAttackSteps] = {{0x14, -9}, {0x50, +7}};

void AddRay(const uint8_t* b, int s, Step step, SquareSet& set) {
  while (CanStep(s, step)) {
    s += step.delta;
    set.Add(s);
    if (b[s] != kEmpty) return;
  }
}

int ColourBit(int side) {
  return side == 1 ? kBlackBit : 0;
}

}  // namespace

SquareSet Board::GetPieceAttacks(int square) const {
  SquareSet set;
  if (!IsOnBoard(square)) return set;
  const int code = squares[square];
  const int type = TypeOf(code);
  if (type == kPawn) {
    const Step* steps = ColourOf(code) ? kBlackPawnCaptures : kWhitePawnCaptures;
    for (int i = 0; i < kPawnAttackSteps; ++i)
      if (CanStep(square, steps[i])) set.Add(square + steps[i].delta);
    return set;
  }
  const PieceStepRange range = kPieceStepRanges[type];
  for (int i = range.first; i < range.first + range.count; ++i) {
    if (type == kKing || type == kKnight) {
      if (CanStep(square, kSteps[i])) set.Add(square + kSteps[i].delta);
    } else {
      AddRay(squares, square, kSteps[i], set);
    }
  }
  return set;
}

SquareSet Board::GetSideAttacks(int side) const {
  SquareSet set;
  const int colour = ColourBit(side);
  for (int s = 0; s < 64; ++s)
    if (squares[s] != kEmpty && ColourOf(squares[s]) == colour) set = set | GetPieceAttacks(s);
  return set;
}

SquareSet Board::GetAttackers(int square, int side) const {
  SquareSet set;
  if (!IsOnBoard(square)) return set;
  const int c = ColourBit(side);
  const Step* pawnSteps = c ? kBlackPawnAttackers : kWhitePawnAttackers;
  for (int i = 0; i < 2; ++i) {
    const int from = square + pawnSteps[i].delta;
    if (CanStep(square, pawnSteps[i]) && squares[from] == (kPawn | c)) set.Add(from);
  }
  auto single = [&](int first, int type) {
    for (int i = first; i < first + 8; ++i)
      if (CanStep(square, kSteps[i]) && squares[square + kSteps[i].delta] == (type | c))
        set.Add(square + kSteps[i].delta);
  };
  single(kKnightSteps, kKnight);
  single(kKingSteps, kKing);
  // Rays pass on behind the side's own sliders of the ray's kind.
  auto rays = [&](int first, int slider) {
    for (int i = first; i < first + 4; ++i) {
      for (int s = square; CanStep(s, kSteps[i]);) {
        s += kSteps[i].delta;
        const int p = squares[s];
        if (p == kEmpty) continue;
        if (p != (kQueen | c) && p != (slider | c)) break;
        set.Add(s);
      }
    }
  };
  rays(kDiagonalSteps, kBishop);
  rays(kStraightSteps, kRook);
  return set;
}

void Board::CountSquareAttackers(int side, SquareSet set, int16_t table[64]) const {
  for (int s = 0; s < 64; ++s)
    table[s] = set.Contains(s) ? static_cast<int16_t>(GetAttackers(s, side).Count()) : 0;
}

}  // namespace zh

#include "core/rules/square_safety.h"

namespace zh {

namespace {

// Piece values of the safety rules: K 9, Q 8, N 3, B 3, R 4, P 1.
constexpr int kSafetyValues[8] = {0, 9, 8, 3, 3, 4, 1, 0};

void Add(AttackTally& t, int value, bool first) {
  ++t.count;
  if (!first) return;
  if (value < t.lowest) t.lowest = static_cast<int16_t>(value);
  if (value > t.highest) t.highest = static_cast<int16_t>(value);
}

struct Tallies {
  const uint8_t* b;
  AttackTally& white;
  AttackTally& black;

  AttackTally& Of(int code) { return ColourOf(code) ? black : white; }

  // Walks from `s` along the step; sliders of the line's kind add and let the walk
  // go on, any other piece ends it.
  void Line(int s, Step step, int slider, bool first) {
    while (CanStep(s, step)) {
      s += step.delta;
      const int p = b[s];
      if (p == kEmpty) continue;
      const int type = TypeOf(p);
      if (type != kQueen && type != slider) return;
      Add(Of(p), kExchangeValues[type], first);
      first = false;
    }
  }
};

}  // namespace

void CountSquareAttackers(const Board& board, int square, AttackTally& white, AttackTally& black) {
  white = AttackTally();
  black = AttackTally();
  if (!IsOnBoard(square)) return;
  Tallies t{board.squares, white, black};
  for (int i = kStraightSteps; i < kStraightSteps + 4; ++i) t.Line(square, kSteps[i], kRook, true);
  for (int i = kDiagonalSteps; i < kDiagonalSteps + 4; ++i) t.Line(square, kSteps[i], kBishop, true);
  for (int i = kKnightSteps; i < kKnightSteps + 8; ++i)
    if (CanStep(square, kSteps[i]) && TypeOf(board[square + kSteps[i].delta]) == kKnight)
      Add(t.Of(board[square + kSteps[i].delta]), kExchangeValues[kKnight], true);
  // A pawn attacker ends its diagonal for the bishop line above; the line behind it
  // counts as well, so that a bishop or queen backing the pawn is seen.
  for (int colour = 0; colour <= kBlackBit; colour += kBlackBit) {
    const Step* steps = colour ? kBlackPawnAttackers : kWhitePawnAttackers;
    for (int i = 0; i < 2; ++i) {
      if (!CanStep(square, steps[i])) continue;
      const int s = square + steps[i].delta;
      if (board[s] != (kPawn | colour)) continue;
      Add(t.Of(colour), kExchangeValues[kPawn], true);
      t.Line(s, steps[i], kBishop, false);
    }
  }
  for (int i = kKingSteps; i < kKingSteps + 8; ++i)
    if (CanStep(square, kSteps[i]) && TypeOf(board[square + kSteps[i].delta]) == kKing)
      Add(t.Of(board[square + kSteps[i].delta]), kExchangeValues[kKing], true);
}

int GetSquareSafety(const Board& board, const AttackTally& white, const AttackTally& black,
                    int square, bool whiteView) {
  const int w = white.count, b = black.count;
  if (w == 0 && b == 0) return kSafetyUnattacked;
  const int wv = white.lowest / 10, bv = black.lowest / 10;
  const int p = IsOnBoard(square) ? board[square] : 0;
  if (p == kEmpty) {
    int r = w == b ? 0 : (w > b) == whiteView ? 1 : 2;
    if (r == 2 && (whiteView ? bv < wv : wv < bv)) r = 4;
    if (r == 1 && (whiteView ? wv < bv : bv < wv)) r = 4;
    return r;
  }
  // Seen from the piece's side: own and enemy counts and lowest values.
  const bool isBlack = ColourOf(p) != 0;
  const int own = isBlack ? b : w, enemy = isBlack ? w : b;
  const int ownLow = isBlack ? bv : wv, enemyLow = isBlack ? wv : bv;
  int r = own == enemy ? 4 : enemy > own ? 1 : 2;
  const int type = TypeOf(p);
  if (r == 1 && kSafetyValues[type] < enemyLow && ownLow < enemyLow) r = 4;
  if ((type == kKing && enemy > 0) || (type == kQueen && enemyLow < 8) ||
      (type == kRook && enemyLow < 4) || ((type == kKnight || type == kBishop) && enemyLow < 3))
    r = 1;
  if (enemy > 0) r += kSafetyAttacked;
  if (own > 0) r += kSafetyCovered;
  return r;
}

void AdjustSquareSafety(int& flags, int pieceType, int capturedType) {
  const int n = capturedType;
  if (n == 0) return;
  switch (pieceType) {
    case kQueen:
      if (n > 2) return;
      break;
    case kRook:
      if (n > 2 && n != 5) return;
      break;
    case kKnight:
    case kBishop:
      if (n > 5) return;
      break;
    case kPawn:
      break;
    default:
      return;
  }
  if (flags & (kSafetyThreatened | kSafetyContested)) flags = (flags & ~7) | kSafetySafe;
}

}  // namespace zh

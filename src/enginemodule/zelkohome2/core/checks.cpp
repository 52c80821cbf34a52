#include "enginemodule/zelkohome2/core/checks.h"

namespace zh::zelko2 {
namespace {

// Reach bits a move must meet when the walked piece uncovers a line piece, by the
// line class of that line: the directions that leave it.
constexpr uint32_t kDiscoveryMask[4] = {0x70, 0xB0, 0xD0, 0xE0};
constexpr int kKnightOrder[8] = {18, 33, 14, 31, -18, -33, -14, -31};
constexpr int kRayOrder[8] = {15, 17, -15, -17, 16, -16, 1, -1};
constexpr int kKingSteps[8] = {1, 17, 16, 15, -1, -17, -16, -15};
constexpr uint32_t kKingStepBits[8] = {0x40, 0x10, 0x80, 0x20, 0x40, 0x10, 0x80, 0x20};
// Files of the opponent king on which a castling may check with the rook: the rook
// lands on f (king side) or d (queen side).
constexpr int kShortCastlingFile = 5;
constexpr int kLongCastlingFile = 3;

}  // namespace

void CheckGenerator::Begin(const Position& p) {
  own_king_ = KingHandle(p.side());
  king_ = p.king_square(p.side() ^ 1);
  index_ = p.list_end(p.side());
  done_ = false;
  routine_ = kRoutineNone;
  step_ = 0;
}

bool CheckGenerator::Pick(const Position& p) {
  do {
    if (index_ == own_king_) return false;
    index_ -= 4;
  } while (p.square(index_) == kNoSquare);
  from_ = to_ = p.square(index_);
  routine_ = p.capture_routine(index_);
  castling_ = p.quiet_routine(index_) == kRoutineKing;
  step_ = routine_ == kRoutineRook ? 4 : 0;
  mask_ = AttrCheck(p.code(index_));
  const int d = from_ - king_;
  if (StepToward(d) != 0) {
    const int step = StepToward(d);
    Square x = king_ + step;
    while (p.board(x) == 0 || x == from_) x += step;
    const int32_t w = p.board(x);
    if (w > 0 && SideOf(w) == p.side() && (AttrReach(p.code(w)) & ReachBits(x - king_) & kReachLines) != 0)
      mask_ |= kDiscoveryMask[StepBits(x - king_) & kLineClassMask];
  }
  return true;
}

bool CheckGenerator::Next(const Position& p, Move& move) {
  while (!done_) {
    if (routine_ != kRoutineNone && Step(p, move)) return true;
    if (routine_ == kRoutineKing || routine_ == kRoutineKingNoCastling || !Pick(p)) done_ = true;
  }
  return false;
}

bool CheckGenerator::Step(const Position& p, Move& move) {
  switch (routine_) {
    case kRoutineWhitePawn:
    case kRoutineBlackPawn: {
      const bool white = routine_ == kRoutineWhitePawn;
      const int up = white ? 16 : -16;
      while (step_ < 2) {
        Square s = from_ + up + (white ? (step_++ == 0 ? -1 : 1) : (step_++ == 0 ? 1 : -1));
        if (p.HoldsOpponent(s)) return Yield(s, 0, move);
      }
      if (step_ == 2) {
        step_ = 3;
        if (p.board(from_ + up) != 0) return false;
        if (Passes(from_ + up) || RankOf(from_) == (white ? 6 : 1)) return Yield(from_ + up, 0, move);
      }
      if (step_ == 3) {
        step_ = 4;
        if (RankOf(from_) == (white ? 1 : 6) && p.board(from_ + up) == 0 && p.board(from_ + 2 * up) == 0 &&
            Passes(from_ + 2 * up))
          return Yield(from_ + 2 * up, kFlagDoubleStep, move);
      }
      return false;
    }
    case kRoutineKnight:
      while (step_ < 8) {
        Square s = from_ + kKnightOrder[step_++];
        if (p.HoldsOpponent(s)) return Yield(s, 0, move);
        if (p.board(s) == 0 && Passes(s)) return Yield(s, 0, move);
      }
      return false;
    case kRoutineBishop:
    case kRoutineRook:
    case kRoutineQueen: {
      const int end = routine_ == kRoutineBishop ? 4 : 8;
      while (step_ < end) {
        const Square s = to_ + kRayOrder[step_];
        if (p.board(s) != 0) {
          ++step_;
          to_ = from_;
          if (p.HoldsOpponent(s)) return Yield(s, 0, move);
          continue;
        }
        to_ = s;
        const uint32_t m = ReachBits(s - king_) & mask_;
        if (m == 0) continue;
        if (m & 0xF0) return Yield(s, 0, move);
        const int toward = StepToward(king_ - s);
        Square x = s + toward;
        while (p.board(x) == 0) x += toward;
        if (x == king_) return Yield(s, 0, move);
      }
      return false;
    }
    case kRoutineKing:
    case kRoutineKingNoCastling: {
      const PlyRecord& r = p.current();
      const int own = p.side();
      const int enemy_file = FileOf(king_);
      auto own_rook = [&](Square s) {
        int32_t w = p.board(s);
        return w > 0 && SideOf(w) == own && AttrReach(p.code(w)) == kReachStraight;
      };
      if (step_ == 0) {
        step_ = 1;
        if (castling_ && (mask_ != 0 || enemy_file == kShortCastlingFile) && (r.castling & p.side_word()) &&
            p.board(from_ + 1) == 0 && p.board(from_ + 2) == 0 && own_rook(from_ + 3) &&
            !p.IsSquareAttacked(from_ + 1, own ^ 1))
          return Yield(from_ + 2, kFlagCastling, move);
      }
      if (step_ == 1) {
        step_ = 2;
        if (castling_ && (mask_ != 0 || enemy_file == kLongCastlingFile) && ((r.castling << 2) & p.side_word()) &&
            p.board(from_ - 1) == 0 && p.board(from_ - 2) == 0 && p.board(from_ - 3) == 0 && own_rook(from_ - 4) &&
            !p.IsSquareAttacked(from_ - 1, own ^ 1))
          return Yield(from_ - 2, kFlagCastling, move);
      }
      while (step_ < 10) {
        const int i = step_++ - 2;
        const Square s = from_ + kKingSteps[i];
        if (p.HoldsOpponent(s)) return Yield(s, 0, move);
        if (p.board(s) == 0 && (kKingStepBits[i] & mask_)) return Yield(s, 0, move);
      }
      return false;
    }
    case kRoutineNone:
      return false;
  }
  return false;
}

}  // namespace zh::zelko2

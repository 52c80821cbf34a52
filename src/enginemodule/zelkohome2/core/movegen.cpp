#include "enginemodule/zelkohome2/core/movegen.h"

#include <array>
#include <bit>

#include "enginemodule/zelkohome2/core/reach_words.h"

namespace zh::zelko2 {
namespace {

// Diagonal rays, then straight rays: the bishop walks 0..3, the rook 4..7, the queen all.
constexpr int kRays[8] = {15, 17, -15, -17, 1, -1, 16, -16};
constexpr int kKnightJumps[8] = {14, 18, 31, 33, -14, -18, -31, -33};
constexpr int kKingCaptureSteps[8] = {1, -1, 16, -16, 15, 17, -15, -17};
constexpr int kKingQuietSteps[8] = {1, 15, 16, 17, -1, -15, -16, -17};
constexpr int kEscapeSteps[8] = {15, 17, -15, -17, 1, -1, 16, -16};

// The routine's first ray and one past its last.
constexpr int RayBegin(Routine r) { return r == kRoutineRook ? 4 : 0; }
constexpr int RayEnd(Routine r) { return r == kRoutineBishop ? 4 : 8; }

// King steps begin after the two castling steps.
constexpr int kFirstKingStep = 2;

// Squares each capture routine reaches on an empty board: a piece none of whose
// squares holds an enemy piece has no capture, and its walk is skipped.
inline constexpr std::array<SquareWords, 9> kCaptureReach = {
    SquareWords{}, kWhitePawnReach, kBlackPawnReach, kKnightReach, kDiagonalReach,
    kStraightReach, kQueenReach, kKingReach, kKingReach};
static_assert(kRoutineKingNoCastling == 8);
// The squares along each of the rays: a ray without an enemy piece is not walked.
inline constexpr std::array<SquareWords, 8> kRayReach = [] {
  std::array<SquareWords, 8> t{};
  for (size_t i = 0; i < 8; ++i) t[i] = detail::ReachWords({kRays[i]}, true);
  return t;
}();

// The squares of the pieces of a side, in the same layout.
uint64_t Occupied(const Position& p, int side) {
  uint64_t all = 0;
  for (int type = kPawn; type <= kKing; ++type) all |= p.type_word(type, side);
  return all;
}

}  // namespace

bool IsPromotionMove(const Position& position, const Move& move) {
  int32_t w = position.board(move.from);
  if (w <= 0 || TypeOf(position.code(w)) != kTypePawn) return false;
  return RankOf(move.to) == (SideOf(w) == kWhite ? 7 : 0);
}

void MoveGenerator::Begin(GenKind kind, const Position& p, Square target) {
  kind_ = kind;
  target_ = target;
  step_ = 0;
  stage_ = kPick;
  switch (kind) {
    case GenKind::kCaptures:
      index_ = p.list_end(p.side()) - 4;
      enemies_ = Occupied(p, p.side() ^ 1);
      break;
    case GenKind::kAttackers:
    case GenKind::kInterposers:
      index_ = p.list_end(p.side()) - 4;
      break;
    case GenKind::kQuiet:
      index_ = p.order_count(p.side()) - 1;
      break;
    case GenKind::kEnPassant:
      stage_ = kEnPassantStage;
      break;
    case GenKind::kKingEscapes:
      from_ = p.king_square(p.side());
      break;
  }
  if (kind == GenKind::kAttackers) {
    attackers_ = target == p.king_square(p.side() ^ 1) ? 0 : p.AttackerSlots(p.side(), target);
    if (attackers_ == 0) stage_ = kDone;
  }
}

// The loops below work on local copies of the resume point and write it back when
// they yield: the move written through a reference may alias the members.
bool MoveGenerator::NextCapture(const Position& p, Move& move) {
  const Handle king = KingHandle(p.side());
  for (;;) {
    switch (stage_) {
      case kPick: {
        // The next piece that may capture; a captured piece has no square, and the
        // king is never captured.
        Handle h = index_;
        Square s;
        Routine routine;
        for (;; h -= 4) {
          s = p.square(h);
          if (s == kNoSquare) continue;
          routine = p.capture_routine(h);
          if (MayCapture(routine, s) || h == king) break;
        }
        index_ = h;
        if (!MayCapture(routine, s)) {  // the king, last, without a capture
          stage_ = kEnPassantStage;
          step_ = 0;
          continue;
        }
        from_ = s;
        to_ = s;
        routine_ = routine;
        step_ = RayBegin(routine);
        stage_ = kPiece;
        [[fallthrough]];
      }
      case kPiece:
        if (CaptureStep(p, move)) return true;
        if (index_ == king) {
          stage_ = kEnPassantStage;
          step_ = 0;
        } else {
          index_ -= 4;
          stage_ = kPick;
        }
        continue;
      case kEnPassantStage:
        return NextEnPassant(p, move);
      case kDone:
        return false;
    }
  }
}

bool MoveGenerator::MayCapture(Routine routine, Square s) const {
  if (kCaptureReach[routine][static_cast<size_t>(SquareBit(s))] & enemies_) return true;
  // A pawn before its last rank pushes to promote.
  return (routine == kRoutineWhitePawn && RankOf(s) == 6) || (routine == kRoutineBlackPawn && RankOf(s) == 1);
}

bool MoveGenerator::CaptureStep(const Position& p, Move& move) {
  const Square from = from_;
  int step = step_;
  auto yield = [&](Square to, int next_step) {
    step_ = next_step;
    move = Move{from, to, 0};
    return true;
  };
  switch (routine_) {
    case kRoutineWhitePawn:
    case kRoutineBlackPawn: {
      const bool white = routine_ == kRoutineWhitePawn;
      const Square ahead = from + (white ? 16 : -16);
      switch (step) {
        case 0:
          if (p.HoldsOpponent(ahead - 1)) return yield(ahead - 1, 1);
          [[fallthrough]];
        case 1:
          if (p.HoldsOpponent(ahead + 1)) return yield(ahead + 1, 2);
          [[fallthrough]];
        case 2:
          if (RankOf(from) == (white ? 6 : 1) && p.board(ahead) == 0) return yield(ahead, 3);
          break;
        default:
          break;
      }
      step_ = 3;
      return false;
    }
    case kRoutineKnight:
      for (; step < 8; ++step) {
        const Square s = from + kKnightJumps[step];
        if (p.HoldsOpponent(s)) return yield(s, step + 1);
      }
      step_ = step;
      return false;
    case kRoutineBishop:
    case kRoutineRook:
    case kRoutineQueen:
      for (const int end = RayEnd(routine_); step < end; ++step) {
        if ((kRayReach[static_cast<size_t>(step)][static_cast<size_t>(SquareBit(from))] & enemies_) == 0) continue;
        const int ray = kRays[step];
        Square s = from + ray;
        while (p.board(s) == 0) s += ray;
        if (p.HoldsOpponent(s)) return yield(s, step + 1);
      }
      step_ = step;
      return false;
    case kRoutineKing:
    case kRoutineKingNoCastling:
      for (; step < 8; ++step) {
        const Square s = from + kKingCaptureSteps[step];
        if (p.HoldsOpponent(s)) return yield(s, step + 1);
      }
      step_ = step;
      return false;
    case kRoutineNone:
      return false;
  }
  return false;
}

bool MoveGenerator::NextQuiet(const Position& p, Move& move) {
  for (;;) {
    if (stage_ == kDone) return false;
    if (stage_ == kPick) {
      if (index_ < 0) {
        stage_ = kDone;
        return false;
      }
      Handle h = p.order(p.side(), index_);
      Square s = p.square(h);
      if (s == kNoSquare) {
        --index_;
        continue;
      }
      from_ = s;
      to_ = s;
      routine_ = p.quiet_routine(h);
      step_ = routine_ == kRoutineKingNoCastling ? kFirstKingStep : RayBegin(routine_);
      stage_ = kPiece;
    }
    if (QuietStep(p, move)) return true;
    --index_;
    stage_ = kPick;
  }
}

bool MoveGenerator::QuietStep(const Position& p, Move& move) {
  switch (routine_) {
    case kRoutineWhitePawn:
    case kRoutineBlackPawn: {
      const bool white = routine_ == kRoutineWhitePawn;
      const int up = white ? 16 : -16;
      if (step_ == 0) {
        step_ = 1;
        if (RankOf(from_) != (white ? 6 : 1) && p.board(from_ + up) == 0) return Yield(from_ + up, 0, move);
      }
      if (step_ == 1) {
        step_ = 2;
        if (RankOf(from_) == (white ? 1 : 6) && p.board(from_ + up) == 0 && p.board(from_ + 2 * up) == 0)
          return Yield(from_ + 2 * up, kFlagDoubleStep, move);
      }
      return false;
    }
    case kRoutineKnight:
      while (step_ < 8) {
        Square s = from_ + kKnightJumps[step_++];
        if (p.board(s) == 0) return Yield(s, 0, move);
      }
      return false;
    case kRoutineBishop:
    case kRoutineRook:
    case kRoutineQueen:
      while (step_ < RayEnd(routine_)) {
        Square s = to_ + kRays[step_];
        if (p.board(s) == 0) {
          to_ = s;
          return Yield(s, 0, move);
        }
        ++step_;
        to_ = from_;
      }
      return false;
    case kRoutineKing:
    case kRoutineKingNoCastling: {
      const PlyRecord& r = p.current();
      const int own = p.side();
      auto own_rook = [&](Square s) {
        int32_t w = p.board(s);
        return w > 0 && SideOf(w) == own && AttrReach(p.code(w)) == kReachStraight;
      };
      if (step_ == 0) {  // king side
        step_ = 1;
        if ((r.castling & p.side_word()) && p.board(from_ + 1) == 0 && p.board(from_ + 2) == 0 &&
            own_rook(from_ + 3) && !p.IsSquareAttacked(from_ + 1, own ^ 1))
          return Yield(from_ + 2, kFlagCastling, move);
      }
      if (step_ == 1) {  // queen side
        step_ = 2;
        if (((r.castling << 2) & p.side_word()) && p.board(from_ - 1) == 0 && p.board(from_ - 2) == 0 &&
            p.board(from_ - 3) == 0 && own_rook(from_ - 4) && !p.IsSquareAttacked(from_ - 1, own ^ 1))
          return Yield(from_ - 2, kFlagCastling, move);
      }
      while (step_ < kFirstKingStep + 8) {
        Square s = from_ + kKingQuietSteps[step_++ - kFirstKingStep];
        if (p.board(s) == 0) return Yield(s, 0, move);
      }
      return false;
    }
    case kRoutineNone:
      return false;
  }
  return false;
}

bool MoveGenerator::NextEnPassant(const Position& p, Move& move) {
  const PlyRecord& r = p.current();
  if ((r.flags & kFlagKindMask) != kFlagDoubleStep) {
    stage_ = kDone;
    return false;
  }
  const Square pawn = r.to;
  const Square passed = (r.from + r.to) / 2;
  while (step_ < 2) {
    Square s = pawn + (step_++ == 0 ? -1 : 1);
    int32_t w = p.board(s);
    if (w > 0 && SideOf(w) == p.side() && TypeOf(p.code(w)) == kTypePawn) {
      from_ = s;
      return Yield(passed, kFlagEnPassant, move);
    }
  }
  stage_ = kDone;
  return false;
}

bool MoveGenerator::NextAttacker(const Position& p, Move& move) {
  if (stage_ == kDone) return false;
  // The pieces that may attack the target, highest handle first.
  const Square target = target_;
  for (uint32_t slots = attackers_; slots != 0;) {
    const int slot = 31 - std::countl_zero(slots);
    slots &= ~(1u << slot);
    const Handle h = KingHandle(p.side()) + 4 * slot;
    const Square s = p.square(h);
    if (p.PieceAttacks(h, s, target)) {
      from_ = s;
      attackers_ = slots;
      return Yield(target, 0, move);
    }
  }
  stage_ = kDone;
  return false;
}

bool MoveGenerator::NextInterposer(const Position& p, Move& move) {
  if (stage_ == kDone) return false;
  for (const Handle king = KingHandle(p.side()); index_ > king; index_ -= 4) {
    Square s = p.square(index_);
    if (s == kNoSquare) continue;
    int d = s - target_;
    uint32_t m = p.attributes(index_) & AttackEntry(d) & 0xFFFF;
    if (m == 0) continue;
    int flags = 0;
    if (StepBits(d) & kStepContact) {
      if (m & ((kReachWhitePawn | kReachBlackPawn) << 8)) continue;  // a pawn's diagonal only captures
    } else {
      int step = StepToward(d);
      Square x = target_ + step;
      while (p.board(x) == 0) x += step;
      if (x != s) continue;
      if (m & (kStepWhiteDouble | kStepBlackDouble)) {
        if (!(s <= 0x17 || s >= 0x60)) continue;
        flags = kFlagDoubleStep;
      }
    }
    from_ = s;
    index_ -= 4;
    return Yield(target_, flags, move);
  }
  stage_ = kDone;
  return false;
}

bool MoveGenerator::NextKingEscape(const Position& p, Move& move) {
  const int own_bit = ColourBit(p.side());
  while (step_ < 8) {
    Square s = from_ + kEscapeSteps[step_++];
    if ((p.board(s) & 0xFF & own_bit) == 0) return Yield(s, 0, move);
  }
  return false;
}

}  // namespace zh::zelko2

namespace zh::zelko2 {

std::string SquareText(Square s) {
  return std::string{static_cast<char>('a' + FileOf(s)), static_cast<char>('1' + RankOf(s))};
}

std::string MoveText(const Move& move) {
  std::string text = SquareText(move.from) + SquareText(move.to);
  if (IsPromotion(move.flags)) text += "qrbn"[(move.flags - kFlagPromoQueen) >> 5];
  return text;
}

}  // namespace zh::zelko2

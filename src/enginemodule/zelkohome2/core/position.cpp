#include "enginemodule/zelkohome2/core/position.h"

#include "enginemodule/zelkohome2/core/pawn_files.h"
#include "enginemodule/zelkohome2/core/reach_words.h"

#include <algorithm>
#include <bit>

namespace zh::zelko2 {
namespace {

constexpr int kLastRank[2] = {7, 0};

bool ValidCode(int code) { return (code >= 1 && code <= 6) || (code >= 9 && code <= 14); }

}  // namespace

Position::Position() {
  storage_.fill(kGuard);
  for (Square s = 0; s < 128; ++s)
    if (OnBoard(s)) word(s) = 0;
  square_.fill(kNoSquare);
}

bool Position::Set(const CorePosition& p) {
  if (p.side > 1 || p.zero != 0) return false;
  int pieces[2] = {0, 0}, kings[2] = {0, 0};
  for (int s = 0; s < 64; ++s) {
    int c = p.board[s];
    if (c == 0) continue;
    if (!ValidCode(c)) return false;
    int side = (c & kBlackBit) ? kBlack : kWhite;
    if (++pieces[side] > kMaxPiecesPerSide) return false;
    if ((c & 7) == kKing) ++kings[side];
    if ((c & 7) == kPawn && (s < 8 || s >= 56)) return false;
  }
  if (kings[kWhite] != 1 || kings[kBlack] != 1) return false;

  for (Square s = 0; s < 128; ++s)
    if (OnBoard(s)) word(s) = 0;
  square_.fill(kNoSquare);
  code_.fill(0);
  for (auto& row : masks_) row.fill(0);
  for (int side = 0; side < 2; ++side) {
    Handle next = KingHandle(side);
    for (int type = kKing; type >= kPawn; --type) {
      int c = type | (side == kBlack ? kBlackBit : 0);
      for (int s = 63; s >= 0; --s) {
        if (p.board[s] != c) continue;
        Square sq = ToSquare88(s);
        square_[Slot(next)] = sq;
        code_[Slot(next)] = CodeOf(c);
        AssignHandlers(next);
        ToggleMask(CodeOf(c), sq);
        word(sq) = next;
        next += 4;
      }
    }
    count_[side] = pieces[side];
  }

  side_ = p.side;
  ply_ = 0;
  PlyRecord& root = records_[0];
  root = PlyRecord{};
  // Castling rights only with king and rook on their squares.
  uint8_t rights = p.castling & kAllCastling;
  auto has = [&](int s64, int c) { return p.board[s64] == c; };
  if (!(has(4, kKing) && has(0, kRook))) rights &= ~kWhiteLong;
  if (!(has(4, kKing) && has(7, kRook))) rights &= ~kWhiteShort;
  if (!(has(60, kKing | kBlackBit) && has(56, kRook | kBlackBit))) rights &= ~kBlackLong;
  if (!(has(60, kKing | kBlackBit) && has(63, kRook | kBlackBit))) rights &= ~kBlackShort;
  root.castling = rights;
  // An e.p. target becomes the double step that led here.
  int ep = p.en_passant;
  bool ep_ok = side_ == kWhite ? (ep >= 40 && ep <= 47) : (ep >= 16 && ep <= 23);
  if (ep_ok) {
    int forward = side_ == kWhite ? -8 : 8;  // from the passed square to the pawn
    int pawn = side_ == kWhite ? (kPawn | kBlackBit) : kPawn;
    ep_ok = p.board[ep] == 0 && p.board[ep - forward] == 0 && p.board[ep + forward] == pawn;
    if (ep_ok) {
      root.from = ToSquare88(ep - forward);
      root.to = ToSquare88(ep + forward);
      root.flags = kFlagDoubleStep;
    }
  }
  root.key = ComputeKey();
  root.signature = ComputeSignature();
  root.check = ComputeCheck(&root.check_square);
  ClearHistory();
  SortPieceOrder();
  return true;
}

CorePosition Position::Get() const {
  CorePosition p;
  for (int side = 0; side < 2; ++side) {
    for (Handle h = KingHandle(side); h < list_end(side); h += 4) {
      Square s = square(h);
      if (s != kNoSquare) p.board[ToSquare64(s)] = static_cast<uint8_t>(EngineCodeOf(code(h)));
    }
  }
  p.side = static_cast<uint8_t>(side_);
  const PlyRecord& r = current();
  if ((r.flags & kFlagKindMask) == kFlagDoubleStep) p.en_passant = static_cast<uint8_t>(ToSquare64((r.from + r.to) / 2));
  p.castling = r.castling & kAllCastling;
  return p;
}

void Position::AssignHandlers(Handle h) {
  PieceCode c = code_[Slot(h)];
  attributes_[Slot(h)] = Attributes(c);
  Routine routine;
  switch (TypeOf(c)) {
    case kTypePawn: routine = (c & 0x40) ? kRoutineBlackPawn : kRoutineWhitePawn; break;
    case kTypeKnight: routine = kRoutineKnight; break;
    case kTypeBishop: routine = kRoutineBishop; break;
    case kTypeRook: routine = kRoutineRook; break;
    case kTypeQueen: routine = kRoutineQueen; break;
    default: routine = kRoutineKing; break;
  }
  capture_routine_[Slot(h)] = routine;
  quiet_routine_[Slot(h)] = routine;
}

void Position::InstallSearchVariants() {
  const PlyRecord& r = current();
  for (int side = 0; side < 2; ++side) {
    int rights = side == kWhite ? (kWhiteLong | kWhiteShort) : (kBlackLong | kBlackShort);
    for (Handle h = KingHandle(side); h < list_end(side); h += 4) {
      Square s = square(h);
      if (s == kNoSquare) continue;
      int type = TypeOf(code(h));
      if (type == kTypeKing && (r.castling & rights) == 0) quiet_routine_[Slot(h)] = kRoutineKingNoCastling;
      if (type == kTypePawn && RankOf(s) == (side == kWhite ? 6 : 1)) quiet_routine_[Slot(h)] = kRoutineNone;
    }
  }
}

uint64_t Position::ComputeKey() const {
  uint64_t key = 0;
  for (int side = 0; side < 2; ++side)
    for (Handle h = KingHandle(side); h < list_end(side); h += 4)
      if (square(h) != kNoSquare) key ^= PieceKey(code(h), square(h));
  return key;
}

uint32_t Position::ComputeSignature() const {
  uint32_t signature = 0;
  for (int side = 0; side < 2; ++side)
    for (Handle h = KingHandle(side); h < list_end(side); h += 4)
      if (square(h) != kNoSquare) signature += SignatureWeight(code(h));
  return signature;
}

uint8_t Position::ComputeCheck(Square* checker) const {
  Square king = king_square(side_);
  int enemy = side_ ^ 1;
  int found = 0;
  Square where = kNoSquare;
  for (Handle h = list_end(enemy) - 4; h >= KingHandle(enemy); h -= 4) {
    Square s = square(h);
    if (s != kNoSquare && PieceAttacks(h, s, king)) {
      ++found;
      where = s;
    }
  }
  if (checker) *checker = where;
  if (found == 0) return 0;
  if (found > 1) return kDoubleCheck;
  return static_cast<uint8_t>(ReachBits(where - king));
}


uint64_t Position::AttackerSquares(int side, Square target) const {
  const auto t = static_cast<size_t>(SquareBit(target));
  const uint64_t queens = type_word(kQueen, side);
  return ((side == kWhite ? kBlackPawnReach : kWhitePawnReach)[t] & type_word(kPawn, side)) |
         (kKnightReach[t] & type_word(kKnight, side)) | (kDiagonalReach[t] & (type_word(kBishop, side) | queens)) |
         (kStraightReach[t] & (type_word(kRook, side) | queens)) | (kKingReach[t] & type_word(kKing, side));
}

uint32_t Position::AttackerSlots(int side, Square target) const {
  uint32_t slots = 0;
  for (uint64_t squares = AttackerSquares(side, target); squares != 0; squares &= squares - 1) {
    const int bit = std::countr_zero(squares);
    const int32_t h = board((bit & 7) * 16 + (bit >> 3));
    if (h > 0) slots |= 1u << ((h - KingHandle(side)) >> 2);  // a piece lifted off for a test has none
  }
  return slots;
}

bool Position::IsSquareAttacked(Square target, int by_side) const {
  for (uint64_t squares = AttackerSquares(by_side, target); squares != 0; squares &= squares - 1) {
    const int bit = std::countr_zero(squares);
    const Square s = (bit & 7) * 16 + (bit >> 3);
    const int32_t h = board(s);
    if (h > 0 && PieceAttacks(h, s, target)) return true;
  }
  return false;
}

int32_t Position::MakeMove(Square from, Square to, int flags) {
  const PlyRecord& parent = records_[ply_];
  PlyRecord& child = records_[ply_ + 1];
  const int mover_side = side_;
  const Handle h = board(from);
  const Handle captured = board(to);
  child.from = from;
  child.to = to;
  child.captured = captured;
  child.file_scores = parent.file_scores;
  child.check_square = kNoSquare;
  ++nodes_;
  int32_t eval = parent.eval;
  uint64_t key = parent.key;
  uint32_t signature = parent.signature;
  flags &= ~(kFlagEven | kFlagCheck);

  word(from) = 0;
  dirty_files_ = 0;
  endgame_now_ = (parent.castling & kEndgameBit) != 0;
  LeaveRoutine(h, from, eval, key, false);  // in the frame of the mover's opponent
  eval = -eval - 16;
  const int kind = flags & kFlagKindMask;
  if (TypeOf(code(h)) == kTypePawn && RankOf(to) == kLastRank[mover_side]) {
    if (!IsPromotion(flags)) flags = (flags & ~kFlagKindMask) | kFlagPromoQueen;
    PieceCode promoted = CodeOf(PromotionCode(flags) | (mover_side == kBlack ? kBlackBit : 0));
    code_[Slot(h)] = promoted;
    AssignHandlers(h);
    signature -= SignatureWeight(mover_side == kWhite ? CodeOf(kPawn) : CodeOf(kPawn | kBlackBit));
    signature += SignatureWeight(promoted);
    // The promoted piece is worth a little less than its square value says.
    constexpr int32_t kPromotionExtra[6] = {0, -128, -80, -112, 0, 0};
    if (setup_.order_terms) eval += kPromotionExtra[TypeOf(promoted)];
  }
  ArriveRoutine(h, to, eval, key, captured, kind);
  word(to) = h;
  square_[Slot(h)] = to;

  Square vacated = kNoSquare;  // a second square emptied by the move (e.p.)
  Square checker = to;  // the square of the piece that may check directly
  if (captured != 0) {
    square_[Slot(captured)] = kNoSquare;
    LeaveRoutine(captured, to, eval, key, true);
    if (AttrValue(code(captured)) == AttrValue(code(h))) flags |= kFlagEven;
    signature -= SignatureWeight(code(captured));
  } else if (kind == kFlagCastling) {
    Square rook_from = to > from ? from + 3 : from - 4;
    Square rook_to = to > from ? from + 1 : from - 1;
    Handle rook = board(rook_from);
    eval = -eval;
    LeaveRoutine(rook, rook_from, eval, key, false);
    eval = -eval;
    PieceRoutine(rook, rook_to, eval, key);
    word(rook_from) = 0;
    word(rook_to) = rook;
    square_[Slot(rook)] = rook_to;
    checker = rook_to;
  } else if (kind == kFlagEnPassant) {
    Square pawn_square = parent.to;
    Handle pawn = board(pawn_square);
    LeaveRoutine(pawn, pawn_square, eval, key, true);
    word(pawn_square) = 0;
    square_[Slot(pawn)] = kNoSquare;
    child.captured = pawn;
    signature -= SignatureWeight(code(pawn));
    vacated = pawn_square;
  }

  child.castling = parent.castling & ~(CastlingClearMask(from) | CastlingClearMask(to));
  if (endgame_now_) child.castling |= kEndgameBit;
  child.key = key;
  if (dirty_files_ != 0) eval += EvaluatePawnFiles(child);
  child.eval = eval;
  child.signature = signature;
  child.flags = static_cast<uint8_t>(flags);
  // The endgame knowledge may change the value returned, never the stored base.
  int32_t value = eval;
  if ((signature & 0xFF) <= 43) value = EvaluateEndgame(static_cast<int>(signature & 0xFF), value);
  side_ ^= 1;
  ++ply_;
  SetCheckInfo(child, checker, from, vacated);
  child.static_value = value;
  return value;
}

Handle Position::DiscoveringPiece(Square king, Square vacated, Square to, int mover_side) const {
  int d = vacated - king;
  uint32_t line = ReachBits(d) & kReachLines;
  if (line == 0) return 0;
  int step = StepToward(d);
  bool passed = false;
  Square s = king + step;
  for (; board(s) == 0; s += step)
    if (s == vacated) passed = true;
  if (!passed || s == to) return 0;
  int32_t w = board(s);
  if (w <= 0 || SideOf(w) != mover_side) return 0;
  return (AttrCheck(code(w)) & line) ? w : 0;
}

void Position::SetCheckInfo(PlyRecord& child, Square mover_square, Square from, Square also_vacated) {
  const int mover_side = side_ ^ 1;
  const Square king = king_square(side_);
  bool direct = Attacks(mover_square, king);
  Handle first = DiscoveringPiece(king, from, mover_square, mover_side);
  Handle second = also_vacated != kNoSquare ? DiscoveringPiece(king, also_vacated, mover_square, mover_side) : 0;
  if (second == first) second = 0;
  if (!first) first = second, second = 0;
  int checks = (direct ? 1 : 0) + (first ? 1 : 0) + (second ? 1 : 0);
  if (checks == 0) {
    child.check = 0;
  } else if (checks > 1) {
    child.check = kDoubleCheck;
    child.check_square = direct ? mover_square : square(first);
  } else if (direct) {
    child.check = static_cast<uint8_t>(ReachBits(mover_square - king));
    child.check_square = mover_square;
  } else {
    child.check = static_cast<uint8_t>(AttrCheck(code(first)));
    child.check_square = square(first);
  }
}

void Position::UnmakeMove() {
  const PlyRecord& r = records_[ply_];
  const PlyRecord& parent = records_[ply_ - 1];
  side_ ^= 1;
  --ply_;
  const Handle h = board(r.to);
  const int kind = r.flags & kFlagKindMask;
  ToggleMask(code(h), r.to);
  if (IsPromotion(r.flags)) {
    code_[Slot(h)] &= 0x60;
    AssignHandlers(h);
  }
  ToggleMask(code(h), r.from);
  word(r.from) = h;
  square_[Slot(h)] = r.from;
  word(r.to) = 0;
  if (r.captured != 0) {
    Square s = kind == kFlagEnPassant ? parent.to : r.to;
    word(s) = r.captured;
    square_[Slot(r.captured)] = s;
    ToggleMask(code(r.captured), s);
  } else if (kind == kFlagCastling) {
    Square rook_from = r.to > r.from ? r.from + 3 : r.from - 4;
    Square rook_to = r.to > r.from ? r.from + 1 : r.from - 1;
    Handle rook = board(rook_to);
    word(rook_to) = 0;
    word(rook_from) = rook;
    square_[Slot(rook)] = rook_from;
    ToggleMask(code(rook), rook_to);
    ToggleMask(code(rook), rook_from);
  }
}

int32_t Position::EvaluatePawnFiles(PlyRecord& child) { return UpdateFileScores(*this, file_cache_, child, dirty_files_, side_); }

void Position::MakeNullMove(int32_t offset) {
  const PlyRecord& parent = records_[ply_];
  PlyRecord& child = records_[ply_ + 1];
  child.from = child.to = king_square(side_);
  child.captured = 0;
  child.check = 0;
  child.check_square = kNoSquare;
  child.flags = 0;
  child.castling = parent.castling;
  child.key = parent.key;
  child.signature = parent.signature;
  child.file_scores = parent.file_scores;
  child.eval = -parent.eval - 16 - offset;
  child.static_value = child.eval;
  side_ ^= 1;
  ++ply_;
}

void Position::UnmakeNullMove() {
  side_ ^= 1;
  --ply_;
}

bool Position::LineExposes(Square king, Square vacated, int enemy_side) const {
  int d = vacated - king;
  uint32_t line = ReachBits(d) & kReachLines;
  if (line == 0) return false;
  int step = StepToward(d);
  bool passed = false;
  Square s = king + step;
  for (; board(s) == 0; s += step)
    if (s == vacated) passed = true;
  if (!passed) return false;
  int32_t w = board(s);
  return w > 0 && SideOf(w) == enemy_side && (AttrReach(code(w)) & line) != 0;
}

bool Position::LeavesOwnKingAttacked() const {
  const PlyRecord& r = current();
  const int mover = side_ ^ 1;
  const Square king = king_square(mover);
  if (king == r.to) return IsSquareAttacked(king, side_);
  if (LineExposes(king, r.from, side_)) return true;
  // E.p. also empties the captured pawn's square.
  if ((r.flags & kFlagKindMask) == kFlagEnPassant && LineExposes(king, records_[ply_ - 1].to, side_)) return true;
  return false;
}

bool Position::OwnKingAttacked() const { return IsSquareAttacked(king_square(side_ ^ 1), side_); }

bool Position::WouldGiveCheck(Square from, Square to) const {
  const int enemy = side_ ^ 1;
  const Square king = king_square(enemy);
  const Handle h = board(from);
  // Direct: the piece standing on `to`, lines walked with `from` counted as empty.
  int d = to - king;
  uint32_t r = ReachBits(d);
  if (r & AttrReach(code(h))) {
    if (r & kReachContact) return true;
    int step = StepToward(d);
    Square s = king + step;
    while (s != to && (board(s) == 0 || s == from)) s += step;
    if (s == to) return true;
  }
  // Discovered: `from` on a line from the king, `to` blocking if it stands between.
  d = from - king;
  uint32_t line = ReachBits(d) & kReachLines;
  if (line == 0) return false;
  int step = StepToward(d);
  bool passed = false;
  Square s = king + step;
  for (; (board(s) == 0 || s == from) && s != to; s += step)
    if (s == from) passed = true;
  if (!passed || s == to) return false;
  int32_t w = board(s);
  return w > 0 && SideOf(w) == side_ && (AttrCheck(code(w)) & line) != 0;
}

bool Position::IsExchangeSafe(Square from, Square to) {
  const Handle mover = board(from);
  const int32_t target = board(to);
  const int mover_value = static_cast<int>(AttrValue(code(mover)));
  const int target_value = target > 0 ? static_cast<int>(AttrValue(code(target))) : 0;
  if (target_value >= mover_value) return true;
  const int risk = mover_value - target_value;
  // Attack test that looks through pieces moving along the same line.
  // The piece of handle h on s; its reach bits come from its attributes.
  auto attacks_through = [&](Handle h, Square s) {
    int d = s - to;
    uint32_t r = ReachBits(d);
    uint32_t reach = (attributes(h) >> 8) & 0xFF;
    if ((r & reach) == 0) return false;
    if (r & kReachContact) return true;
    uint32_t line = r & reach & kReachLines;
    int step = StepToward(d);
    for (Square x = to + step; x != s; x += step) {
      int32_t w = board(x);
      if (w == 0) continue;
      if (w < 0 || (AttrReach(code(w)) & line) == 0) return false;
    }
    return true;
  };
  // Only the pieces standing where they reach `to` on an empty board are tested,
  // highest handle first.
  const int enemy = side_ ^ 1;
  uint32_t slots = AttackerSlots(enemy, to);
  if (slots == 0) return true;
  word(from) = 0;
  bool safe = true;
  int attackers = 0, first_value = 0;
  for (; slots != 0 && safe; slots &= ~(0x80000000u >> std::countl_zero(slots))) {
    const Handle h = KingHandle(enemy) + 4 * (31 - std::countl_zero(slots));
    const Square s = square(h);
    if (!attacks_through(h, s)) continue;
    int value = static_cast<int>(attributes(h) >> 24);
    if (attackers++ == 0) {
      first_value = value;
      if (value < risk) safe = false;
    }
  }
  if (safe && attackers > 0) {
    int defenders = 0;
    safe = false;
    for (uint32_t own = AttackerSlots(side_, to); own != 0; own &= ~(0x80000000u >> std::countl_zero(own))) {
      const Handle h = KingHandle(side_) + 4 * (31 - std::countl_zero(own));
      const Square s = square(h);
      if (h == mover || !attacks_through(h, s)) continue;
      int value = static_cast<int>(attributes(h) >> 24);
      if (defenders++ == 0 && value <= first_value - risk) {
        safe = true;
        break;
      }
      if (defenders >= attackers) {
        safe = true;
        break;
      }
    }
  }
  word(from) = mover;
  return safe;
}

bool Position::IsStoredMoveValid(Square from, Square to, int& flags, bool* tactical, bool quiescence) const {
  if (!OnBoard(from) || !OnBoard(to) || from == to) return false;
  const int32_t h = board(from);
  if (h <= 0 || SideOf(h) != side_) return false;
  const int keep = flags & kFlagNodeBits;
  const int asked = flags & kFlagKindMask;
  const PieceCode c = code(h);
  const int type = TypeOf(c);
  const int32_t t = board(to);
  const int d = from - to;
  const uint32_t r = ReachBits(d);
  auto path_empty = [&] {
    if (r & kReachContact) return true;
    int step = StepToward(d);
    for (Square s = to + step; s != from; s += step)
      if (board(s) != 0) return false;
    return true;
  };
  const int forward = side_ == kWhite ? 16 : -16;
  bool is_tactical = false;
  int kind = 0;
  if (t != 0) {
    if (SideOf(t) == side_) return false;
    if ((r & AttrReach(c)) == 0 || !path_empty()) return false;
    is_tactical = true;
  } else if (type == kTypePawn) {
    const PlyRecord& last = current();
    if (to == from + forward) {
      is_tactical = RankOf(to) == kLastRank[side_];
    } else if (to == from + 2 * forward) {
      if (RankOf(from) != (side_ == kWhite ? 1 : 6) || board(from + forward) != 0) return false;
      kind = kFlagDoubleStep;
    } else if ((r & AttrReach(c)) != 0) {
      if ((last.flags & kFlagKindMask) != kFlagDoubleStep || to != (last.from + last.to) / 2) return false;
      kind = kFlagEnPassant;
      is_tactical = true;
    } else {
      return false;
    }
  } else if (type == kTypeKing && (d == 2 || d == -2) && asked == kFlagCastling) {
    const PlyRecord& last = current();
    if (last.check != 0) return false;
    bool short_side = to > from;
    int rights = short_side ? (side_word() & last.castling) : ((last.castling << 2) & side_word());
    if (rights == 0) return false;
    Square rook_square = short_side ? from + 3 : from - 4;
    for (Square s = std::min(from, rook_square) + 1; s < std::max(from, rook_square); ++s)
      if (board(s) != 0) return false;
    int32_t rook = board(rook_square);
    if (rook <= 0 || SideOf(rook) != side_ || TypeOf(code(rook)) != kTypeRook) return false;
    if (IsSquareAttacked(short_side ? from + 1 : from - 1, side_ ^ 1)) return false;
    kind = kFlagCastling;
  } else {
    if ((r & AttrReach(c)) == 0 || !path_empty()) return false;
  }
  if (quiescence && !is_tactical) return false;
  if (tactical) *tactical = is_tactical;
  flags = keep | kind;
  return true;
}

void Position::ClearHistory() { history_.fill(0); }

void Position::HalveHistory() {
  for (uint32_t& counter : history_) counter >>= 1;
}

void Position::SortPieceOrder() {
  for (int side = 0; side < 2; ++side) {
    auto& list = order_[side];
    for (int i = 0; i < count_[side]; ++i) list[i] = KingHandle(side) + 4 * i;
    for (int pass = count_[side] - 1; pass > 0; --pass)
      for (int i = 0; i < pass; ++i)
        if (history_[Slot(list[i])] > history_[Slot(list[i + 1])]) std::swap(list[i], list[i + 1]);
  }
}

}  // namespace zh::zelko2

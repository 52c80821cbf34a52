// The piece routines of the incremental evaluation. A routine adds a piece's square
// value and its terms with the pieces around it from its owner's view; the same
// routine run in the opponent's frame takes them away. Terms between two pieces are
// counted by both pieces' routines with the same value, so that the order of the
// moves does not change them; the few terms marked as order terms are move bonuses
// or read squares whose changes no routine follows.
#include <bit>
#include <cstring>

#include "enginemodule/zelkohome2/core/eval_tables.h"
#include "enginemodule/zelkohome2/core/position.h"

namespace zh::zelko2 {
namespace {

constexpr int kBishopPair = 48;
constexpr uint32_t kDarkSquares = 0xAA55AA55u;  // bit r of byte f: (f + r) even, a1 dark

// Rank r of a side's own view, and the index of a square in the owner's tables.
constexpr int Rel(int side, int r) { return side == kWhite ? r : 7 - r; }
constexpr int RelIndex(int side, int f, int r) { return Rel(side, r) * 8 + f; }
// Mask bits of the ranks ahead of rank r for a side.
constexpr uint8_t Ahead(int side, int r) {
  return side == kWhite ? static_cast<uint8_t>(0xFE << r) : static_cast<uint8_t>((1 << r) - 1);
}

// Square colours held by 8 file bytes: bit 0 dark, bit 1 light.
int Colours(const uint8_t* files) {
  uint64_t all;  // file a in the low byte
  std::memcpy(&all, files, sizeof all);
  const uint32_t both = static_cast<uint32_t>(all) | static_cast<uint32_t>(all >> 32);  // files f and f + 4 alike
  return ((both & kDarkSquares) ? 1 : 0) | ((both & ~kDarkSquares) ? 2 : 0);
}

// Dark in the owner's view: the rank mirror turns the colours over for black.
constexpr bool DarkFor(int side, int f, int r) { return ((f + Rel(side, r)) & 1) == 0; }

int ColourWeight(int side, int f, int r) { return tables::At(tables::kColourWeight, f, Rel(side, r)); }

}  // namespace

void Position::PieceRoutine(Handle h, Square s, int32_t& eval, uint64_t& key, bool capture_removal) {
  Update(h, s, eval, key);
  const int side = SideOf(h), f = FileOf(s), r = RankOf(s);
  int32_t v = 0;
  switch (TypeOf(code_[Slot(h)])) {
    case kTypePawn: PawnTerms(side, f, r, v); break;
    case kTypeKnight: KnightTerms(side, f, r, v); break;
    case kTypeBishop: BishopTerms(side, f, r, v, capture_removal); break;
    case kTypeRook:
      dirty_files_ |= static_cast<uint8_t>(1 << f);
      if (setup_.order_terms && Rel(side, r) == 6 && Rel(side, RankOf(king_square(side ^ 1))) == 7) v += 80;
      break;
    case kTypeQueen: QueenTerms(side, f, r, v); break;
    default:
      if (endgame_now_) {
        dirty_files_ = 0xFF;
        if (setup_.order_terms && Rel(side, r) == 0) {
          const int enemy_rook_rank = Rel(side, 1);
          for (int file = 0; file < 8; ++file)
            if (Has(kRook, side ^ 1, file, enemy_rook_rank)) {
              v -= 80;
              break;
            }
        }
      } else if (!setup_.order_terms) {
        dirty_files_ = 0xFF;  // king distances of passed pawns
      }
      break;
  }
  // Without the order terms every piece tells its file: blockers of passed pawns.
  if (!setup_.order_terms) dirty_files_ |= static_cast<uint8_t>(1 << f);
  eval += v;
}

void Position::PawnTerms(int side, int f, int r, int32_t& v) {
  const int enemy = side ^ 1, fw = side == kWhite ? 1 : -1;
  const auto& t = setup_;
  dirty_files_ |= static_cast<uint8_t>((7 << f) >> 1);
  // The last own pawn of a file keeps the enemy queen's open-file term in step.
  const uint8_t own_file = FileMask(kPawn, side, f);
  if ((own_file & ~(1 << r)) == 0) v += t.queen_file * BitsInByte(FileMask(kQueen, enemy, f));
  if (Has(kPawn, side, f - 1, r)) v += t.phalanx[side][RelIndex(side, f - 1, r)];
  if (Has(kPawn, side, f + 1, r)) v += t.phalanx[side][RelIndex(side, f, r)];
  for (int d : {-1, 1}) {
    // Support of an own knight one rank ahead, unless the other pawn supports it.
    if (Has(kKnight, side, f + d, r + fw) && !Has(kPawn, side, f + 2 * d, r)) v += 8;
    // The first pawn able to drive an enemy knight away takes its outpost value.
    const uint8_t knights = FileMask(kKnight, enemy, f + d) & 0x7E;
    if (t.order_terms && knights) {
      const int kr = side == kWhite ? std::countr_zero(knights) : 7 - std::countl_zero(knights);
      const uint8_t behind = Ahead(enemy, kr);  // the ranks ahead of the knight, seen from its owner
      const uint8_t others = static_cast<uint8_t>((own_file & ~(1 << r)) | FileMask(kPawn, side, f + 2 * d));
      if ((behind >> r & 1) && !(others & behind)) v += t.outpost[enemy][RelIndex(enemy, f + d, kr)];
    }
  }
  // Bad bishop: the pawn on the colour of the owner's only bishops.
  const int colours = Colours(&masks_[CodeOf(kBishop | (side == kBlack ? kBlackBit : 0)) >> 2][kMaskMargin]);
  if (colours == 1 || colours == 2) {
    const bool dark = (colours == 1) == (side == kWhite);
    v += dark ? -ColourWeight(side, f, r) : ColourWeight(side, f, r);
  }
  // Own bishops behind the pawn on its diagonals, each as the bishop counts the pawn.
  const bool front_taken = board(MakeSquare(f, r + fw)) != 0;
  struct Behind {
    int df, steps;
  };
  for (const Behind b : {Behind{2, 2}, Behind{1, 1}, Behind{-2, 2}, Behind{-1, 1}}) {
    if (!Has(kBishop, side, f + b.df, r - b.steps * fw)) continue;
    // A bishop on a higher file looks along the diagonal towards lower files.
    v -= (b.df > 0 ? t.block_lower : t.block_higher)[side][RelIndex(side, f, r)];
    if (b.steps == 1) v -= 8;
    if (t.order_terms && front_taken) v -= 16;
  }
}

void Position::KnightTerms(int side, int f, int r, int32_t& v) {
  const int enemy = side ^ 1, fw = side == kWhite ? 1 : -1;
  const auto& t = setup_;
  if (t.order_terms && t.knight_c3[side] && f == 2 && Rel(side, r) == 2 && Has(kPawn, side, 2, Rel(side, 1)) &&
      Has(kPawn, enemy, 3, Rel(side, 4)))
    v -= 40;
  if (Has(kPawn, side, f - 1, r - fw) || Has(kPawn, side, f + 1, r - fw)) {
    v += 8;
    if (t.order_terms) {
      if (FileMask(kPawn, enemy, f) == 0) v += 8;
      if (!((FileMask(kPawn, enemy, f - 1) | FileMask(kPawn, enemy, f + 1)) & Ahead(side, r)))
        v += t.outpost[side][RelIndex(side, f, r)];
    }
  }
  if (Has(kPawn, enemy, f, r + fw)) dirty_files_ |= static_cast<uint8_t>(1 << f);
  for (int d : {-1, 1}) {
    if (Has(kBishop, enemy, f + d, r + fw)) v -= 16;
    if (Has(kBishop, enemy, f + 2 * d, r + 2 * fw)) v -= 16;
  }
}

void Position::BishopTerms(int side, int f, int r, int32_t& v, bool capture_removal) {
  const int enemy = side ^ 1, fw = side == kWhite ? 1 : -1;
  const auto& t = setup_;
  if (t.order_terms && t.bishop_d3e3[side] && (f == 3 || f == 4) && Rel(side, r) == 2 &&
      Has(kPawn, side, f, Rel(side, 1)))
    v -= 48;
  auto taken = [&](int file, int rank) { return rank >= 0 && rank < 8 && board(MakeSquare(file, rank)) != 0; };
  for (int d : {-1, 1}) {
    const auto& block = d < 0 ? t.block_lower : t.block_higher;
    for (int steps = 1; steps <= 2; ++steps) {
      const int pf = f + steps * d, pr = r + steps * fw;
      if (Has(kPawn, side, pf, pr)) {
        v -= block[side][RelIndex(side, pf, pr)] + (steps == 1 ? 8 : 0);
        if (t.order_terms && taken(pf, pr + fw)) v -= 16;
      }
      if (Has(kKnight, enemy, pf, pr)) v += 16;
    }
  }
  if (!capture_removal) return;
  // The capturer's side: the owner's bishop pair is gone, and its bad-bishop term
  // turns to the bishops that remain (the routine runs in the capturer's frame).
  const int colours = Colours(&masks_[CodeOf(kBishop | (side == kBlack ? kBlackBit : 0)) >> 2][kMaskMargin]);
  const bool was_dark = ((f + r) & 1) == 0;
  if (colours & (was_dark ? 2 : 1)) v += kBishopPair;
  int32_t weights = 0;
  for (uint64_t pawns = type_word(kPawn, side); pawns != 0; pawns &= pawns - 1) {
    const int bit = std::countr_zero(pawns);  // file * 8 + rank
    weights += ColourWeight(side, bit >> 3, bit & 7);
  }
  v += DarkFor(side, f, r) ? -weights : weights;
}

void Position::QueenTerms(int side, int f, int r, int32_t& v) {
  const int enemy = side ^ 1, fw = side == kWhite ? 1 : -1;
  if (FileMask(kPawn, enemy, f) == 0) v += setup_.queen_file;
  if (Has(kPawn, enemy, f, r + fw)) dirty_files_ |= static_cast<uint8_t>(1 << f);
  if (setup_.order_terms && !(FileMask(kPawn, side, f) & Ahead(side, r))) v += 16;
}

int32_t Position::CastlingPenalty(int side, bool king_side) const {
  const int enemy = side ^ 1, r1 = Rel(side, 1), r2 = Rel(side, 2);
  auto shield = [&](int f) { return Has(kPawn, side, f, r1) || Has(kPawn, side, f, r2); };
  auto open = [&](int f) {
    if (FileMask(kPawn, enemy, f) != 0) return 0;
    return FileMask(kRook, enemy, f) != 0 ? -128 : -64;
  };
  if (king_side) return (shield(7) ? 0 : -48) + (shield(6) ? 0 : -64) + open(7) + open(6);
  return (shield(0) ? 0 : -64) + (shield(1) ? 0 : -96) + (shield(2) ? 0 : -64) + open(0) + open(1) + open(2);
}

void Position::ArriveRoutine(Handle h, Square s, int32_t& eval, uint64_t& key, Handle captured, int kind) {
  const int type = TypeOf(code_[Slot(h)]);
  if (!setup_.order_terms || (type != kTypeQueen && type != kTypeKing)) {
    PieceRoutine(h, s, eval, key);
    return;
  }
  if (type == kTypeQueen) {
    eval -= 8;  // every queen move costs a little
    PieceRoutine(h, s, eval, key);
    return;
  }
  const int side = SideOf(h), enemy = side ^ 1;
  const int32_t a = setup_.king_move;
  const int rights = side == kWhite ? (kWhiteLong | kWhiteShort) : (kBlackLong | kBlackShort);
  bool bare = false;
  if (kind == kFlagCastling) {
    eval += CastlingPenalty(side, FileOf(s) == 6) - a;
  } else if (records_[ply_].castling & rights) {
    // While the enemy queen is gone, a king that gives up castling is in the endgame.
    const Handle queen = KingHandle(enemy) + 4;
    if (queen >= list_end(enemy) || square(queen) == kNoSquare || queen == captured) {
      endgame_now_ = true;
      bare = true;
    } else {
      eval += 2 * a;
    }
  }
  if (!bare) eval += a;
  PieceRoutine(h, s, eval, key);
  if (bare) eval += 4096 - piece_square_[code_[Slot(h)] >> 2][s];
}

void Position::LeaveRoutine(Handle h, Square s, int32_t& eval, uint64_t& key, bool capture_removal) {
  if (setup_.order_terms && TypeOf(code_[Slot(h)]) == kTypePawn) eval -= setup_.pawn_move[SideOf(h)][FileOf(s)];
  PieceRoutine(h, s, eval, key, capture_removal);
}

int32_t Position::PlacementValue() const {
  Position p = *this;
  for (auto& row : p.masks_) row.fill(0);
  p.endgame_now_ = (current().castling & kEndgameBit) != 0;
  int32_t white_view = 0;
  // Pawns last: their bad-bishop term reads the bishops already placed.
  for (bool pawns : {false, true}) {
    for (int side = 0; side < 2; ++side) {
      for (Handle h = KingHandle(side); h < list_end(side); h += 4) {
        const Square s = square(h);
        if (s == kNoSquare || (TypeOf(code(h)) == kTypePawn) != pawns) continue;
        int32_t v = 0;
        uint64_t key = 0;
        p.PieceRoutine(h, s, v, key);
        white_view += side == kWhite ? v : -v;
      }
    }
  }
  for (int side = 0; side < 2; ++side) {
    const int colours = Colours(&masks_[CodeOf(kBishop | (side == kBlack ? kBlackBit : 0)) >> 2][kMaskMargin]);
    if (colours == 3) white_view += side == kWhite ? kBishopPair : -kBishopPair;
  }
  return white_view;
}

}  // namespace zh::zelko2

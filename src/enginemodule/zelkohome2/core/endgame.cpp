#include "enginemodule/zelkohome2/core/endgame.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>

#include "enginemodule/zelkohome2/core/endgame_tables.h"

namespace zh::zelko2 {
namespace {

using Bitboard = uint64_t;

constexpr int Sq(int file, int rank) { return rank * 8 + file; }
constexpr int FileOf64(int s) { return s & 7; }
constexpr int RankOf64(int s) { return s >> 3; }
constexpr int FlipRank(int s) { return s ^ 56; }
constexpr int FlipFile(int s) { return s ^ 7; }
constexpr Bitboard Bit(int s) { return Bitboard{1} << s; }
int Distance(int a, int b) {
  return std::max(std::abs(FileOf64(a) - FileOf64(b)), std::abs(RankOf64(a) - RankOf64(b)));
}
bool Adjacent(int a, int b) { return a != b && Distance(a, b) == 1; }
bool WhitePawnAttacks(int pawn, int s) {
  return RankOf64(s) == RankOf64(pawn) + 1 && std::abs(FileOf64(s) - FileOf64(pawn)) == 1;
}

// Calls fn(square) for each step of a king that stays on the board.
template <typename Fn>
void ForEachKingStep(int king, Fn&& fn) {
  for (int df = -1; df <= 1; ++df)
    for (int dr = -1; dr <= 1; ++dr) {
      const int f = FileOf64(king) + df, r = RankOf64(king) + dr;
      if ((df || dr) && f >= 0 && f < 8 && r >= 0 && r < 8) fn(Sq(f, r));
    }
}

// Ranks r-1 and r as a mask, limited to ranks 2..7: an own pawn there on an adjacent
// file stands beside or one rank behind.
constexpr uint8_t kRankPair[8] = {0, 2, 6, 12, 24, 48, 96, 64};

// The material of one position as the recognisers read it.
struct Material {
  const Position& p;
  int mover;
  const uint8_t* Masks(int engine_code) const { return p.type_file_masks(CodeOf(engine_code)); }
  int Count(int engine_code) const {
    const uint8_t* m = Masks(engine_code);
    int n = 0;
    for (int f = 0; f < 8; ++f) n += BitsInByte(m[f]);
    return n;
  }
  bool Has(int engine_code) const {
    const uint8_t* m = Masks(engine_code);
    uint8_t any = 0;
    for (int f = 0; f < 8; ++f) any |= m[f];
    return any != 0;
  }
  Bitboard Bits(int engine_code) const {
    const uint8_t* m = Masks(engine_code);
    Bitboard b = 0;
    for (int f = 0; f < 8; ++f)
      for (unsigned ranks = m[f]; ranks != 0; ranks &= ranks - 1) b |= Bit(Sq(f, std::countr_zero(ranks)));
    return b;
  }
  int King(int side) const { return ToSquare64(p.king_square(side)); }
  int to_move() const { return mover ^ 1; }
};

constexpr int kWhitePawn = kPawn, kBlackPawn = kPawn | kBlackBit;

// Result of a recogniser: a shift from white's view, a draw, or a value from the mover's view.
struct Verdict {
  enum Kind { kShift, kDrawn, kSet } kind = kShift;
  int32_t amount = 0;
};
Verdict Shift(int32_t a) { return {Verdict::kShift, a}; }
Verdict Drawn() { return {Verdict::kDrawn, 0}; }
Verdict SetValue(int32_t v) { return {Verdict::kSet, v}; }

// --- King and pawn against king --------------------------------------------------

// Normalised KPK: pawn side as white on files a-d; `white_to_move` in that frame.
// Returns the value from the pawn side's view.
int32_t Kpk(int pawn, int wk, int bk, bool white_to_move) {
  if (FileOf64(pawn) > 3) {
    pawn = FlipFile(pawn);
    wk = FlipFile(wk);
    bk = FlipFile(bk);
  }
  const int r = RankOf64(pawn);
  if (white_to_move) {
    if (!KpkWon(pawn, wk, bk)) return 0;
    if (Adjacent(wk, bk) || WhitePawnAttacks(pawn, bk)) return 0;  // the mover left its king attacked
    return 1216 + 64 * r;
  }
  bool legal_step = false, escape = false;
  ForEachKingStep(bk, [&](int s) {
    if (!KpkWon(pawn, wk, s)) escape = true;
    if (s != wk && !Adjacent(s, wk) && !WhitePawnAttacks(pawn, s) && !(s == pawn && Adjacent(wk, pawn)))
      legal_step = true;
  });
  // No legal step is a stalemate: king and pawn alone cannot mate.
  return escape || !legal_step ? 0 : 1152 + 128 * r;
}

// --- Blocked pawns: king and pawn against king and pawn ---------------------------

// Normalised: white has just moved, black to move; white pawn below the black one.
// Returns the value from white's view.
int32_t Kpkp(int pawn, int wk, int bk) {
  if (FileOf64(pawn) > 3) {
    pawn = FlipFile(pawn);
    wk = FlipFile(wk);
    bk = FlipFile(bk);
  }
  if (KpkpWon(pawn, wk, bk)) return 1216;
  const int black_pawn = pawn + 8;
  bool black_wins = false;
  ForEachKingStep(bk, [&](int s) {
    if (s == wk || Adjacent(s, wk) || WhitePawnAttacks(pawn, s)) return;
    // Sides exchanged: black's pawn becomes the white one.
    if (KpkpWon(FlipRank(black_pawn), FlipRank(s), FlipRank(wk))) black_wins = true;
  });
  return black_wins ? -1216 : 0;
}

// --- Pawn race ------------------------------------------------------------------

struct RaceSide {
  Bitboard own, enemy;
  int king, enemy_king;
  bool to_move;
};

// One side's terms from its own view (pawns as white: towards rank 8), and its best
// race value.
int32_t RaceTerms(const RaceSide& s, int& best) {
  int32_t total = 0;
  // The pawns of a file as a rank mask (bit r = rank index r); none off the board.
  auto pawns_on = [](Bitboard b, int f) {
    uint8_t m = 0;
    if (f >= 0 && f <= 7)
      for (int r = 0; r < 8; ++r) m |= static_cast<uint8_t>(((b >> Sq(f, r)) & 1) << r);
    return m;
  };
  for (int f = 0; f < 8; ++f) {
    const uint8_t file = pawns_on(s.own, f);
    if (!file) continue;
    total += 96;
    const int r = std::bit_width(file) - 1;  // most advanced pawn
    const int pawn = Sq(f, r);
    const uint8_t ahead = static_cast<uint8_t>(0xFF << (r + 1));
    const uint8_t two_ahead = r + 2 <= 7 ? static_cast<uint8_t>(0xFF << (r + 2)) : 0;
    const bool passed = !(pawns_on(s.enemy, f) & ahead) && !(pawns_on(s.enemy, f - 1) & two_ahead) &&
                        !(pawns_on(s.enemy, f + 1) & two_ahead);
    const int enemy_moves = s.to_move ? 0 : 1, own_moves = s.to_move ? 1 : 0;
    const bool enemy_closer = Distance(s.enemy_king, pawn) - enemy_moves < Distance(s.king, pawn) - own_moves;
    if (!passed) {
      const bool guarded = (pawns_on(s.own, f - 1) | pawns_on(s.own, f + 1)) & (r > 0 ? 1 << (r - 1) : 0);
      if (!guarded && enemy_closer) total -= 80;
      continue;
    }
    total += 96;
    const int promotion = Sq(f, 7);
    auto race_value = [&] {
      int v = 2 * r + 12 + (s.to_move ? 1 : 0);
      if (RankOf64(s.king) > r && FileOf64(s.king) == f) v -= 2;
      best = std::max(best, v);
    };
    auto escorted = [&] {
      for (int rr = r + 1; rr <= 7; ++rr) {
        int sq = Sq(f, rr);
        if (Distance(s.enemy_king, sq) - enemy_moves < Distance(s.king, sq) - own_moves) return false;
      }
      return true;
    };
    const int steps = (s.to_move ? 7 : 8) - r;
    if (steps < Distance(s.enemy_king, promotion)) {
      race_value();
    } else if ((pawns_on(s.own, f - 1) | pawns_on(s.own, f + 1)) & kRankPair[r]) {
      total += 96;
      if (escorted()) race_value();
    } else if (enemy_closer) {
      total -= 288;
    } else if (escorted()) {
      race_value();
    }
  }
  return total;
}

Bitboard FlipRanks(Bitboard b) { return __builtin_bswap64(b); }

int32_t Race(const Material& m) {
  const Bitboard white = m.Bits(kWhitePawn), black = m.Bits(kBlackPawn);
  const int wk = m.King(kWhite), bk = m.King(kBlack);
  int best_white = 0, best_black = 0;
  int32_t a = RaceTerms({white, black, wk, bk, m.to_move() == kWhite}, best_white);
  a -= RaceTerms({FlipRanks(black), FlipRanks(white), FlipRank(bk), FlipRank(wk), m.to_move() == kBlack}, best_black);
  if (best_white - best_black < 2) a -= 64 * best_black;
  if (best_white - best_black >= -2) a += 64 * best_white;
  return a;
}

// --- Pawn endings -----------------------------------------------------------------

Verdict PawnEnding(const Material& m, int white_pawns, int black_pawns) {
  if (white_pawns + black_pawns == 0) return Drawn();
  const int wk = m.King(kWhite), bk = m.King(kBlack);
  if (white_pawns + black_pawns == 1) {
    const bool white_pawn = white_pawns == 1;
    int pawn = std::countr_zero(m.Bits(white_pawn ? kWhitePawn : kBlackPawn));
    int32_t v = white_pawn ? Kpk(pawn, wk, bk, m.to_move() == kWhite)
                           : Kpk(FlipRank(pawn), FlipRank(bk), FlipRank(wk), m.to_move() == kBlack);
    const int pawn_side = white_pawn ? kWhite : kBlack;
    if (v == 0) return Drawn();
    return SetValue(m.mover == pawn_side ? v : -v);
  }
  if (white_pawns == 1 && black_pawns == 1) {
    int w = std::countr_zero(m.Bits(kWhitePawn)), b = std::countr_zero(m.Bits(kBlackPawn));
    if (b == w + 8) {
      int32_t v = m.mover == kWhite ? Kpkp(w, wk, bk) : Kpkp(FlipRank(b), FlipRank(bk), FlipRank(wk));
      return v == 0 ? Drawn() : SetValue(v);
    }
  }
  return Shift(Race(m));
}

// --- Bishops ----------------------------------------------------------------------

bool LightSquare(int s) { return (FileOf64(s) + RankOf64(s)) & 1; }

// White bishop and pawns against a bare king: pawns only on the a-file with a bishop
// that does not cover a8, or only on the h-file with one that does not cover h8.
bool WrongBishopDraw(Bitboard pawns, int bishop, int wk, int bk, bool black_to_move) {
  constexpr Bitboard kFileA = 0x0101010101010101ull, kFileH = kFileA << 7;
  int corner;
  if ((pawns & ~kFileA) == 0 && !LightSquare(bishop))
    corner = Sq(0, 7);
  else if ((pawns & ~kFileH) == 0 && LightSquare(bishop))
    corner = Sq(7, 7);
  else
    return false;
  const int top = 63 - std::countl_zero(pawns);
  const int d = std::min(7 - RankOf64(top), 5) + (black_to_move ? 1 : 0);
  const int black = Distance(bk, corner);
  return black <= d && Distance(wk, corner) + (black_to_move ? 1 : 0) > black;
}

Verdict LoneBishop(const Material& m, int white_pawns, int black_pawns, bool white_bishop) {
  if (white_pawns + black_pawns == 0) return Drawn();
  const int own = white_bishop ? white_pawns : black_pawns, other = white_bishop ? black_pawns : white_pawns;
  if (own == 0) return Shift(white_bishop ? -560 : 560);
  if (other != 0) return Shift(0);
  // The wrong-bishop test in the frame of the bishop's side.
  Bitboard pawns = m.Bits(white_bishop ? kWhitePawn : kBlackPawn);
  int bishop = std::countr_zero(m.Bits(white_bishop ? kBishop : kBishop | kBlackBit));
  int wk = m.King(kWhite), bk = m.King(kBlack);
  bool defender_to_move = m.to_move() != (white_bishop ? kWhite : kBlack);
  if (!white_bishop) {
    pawns = FlipRanks(pawns);
    bishop = FlipRank(bishop);
    std::swap(wk, bk);
    wk = FlipRank(wk);
    bk = FlipRank(bk);
  }
  return WrongBishopDraw(pawns, bishop, wk, bk, defender_to_move) ? Drawn() : Shift(0);
}

int32_t OppositeBishops(const Material& m, int white_pawns, int black_pawns) {
  int32_t a = 128 * (black_pawns - white_pawns);
  if (white_pawns == black_pawns) return a;
  const bool white_stronger = white_pawns > black_pawns;
  const Bitboard strong = m.Bits(white_stronger ? kWhitePawn : kBlackPawn);
  const Bitboard weak = m.Bits(white_stronger ? kBlackPawn : kWhitePawn);
  const int bishop = std::countr_zero(m.Bits(white_stronger ? kBishop : kBishop | kBlackBit));
  constexpr Bitboard kLight = 0x55AA55AA55AA55AAull;
  const Bitboard own_colour = LightSquare(bishop) ? kLight : ~kLight;
  constexpr Bitboard kFileA = 0x0101010101010101ull;
  int32_t terms = 0;
  for (int f = 0; f < 8; ++f) {
    const Bitboard file = kFileA << f;
    for (Bitboard colour : {own_colour, ~own_colour}) {
      const bool on_c = colour == own_colour;
      if (strong & file & colour) terms += on_c ? -16 : 16;
      if (weak & file & colour) terms += on_c ? 16 : -16;
    }
  }
  return a + (white_stronger ? terms : -terms);
}

// --- Rook and pawn against rook -----------------------------------------------------

int32_t RookPawnAgainstRook(const Material& m, int white_pawns, int black_pawns) {
  if (white_pawns + black_pawns != 1 || m.Count(kRook) != 1 || m.Count(kRook | kBlackBit) != 1) return 0;
  const bool white = white_pawns == 1;
  const int pawn = std::countr_zero(m.Bits(white ? kWhitePawn : kBlackPawn));
  const int rook = std::countr_zero(m.Bits(white ? kRook : kRook | kBlackBit));
  const int king = m.King(white ? kWhite : kBlack), defender = m.King(white ? kBlack : kWhite);
  int pf = FileOf64(pawn), rf = FileOf64(rook), kf = FileOf64(king), df = FileOf64(defender);
  if (df < pf) {
    pf = 7 - pf;
    rf = 7 - rf;
    kf = 7 - kf;
    df = 7 - df;
  }
  if (rf > pf && rf < df && std::abs(kf - pf) <= 2) return white ? 256 : -256;
  return 0;
}

// --- Queen against a pawn on its seventh rank ---------------------------------------

constexpr Bitboard Box(int f0, int f1, int r0, int r1) {  // files a=0, ranks 1..8
  Bitboard b = 0;
  for (int f = f0; f <= f1; ++f)
    for (int r = r0; r <= r1; ++r) b |= Bit(Sq(f, r - 1));
  return b;
}
constexpr Bitboard S(int f, int r) { return Bit(Sq(f, r - 1)); }
enum : int { a, b, c, d, e, f, g, h };

struct QueenDraw {
  int pawn;            // square of the white pawn
  bool queen_to_move;  // the queen's side to move
  Bitboard white_king, black_king_not, queen_not;
};

constexpr Bitboard kA7Q = Box(a, d, 5, 8), kA7P = Box(a, d, 4, 8) | Box(e, e, 5, 8);
constexpr Bitboard kC7Q1 = Box(a, c, 6, 8) | S(d, 7) | S(d, 8), kC7Q2 = Box(a, d, 5, 8) | Box(e, f, 6, 8);
constexpr Bitboard kC7P1 = Box(a, c, 5, 8) | Box(d, e, 6, 8), kC7P2 = Box(a, d, 4, 8) | Box(f, h, 5, 8);
constexpr Bitboard kF7Q1 = Box(e, h, 6, 8), kF7Q2 = Box(c, d, 6, 8) | Box(e, h, 5, 8);
constexpr Bitboard kF7P1 = Box(d, d, 6, 8) | Box(e, h, 5, 8), kF7P2 = Box(a, c, 5, 8) | Box(e, h, 4, 8);
constexpr Bitboard kH7Q = Box(e, h, 5, 8), kH7P = Box(d, d, 5, 8) | Box(e, h, 4, 8);
constexpr Bitboard kLongDiagonal = S(a, 3) | S(b, 4) | S(c, 5) | S(d, 6) | S(e, 7) | S(f, 8);

constexpr QueenDraw kQueenDraws[] = {
    {Sq(a, 6), true, S(b, 7) | S(b, 8), kA7Q, 0},
    {Sq(a, 6), true, S(a, 8), kA7Q, S(c, 8)},
    {Sq(a, 6), false, S(b, 7) | S(b, 8), kA7P, 0},
    {Sq(a, 6), false, S(a, 8), kA7P, S(a, 6) | S(d, 7) | Box(c, c, 1, 8) | S(e, 6) | S(f, 5) | S(g, 4) | S(h, 3)},
    {Sq(c, 6), true, S(b, 7) | S(b, 8), kC7Q1, 0},
    {Sq(c, 6), true, S(a, 8), kC7Q1, S(c, 8)},
    {Sq(c, 6), true, S(c, 8) | S(d, 7) | S(d, 8), kC7Q2, 0},
    {Sq(c, 6), false, S(b, 7) | S(b, 8), kC7P1, 0},
    {Sq(c, 6), false, S(a, 8), kC7P1, S(c, 8) | S(d, 7) | S(e, 6) | S(f, 5) | S(g, 4) | S(h, 3)},
    {Sq(c, 6), false, S(c, 8) | S(d, 7) | S(d, 8), kC7P2, 0},
    {Sq(f, 6), true, S(g, 7) | S(g, 8), kF7Q1, 0},
    {Sq(f, 6), true, S(h, 8), kF7Q1, S(f, 8)},
    {Sq(f, 6), true, S(e, 8) | S(f, 8), kF7Q2, 0},
    {Sq(f, 6), false, S(g, 7) | S(g, 8), kF7P1, 0},
    {Sq(f, 6), false, S(h, 8), kF7P1, kLongDiagonal},
    {Sq(f, 6), false, S(e, 8) | S(f, 8), kF7P2, 0},
    {Sq(h, 6), true, S(g, 7) | S(g, 8), kH7Q, 0},
    {Sq(h, 6), true, S(h, 8), kH7Q, S(f, 8)},
    {Sq(h, 6), false, S(g, 7) | S(g, 8), kH7P, 0},
    {Sq(h, 6), false, S(h, 8), kH7P, (kLongDiagonal & ~S(f, 8)) | Box(f, f, 1, 8) | S(h, 6)},
};

// Queen of `queen_side` against a lone pawn of the other side on its seventh rank.
Verdict QueenAgainstPawn(const Material& m, int white_pawns, int black_pawns, int queen_side) {
  const int pawn_side = queen_side ^ 1;
  if (white_pawns + black_pawns != 1 || (pawn_side == kWhite ? white_pawns : black_pawns) != 1) return Shift(0);
  int pawn = std::countr_zero(m.Bits(pawn_side == kWhite ? kWhitePawn : kBlackPawn));
  int queen = std::countr_zero(m.Bits(queen_side == kWhite ? kQueen : kQueen | kBlackBit));
  int pawn_king = m.King(pawn_side), queen_king = m.King(queen_side);
  if (pawn_side == kBlack) {
    pawn = FlipRank(pawn);
    queen = FlipRank(queen);
    pawn_king = FlipRank(pawn_king);
    queen_king = FlipRank(queen_king);
  }
  const bool queen_to_move = m.to_move() == queen_side;
  for (const QueenDraw& row : kQueenDraws) {
    if (row.pawn != pawn || row.queen_to_move != queen_to_move) continue;
    if ((row.white_king & Bit(pawn_king)) && !(row.black_king_not & Bit(queen_king)) && !(row.queen_not & Bit(queen)))
      return Drawn();
  }
  return Shift(0);
}

// --- The recognisers by index --------------------------------------------------------

Verdict Recognise(const Material& m, int index, int wp, int bp) {
  const bool wn = m.Has(kKnight), bn = m.Has(kKnight | kBlackBit);
  const bool wb = m.Has(kBishop), bb = m.Has(kBishop | kBlackBit);
  const bool wr = m.Has(kRook), br = m.Has(kRook | kBlackBit);
  switch (index) {
    case 0: return PawnEnding(m, wp, bp);
    case 5: return wp + bp == 0 ? Drawn() : Shift(wp == 0 ? -560 : 0);
    case 7: return wp + bp == 0 ? Drawn() : Shift(bp == 0 ? 560 : 0);
    case 10: return Shift(wp == 0 ? (bp ? -1056 : -1440) : 0);
    case 14: return Shift(bp == 0 ? (wp ? 1056 : 1440) : 0);
    case 11: return LoneBishop(m, wp, bp, true);
    case 13: return LoneBishop(m, wp, bp, false);
    case 17: return !wr && wp + bp == 0 ? Drawn() : Shift(0);
    case 19: return !br && wp + bp == 0 ? Drawn() : Shift(0);
    case 23: return Shift(wp == 0 ? -576 + 128 * bp : 0);
    case 25: return Shift(bp == 0 ? 576 - 128 * wp : 0);
    case 24:
      if (wb && bb) {
        int w = std::countr_zero(m.Bits(kBishop)), b = std::countr_zero(m.Bits(kBishop | kBlackBit));
        return Shift(LightSquare(w) != LightSquare(b) ? OppositeBishops(m, wp, bp) : 0);
      }
      if (wr && bn) return Shift(bp == 0 ? 288 : 0);
      if (wn && br) return Shift(wp == 0 ? -288 : 0);
      return Shift(0);
    case 29:
      if (m.Has(kQueen)) return QueenAgainstPawn(m, wp, bp, kWhite);
      return Shift(wb && wp == 0 ? -640 : 0);
    case 31:
      if (m.Has(kQueen | kBlackBit)) return QueenAgainstPawn(m, wp, bp, kBlack);
      return Shift(bb && bp == 0 ? 640 : 0);
    case 30:
      if (wr) return Shift(wp ? 32 : -352);
      if (br) return Shift(bp ? -32 : 352);
      return Shift(0);
    case 36: return Shift(wr && br ? RookPawnAgainstRook(m, wp, bp) : 0);
    case 41: return Shift(wr && wn && br && wp == 0 ? -576 + 128 * bp : 0);
    case 43: return Shift(wr && br && bn && bp == 0 ? 576 - 128 * wp : 0);
    default: return Shift(0);
  }
}

}  // namespace

int32_t EvaluateEndgame(const Position& position, uint32_t signature, int mover, int32_t value) {
  const int index = static_cast<int>(signature & 0xFF);
  if (index > 43) return value;
  const int white_pawns = (signature >> 8) & 15, black_pawns = (signature >> 12) & 15;
  const Material m{position, mover};
  const Verdict v = Recognise(m, index, white_pawns, black_pawns);
  switch (v.kind) {
    case Verdict::kDrawn: return 0;
    case Verdict::kSet: return v.amount;
    default: return mover == kWhite ? value + v.amount : value - v.amount;
  }
}

}  // namespace zh::zelko2

namespace zh::zelko2 {

// MakeMove's hook: the child record holds the new signature, the side to move is
// still the mover.
int32_t Position::EvaluateEndgame(int /*index*/, int32_t value) const {
  return zelko2::EvaluateEndgame(*this, records_[ply_ + 1].signature, side_, value);
}

}  // namespace zh::zelko2

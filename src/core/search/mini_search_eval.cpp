// The small search's move generation, which also sums each side's mobility and attack
// terms, and its static evaluation.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/search/mini_search.h"
#include "core/search/mini_search_board.h"
#include "core/search/mini_search_tables.h"

namespace zh {

using namespace mini;

namespace {

int Distance(int a, int b) {
  return std::max(std::abs((a >> 4) - (b >> 4)), std::abs((a & 7) - (b & 7)));
}

const Table& BaseTable(int type) {
  switch (type) {
    case 0:
      return kQueenTable;
    case 1:
      return kRookTable;
    case 2:
      return kBishopTable;
    case 3:
      return kKnightTable;
    default:
      return kPawnTable;
  }
}

}  // namespace

bool MiniSearch::CoveredByPawn(int sq, int white) const {
  const int back = white ? -16 : 16;
  const uint8_t pawn = white ? kWP : kBP;
  for (int d : {back - 1, back + 1}) {
    const int t = sq + d;
    if ((t & 0x88) == 0 && board_[t] == pawn) return true;
  }
  return false;
}

void MiniSearch::PrepareRoot() {
  PrepareTables();
  PrepareSums();
}

void MiniSearch::PrepareTables() {
  int pawnsOnFile[2][8] = {};
  for (int s = 0; s < 128; ++s)
    if (!(s & 0x88) && TypeIndex(board_[s]) == 4 && board_[s] != kNone)
      ++pawnsOnFile[IsWhite(board_[s])][s & 7];
  std::memset(table_, 0, sizeof table_);
  for (int white = 0; white < 2; ++white) {
    const int enemyKing = list_[!white][15];
    for (int type = 0; type < 5; ++type) {
      const int code = white ? type : 12 - type;
      for (int s = 0; s < 128; ++s) {
        if (s & 0x88) continue;
        int v = BaseTable(type)[TableIndex(s, white)];
        if (type == 3) v += kNearKing[Distance(s, enemyKing)];
        if (type == 0) v += kNearKing[Distance(s, enemyKing)] / 2;
        if (type == 1 && pawnsOnFile[white][s & 7] == 0)
          v += pawnsOnFile[!white][s & 7] == 0 ? kRookOpen : kRookHalfOpen;
        table_[code][s] = static_cast<int16_t>(v);
      }
    }
    // The king: the castled squares while the right is kept.
    const int king = white ? kWK : kBK, home = white ? 0 : 112;
    if (castling_ & (white ? 2 : 8)) table_[king][home + 6] = kCastledSquare;
    if (castling_ & (white ? 1 : 4)) table_[king][home + 2] = kCastledSquare;
    for (int s = 0; s < 128; ++s) {
      if (s & 0x88) continue;
      int v = kReach[TableIndex(s, white)];
      if (Distance(s, enemyKing) == 1) v += kReachNearKing;
      reach_[white][s] = static_cast<uint8_t>(v);
    }
    // Queen flag: the queen at home with at least two minor pieces still at home.
    const int d1 = home + 3;
    int minorsHome = 0;
    for (int f : {1, 2, 5, 6}) {
      const int t = TypeIndex(board_[home + f]);
      if ((t == 2 || t == 3) && board_[home + f] != kNone &&
          IsWhite(board_[home + f]) == (white == 1))
        ++minorsHome;
    }
    queenFlag_[white] = board_[d1] == (white ? kWQ : kBQ) && minorsHome >= kQueenFlagMinors;
  }
  pawnFactor_ =
      pieceMaterial_[0] >= 2240 && pieceMaterial_[1] >= 2240 ? kPawnFactorMiddle : kPawnFactorEnd;
}

// The incremental sums, pawn marks and both sides' mobility of the position on the board.
void MiniSearch::PrepareSums() {
  squares_[0] = squares_[1] = 0;
  for (int white = 0; white < 2; ++white)
    for (int slot = 0; slot < 16; ++slot) {
      const int s = list_[white][slot];
      if (s != kNoSquare)
        squares_[white] = static_cast<int16_t>(squares_[white] + table_[board_[s]][s]);
    }
  std::memset(passed_, 0, sizeof passed_);
  std::memset(weak_, 0, sizeof weak_);
  PawnEval();
  // Both sides' mobility for the root's first evaluation.
  whiteToMove_ = !whiteToMove_;
  Generate(0, false, 0);
  whiteToMove_ = !whiteToMove_;
  Generate(0, false, 0);
  overflow_ = false;
}

uint8_t MiniSearch::Key(int from, int to, uint8_t flags, int ply) const {
  const Ply& p = plies_[ply];
  const int mover = TypeIndex(board_[from]);
  int key = 0;
  if (flags & kFEp) {
    key = 16 + kVictimClass[4] - kAttackerClass[4];
  } else if (flags & kFCastle) {
    key = 16 + kVictimClass[6] - kAttackerClass[5];
  } else if (flags & kFCapture) {
    key = kVictimClass[TypeIndex(board_[to])] - kAttackerClass[mover];
  }
  if (flags & kFPromo) {
    constexpr int kPromotionBonus[4] = {40, 8, 8, 16};  // queen, rook, bishop, knight
    key += kPromotionBonus[flags & 3];
  }
  auto same = [&](const Move& m) { return m.from == from && m.to == to && m.flags == flags; };
  if (same(p.killers[0])) key += ply == 0 ? 128 : (p.afterNull ? 16 : 24);
  if (same(p.killers[1]))
    key += 16;
  else if (same(p.killers[2]))
    key += 8;
  else if (p.lastTo >= 0 && counter_[whiteToMove_][p.lastTo] == (from | (to << 8)))
    key += 8;
  if (same(p.mateMove)) key += 16;
  return static_cast<uint8_t>(std::clamp(key, 0, 255));
}

int MiniSearch::Generate(int first, bool capturesOnly, int ply) {
  int n = first;
  const int white = whiteToMove_;
  const uint8_t* b = board_;
  const uint8_t* reach = reach_[white];
  auto own = [white](int c) { return white ? IsWhite(c) : IsBlack(c); };
  auto enemy = [white](int c) { return white ? IsBlack(c) : IsWhite(c); };
  auto push = [&](int from, int to, uint8_t flags) {
    if (n >= kStackSize) {
      overflow_ = true;
      return;
    }
    stack_[n++] = Move{static_cast<uint8_t>(from), static_cast<uint8_t>(to), flags,
                       Key(from, to, flags, ply)};
  };
  auto pushPawn = [&](int from, int to, uint8_t flags) {
    if ((to >> 4) == 0 || (to >> 4) == 7) {
      // Under-promotions only in the full search.
      for (uint8_t p = 0; p < (capturesOnly ? 1 : 4); ++p) push(from, to, flags | kFPromo | p);
    } else {
      push(from, to, flags);
    }
  };
  int raw = 0;
  for (int slot = 15; slot >= 0; --slot) {
    const int sq = list_[white][slot];
    if (sq == kNoSquare) continue;
    const uint8_t c = b[sq];
    const int type = TypeIndex(c);
    switch (type) {
      case 4: {
        const int up = white ? 16 : -16;
        const int to = sq + up;
        const bool promotes = (to >> 4) == 0 || (to >> 4) == 7;
        if (b[to] == kNone && (!capturesOnly || promotes)) {
          pushPawn(sq, to, kFPawn);
          if (!capturesOnly && (sq >> 4) == (white ? 1 : 6) && b[to + up] == kNone)
            push(sq, to + up, kFPawn | kFDouble);
        }
        for (int d : {up - 1, up + 1}) {
          const int t = sq + d;
          if (t & 0x88) continue;
          if (b[t] != kNone && enemy(b[t]))
            pushPawn(sq, t, kFPawn | kFCapture);
          else if (t == ep_)
            push(sq, t, kFPawn | kFCapture | kFEp);
        }
        break;
      }
      case 3:
      case 5: {
        const int* steps = type == 3 ? kKnightSteps : kKingSteps;
        for (int i = 0; i < 8; ++i) {
          const int t = sq + steps[i];
          if (t & 0x88) continue;
          if (type == 3) raw += reach[t];
          if (b[t] == kNone) {
            if (!capturesOnly) push(sq, t, 0);
          } else if (enemy(b[t])) {
            push(sq, t, kFCapture);
            if (type == 3 && !CoveredByPawn(t, !white)) raw += kUncoveredTarget;
          }
        }
        if (type == 5 && !capturesOnly) {
          const int home = white ? 4 : 116;
          const uint8_t shortRight = white ? 2 : 8, longRight = white ? 1 : 4;
          if (sq == home && (castling_ & (shortRight | longRight)) && !Attacked(home, !white)) {
            if ((castling_ & shortRight) && b[home + 1] == kNone && b[home + 2] == kNone &&
                !Attacked(home + 1, !white))
              push(sq, home + 2, kFCastle);
            if ((castling_ & longRight) && b[home - 1] == kNone && b[home - 2] == kNone &&
                b[home - 3] == kNone && !Attacked(home - 1, !white))
              push(sq, home - 2, kFCastle);
          }
        }
        break;
      }
      default: {
        const int firstDir = type == 1 ? 4 : 0, lastDir = type == 2 ? 4 : 8;
        for (int i = firstDir; i < lastDir; ++i) {
          const int d = kSliderSteps[i];
          int t = sq + d;
          for (; (t & 0x88) == 0 && b[t] == kNone; t += d) {
            raw += reach[t];
            if (!capturesOnly) push(sq, t, 0);
          }
          if (t & 0x88) continue;
          const uint8_t blocker = b[t];
          raw += reach[t];
          if (enemy(blocker)) {
            push(sq, t, kFCapture);
            if (!CoveredByPawn(t, !white)) raw += kUncoveredTarget;
            if (type == 1 && TypeIndex(blocker) == 4 && weak_[t]) raw += kRookOnWeakPawn;
          } else if (own(blocker) && (TypeIndex(blocker) == type || TypeIndex(blocker) == 0)) {
            raw += kBattery;
          }
          // Beyond the first man: a quarter of the squares, and what stands behind it.
          for (t += d; (t & 0x88) == 0 && b[t] == kNone; t += d) raw += reach[t] / 4;
          if (t & 0x88) continue;
          const uint8_t behind = b[t];
          if (enemy(behind)) {
            if (TypeIndex(behind) == 5)
              raw += kXrayKing;
            else if (kValue[TypeIndex(behind)] > kValue[TypeIndex(blocker)])
              raw += kXrayValuable;
          }
        }
        break;
      }
    }
  }
  plies_[ply].mobility[white] = static_cast<int16_t>(raw * kMobilityWeight / 256);
  return n - first;
}

int MiniSearch::PawnEval(MiniEvalTerms* terms) {
  uint8_t files[2][10] = {};  // rank bits per file, files shifted by one
  for (int white = 0; white < 2; ++white)
    for (int slot = 0; slot < 8; ++slot) {
      const int s = list_[white][slot];
      if (s != kNoSquare && board_[s] == (white ? kWP : kBP))
        files[white][(s & 7) + 1] |= 1 << (s >> 4);
    }
  const bool endgame = pieceMaterial_[0] < 2240 && pieceMaterial_[1] < 2240;
  int total = 0;
  for (int white = 0; white < 2; ++white) {
    const uint8_t pawn = white ? kWP : kBP;
    const uint8_t* ownFiles = files[white];
    const uint8_t* enemyFiles = files[!white];
    const int up = white ? 16 : -16;
    const int enemyKing = list_[!white][15];
    const int sign = white ? 1 : -1;
    for (int slot = 0; slot < 8; ++slot) {
      const int s = list_[white][slot];
      if (s == kNoSquare || board_[s] != pawn) continue;
      const int f = (s & 7) + 1, r = s >> 4, own = white ? r : 7 - r;
      const int pattern = (ownFiles[f - 1] ? 1 : 0) | ((ownFiles[f] & ~(1 << r)) ? 2 : 0) |
                          (ownFiles[f + 1] ? 4 : 0) | (enemyFiles[f - 1] ? 8 : 0) |
                          (enemyFiles[f] ? 16 : 0) | (enemyFiles[f + 1] ? 32 : 0);
      int v = kPawnFiles[pattern];
      const int stop = s + up;
      const bool covered = CoveredByPawn(s, white);
      const bool stopCovered = CoveredByPawn(stop, white);
      if (covered || stopCovered) v += table_[pawn][s] / 4;
      // Ranks behind the pawn, seen from its own side.
      const uint8_t behind =
          white ? static_cast<uint8_t>((1 << r) - 1) : static_cast<uint8_t>(~((2 << r) - 1));
      const uint8_t ahead =
          white ? static_cast<uint8_t>(~((2 << r) - 1)) : static_cast<uint8_t>((1 << r) - 1);
      bool weak = (pattern & 5) == 0;
      if (!covered && CoveredByPawn(stop, !white) &&
          ((ownFiles[f - 1] | ownFiles[f + 1]) & behind) == 0) {
        v -= kBackward;
        weak = true;
        if (terms) ++terms->backward[white];
      }
      weak_[s] = weak;
      const bool passed = ((enemyFiles[f - 1] | enemyFiles[f] | enemyFiles[f + 1]) & ahead) == 0;
      passed_[s] = passed;
      if (passed) {
        int p = kPassed[endgame ? 1 : 0][own];
        if (covered || stopCovered) p += p / 2;
        const uint8_t blocker = board_[stop];
        if (blocker != kNone) {
          p -= p / 8;
          if (white ? IsBlack(blocker) : IsWhite(blocker)) {
            if (kValue[TypeIndex(blocker)] <= 445) p -= p / 4;
          }
        } else if (pieceMaterial_[!white] <= 700) {
          // Outside the square: the king cannot reach the queening square in time.
          const int queening = white ? 112 + (s & 7) : (s & 7);
          const int steps = std::min(5, 7 - own) + (whiteToMove_ == white ? 0 : 1);
          if (Distance(enemyKing, queening) > steps)
            p += p / 4 + (pieceMaterial_[!white] == 0 ? p : 0);
        }
        v += p;
        if (terms) terms->passed += sign * p;
      }
      total += sign * v;
    }
  }
  return total * pawnFactor_ / 8;
}

int MiniSearch::Evaluate(int alpha, int beta, int ply, MiniEvalTerms* terms) {
  MiniEvalTerms t;
  const int pw = pieceMaterial_[1], pb = pieceMaterial_[0];
  t.material = pawnMaterial_[1] + pw - pawnMaterial_[0] - pb;
  t.squares = squares_[1] - squares_[0];
  t.mobility = plies_[ply].mobility[1] - plies_[ply].mobility[0];
  t.pawns = PawnEval(terms ? &t : nullptr);
  int sum = (t.squares + t.mobility + t.pawns) * 7 / 8 + t.material;
  bool queens = false;
  for (int white = 0; white < 2; ++white)
    for (int slot = 0; slot < 15; ++slot) {
      const int s = list_[white][slot];
      if (s != kNoSquare && TypeIndex(board_[s]) == 0 && board_[s] != kNone) queens = true;
    }
  const int kw = list_[1][15], kb = list_[0][15];
  t.endgame = (!queens || pw <= 1745) && pw < 2240 && pb < 2240;
  if (t.endgame) {
    const bool noPawns = pawnMaterial_[0] == 0 && pawnMaterial_[1] == 0;
    if (noPawns &&
        ((pw <= 445 && pb <= 445) || (pw == 840 && pb <= 445) || (pb == 840 && pw <= 445))) {
      t.sum = 0;
      if (terms) *terms = t;
      return 0;
    }
    if (pawnMaterial_[1] == 0 && pawnMaterial_[0] > 0 && pw <= 445 && pb == 0) sum -= 285;
    if (pawnMaterial_[0] == 0 && pawnMaterial_[1] > 0 && pb <= 445 && pw == 0) sum += 285;
    auto king = [](int s, bool white, bool blend) {
      const int i = TableIndex(s, white);
      return blend ? (kKingMiddle[i] + kKingEnd[i]) / 2 : kKingEnd[i];
    };
    t.kings = king(kw, true, pb > 1400) - king(kb, false, pw > 1400);
    sum += t.kings;
    if (pw <= 445 && pb <= 445) {
      sum += sum / 8;
      if (pw == 0 && pb == 0) sum += sum / 16;
    }
  } else if (sum > alpha - 150 && sum < beta + 150) {
    t.middleGameTerms = true;
    if (queenFlag_[1] && board_[3] != kWQ) t.queenFlags -= kQueenFlagCost;
    if (queenFlag_[0] && board_[115] != kBQ) t.queenFlags += kQueenFlagCost;
    t.kings = kKingMiddle[TableIndex(kw, true)] - kKingMiddle[TableIndex(kb, false)];
    for (int white = 0; white < 2; ++white) {
      const int k = white ? kw : kb;
      const int own = white ? (k >> 4) : 7 - (k >> 4);
      if (own > 2) continue;
      const int up = white ? 16 : -16;
      const uint8_t pawn = white ? kWP : kBP;
      int bits = 0;
      for (int i = 0; i < 3; ++i) {
        const int f = (k & 7) - 1 + i;
        if (f < 0 || f > 7) continue;
        const int nearSq = (k & 0x70) + up + f, farSq = nearSq + up;
        if ((nearSq & 0x88) == 0 && board_[nearSq] == pawn) bits |= 1 << i;
        if ((farSq & 0x88) == 0 && board_[farSq] == pawn) bits |= 8 << i;
      }
      t.shield += (white ? 1 : -1) * (queens ? kShield[bits] : kShield[bits] / 2);
    }
    sum += t.queenFlags + t.kings + t.shield;
  }
  t.sum = sum == 0 ? 1 : sum;
  if (terms) *terms = t;
  return t.sum;
}

int MiniSearch::EvalForMover(int alpha, int beta, int ply) {
  if (whiteToMove_) return Evaluate(alpha, beta, ply);
  return -Evaluate(-beta, -alpha, ply);
}

}  // namespace zh

#include "core/search/mini_search.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/search/mini_search_board.h"
#include "core/search/mini_search_tables.h"

namespace zh {

using namespace mini;

namespace {

// Position piece code (1 K, 2 Q, 3 N, 4 B, 5 R, 6 P, +8 black) to the internal code;
// 255 for codes no piece has.
constexpr uint8_t kFromPosition[16] = {kNone, kWK, kWQ, kWN, kWB, kWR, kWP, 255,
                                       255,   kBK, kBQ, kBN, kBB, kBR, kBP, 255};

constexpr int To88(int square) {
  return (square & 7) * 16 + (square >> 3);
}
constexpr int From88(int s) {
  return (s & 7) * 8 + (s >> 4);
}

// Rights kept when a move starts or ends on a 0x88 square.
constexpr uint8_t RightsMask(int s) {
  switch (s) {
    case 0:
      return 0x0E;
    case 4:
      return 0x0C;
    case 7:
      return 0x0D;
    case 112:
      return 0x0B;
    case 116:
      return 0x03;
    case 119:
      return 0x07;
    default:
      return 0x0F;
  }
}

constexpr int Window(int fails) {
  return fails == 0 ? 1 : fails == 1 ? 80 : fails == 2 ? 280 : 20002;
}

constexpr bool SameMove(const auto& a, const auto& b) {
  return a.from == b.from && a.to == b.to && a.flags == b.flags;
}

}  // namespace

int MiniReportScore(int s) {
  if (s == 1 || s == -1) return 2 * s;
  if (s >= -8999 && s < 9000) return s * 100 / 110;
  return s;
}

uint32_t MiniSearchTableChecksum() {
  uint32_t sum = 0, weight = 1;
  auto add = [&](int v) { sum += static_cast<uint32_t>(v + 1000) * (weight++); };
  for (const Table* t : {&kPawnTable, &kKnightTable, &kBishopTable, &kRookTable, &kQueenTable,
                         &kKingMiddle, &kKingEnd, &kReach})
    for (int8_t v : *t) add(v);
  for (const auto& row : kPassed)
    for (int16_t v : row) add(v);
  for (int8_t v : kShield) add(v);
  for (int8_t v : kPawnFiles) add(v);
  for (int16_t v : kValue) add(v);
  for (int v : kVictimClass) add(v);
  for (int v : kAttackerClass) add(v);
  for (int v : kNearKing) add(v);
  for (int v : {kReachNearKing, kXrayKing, kXrayValuable, kUncoveredTarget, kBattery,
                kRookOnWeakPawn, kMobilityWeight, kRookHalfOpen, kRookOpen, kCastledSquare,
                kBackward, kPawnFactorMiddle, kPawnFactorEnd, kQueenFlagMinors, kQueenFlagCost})
    add(v);
  return sum;
}

MiniSearch::MiniSearch() {
  std::memset(board_, kNone, sizeof board_);
  std::memset(index_, 0, sizeof index_);
  std::memset(list_, kNoSquare, sizeof list_);
  std::memset(plies_, 0, sizeof plies_);
  std::memset(counter_, 0, sizeof counter_);
  std::memset(table_, 0, sizeof table_);
  std::memset(reach_, 0, sizeof reach_);
  std::memset(passed_, 0, sizeof passed_);
  std::memset(weak_, 0, sizeof weak_);
}

int MiniSearch::Setup(const MiniSearchInput& in) {
  std::memset(board_, kNone, sizeof board_);
  std::memset(list_, kNoSquare, sizeof list_);
  int error = 0, pawns[2] = {0, 0}, men[2] = {0, 0}, kings[2] = {0, 0};
  for (int s = 0; s < 64; ++s) {
    const uint8_t code = in.board[s] < 16 ? kFromPosition[in.board[s]] : 255;
    if (code == 255) {
      error |= kMiniKings;
      continue;
    }
    if (code == kNone) continue;
    const int white = IsWhite(code) ? 1 : 0;
    ++men[white];
    if (TypeIndex(code) == 4) {
      ++pawns[white];
      if ((s & 7) == 0 || (s & 7) == 7) error |= kMiniPawnOnEdge;
    }
    if (TypeIndex(code) == 5) ++kings[white];
  }
  if (pawns[1] > 8) error |= kMiniWhitePawns;
  if (pawns[0] > 8) error |= kMiniBlackPawns;
  if (men[1] > 16) error |= kMiniWhiteMen;
  if (men[0] > 16) error |= kMiniBlackMen;
  if (kings[0] != 1 || kings[1] != 1) error |= kMiniKings;
  if (error) return error;

  // Piece lists: pawns from the front, other pieces from the back, the king last.
  int front[2] = {0, 0}, back[2] = {14, 14};
  pawnMaterial_[0] = pawnMaterial_[1] = pieceMaterial_[0] = pieceMaterial_[1] = 0;
  for (int s = 0; s < 64; ++s) {
    const uint8_t code = kFromPosition[in.board[s]];
    if (code == kNone) continue;
    const int white = IsWhite(code) ? 1 : 0, type = TypeIndex(code), sq = To88(s);
    board_[sq] = code;
    const int slot = type == 5 ? 15 : type == 4 ? front[white]++ : back[white]--;
    list_[white][slot] = static_cast<uint8_t>(sq);
    index_[sq] = static_cast<uint8_t>(slot);
    if (type == 4)
      pawnMaterial_[white] = static_cast<int16_t>(pawnMaterial_[white] + kValue[4]);
    else
      pieceMaterial_[white] = static_cast<int16_t>(pieceMaterial_[white] + kValue[type]);
  }
  whiteToMove_ = in.blackToMove ? 0 : 1;
  if (InCheck(!whiteToMove_)) return kMiniOpponentInCheck;

  // Rights only where king and rook still stand at home.
  castling_ = in.castling & 15;
  if (board_[4] != kWK) castling_ &= ~3;
  if (board_[116] != kBK) castling_ &= ~12;
  if (board_[0] != kWR) castling_ &= ~1;
  if (board_[7] != kWR) castling_ &= ~2;
  if (board_[112] != kBR) castling_ &= ~4;
  if (board_[119] != kBR) castling_ &= ~8;

  // The en-passant square only behind a pawn that can have just stepped two.
  ep_ = -1;
  if (in.epFile >= 1 && in.epFile <= 8) {
    const int f = in.epFile - 1;
    if (whiteToMove_) {
      if (board_[64 + f] == kBP && board_[80 + f] == kNone && board_[96 + f] == kNone) ep_ = 80 + f;
    } else if (board_[48 + f] == kWP && board_[32 + f] == kNone && board_[16 + f] == kNone) {
      ep_ = 32 + f;
    }
  }
  return 0;
}

bool MiniSearch::Attacked(int sq, int byWhite) const {
  const uint8_t* b = board_;
  if (byWhite) {
    if (((sq - 15) & 0x88) == 0 && b[sq - 15] == kWP) return true;
    if (((sq - 17) & 0x88) == 0 && b[sq - 17] == kWP) return true;
  } else {
    if (((sq + 15) & 0x88) == 0 && b[sq + 15] == kBP) return true;
    if (((sq + 17) & 0x88) == 0 && b[sq + 17] == kBP) return true;
  }
  const uint8_t knight = byWhite ? kWN : kBN, king = byWhite ? kWK : kBK;
  const uint8_t queen = byWhite ? kWQ : kBQ, rook = byWhite ? kWR : kBR,
                bishop = byWhite ? kWB : kBB;
  for (int d : kKnightSteps)
    if (((sq + d) & 0x88) == 0 && b[sq + d] == knight) return true;
  for (int d : kKingSteps)
    if (((sq + d) & 0x88) == 0 && b[sq + d] == king) return true;
  for (int i = 0; i < 8; ++i) {
    const int d = kSliderSteps[i];
    const uint8_t slider = i < 4 ? bishop : rook;
    for (int t = sq + d; (t & 0x88) == 0; t += d) {
      if (b[t] == kNone) continue;
      if (b[t] == queen || b[t] == slider) return true;
      break;
    }
  }
  return false;
}

bool MiniSearch::InCheck(int white) const {
  return Attacked(list_[white ? 1 : 0][15], !white);
}

// A remembered quiet move still fits the position: an own man on the from square, an
// empty to square, and a step or a clear line the man can take.
bool MiniSearch::Possible(const Move& m) const {
  if (m.from == m.to || (m.flags & ~(kFDouble | kFPawn)) != 0) return false;
  const uint8_t c = board_[m.from];
  if (c == kNone || (whiteToMove_ ? !IsWhite(c) : !IsBlack(c)) || board_[m.to] != kNone)
    return false;
  const int type = TypeIndex(c), diff = m.to - m.from;
  if ((type == 4) != ((m.flags & kFPawn) != 0)) return false;
  switch (type) {
    case 4: {
      const int up = whiteToMove_ ? 16 : -16;
      if (m.flags & kFDouble)
        return diff == 2 * up && (m.from >> 4) == (whiteToMove_ ? 1 : 6) &&
               board_[m.from + up] == kNone;
      return diff == up && (m.to >> 4) != 0 && (m.to >> 4) != 7;
    }
    case 3:
      for (int d : kKnightSteps)
        if (d == diff) return true;
      return false;
    case 5:
      for (int d : kKingSteps)
        if (d == diff) return true;
      return false;
    default: {
      const int firstDir = type == 1 ? 4 : 0, lastDir = type == 2 ? 4 : 8;
      for (int i = firstDir; i < lastDir; ++i) {
        const int d = kSliderSteps[i];
        for (int t = m.from + d; (t & 0x88) == 0; t += d) {
          if (t == m.to) return true;
          if (board_[t] != kNone) break;
        }
      }
      return false;
    }
  }
}

void MiniSearch::MovePiece(int from, int to) {
  const int white = IsWhite(board_[from]) ? 1 : 0;
  const uint8_t slot = index_[from];
  list_[white][slot] = static_cast<uint8_t>(to);
  index_[to] = slot;
  board_[to] = board_[from];
  board_[from] = kNone;
}

bool MiniSearch::Make(const Move& m, Undo& u) {
  const int side = whiteToMove_, enemy = !side;
  const uint8_t piece = board_[m.from];
  u.moved = piece;
  u.ep = static_cast<uint8_t>(ep_ < 0 ? 255 : ep_);
  u.castling = castling_;
  std::memcpy(u.squares, squares_, sizeof squares_);
  std::memcpy(u.pawnMaterial, pawnMaterial_, sizeof pawnMaterial_);
  std::memcpy(u.pieceMaterial, pieceMaterial_, sizeof pieceMaterial_);
  u.capturedSquare = m.to;
  if (m.flags & kFEp) u.capturedSquare = static_cast<uint8_t>(side ? m.to - 16 : m.to + 16);
  u.captured = board_[u.capturedSquare];
  if (u.captured != kNone) {
    const int type = TypeIndex(u.captured);
    u.capturedIndex = index_[u.capturedSquare];
    list_[enemy][u.capturedIndex] = kNoSquare;
    squares_[enemy] = static_cast<int16_t>(squares_[enemy] - table_[u.captured][u.capturedSquare]);
    if (type == 4)
      pawnMaterial_[enemy] = static_cast<int16_t>(pawnMaterial_[enemy] - kValue[4]);
    else
      pieceMaterial_[enemy] = static_cast<int16_t>(pieceMaterial_[enemy] - kValue[type]);
    board_[u.capturedSquare] = kNone;
  }
  MovePiece(m.from, m.to);
  uint8_t placed = piece;
  if (m.flags & kFPromo) {
    const uint8_t type = static_cast<uint8_t>(m.flags & 3);  // queen, rook, bishop, knight
    placed = side ? type : static_cast<uint8_t>(12 - type);
    board_[m.to] = placed;
    pawnMaterial_[side] = static_cast<int16_t>(pawnMaterial_[side] - kValue[4]);
    pieceMaterial_[side] = static_cast<int16_t>(pieceMaterial_[side] + kValue[type]);
  }
  squares_[side] =
      static_cast<int16_t>(squares_[side] + table_[placed][m.to] - table_[piece][m.from]);
  if (m.flags & kFCastle) {
    const bool isShort = m.to > m.from;
    const int rookFrom = isShort ? m.from + 3 : m.from - 4,
              rookTo = isShort ? m.from + 1 : m.from - 1;
    squares_[side] = static_cast<int16_t>(squares_[side] + table_[board_[rookFrom]][rookTo] -
                                          table_[board_[rookFrom]][rookFrom]);
    MovePiece(rookFrom, rookTo);
  }
  ep_ = (m.flags & kFDouble) ? (m.from + m.to) / 2 : -1;
  castling_ &= RightsMask(m.from) & RightsMask(m.to);
  whiteToMove_ = enemy;
  if (InCheck(side)) {
    Unmake(m, u);
    return false;
  }
  return true;
}

void MiniSearch::Unmake(const Move& m, const Undo& u) {
  whiteToMove_ = !whiteToMove_;
  const int side = whiteToMove_;
  if (m.flags & kFCastle) {
    const bool isShort = m.to > m.from;
    const int rookFrom = isShort ? m.from + 3 : m.from - 4,
              rookTo = isShort ? m.from + 1 : m.from - 1;
    MovePiece(rookTo, rookFrom);
  }
  board_[m.to] = u.moved;
  MovePiece(m.to, m.from);
  if (u.captured != kNone) {
    board_[u.capturedSquare] = u.captured;
    list_[!side][u.capturedIndex] = u.capturedSquare;
    index_[u.capturedSquare] = u.capturedIndex;
  }
  ep_ = u.ep == 255 ? -1 : u.ep;
  castling_ = u.castling;
  std::memcpy(squares_, u.squares, sizeof squares_);
  std::memcpy(pawnMaterial_, u.pawnMaterial, sizeof pawnMaterial_);
  std::memcpy(pieceMaterial_, u.pieceMaterial, sizeof pieceMaterial_);
}

int MiniSearch::StaticEval(const MiniSearchInput& input, int alpha, int beta,
                           MiniEvalTerms* terms) {
  if (Setup(input) != 0) return 0;
  std::memset(plies_, 0, sizeof plies_);
  PrepareRoot();
  return Evaluate(alpha, beta, 0, terms);
}

int MiniSearch::StaticEvalFrom(const MiniSearchInput& root, const MiniSearchInput& position,
                               int alpha, int beta, MiniEvalTerms* terms) {
  if (Setup(root) != 0) return 0;
  std::memset(plies_, 0, sizeof plies_);
  PrepareTables();
  if (Setup(position) != 0) return 0;
  PrepareSums();
  return Evaluate(alpha, beta, 0, terms);
}

// Swaps the move with the highest key among first..last-1 to first and answers it:
// the moves are taken best first without sorting those a cutoff never reaches.
MiniSearch::Move MiniSearch::PickNext(int first, int last) {
  int pick = first;
  for (int j = first + 1; j < last; ++j)
    if (stack_[j].key > stack_[pick].key) pick = j;
  std::swap(stack_[first], stack_[pick]);
  return stack_[first];
}

// Sixths of a ply the move earns beyond the ply it costs (board before the move).
int MiniSearch::Extension(const Move& m, int ply, uint8_t mover, int capturedValue,
                          bool givesCheck) {
  int extension = givesCheck ? 6 : 0;
  const int previous = plies_[ply].capturedValue;
  if (capturedValue >= 0 && previous >= 0 && previous < capturedValue + 110) extension += 3;
  if (TypeIndex(mover) == 4) {
    const int own = IsWhite(mover) ? (m.to >> 4) : 7 - (m.to >> 4);
    const bool bothStrong = pieceMaterial_[0] >= 2240 && pieceMaterial_[1] >= 2240;
    if (own == 6 || (!bothStrong && passed_[m.from])) {
      extension += 3;
      plies_[ply + 1].pawnExtended = true;
    }
  }
  return extension > 6 ? 6 : extension;
}

int MiniSearch::Quiesce(int alpha, int beta, int ply, bool checks) {
  ++nodes_;
  Ply& p = plies_[ply];
  if (ply > 0) std::memcpy(p.mobility, plies_[ply - 1].mobility, sizeof p.mobility);
  const int stand = EvalForMover(alpha, beta, ply);
  if (stand >= beta || ply >= kMaxPly || top_ >= kStackSize) return stand;
  // In the middle game only captures that can lift the score to alpha, or that check.
  const bool filter = pieceMaterial_[0] >= 1400 && pieceMaterial_[1] >= 1400;
  const int margin = alpha - stand - 100;
  if (stand > alpha) alpha = stand;
  int best = stand;
  const int first = top_;
  // At its first level the quiescence also tries the quiet moves that give check.
  top_ += Generate(first, !checks, ply);
  if (top_ > peakStack_) peakStack_ = top_;
  for (int i = first; i < top_; ++i) {
    const Move m = PickNext(i, top_);
    const bool quiet = !(m.flags & (kFCapture | kFPromo));
    int gain = 0;
    if (m.flags & kFCapture)
      gain =
          kValue[TypeIndex(board_[m.flags & kFEp ? (whiteToMove_ ? m.to - 16 : m.to + 16) : m.to])];
    if (m.flags & kFPromo) gain += kValue[m.flags & 3] - kValue[4];
    Undo u;
    if (!Make(m, u)) continue;
    const bool givesCheck = InCheck(whiteToMove_);
    if ((quiet || (filter && gain <= margin)) && !givesCheck) {
      Unmake(m, u);
      continue;
    }
    Ply& child = plies_[ply + 1];
    child.inCheck = givesCheck;
    child.afterNull = false;
    child.pawnExtended = false;
    child.capturedValue =
        static_cast<int16_t>(u.captured != kNone ? kValue[TypeIndex(u.captured)] : -1);
    child.lastTo = m.to;
    const int score = -Quiesce(-beta, -alpha, ply + 1, false);
    Unmake(m, u);
    if (score > best) {
      best = score;
      if (score > alpha) {
        alpha = score;
        if (alpha >= beta) break;
      }
    }
  }
  top_ = first;
  return best;
}

bool MiniSearch::MatesInTwoByChecks(const MiniSearchInput& input) {
  if (Setup(input) != 0) return false;
  std::memset(plies_, 0, sizeof plies_);
  PrepareRoot();
  top_ = 0;
  return MatesByChecks(2, 0);
}

bool MiniSearch::MatesByChecks(int moves, int ply) {
  // The side to move checks; every legal reply must leave a further mate by checks.
  if (ply >= kMateThreatPly || top_ >= kStackSize) return false;
  const int first = top_;
  top_ += Generate(first, false, kMaxPly + 1);
  bool mate = false;
  for (int i = first; i < top_ && !mate; ++i) {
    const Move m = stack_[i];
    Undo u;
    if (!Make(m, u)) continue;
    if (InCheck(whiteToMove_) && top_ < kStackSize) {
      const int replies = top_;
      const bool savedOverflow = overflow_;
      overflow_ = false;
      top_ += Generate(replies, false, kMaxPly + 1);
      bool escaped = overflow_;  // a reply list cut short proves nothing
      for (int r = replies; r < top_ && !escaped; ++r) {
        const Move reply = stack_[r];
        Undo ru;
        if (!Make(reply, ru)) continue;
        escaped = moves <= 1 || !MatesByChecks(moves - 1, ply + 2);
        Unmake(reply, ru);
      }
      overflow_ = savedOverflow;
      top_ = replies;
      mate = !escaped;
      if (mate) plies_[ply < kMaxPly ? ply : kMaxPly].mateMove = m;
    }
    Unmake(m, u);
  }
  top_ = first;
  return mate;
}

void MiniSearch::StoreBest(const Move& m, int ply, bool nullWindow) {
  Ply& p = plies_[ply];
  Move* k = p.killers;
  if (nullWindow) {
    if (!SameMove(k[1], m)) {
      k[2] = k[1];
      k[1] = m;
    }
  } else if (!SameMove(k[0], m)) {
    k[2] = k[1];
    k[1] = k[0];
    k[0] = m;
  }
  if (!p.afterNull && p.lastTo >= 0)
    counter_[whiteToMove_][p.lastTo] = static_cast<uint16_t>(m.from | (m.to << 8));
}

int MiniSearch::Search(int alpha, int beta, int depth6, int ply) {
  if (depth6 < 6 || ply >= plyLimit_ || top_ >= kStackSize) return Quiesce(alpha, beta, ply, true);
  ++nodes_;
  Ply& p = plies_[ply];
  std::memcpy(p.mobility, plies_[ply - 1].mobility, sizeof p.mobility);
  const int white = whiteToMove_;
  const bool inCheck = p.inCheck, nullWindow = beta - alpha == 1;

  // Null move: pass and search shallower; when that still reaches the bound, cut.
  if (!p.afterNull && !inCheck && depth6 > 12 && !p.pawnExtended && pieceMaterial_[white] > 0 &&
      nullWindow && EvalForMover(alpha, beta, ply) >= beta) {
    const int own = pieceMaterial_[white], other = pieceMaterial_[!white];
    const int savedEp = ep_;
    ep_ = -1;
    whiteToMove_ = !whiteToMove_;
    bool threat = false;
    // First make sure that passing does not let the opponent mate by checks in two.
    if ((own >= 2240 && other >= 2240) || other == 1400) threat = MatesByChecks(2, ply + 1);
    int score = 0;
    if (!threat) {
      Ply& child = plies_[ply + 1];
      child.inCheck = false;
      child.afterNull = true;
      child.pawnExtended = false;
      child.capturedValue = -1;
      child.lastTo = -1;
      score = -Search(-(beta - 10), -(beta - 11), depth6 - 18, ply + 1);
    }
    whiteToMove_ = !whiteToMove_;
    ep_ = savedEp;
    if (threat)
      depth6 += 3;
    else if (score >= beta - 10)
      return beta;
  }

  const int alphaIn = alpha;
  int legal = 0, best = -kMiniInfinity - 1;
  Move bestMove{0, 0, 0, 0};
  // One move searched; true on a cutoff.
  auto visit = [&](const Move& m) {
    const uint8_t mover = board_[m.from];
    Undo u;
    if (!Make(m, u)) return false;
    ++legal;
    const bool givesCheck = InCheck(whiteToMove_);
    Ply& child = plies_[ply + 1];
    child.pawnExtended = false;
    const int next =
        depth6 - 6 +
        Extension(m, ply, mover, u.captured != kNone ? kValue[TypeIndex(u.captured)] : -1,
                  givesCheck);
    child.inCheck = givesCheck;
    child.afterNull = false;
    child.capturedValue =
        static_cast<int16_t>(u.captured != kNone ? kValue[TypeIndex(u.captured)] : -1);
    child.lastTo = m.to;
    int score;
    if (legal == 1) {
      score = -Search(-beta, -alpha, next, ply + 1);
    } else {
      score = -Search(-alpha - 1, -alpha, next, ply + 1);
      if (score > alpha && score < beta) {
        plies_[ply + 1].inCheck = child.inCheck;
        score = -Search(-beta, -alpha, next, ply + 1);
      }
    }
    Unmake(m, u);
    if (score > best) {
      best = score;
      bestMove = m;
      if (score > alpha) {
        alpha = score;
        if (alpha >= beta) return true;
      }
    }
    return false;
  };

  // The remembered quiet moves first, each while it still fits the position.
  Move tried[3];
  int triedCount = 0;
  bool cutoff = false;
  for (int k = 0; k < 3 && !cutoff; ++k) {
    const Move m = p.killers[k];
    bool seen = false;
    for (int j = 0; j < triedCount; ++j) seen = seen || SameMove(tried[j], m);
    if (seen || !Possible(m)) continue;
    tried[triedCount++] = m;
    cutoff = visit(m);
  }
  const int first = top_;
  bool cutShort = false;
  if (!cutoff) {
    overflow_ = false;
    top_ += Generate(first, false, ply);
    cutShort = overflow_;
    if (top_ > peakStack_) peakStack_ = top_;
    for (int i = first; i < top_; ++i) {
      const Move m = PickNext(i, top_);
      bool seen = false;
      for (int j = 0; j < triedCount; ++j) seen = seen || SameMove(tried[j], m);
      if (!seen && visit(m)) break;
    }
  }
  top_ = first;
  if (legal == 0) {
    // A list cut short by the full stack proves no mate.
    if (cutShort) return EvalForMover(alpha, beta, ply);
    return inCheck ? -(kMiniInfinity - ply) : 0;
  }
  if (best > alphaIn) StoreBest(bestMove, ply, nullWindow);
  return best;
}

int MiniSearch::Run(const MiniSearchInput& input, int depth, MiniSearchResult& result) {
  result = MiniSearchResult();
  nodes_ = 0;
  lastIteration_ = 0;
  peakStack_ = 0;
  top_ = 0;
  overflow_ = false;
  std::memset(plies_, 0, sizeof plies_);
  std::memset(counter_, 0, sizeof counter_);
  for (Ply& p : plies_) p.lastTo = -1;
  setupError_ = Setup(input);
  if (setupError_) return 0;
  PrepareRoot();

  // The legal root moves, kept apart from the move stack.
  Move root[256];
  int count = 0;
  {
    const int n = Generate(0, false, 0);
    for (int i = 0; i < n; ++i) {
      Undo u;
      if (!Make(stack_[i], u)) continue;
      Unmake(stack_[i], u);
      root[count++] = stack_[i];
    }
  }
  const int white = whiteToMove_;
  plies_[0].inCheck = InCheck(white);
  plies_[0].capturedValue = -1;
  if (count == 0) return plies_[0].inCheck ? -kMiniInfinity : 0;
  if (depth < 1) return MiniReportScore(EvalForMover(-kMiniInfinity, kMiniInfinity, 0));
  if (depth > kMiniMaxIteration) depth = kMiniMaxIteration;
  // First order: by the generator's keys.
  for (int i = 0; i < count; ++i) stack_[i] = root[i];
  for (int i = 0; i < count; ++i) root[i] = PickNext(i, count);

  int score = 0;
  Move best = root[0];
  for (int k = 1; k <= depth; ++k) {
    lastIteration_ = k;
    plyLimit_ = 2 * k < 16 ? 2 * k : 16;
    // The window is set in white's view: 45 below, 30 above.
    int alpha = k == 1 ? -kMiniInfinity : score - (white ? 45 : 30);
    int beta = k == 1 ? kMiniInfinity : score + (white ? 30 : 45);
    int failsLow = 0, failsHigh = 0;
    for (;;) {
      int bestScore = -kMiniInfinity - 1, bestIndex = 0;
      int a = alpha;
      for (int i = 0; i < count; ++i) {
        const Move m = root[i];
        const uint8_t mover = board_[m.from];
        Undo u;
        Make(m, u);
        const bool givesCheck = InCheck(whiteToMove_);
        Ply& child = plies_[1];
        child.pawnExtended = false;
        const int next =
            k * 6 - 6 +
            Extension(m, 0, mover, u.captured != kNone ? kValue[TypeIndex(u.captured)] : -1,
                      givesCheck);
        child.inCheck = givesCheck;
        child.afterNull = false;
        child.capturedValue =
            static_cast<int16_t>(u.captured != kNone ? kValue[TypeIndex(u.captured)] : -1);
        child.lastTo = m.to;
        const bool childCheck = child.inCheck;
        int s;
        if (i == 0) {
          s = -Search(-beta, -a, next, 1);
        } else {
          s = -Search(-a - 1, -a, next, 1);
          if (s > a && s < beta) {
            plies_[1].inCheck = childCheck;
            s = -Search(-beta, -a, next, 1);
          }
        }
        Unmake(m, u);
        if (s > bestScore) {
          bestScore = s;
          bestIndex = i;
        }
        if (s > a) a = s;
        if (a >= beta) break;
      }
      if (bestScore <= alpha && alpha > -kMiniInfinity) {
        ++failsLow;
        alpha = std::max(bestScore - Window(failsLow), -kMiniInfinity);
        continue;
      }
      if (bestScore >= beta && beta < kMiniInfinity) {
        ++failsHigh;
        beta = std::min(bestScore + Window(failsHigh), kMiniInfinity);
        continue;
      }
      score = bestScore;
      // The iteration's best move leads the next one.
      const Move m = root[bestIndex];
      for (int i = bestIndex; i > 0; --i) root[i] = root[i - 1];
      root[0] = m;
      best = m;
      break;
    }
    if (score >= kMiniInfinity - k || score <= -(kMiniInfinity - k)) break;
  }
  result.from = static_cast<uint8_t>(From88(best.from));
  result.to = static_cast<uint8_t>(From88(best.to));
  if (best.flags & kFPromo) {
    constexpr uint8_t kPromoted[4] = {2, 5, 4, 3};  // queen, rook, bishop, knight
    result.promotion = static_cast<uint8_t>(kPromoted[best.flags & 3] | (white ? 0 : 8));
  }
  return MiniReportScore(score);
}

}  // namespace zh

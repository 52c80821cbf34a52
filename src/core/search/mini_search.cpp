#include "core/search/mini_search.h"

#include <cstring>
#include <utility>

#include "core/search/mini_search_tables.h"

namespace zh {

namespace {

// Internal piece codes: white 0..5 (queen, rook, bishop, knight, pawn, king), 6 empty,
// black 12 - white code.
constexpr uint8_t kWQ = 0, kWR = 1, kWB = 2, kWN = 3, kWP = 4, kWK = 5, kNone = 6, kBK = 7,
                  kBP = 8, kBN = 9, kBB = 10, kBR = 11, kBQ = 12;

constexpr bool IsWhite(int code) { return code < 6; }
constexpr bool IsBlack(int code) { return code > 6 && code <= 12; }
constexpr int TypeIndex(int code) { return code < 6 ? code : 12 - code; }

// Position piece code (1 K, 2 Q, 3 N, 4 B, 5 R, 6 P, +8 black) to the internal code;
// 255 for codes no piece has.
constexpr uint8_t kFromPosition[16] = {kNone, kWK, kWQ, kWN, kWB, kWR, kWP, 255,
                                       255,   kBK, kBQ, kBN, kBB, kBR, kBP, 255};

constexpr int To88(int square) { return (square & 7) * 16 + (square >> 3); }
constexpr int From88(int s) { return (s & 7) * 8 + (s >> 4); }
// Index into the tables: rank-major from the side's own first rank.
constexpr int TableIndex(int s, bool white) {
  return white ? (s >> 4) * 8 + (s & 7) : (7 - (s >> 4)) * 8 + (s & 7);
}

constexpr int kKnightSteps[8] = {-33, -31, -18, -14, 14, 18, 31, 33};
constexpr int kKingSteps[8] = {-17, -16, -15, -1, 1, 15, 16, 17};
constexpr int kDiagonal[4] = {-17, -15, 15, 17};
constexpr int kStraight[4] = {-16, -1, 1, 16};

// Move flags: bit 2 promotion with the piece in bits 0-1 (queen, rook, bishop,
// knight), 8 capture, 16 castling, 32 en passant, 64 double step.
constexpr uint8_t kFPromo = 4, kFCapture = 8, kFCastle = 16, kFEp = 32, kFDouble = 64;

// Rights kept when a move starts or ends on a 0x88 square.
constexpr uint8_t RightsMask(int s) {
  switch (s) {
    case 0: return 0x0E;
    case 4: return 0x0C;
    case 7: return 0x0D;
    case 112: return 0x0B;
    case 116: return 0x03;
    case 119: return 0x07;
    default: return 0x0F;
  }
}

constexpr int Window(int fails) {
  return fails == 0 ? 1 : fails == 1 ? 80 : fails == 2 ? 280 : 20002;
}

int PieceSquare(int type, int index) {
  switch (type) {
    case 0: return mini::kQueenTable[index];
    case 1: return mini::kRookTable[index];
    case 2: return mini::kBishopTable[index];
    case 3: return mini::kKnightTable[index];
    case 4: return mini::kPawnTable[index];
    default: return 0;
  }
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
  for (const mini::Table* t : {&mini::kPawnTable, &mini::kKnightTable, &mini::kBishopTable,
                               &mini::kRookTable, &mini::kQueenTable, &mini::kKingMiddle,
                               &mini::kKingEnd})
    for (int8_t v : *t) add(v);
  for (const auto& row : mini::kPassed)
    for (int16_t v : row) add(v);
  for (int8_t v : mini::kShield) add(v);
  for (int16_t v : mini::kValue) add(v);
  return sum;
}

MiniSearch::MiniSearch() {
  std::memset(board_, kNone, sizeof board_);
  std::memset(killers_, 0, sizeof killers_);
  std::memset(counter_, 0, sizeof counter_);
}

int MiniSearch::Setup(const MiniSearchInput& in) {
  std::memset(board_, kNone, sizeof board_);
  int error = 0, pawns[2] = {0, 0}, men[2] = {0, 0}, kings[2] = {0, 0};
  material_[0] = material_[1] = 0;
  for (int s = 0; s < 64; ++s) {
    const uint8_t code = in.board[s] < 16 ? kFromPosition[in.board[s]] : 255;
    if (code == 255) {
      error |= kMiniKings;
      continue;
    }
    if (code == kNone) continue;
    const int white = IsWhite(code) ? 1 : 0;
    const int sq = To88(s);
    board_[sq] = code;
    ++men[white];
    material_[white] += mini::kValue[TypeIndex(code)];
    if (TypeIndex(code) == 4) {
      ++pawns[white];
      if ((s & 7) == 0 || (s & 7) == 7) error |= kMiniPawnOnEdge;
    }
    if (TypeIndex(code) == 5) {
      ++kings[white];
      kings_[white] = sq;
    }
  }
  if (pawns[1] > 8) error |= kMiniWhitePawns;
  if (pawns[0] > 8) error |= kMiniBlackPawns;
  if (men[1] > 16) error |= kMiniWhiteMen;
  if (men[0] > 16) error |= kMiniBlackMen;
  if (kings[0] != 1 || kings[1] != 1) error |= kMiniKings;
  if (error) return error;
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
      if (board_[64 + f] == kBP && board_[80 + f] == kNone && board_[96 + f] == kNone)
        ep_ = 80 + f;
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
  for (int d : kDiagonal)
    for (int t = sq + d; (t & 0x88) == 0; t += d) {
      if (b[t] == kNone) continue;
      if (b[t] == queen || b[t] == bishop) return true;
      break;
    }
  for (int d : kStraight)
    for (int t = sq + d; (t & 0x88) == 0; t += d) {
      if (b[t] == kNone) continue;
      if (b[t] == queen || b[t] == rook) return true;
      break;
    }
  return false;
}

bool MiniSearch::InCheck(int white) const {
  return Attacked(kings_[white ? 1 : 0], !white);
}

int MiniSearch::Generate(int first, bool capturesOnly) {
  int n = first;
  const int white = whiteToMove_;
  const uint8_t* b = board_;
  auto own = [white](int c) { return white ? IsWhite(c) : IsBlack(c); };
  auto enemy = [white](int c) { return white ? IsBlack(c) : IsWhite(c); };
  auto push = [&](int from, int to, uint8_t flags) {
    stack_[n++] = Move{static_cast<uint8_t>(from), static_cast<uint8_t>(to), flags, 0};
  };
  auto pushPawn = [&](int from, int to, uint8_t flags) {
    if ((to >> 4) == 0 || (to >> 4) == 7) {
      for (uint8_t p = 0; p < 4; ++p) push(from, to, flags | kFPromo | p);
    } else {
      push(from, to, flags);
    }
  };
  for (int sq = 0; sq < 128; ++sq) {
    if (sq & 0x88) {
      sq += 7;
      continue;
    }
    const uint8_t c = b[sq];
    if (c == kNone || !own(c)) continue;
    switch (TypeIndex(c)) {
      case 4: {
        const int up = white ? 16 : -16;
        const int rank = sq >> 4;
        const int to = sq + up;
        const bool promotes = (to >> 4) == 0 || (to >> 4) == 7;
        if (b[to] == kNone && (!capturesOnly || promotes)) {
          pushPawn(sq, to, 0);
          if (!capturesOnly && rank == (white ? 1 : 6) && b[to + up] == kNone)
            push(sq, to + up, kFDouble);
        }
        for (int d : {up - 1, up + 1}) {
          const int t = sq + d;
          if (t & 0x88) continue;
          if (b[t] != kNone && enemy(b[t])) pushPawn(sq, t, kFCapture);
          else if (t == ep_) push(sq, t, kFCapture | kFEp);
        }
        break;
      }
      case 3:
      case 5: {
        const int* steps = TypeIndex(c) == 3 ? kKnightSteps : kKingSteps;
        for (int i = 0; i < 8; ++i) {
          const int t = sq + steps[i];
          if (t & 0x88) continue;
          if (b[t] == kNone) {
            if (!capturesOnly) push(sq, t, 0);
          } else if (enemy(b[t])) {
            push(sq, t, kFCapture);
          }
        }
        if (TypeIndex(c) == 5 && !capturesOnly) {
          const int home = white ? 4 : 116;
          const uint8_t shortRight = white ? 2 : 8, longRight = white ? 1 : 4;
          if (sq == home && (castling_ & shortRight) && b[home + 1] == kNone &&
              b[home + 2] == kNone && !Attacked(home, !white) && !Attacked(home + 1, !white))
            push(sq, home + 2, kFCastle);
          if (sq == home && (castling_ & longRight) && b[home - 1] == kNone &&
              b[home - 2] == kNone && b[home - 3] == kNone && !Attacked(home, !white) &&
              !Attacked(home - 1, !white))
            push(sq, home - 2, kFCastle);
        }
        break;
      }
      default: {
        const int type = TypeIndex(c);
        for (int pass = 0; pass < 2; ++pass) {
          if ((pass == 0 && type == 1) || (pass == 1 && type == 2)) continue;
          const int* dirs = pass == 0 ? kDiagonal : kStraight;
          for (int i = 0; i < 4; ++i)
            for (int t = sq + dirs[i]; (t & 0x88) == 0; t += dirs[i]) {
              if (b[t] == kNone) {
                if (!capturesOnly) push(sq, t, 0);
                continue;
              }
              if (enemy(b[t])) push(sq, t, kFCapture);
              break;
            }
        }
        break;
      }
    }
  }
  return n - first;
}

void MiniSearch::Make(const Move& m, Undo& u) {
  uint8_t* b = board_;
  const uint8_t piece = b[m.from];
  u.ep = static_cast<uint8_t>(ep_ < 0 ? 255 : ep_);
  u.castling = castling_;
  u.capturedSquare = m.to;
  if (m.flags & kFEp) u.capturedSquare = static_cast<uint8_t>(whiteToMove_ ? m.to - 16 : m.to + 16);
  u.captured = b[u.capturedSquare];
  const int enemy = whiteToMove_ ? 0 : 1;
  if (u.captured != kNone) material_[enemy] -= mini::kValue[TypeIndex(u.captured)];
  b[u.capturedSquare] = kNone;
  b[m.from] = kNone;
  uint8_t placed = piece;
  if (m.flags & kFPromo) {
    const uint8_t white = static_cast<uint8_t>(m.flags & 3);  // queen, rook, bishop, knight
    placed = whiteToMove_ ? white : static_cast<uint8_t>(12 - white);
    material_[whiteToMove_] += mini::kValue[white] - mini::kValue[4];
  }
  b[m.to] = placed;
  if (TypeIndex(piece) == 5) {
    kings_[whiteToMove_] = m.to;
    if (m.flags & kFCastle) {
      const bool isShort = m.to > m.from;
      const int rookFrom = isShort ? m.from + 3 : m.from - 4, rookTo = isShort ? m.from + 1 : m.from - 1;
      b[rookTo] = b[rookFrom];
      b[rookFrom] = kNone;
    }
  }
  ep_ = (m.flags & kFDouble) ? (m.from + m.to) / 2 : -1;
  castling_ &= RightsMask(m.from) & RightsMask(m.to);
  whiteToMove_ = !whiteToMove_;
}

void MiniSearch::Unmake(const Move& m, const Undo& u) {
  whiteToMove_ = !whiteToMove_;
  uint8_t* b = board_;
  uint8_t piece = b[m.to];
  if (m.flags & kFPromo) {
    material_[whiteToMove_] -= mini::kValue[m.flags & 3] - mini::kValue[4];
    piece = whiteToMove_ ? kWP : kBP;
  }
  b[m.from] = piece;
  b[m.to] = kNone;
  b[u.capturedSquare] = u.captured;
  if (u.captured != kNone) material_[whiteToMove_ ? 0 : 1] += mini::kValue[TypeIndex(u.captured)];
  if (TypeIndex(piece) == 5) {
    kings_[whiteToMove_] = m.from;
    if (m.flags & kFCastle) {
      const bool isShort = m.to > m.from;
      const int rookFrom = isShort ? m.from + 3 : m.from - 4, rookTo = isShort ? m.from + 1 : m.from - 1;
      b[rookFrom] = b[rookTo];
      b[rookTo] = kNone;
    }
  }
  ep_ = u.ep == 255 ? -1 : u.ep;
  castling_ = u.castling;
}

int MiniSearch::Evaluate() const {
  int mat[2] = {0, 0}, pieces[2] = {0, 0}, pawnCount[2] = {0, 0}, queens = 0;
  int positional = 0;
  // Per file: the most advanced rank of each side's pawns seen from the enemy's side.
  int lowestBlackPawn[8], highestWhitePawn[8];
  for (int f = 0; f < 8; ++f) {
    lowestBlackPawn[f] = 8;
    highestWhitePawn[f] = -1;
  }
  for (int sq = 0; sq < 120; ++sq) {
    if (sq & 0x88) {
      sq += 7;
      continue;
    }
    const uint8_t c = board_[sq];
    if (c == kNone) continue;
    const int t = TypeIndex(c);
    const bool white = IsWhite(c);
    const int sign = white ? 1 : -1;
    mat[white] += mini::kValue[t];
    if (t == 4) {
      ++pawnCount[white];
      if (white) {
        if ((sq >> 4) > highestWhitePawn[sq & 7]) highestWhitePawn[sq & 7] = sq >> 4;
      } else if ((sq >> 4) < lowestBlackPawn[sq & 7]) {
        lowestBlackPawn[sq & 7] = sq >> 4;
      }
    } else if (t != 5) {
      pieces[white] += mini::kValue[t];
      if (t == 0) ++queens;
    }
    positional += sign * PieceSquare(t, TableIndex(sq, white));
  }
  // Draws by material: bare minor pieces, or two knights against at most a minor.
  if (pawnCount[0] == 0 && pawnCount[1] == 0) {
    auto weak = [](int p) { return p <= 445; };
    if ((weak(pieces[0]) && weak(pieces[1])) || (pieces[1] == 840 && weak(pieces[0]) && mat[1] == 840) ||
        (pieces[0] == 840 && weak(pieces[1]) && mat[0] == 840))
      return 0;
  }
  const bool endgame = pieces[0] < 2240 && pieces[1] < 2240 && (queens == 0 || pieces[1] <= 1745);
  // Passed pawns: no enemy pawn ahead on the file or its neighbours.
  for (int sq = 0; sq < 120; ++sq) {
    if (sq & 0x88) {
      sq += 7;
      continue;
    }
    const uint8_t c = board_[sq];
    if (c != kWP && c != kBP) continue;
    const int f = sq & 7, r = sq >> 4;
    bool passed = true;
    for (int g = f - 1; g <= f + 1 && passed; ++g) {
      if (g < 0 || g > 7) continue;
      if (c == kWP ? lowestBlackPawn[g] > r && lowestBlackPawn[g] < 8 : highestWhitePawn[g] < r && highestWhitePawn[g] >= 0)
        passed = false;
    }
    if (!passed) continue;
    const int own = c == kWP ? r : 7 - r;
    const int v = mini::kPassed[endgame ? 1 : 0][own];
    positional += c == kWP ? v : -v;
  }
  // Kings: middle-game table and pawn shield, or the endgame table.
  for (int white = 0; white < 2; ++white) {
    const int k = kings_[white];
    const int index = TableIndex(k, white);
    const int sign = white ? 1 : -1;
    if (endgame) {
      positional += sign * mini::kKingEnd[index];
      continue;
    }
    positional += sign * mini::kKingMiddle[index];
    const int own = white ? (k >> 4) : 7 - (k >> 4);
    if (own <= 2) {
      const int up = white ? 16 : -16;
      const uint8_t pawn = white ? kWP : kBP;
      int bits = 0;
      for (int i = 0; i < 3; ++i) {
        const int f = (k & 7) - 1 + i;
        if (f < 0 || f > 7) continue;
        const int near = k + up - (k & 7) + f, far = near + up;
        if ((near & 0x88) == 0 && board_[near] == pawn) bits |= 1 << i;
        if ((far & 0x88) == 0 && board_[far] == pawn) bits |= 8 << i;
      }
      const int shield = mini::kShield[bits];
      positional += sign * (queens ? shield : shield / 2);
    }
  }
  int sum = positional * 7 / 8 + mat[1] - mat[0];
  if (endgame && pieces[1] <= 445 && pieces[0] <= 445) sum += sum / 8;
  return sum == 0 ? 1 : sum;
}

int MiniSearch::StaticEval(const MiniSearchInput& input) {
  if (Setup(input) != 0) return 0;
  return Evaluate();
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

void MiniSearch::Order(int first, int last, int ply, int lastTo) {
  const Move* k = killers_[ply < kMaxPly ? ply : kMaxPly];
  const uint16_t counter = lastTo >= 0 ? counter_[whiteToMove_][lastTo] : 0;
  for (int i = first; i < last; ++i) {
    Move& m = stack_[i];
    int key;
    if (m.flags & kFCapture) {
      const int victim = TypeIndex(board_[m.flags & kFEp ? (whiteToMove_ ? m.to - 16 : m.to + 16) : m.to]);
      const int attacker = TypeIndex(board_[m.from]);
      // Most valuable victim first, then least valuable attacker.
      key = 160 + (5 - victim) * 12 + attacker;
    } else if (m.flags & kFPromo) {
      key = 240 - (m.flags & 3);
    } else if (k[0].from == m.from && k[0].to == m.to) {
      key = 150;
    } else if (k[1].from == m.from && k[1].to == m.to) {
      key = 149;
    } else if (counter == (m.from | (m.to << 8))) {
      key = 148;
    } else {
      const int t = TypeIndex(board_[m.from]);
      const bool white = whiteToMove_;
      key = 64 + (PieceSquare(t, TableIndex(m.to, white)) - PieceSquare(t, TableIndex(m.from, white))) / 2;
    }
    m.key = static_cast<uint8_t>(key < 0 ? 0 : key > 255 ? 255 : key);
  }
}

int MiniSearch::Quiesce(int alpha, int beta, int ply, bool checks) {
  ++nodes_;
  const int eval = Evaluate();
  const int stand = whiteToMove_ ? eval : -eval;
  if (stand >= beta || ply >= kMaxPly || top_ + 218 > kStackSize) return stand;
  if (stand > alpha) alpha = stand;
  int best = stand;
  const int first = top_;
  // At its first level the quiescence also tries the quiet moves that give check.
  const int n = Generate(first, !checks);
  top_ += n;
  Order(first, top_, kMaxPly, -1);
  for (int i = first; i < top_; ++i) {
    const Move m = PickNext(i, top_);
    Undo u;
    Make(m, u);
    const bool quiet = !(m.flags & (kFCapture | kFPromo));
    if (InCheck(!whiteToMove_) || (quiet && !InCheck(whiteToMove_))) {
      Unmake(m, u);
      continue;
    }
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

int MiniSearch::PieceMaterial(int white) const {
  int sum = 0;
  for (int sq = 0; sq < 120; ++sq) {
    if (sq & 0x88) {
      sq += 7;
      continue;
    }
    const uint8_t c = board_[sq];
    if (c != kNone && (white ? IsWhite(c) : IsBlack(c)) && TypeIndex(c) < 4)
      sum += mini::kValue[TypeIndex(c)];
  }
  return sum;
}

bool MiniSearch::MatesInTwoByChecks(const MiniSearchInput& input) {
  if (Setup(input) != 0) return false;
  top_ = 0;
  return MatesByChecks(2, 0);
}

bool MiniSearch::MatesByChecks(int moves, int ply) {
  // The side to move checks; every legal reply must leave a further mate by checks.
  if (ply >= kMateThreatPly || top_ + 218 > kStackSize) return false;
  const int first = top_;
  top_ += Generate(first, false);
  bool mate = false;
  for (int i = first; i < top_ && !mate; ++i) {
    const Move m = stack_[i];
    Undo u;
    Make(m, u);
    if (!InCheck(!whiteToMove_) && InCheck(whiteToMove_) && top_ + 218 <= kStackSize) {
      // Every reply of the checked side.
      const int replies = top_;
      top_ += Generate(replies, false);
      bool escaped = false;
      for (int r = replies; r < top_ && !escaped; ++r) {
        const Move reply = stack_[r];
        Undo ru;
        Make(reply, ru);
        if (!InCheck(!whiteToMove_)) escaped = moves <= 1 || !MatesByChecks(moves - 1, ply + 2);
        Unmake(reply, ru);
      }
      top_ = replies;
      mate = !escaped;
    }
    Unmake(m, u);
  }
  top_ = first;
  return mate;
}

int MiniSearch::Search(int alpha, int beta, int depth6, int ply, bool nullAllowed, int lastTo) {
  if (depth6 < 6 || ply >= plyLimit_ || top_ >= 230) return Quiesce(alpha, beta, ply, true);
  ++nodes_;
  const bool inCheck = InCheck(whiteToMove_);
  const int white = whiteToMove_;

  // Null move: pass and search shallower; when that still reaches the bound, cut.
  if (nullAllowed && !inCheck && depth6 > 12 && beta - alpha == 1) {
    const int own = PieceMaterial(white);
    const bool pieces = own > 0;
    const int eval = Evaluate();
    bool threat = false;
    if (pieces && (white ? eval : -eval) >= beta) {
      // In the middle game, or against two rooks' worth of pieces, first make sure that passing
      // does not let the opponent mate by checks in two.
      const int other = PieceMaterial(!white);
      if ((own >= 2240 && other >= 2240) || other == 1400) {
        const int savedEp = ep_;
        ep_ = -1;
        whiteToMove_ = !whiteToMove_;
        threat = MatesByChecks(2, ply + 1);
        whiteToMove_ = !whiteToMove_;
        ep_ = savedEp;
        if (threat) depth6 += 3;
      }
    }
    if (!threat && pieces && (white ? eval : -eval) >= beta) {
      const int savedEp = ep_;
      ep_ = -1;
      whiteToMove_ = !whiteToMove_;
      const int score = -Search(-(beta - 10), -(beta - 11), depth6 - 18, ply + 1, false, -1);
      whiteToMove_ = !whiteToMove_;
      ep_ = savedEp;
      if (score >= beta - 10) return beta;
    }
  }

  const int first = top_;
  const int n = Generate(first, false);
  top_ += n;
  Order(first, top_, ply, lastTo);
  int legal = 0, best = -kMiniInfinity - 1;
  Move bestMove{0, 0, 0, 0};
  for (int i = first; i < top_; ++i) {
    const Move m = PickNext(i, top_);
    Undo u;
    const uint8_t mover = board_[m.from];
    Make(m, u);
    if (InCheck(!whiteToMove_)) {
      Unmake(m, u);
      continue;
    }
    ++legal;
    int next = depth6 - 6;
    if (InCheck(whiteToMove_)) {
      next += 6;
    } else {
      const int ownRank = white ? (m.to >> 4) : 7 - (m.to >> 4);
      if (TypeIndex(mover) == 4 && ownRank == 6) next += 3;
      else if ((m.flags & kFCapture) && lastTo == m.to) next += 3;
    }
    int score;
    if (legal == 1) {
      score = -Search(-beta, -alpha, next, ply + 1, true, m.to);
    } else {
      score = -Search(-alpha - 1, -alpha, next, ply + 1, true, m.to);
      if (score > alpha && score < beta) score = -Search(-beta, -alpha, next, ply + 1, true, m.to);
    }
    Unmake(m, u);
    if (score > best) {
      best = score;
      bestMove = m;
      if (score > alpha) {
        alpha = score;
        if (alpha >= beta) break;
      }
    }
  }
  top_ = first;
  if (legal == 0) return inCheck ? -(kMiniInfinity - ply) : 0;
  if (!(bestMove.flags & kFCapture) && ply <= kMaxPly) {
    Move* k = killers_[ply];
    if (k[0].from != bestMove.from || k[0].to != bestMove.to) {
      k[1] = k[0];
      k[0] = bestMove;
    }
    if (nullAllowed && lastTo >= 0)
      counter_[white][lastTo] = static_cast<uint16_t>(bestMove.from | (bestMove.to << 8));
  }
  return best;
}

int MiniSearch::Run(const MiniSearchInput& input, int depth, MiniSearchResult& result) {
  result = MiniSearchResult();
  nodes_ = 0;
  lastIteration_ = 0;
  top_ = 0;
  std::memset(killers_, 0, sizeof killers_);
  std::memset(counter_, 0, sizeof counter_);
  setupError_ = Setup(input);
  if (setupError_) return 0;

  // The legal root moves, kept apart from the move stack.
  Move root[256];
  int count = 0;
  {
    const int n = Generate(0, false);
    for (int i = 0; i < n; ++i) {
      const Move m = stack_[i];
      Undo u;
      Make(m, u);
      const bool legal = !InCheck(!whiteToMove_);
      Unmake(m, u);
      if (legal) root[count++] = m;
    }
  }
  const bool inCheck = InCheck(whiteToMove_);
  if (count == 0) return inCheck ? -kMiniInfinity : 0;
  if (depth < 1) {
    const int eval = Evaluate();
    return MiniReportScore(whiteToMove_ ? eval : -eval);
  }
  if (depth > kMiniMaxIteration) depth = kMiniMaxIteration;
  top_ = 0;
  // First order: captures and promotions by their keys.
  for (int i = 0; i < count; ++i) stack_[i] = root[i];
  Order(0, count, 0, -1);
  for (int i = 0; i < count; ++i) {
    root[i] = PickNext(i, count);
  }

  int score = 0;
  Move best = root[0];
  const int white = whiteToMove_;
  for (int k = 1; k <= depth; ++k) {
    lastIteration_ = k;
    plyLimit_ = 2 * k < 16 ? 2 * k : 16;
    int alpha = k == 1 ? -kMiniInfinity : score - 45;
    int beta = k == 1 ? kMiniInfinity : score + 30;
    int failsLow = 0, failsHigh = 0;
    for (;;) {
      int bestScore = -kMiniInfinity - 1, bestIndex = 0;
      int a = alpha;
      for (int i = 0; i < count; ++i) {
        const Move m = root[i];
        Undo u;
        const uint8_t mover = board_[m.from];
        Make(m, u);
        int next = k * 6 - 6;
        if (InCheck(whiteToMove_)) next += 6;
        else if (TypeIndex(mover) == 4 && (white ? (m.to >> 4) : 7 - (m.to >> 4)) == 6) next += 3;
        int s;
        if (i == 0) {
          s = -Search(-beta, -a, next, 1, true, m.to);
        } else {
          s = -Search(-a - 1, -a, next, 1, true, m.to);
          if (s > a && s < beta) s = -Search(-beta, -a, next, 1, true, m.to);
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
        alpha = bestScore - Window(failsLow);
        if (alpha < -kMiniInfinity) alpha = -kMiniInfinity;
        continue;
      }
      if (bestScore >= beta && beta < kMiniInfinity) {
        ++failsHigh;
        beta = bestScore + Window(failsHigh);
        if (beta > kMiniInfinity) beta = kMiniInfinity;
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

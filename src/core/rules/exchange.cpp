#include "core/rules/exchange.h"

#include <algorithm>
#include <cstdlib>

#include "core/rules/movelist.h"

namespace zh {

namespace {

int ExchangeValue(int code) {
  return kExchangeValues[TypeOf(code)];
}

Move CompletedMove(const Position& p, MoveCode code) {
  Move m = Move::FromCode(code);
  m.CompleteFrom(p.board);
  return m;
}

// Whether `s` lies on the segment a..b of a common file, rank or diagonal.
bool IsBetween(int s, int a, int b) {
  const int df = FileOf(b) - FileOf(a), dr = RankOf(b) - RankOf(a);
  if (!(df == 0 || dr == 0 || std::abs(df) == std::abs(dr))) return false;
  const int sf = FileOf(s) - FileOf(a), sr = RankOf(s) - RankOf(a);
  // s - a must be a multiple k of the unit step with 0 <= k <= length.
  const int len = std::max(std::abs(df), std::abs(dr));
  const int uf = len ? df / len : 0, ur = len ? dr / len : 0;
  const int k = std::max(std::abs(sf), std::abs(sr));
  return k <= len && sf == uf * k && sr == ur * k;
}

}  // namespace

bool Move::IsRecapture(const Board& board, MoveCode earlier) const {
  return earlier.to == static_cast<uint8_t>(to) && IsOnBoard(to) && board[to] != kEmpty &&
         (kind & kCapture);
}

void Position::GetMoveTargets(int square, SquareList& list) const {
  MoveList moves;
  moves.GenerateLegal(*this);
  for (const MoveCode& m : moves)
    if (m.from == square) list.Add(m.to);
}

int16_t Position::StaticExchange(const Move& move) const {
  if (!IsOnBoard(move.from) || !IsOnBoard(move.to)) return 0;
  const int m = ExchangeValue(board[move.from]);
  const int c = ExchangeValue(board[move.to]);
  Position after = *this;
  after.MakeMove(move);
  AttackTally white, black;
  CountSquareAttackers(after.board, move.to, white, black);
  const bool moverBlack = ColourOf(board[move.from]) != 0;
  const AttackTally& d = moverBlack ? black : white;
  const AttackTally& a = moverBlack ? white : black;
  const int diff = m - c;
  int value;
  if (a.count == 0) {
    value = c;
  } else if (d.count < a.count) {
    if (d.count == 0) return static_cast<int16_t>(10 * diff);
    const int g = a.lowest - d.lowest;
    const int t = std::max(g - diff, -diff);
    value = diff >= g && c >= t ? t : c;
  } else {
    const int l = a.lowest;
    if (l < diff) {
      value = l - diff;
    } else if (a.count == 1) {
      value = m < l ? c : l - diff;
    } else if (d.lowest < l) {
      if (l >= m) {
        value = c;
      } else {
        const int r = l + c - d.lowest - m;
        value = r >= -diff ? r : -diff;
      }
    } else {
      value = c;
    }
  }
  return static_cast<int16_t>(-10 * value);
}

void Position::ScoreLegalMoves(ScoredMoveList& list) const {
  MoveList moves;
  moves.GenerateLegal(*this);
  for (const MoveCode& code : moves) {
    const Move m = CompletedMove(*this, code);
    list.Append(m, StaticExchange(m));
  }
}

int16_t Position::GetExchangeLoss(const Move& move, int16_t* key) const {
  ScoredMoveList list;
  ScoreLegalMoves(list);
  list.Sort();
  const int i = list.Find(move);
  const int16_t k = i >= 0 ? list.KeyAt(i) : 0;
  if (key) *key = k;
  return static_cast<int16_t>(list.Count() ? k - list.KeyAt(0) : 0);
}

void Position::GetEndangeredPieces(SquareList& safe, SquareList& threatened,
                                   SquareList& contested) const {
  for (int s = 0; s < 64; ++s) {
    if (board[s] == kEmpty) continue;
    AttackTally white, black;
    CountSquareAttackers(board, s, white, black);
    const int flags = GetSquareSafety(board, white, black, s, side == 1);
    if (flags & kSafetyThreatened)
      threatened.Add(s);
    else if ((flags & kSafetySafe) && (flags & kSafetyAttacked))
      safe.Add(s);
    else if (flags & kSafetyContested)
      contested.Add(s);
  }
}

void Position::GetMoveSafety(int square, SquareList& safe, SquareList& threatened,
                             SquareList& contested) const {
  MoveList moves;
  moves.GenerateLegal(*this);
  for (const MoveCode& code : moves) {
    if (code.from != square) continue;
    const Move m = Move::FromSquares(code.from, code.to, kQueen);
    Position after = *this;
    after.MakeMove(m);
    AttackTally white, black;
    CountSquareAttackers(after.board, code.to, white, black);
    int flags = GetSquareSafety(after.board, white, black, code.to, side != 1);
    if (board[code.to] != kEmpty || (code.kind & kEnPassant))
      AdjustSquareSafety(flags, TypeOf(board[code.from]),
                         board[code.to] ? TypeOf(board[code.to]) : kPawn);
    if (flags & kSafetyThreatened)
      threatened.Add(code.to);
    else if (flags & kSafetyContested)
      contested.Add(code.to);
    else
      safe.Add(code.to);
  }
}

bool Position::LeavesHomeSquare(const Move& move) const {
  if (!IsOnBoard(move.from) || !IsOnBoard(move.to)) return false;
  if (RankOf(move.from) != (side == 1 ? 7 : 0)) return false;
  const int type = TypeOf(board[move.from]);
  const int file = FileOf(move.from);
  switch (type) {
    case kQueen:
      return file == 3;
    case kKnight:
      return file == 1 || file == 6;
    case kBishop:
      return file == 2 || file == 5;
    case kRook:
      return file == 0 || file == 7;
    default:
      return false;
  }
}

void Position::GetXRayList(const Move& move, int16_t list[65]) const {
  list[64] = 0;
  if (!IsOnBoard(move.from) || !IsOnBoard(move.to)) return;
  const int opponent = side == 1 ? 0 : 1;
  if (board.GetAttackers(move.to, opponent).IsEmpty()) return;
  Board lifted = board;
  lifted[move.from] = kEmpty;
  const SquareSet attackers = lifted.GetAttackers(move.to, opponent);
  for (int s = 0; s < 64 && list[64] < 64; ++s)
    if (attackers.Contains(s)) list[list[64]++] = static_cast<int16_t>(s | lifted[s] << 8);
}

void MaterialTracker::Count(const Board& board) {
  int sums[2] = {0, 0};
  for (int s = 0; s < 64; ++s)
    if (board[s] != kEmpty) sums[ColourOf(board[s]) ? 1 : 0] += ExchangeValue(board[s]);
  white = static_cast<int16_t>(sums[0]);
  black = static_cast<int16_t>(sums[1]);
}

void MaterialTracker::Reset() {
  lastPly = -99;
  ResetFrom(Board(true));
}

void MaterialTracker::ResetFrom(const Board& board) {
  Count(board);
  previousWhite = white;
  previousBlack = black;
  changed = 0;
  spare = 0;
}

void MaterialTracker::Update(const Board& board, int ply, bool force) {
  if (force) {
    changed = 0;
    lastPly = static_cast<int16_t>(ply);
    return;
  }
  if (lastPly + 2 >= ply) return;
  previousWhite = white;
  previousBlack = black;
  changed = 1;
  Count(board);
}

void MoveSquareRelation::Compute(int square, int second, const GameMove& move,
                                 const Position& before) {
  code = kNone;
  pieceBehind = 0;
  if (!IsOnBoard(square) || !IsOnBoard(second) || move.from >= 64 || move.to >= 64) return;
  if (move.to == square) {
    code = kToSquare;
    return;
  }
  if (move.from == second) {
    code = kFromSecond;
    return;
  }
  if (IsBetween(move.to, square, second)) {
    code = kBetween;
    return;
  }
  Position after = before;
  after.DoGameMove(move);
  const int mover = after.board[move.to];
  const int moverSide = ColourOf(mover) ? 1 : 0;
  if (after.board.GetAttackers(second, moverSide).Contains(move.to)) {
    code = kAttacksSecond;
    return;
  }
  // A slider that now lines up on the square and sees it first.
  const int type = TypeOf(mover);
  const int df = FileOf(square) - FileOf(move.to), dr = RankOf(square) - RankOf(move.to);
  const bool straight = df == 0 || dr == 0;
  const bool diagonal = std::abs(df) == std::abs(dr);
  if (!((straight && (type == kQueen || type == kRook)) ||
        (diagonal && (type == kQueen || type == kBishop))))
    return;
  const int len = std::max(std::abs(df), std::abs(dr));
  if (len == 0) return;
  const int uf = df / len, ur = dr / len;
  for (int k = 1; k < len; ++k)
    if (after.board[MakeSquare(FileOf(move.to) + uf * k, RankOf(move.to) + ur * k)] != kEmpty)
      return;
  const int target = after.board[square];
  if (target == kEmpty) return;
  for (int f = FileOf(square) + uf, r = RankOf(square) + ur; f >= 0 && f < 8 && r >= 0 && r < 8;
       f += uf, r += ur) {
    const int p = after.board[MakeSquare(f, r)];
    if (p == kEmpty) continue;
    if (ColourOf(p) == ColourOf(target)) {
      code = TypeOf(p) == kKing ? kUncoversKing : kUncovers;
      pieceBehind = static_cast<uint8_t>(p);
    }
    return;
  }
}

}  // namespace zh

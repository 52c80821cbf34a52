#include "core/rules/board.h"

#include <cstring>

#include "core/services.h"

namespace zh {

Board::Board(bool start) : squares{}, cachedIndex(0) {
  if (start) SetStartPosition();
}

void Board::Assign(const Board& other) {
  std::memcpy(squares, other.squares, sizeof squares);
  cachedIndex = 0;
}

void Board::CopySquares(const Board& other) {
  std::memcpy(squares, other.squares, sizeof squares);
}

void Board::Clear() {
  std::memset(squares, 0, sizeof squares);
}

void Board::SetStartPosition() {
  Clear();
  constexpr uint8_t kBackRank[8] = {kRook, kKnight, kBishop, kQueen,
                                    kKing, kBishop, kKnight, kRook};
  for (int f = 0; f < 8; ++f) {
    squares[MakeSquare(f, 0)] = kBackRank[f];
    squares[MakeSquare(f, 1)] = kPawn;
    squares[MakeSquare(f, 6)] = kPawn | kBlackBit;
    squares[MakeSquare(f, 7)] = kBackRank[f] | kBlackBit;
  }
}

bool Board::DiffersFrom(const Board& other) const {
  uint32_t c = cachedIndex & 63;
  if (squares[c] != other.squares[c]) return true;
  for (uint32_t s = 0; s < 64; ++s) {
    if (squares[s] != other.squares[s]) {
      cachedIndex = s;
      return true;
    }
  }
  return false;
}

void Board::MergePieceKind(const Board& source, int code) {
  for (int s = 0; s < 64; ++s)
    if (source.squares[s] == code) squares[s] = static_cast<uint8_t>(code);
}

namespace {

// The first piece met along a ray, or 0 at the edge.
inline int FirstOnRay(const uint8_t* b, const SquareList8& ray) {
  for (int i = 0; i < ray.count; ++i)
    if (b[ray.squares[i]]) return b[ray.squares[i]];
  return 0;
}

inline bool AnyOn(const uint8_t* b, const SquareList8& targets, int code) {
  for (int i = 0; i < targets.count; ++i)
    if (b[targets.squares[i]] == code) return true;
  return false;
}

}  // namespace

bool TestSquareAttacked(const Board& board, int s, bool byBlack) {
  const uint8_t* b = board.squares;
  const int c = byBlack ? kBlackBit : 0;
  if (AnyOn(b, kKnightTargets[s], kKnight | c)) return true;
  const int queen = kQueen | c, bishop = kBishop | c, rook = kRook | c;
  const auto& rays = kRays[s];
  for (int d = 0; d < 4; ++d) {
    const int p = FirstOnRay(b, rays[d]);
    if (p == queen || p == bishop) return true;
  }
  for (int d = 4; d < 8; ++d) {
    const int p = FirstOnRay(b, rays[d]);
    if (p == queen || p == rook) return true;
  }
  if (AnyOn(b, kKingTargets[s], kKing | c)) return true;
  const Step* pawnSteps = byBlack ? kBlackPawnAttackers : kWhitePawnAttackers;
  const int pawn = kPawn | c;
  for (int i = 0; i < 2; ++i)
    if (CanStep(s, pawnSteps[i]) && b[s + pawnSteps[i].delta] == pawn) return true;
  return false;
}

bool IsKingAttacked(const Board& board, bool black) {
  const int king = kKing | (black ? kBlackBit : 0);
  for (int s = 0; s < 64; ++s)
    if (board.squares[s] == king) return TestSquareAttacked(board, s, !black);
  return false;
}

int16_t ValidateBoard(const Board& board, bool blackToMove) {
  const uint8_t* b = board.squares;
  int counts[16] = {};
  int empty = 0;
  for (int s = 0; s < 64; ++s) {
    if (b[s] > 15) return -1;
    if (TypeOf(b[s]) == kPawn && (RankOf(s) == 0 || RankOf(s) == 7)) return -1;
  }
  for (int s = 0; s < 64; ++s) {
    ++counts[b[s]];
    if (b[s] == kEmpty) ++empty;
  }
  if (empty < 32) return -1;
  if (counts[kKing] != 1 || counts[kKing | kBlackBit] != 1) return -1;
  if (counts[7] || counts[8] || counts[15]) return -1;
  for (int c = 0; c <= kBlackBit; c += kBlackBit) {
    const int q = counts[kQueen | c], n = counts[kKnight | c], bi = counts[kBishop | c],
              r = counts[kRook | c], p = counts[kPawn | c];
    if (p > 8) return -1;
    if (q + p > 9 || n + p > 10 || bi + p > 10 || r + p > 10) return -1;
    if (q + r + bi + n + p > 15) return -1;
    auto over = [](int v) { return v > 0 ? v : 0; };
    if (p + over(q - 1) + over(n - 2) + over(bi - 2) + over(r - 2) > 8) return -1;
  }
  const bool whiteAttacked = IsKingAttacked(board, false);
  const bool blackAttacked = IsKingAttacked(board, true);
  if (whiteAttacked && blackAttacked) return -1;
  if (blackToMove ? whiteAttacked : blackAttacked) return -1;
  return 0;
}

// Text 23 starts with the letters of K, Q, N, B, R, P: piece type t is character t,
// counted from 1.
char PieceLetter(int code) {
  const int type = code & 7;
  if (type < 1 || type > 6) return ' ';
  const std::string text = GetMessageText(23);
  const size_t i = static_cast<size_t>(type - 1);
  if (text == kNoText || i >= text.size()) return ' ';
  return text[i];
}

std::string SquareName(int square) {
  square &= 63;
  return {static_cast<char>('a' + FileOf(square)), static_cast<char>('1' + RankOf(square))};
}

std::string SideName(int side) {
  const int id = side == 0 ? 133 : 134;
  if (GetMessageText(id) == kNoText) return {};
  return GetMessageTextPlain(id);
}

}  // namespace zh

#include "coach/patterns.h"

#include <array>
#include <cstdlib>

#include "core/rules/move.h"
#include "core/rules/movelist.h"
#include "core/rules/position.h"

namespace zh {

namespace {

// White's view; black's squares are the same files on the mirrored rank.
struct HomeSquare {
  int file;
  int rank;
  int type;
  int weight;
};
constexpr std::array<HomeSquare, 9> kHomeSquares = {{
    {0, 0, kRook, 1},
    {1, 0, kKnight, 2},
    {2, 0, kBishop, 2},
    {3, 0, kQueen, 1},
    {5, 0, kBishop, 2},
    {6, 0, kKnight, 2},
    {7, 0, kRook, 1},
    {3, 1, kPawn, 1},
    {4, 1, kPawn, 1},
}};
constexpr int kCastledKingWeight = 2;

// Rank r as seen from the side (black's rank 0 is the 8th).
constexpr int SideRank(int side, int rank) {
  return side == 0 ? rank : 7 - rank;
}

bool IsPawnOf(const Board& board, int square, int side) {
  return TypeOf(board[square]) == kPawn && (ColourOf(board[square]) != 0) == (side != 0);
}

// Walks the file from the rank after `rank` towards the opponent up to the 7th rank
// (black: the 2nd) and answers whether an enemy pawn comes before an own pawn.
bool EnemyPawnAheadFirst(const Board& board, int file, int rank, int side) {
  const int step = side == 0 ? 1 : -1;
  for (int r = rank + step; r >= 1 && r <= 6; r += step) {
    const int s = MakeSquare(file, r);
    if (IsPawnOf(board, s, side)) return false;
    if (IsPawnOf(board, s, 1 - side)) return true;
  }
  return false;
}

bool NeighbourFilesHoldNoEnemyAhead(const Board& board, int square, int side) {
  const int file = FileOf(square);
  for (int f = file - 1; f <= file + 1; f += 2)
    if (f >= 0 && f < 8 && EnemyPawnAheadFirst(board, f, RankOf(square), side)) return false;
  return true;
}

}  // namespace

int KingShelterScore(const Board& board, Wing wing, int side) {
  constexpr std::array<int, 3> kWeights = {4, 3, 2};
  const int firstFile = wing == kKingSide ? 5 : 0;
  int score = 0;
  for (int f = firstFile; f < firstFile + 3; ++f)
    for (int i = 0; i < 3; ++i)
      if (TypeOf(board[MakeSquare(f, SideRank(side, 1 + i))]) == kPawn) score += kWeights[static_cast<size_t>(i)];
  return score;
}

int DevelopmentScore(const Position& position, int side) {
  const uint8_t colour = side == 0 ? 0 : kBlackBit;
  int score = 0;
  for (const HomeSquare& home : kHomeSquares)
    if (position.board[MakeSquare(home.file, SideRank(side, home.rank))] != (colour | home.type))
      score += home.weight;
  const int king = side == 0 ? position.whiteKing : position.blackKing;
  if (IsOnBoard(king) && FileOf(king) != 3 && FileOf(king) != 4 && FileOf(king) != 5)
    score += kCastledKingWeight;
  return score;
}

bool IsOpenFile(const Board& board, int file) {
  for (int r = 1; r <= 6; ++r)
    if (TypeOf(board[MakeSquare(file, r)]) == kPawn) return false;
  return true;
}

bool IsHalfOpenFile(const Board& board, int side, int file) {
  const int lowest = side == 0 ? 1 : 2;
  for (int r = lowest; r <= 6; ++r)
    if (IsPawnOf(board, MakeSquare(file, r), side)) return false;
  return true;
}

bool IsGuardedByOwnPawn(int square, int side, const Board& board) {
  const int behind = RankOf(square) - (side == 0 ? 1 : -1);
  if (behind < 0 || behind > 7) return false;
  const int file = FileOf(square);
  for (int f = file - 1; f <= file + 1; f += 2)
    if (f >= 0 && f < 8 && IsPawnOf(board, MakeSquare(f, behind), side)) return true;
  return false;
}

bool IsOutpost(int square, int side, const Board& board) {
  if (!IsOnBoard(square)) return false;
  const int rank = SideRank(side, RankOf(square));
  if (rank < 4 || rank > 6) return false;
  return IsGuardedByOwnPawn(square, side, board) &&
         NeighbourFilesHoldNoEnemyAhead(board, square, side);
}

bool IsBlockadeOfWeakPawn(int square, int side, const Board& board, int& pawnSquare) {
  if (!IsOnBoard(square)) return false;
  const int rank = SideRank(side, RankOf(square));
  if (rank > 4) return false;
  const int front = square + (side == 0 ? 1 : -1);
  if (!IsPawnOf(board, front, 1 - side)) return false;
  if (!NeighbourFilesHoldNoEnemyAhead(board, square, side)) return false;
  const int file = FileOf(square);
  for (int f = file - 1; f <= file + 1; f += 2)
    if (f >= 0 && f < 8 && IsPawnOf(board, MakeSquare(f, RankOf(square)), side)) return false;
  pawnSquare = front;
  return true;
}

int MaterialBalance(const Board& board) {
  int balance = 0;
  for (int s = 0; s < 64; ++s)
    if (board[s] != kEmpty) balance += ColourOf(board[s]) ? -PieceValue(board[s]) : PieceValue(board[s]);
  return balance;
}

int MobilityChange(const Position& before, const Move& move) {
  MoveList moves;
  moves.GenerateLegal(before);
  const int old = moves.CountFromSquare(move.from);

  Move played = move;
  played.CompleteFrom(before.board);
  Position after = before;
  after.MakeMove(played);
  after.side = before.side;
  after.epFile = 0;
  moves.GenerateLegal(after);
  return moves.CountFromSquare(move.to) - old;
}

}  // namespace zh

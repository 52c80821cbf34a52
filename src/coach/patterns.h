// The coach's chess pattern tests: king shelter, development, open and half-open
// files, outposts, blockades of weak pawns, material balance and the mobility a move
// gains. Squares are file * 8 + rank (a1 = 0); side 0 is white, 1 black; an own pawn
// is a pawn of the side asked about.
#pragma once

#include <cstdint>

#include "core/rules/board.h"

namespace zh {

struct Move;
struct Position;

enum Wing : int {
  kKingSide = 0,   // files f, g, h
  kQueenSide = 1,  // files a, b, c
};

// Pawns of either colour on the wing's three files, weighted 4, 3 and 2 on the side's
// 2nd, 3rd and 4th rank (black: 7th, 6th, 5th). At most 12.
int KingShelterScore(const Board& board, Wing wing, int side);
// Pieces that left their start squares, the king's castled wing and the centre pawns
// that moved, weighted as a development count. 0 at the start, at most 15.
int DevelopmentScore(const Position& position, int side);
// No pawn of either colour on ranks 2 to 7 of the file.
bool IsOpenFile(const Board& board, int file);
// No pawn of the side on the file: white's ranks 2 to 7, black's ranks 3 to 7.
bool IsHalfOpenFile(const Board& board, int side, int file);
// A square on the side's 5th to 7th rank guarded by an own pawn diagonally behind it,
// which no enemy pawn of a neighbouring file can chase away: on each neighbouring file
// no enemy pawn stands ahead of the square before an own pawn.
bool IsOutpost(int square, int side, const Board& board);
// An own pawn stands diagonally behind the square (the guard of an outpost).
bool IsGuardedByOwnPawn(int square, int side, const Board& board);
// A piece of the side on the square (its 1st to 5th rank) stops the enemy pawn right
// in front of it (its square in `pawnSquare`), which no enemy pawn of a neighbouring
// file can support, while no own pawn stands beside the blockading square.
bool IsBlockadeOfWeakPawn(int square, int side, const Board& board, int& pawnSquare);
// White's material minus black's: queen 900, rook 450, bishop and knight 300, pawn 100.
int MaterialBalance(const Board& board);
// Legal moves of the moved piece from its new square (the mover to move again after
// the move) minus those from its old square in `before`.
int MobilityChange(const Position& before, const Move& move);

}  // namespace zh

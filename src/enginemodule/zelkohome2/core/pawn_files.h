// Pawn structure by files: one signed score per file from white's view in units of
// 8, kept in every ply record and recomputed only for the files a move touched.
// Terms: files without own pawns and the rooks on them, doubled pawns, passed pawns
// (blocked, connected, protected, with a rook on their file, the kings' race in the
// endgame), isolated, backward, blocked and rammed pawns and contested stop squares.
#pragma once

#include <cstdint>

#include "enginemodule/zelkohome2/core/position.h"

namespace zh::zelko2 {

// Score of one file of the current board, white's view, units of 8; the endgame bit
// of the current record turns the king distances of passed pawns on.
int FileScore(const Position& position, int file);
int FileScoreOf(const Position& position, int file, bool endgame);

// Recomputes the dirty files of a record through the cache; the change of the
// evaluation from the view of the side that made the move.
int32_t UpdateFileScores(const Position& position, FileScoreCache& cache, PlyRecord& record, uint8_t dirty,
                         int mover_side);

}  // namespace zh::zelko2

// Pawn structure by files: one signed score per file from white's view in units of
// 8, kept in every ply record and recomputed only for the files a move touched.
// Terms: files without own pawns and the rooks on them, doubled pawns, passed pawns
// (blocked, connected, protected, with a rook on their file) and isolated pawns.
#pragma once

#include <cstdint>

#include "enginemodule/zelkohome2/core/position.h"

namespace zh::zelko2 {

// Score of one file of the current board, white's view, units of 8.
int FileScore(const Position& position, int file);

// Recomputes the dirty files of a record; the change of the evaluation from the view
// of the side that made the move.
int32_t UpdateFileScores(const Position& position, PlyRecord& record, uint8_t dirty, int mover_side);

}  // namespace zh::zelko2

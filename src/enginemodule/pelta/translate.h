// Translation between the engine interface records and the outside library: the
// position as FEN text, squares and moves in both directions, library scores.
#pragma once

#include <cstdint>
#include <string>

#include "enginemodule/interface/records.h"
#include "enginemodule/pelta/library_interface.h"

namespace zh::pelta {

// File-major (records) and rank-major (library) squares differ by swapping the two
// 3-bit halves; the swap is its own inverse.
constexpr int SwapSquare(int square) { return ((square & 7) << 3) | ((square >> 3) & 7); }

// Whether the block's board and side bytes hold only known codes.
bool IsValidBoard(const eng::PositionBlock& block);

// The en-passant file kept: only with a pawn of the side to move beside the pawn
// that stepped twice; 0 otherwise.
int KeptEnPassantFile(const eng::PositionBlock& block);

// Four-field FEN of the block's position (board, side, castling, e.p.); the e.p.
// field follows KeptEnPassantFile. The board must be valid.
std::string FenText(const eng::PositionBlock& block);

// A game move of the block for the library.
PeltaMove ToLibraryMove(const eng::GameMove& move);

// A library move for a report; false for a square outside 0..63 or an unknown
// promotion letter.
bool ToReportMove(const PeltaMove& move, eng::ReportMove& out);

// Copies at most 31 moves of a library line, stopping at the first bad move;
// returns the count. A null line or a negative length gives none.
int CopyLine(const PeltaMove* line, int32_t length, eng::ReportMove* out);
constexpr int kMaxLineMoves = 31;

// A library score as a report score: mate distances above 9698.
struct ReportScore {
  int16_t value;
  int16_t type;  // 1 centipawns, 2 mate
};
ReportScore ConvertScore(int32_t score);

}  // namespace zh::pelta

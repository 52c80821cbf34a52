// Text forms of positions: FEN read into and written from a game's start record, and
// the compact piece list ("wKg2,Qe2,Ra1,h1/bKg8,Pa7").
#pragma once

#include <string>
#include <string_view>

#include "core/rules/board.h"
#include "core/rules/game_move.h"

namespace zh {

// One letter per piece code 0..15 (white K Q N B R P at 1..6, black at 9..14).
using PieceLetterTable = std::string_view;
inline constexpr PieceLetterTable kFenLetters = " KQNBRP  kqnbrp ";

std::string FormatFen(const StartRecord& record, PieceLetterTable letters = kFenLetters);
// Fills the record from any text: unknown characters are skipped, castling rights
// need their king and rook, an en-passant file needs the pawn that made it. The
// record's ply word becomes 0 (a set-up position).
void ParseFen(StartRecord& record, std::string_view text, PieceLetterTable letters = kFenLetters);

std::string FormatPieceList(const Board& board);
// English (b for black, B bishop) or German (s for black, B pawn) letters and the
// figurines; answers the number of pieces placed.
int ParsePieceList(Board& board, std::string_view text);

}  // namespace zh

// Reading PGN text: where the games of a file begin, the tag section into a game
// header, and the movetext (moves in short algebraic notation, comments, glyphs,
// variations, result) into a game's move tree. Reading is tolerant: it never stops
// with a message, and what cannot be read as a move is kept as comment text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/rules/position.h"

namespace zh {

class GameHeader;
class TQGame;

// Letters of the pieces by piece code (white K Q N B R P at 1..6, black at 9..14).
inline constexpr std::string_view kPgnPieceLetters = " KQNBRP  kqnbrp ";

// The tag names the reader takes and the writer writes, in the writer's order.
inline constexpr std::string_view kPgnTagNames[] = {
    "Event",  "Site",     "Date",      "Round",    "White",      "Black",
    "Result", "ECO",      "WhiteElo",  "BlackElo", "Annotator",  "SetUp",
    "FEN",    "PlyCount", "EventDate", "Source",   "SourceDate", "Pieces"};

// The move a SAN token names in the position: 0 with its squares and promotion type,
// 1 when no legal move fits, 2 when several do. Castling tokens (O-O, 0-0-0, o-o)
// are matched as well. `letters` gives the white letters of K Q N B R at 1..5.
enum SanMatch : int { kSanMove = 0, kSanNoMove = 1, kSanAmbiguous = 2 };
int MatchSan(const Position& position, std::string_view token, std::string_view letters, int& from,
             int& to, int& promotion);

// Offsets of the games of a PGN text: a game starts at its first tag (or at a comment
// before it), or, without tags, at its first movetext token after the previous
// result. Brace comments, ';' comments and lines starting with '%' are skipped, so
// tag-like text inside them starts nothing. The last entry is the text's size.
std::vector<uint64_t> FindPgnGames(std::string_view text);

// Where a game came from, for the log lines of the tolerant reader.
struct PgnSource {
  std::string file;
  int64_t game = 0;
  bool utf8 = false;  // the file starts with a byte-order mark
};

// The game's bytes as UTF-8: as they are with a byte-order mark or when they are
// valid UTF-8, else read as Windows-1252.
std::string PgnTextToUtf8(std::string_view bytes, bool bom);
// Whether the bytes are taken as they are (a byte-order mark, or valid UTF-8).
bool PgnTextIsUtf8(std::string_view bytes, bool bom);

// The tag section into a header (cleared first). Unknown tags are skipped; dates,
// rounds and Elo values outside their ranges read as unknown.
void ReadPgnHeader(std::string_view text, GameHeader& header);
// What the tolerant reading could not keep as read (a bit set).
enum PgnLoss : int {
  kPgnLostFen = 1,    // no legal position fits the FEN: standard start, moves as comment
  kPgnLostPlies = 2,  // moves past the ply limit were kept as comment text
  kPgnLostText = 4,   // a comment is longer than a stored record and will be cut
};
std::string DescribePgnLosses(int lost);

// Header and movetext into the game; mainLineOnly skips comments, glyphs and
// variations. Answers 0 (what could not be read is kept as comment text). A game that
// loses something gets one line in the technical log and its PgnLoss bits in `lost`.
int ReadPgnGame(std::string_view text, TQGame& game, const PgnSource& source,
                bool mainLineOnly = false, int* lost = nullptr);

}  // namespace zh

// Move texts as the user reads them: short or long algebraic, descriptive or numeric
// notation with the user's piece letters, move numbers, check signs and the
// annotation symbols of a move.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "core/rules/display_text.h"
#include "core/rules/game_move.h"
#include "core/rules/movelist.h"
#include "core/rules/symbols.h"

namespace zh {

enum NotationMode : uint8_t {
  kAlgebraic = 0,
  kDescriptive = 1,
  kNumeric = 2,
  kNoNotation = 3,
  kLongForm = 4,  // bit: algebraic with from-square and '-', descriptive in full
};

// Process-wide notation settings; the shell fills them from the user's settings.
struct NotationSettings {
  uint8_t mode = kAlgebraic;
  // By piece type: 'X', K, Q, N, B, R, P, 'Y'. Figurines until the shell sets letters.
  std::array<uint8_t, 8> pieceLetters = {'X', 202, 203, 204, 205, 206, 207, 'Y'};
  uint8_t numberSuffix = '.';  // '_' writes ". ", 0 nothing
  uint8_t captureChar = 'x';   // 0 none
  uint8_t checkChar = '+';     // 0: no check or mate signs at all
  // By promotion type: queen '1', rook '2', bishop '3', knight '4'.
  std::array<uint8_t, 8> promotionDigits = {0, 0, '1', '4', '3', '2', 0, 0};
  // The piece type whose name each file a..h carries.
  std::array<uint8_t, 8> descriptiveFiles = {kRook, kKnight, kBishop, kQueen,
                                             kKing, kBishop, kKnight, kRook};

  // The English letters K, Q, N, B, R, P.
  void SetEnglishLetters() { pieceLetters = {'X', 'K', 'Q', 'N', 'B', 'R', 'P', 'Y'}; }
};

const NotationSettings& GetNotationSettings();
void SetNotationSettings(const NotationSettings& settings);

// Installs settings for its lifetime, then restores the previous ones.
class ScopedNotationSettings {
 public:
  explicit ScopedNotationSettings(const NotationSettings& settings);
  ~ScopedNotationSettings();
  ScopedNotationSettings(const ScopedNotationSettings&) = delete;
  ScopedNotationSettings& operator=(const ScopedNotationSettings&) = delete;

 private:
  NotationSettings previous_;
};

class NotationFormatter {
 public:
  explicit NotationFormatter(const StartRecord* start = nullptr);
  ~NotationFormatter();

  // First move number and side from a game's start record.
  void SetStart(const StartRecord& start);
  // "12." (or "12. ", or "12") for the move of `ply`.
  DisplayText FormatMoveNumber(int ply) const;
  // The number, and ".." (or "... ") for a black move: "12...".
  DisplayText FormatMovePrefix(int ply) const;
  // The text of a completed move, given the position it reached.
  DisplayText FormatMove(const Position& after, const GameMove& move);
  // Plays the move on a copy of `before` and formats it; flag 0x8000 gives the move
  // alone, else the prefix of the ply in the low bits comes first.
  DisplayText FormatMoveString(const Position& before, const GameMove& move, int flags);
  // Prefix symbol, move number (forced or for a white move), the stored move text,
  // then the move and position symbols.
  DisplayText FormatGameMove(const DisplayText& moveText, MoveSymbols symbols, int ply,
                             bool forceNumber) const;

  std::array<char, 8> longCastling = {'0', '-', '0', '-', '0'};
  std::array<char, 8> shortCastling = {'0', '-', '0'};
  uint8_t mateSign = '#';
  uint8_t moveSeparator = '-';
  uint8_t squareSeparator = '/';
  uint8_t promotionSeparator = 0;
  int16_t firstMove = 1;
  int16_t startSide = 0;

 private:
  DisplayText Algebraic(const Position& after, const GameMove& move, bool longForm) const;
  DisplayText Descriptive(const Position& after, const GameMove& move, bool longForm);
  DisplayText Numeric(const GameMove& move) const;
  void AppendCheckSign(DisplayText& text, const Position& after) const;

  std::unique_ptr<MoveList> moves_;
  std::unique_ptr<Position> scratch_;
};

// Capture sign and figurines to 'x' and the letters of the user's language.
DisplayText ReplaceFigurineChars(const DisplayText& text);

// Rays of the piece now on `target` (position after the move) that end on an equal
// piece whose square s has (s & mask) == (from & mask); walks stop at `from`.
int CountLineAttackers(const Position& after, int target, int from, int mask);
// Other pieces equal to the mover that reach the move's target (position before it).
int CountSamePieceMoves(const Position& before, const Move& move);

}  // namespace zh

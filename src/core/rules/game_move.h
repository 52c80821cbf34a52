// The move of a game's move tree: squares, kind bits, the pieces involved, the state
// it leaves behind for taking it back, its cached text and the annotations and
// variations that hang on it. Also the position with its ply counter that game code
// keeps, and the start record of a game.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

#include "core/rules/display_text.h"
#include "core/rules/move.h"
#include "core/rules/position.h"

namespace zh {

class AnnotationSet;
class VariationList;

// Kind of an entry that holds no move.
inline constexpr uint8_t kNoMoveKind = 63;
inline constexpr int kGameMoveTextSize = 16;

struct GameMove {
  AnnotationSet* annotations = nullptr;  // owned by the line that holds the move
  VariationList* variations = nullptr;   // owned by the line that holds the move
  uint8_t from = 0;
  uint8_t to = 0;
  uint8_t kind = kNoMoveKind;
  uint8_t promotion = 0;  // type 2..5, 0 when none
  uint8_t captured = 0;   // piece code taken; for en passant the taken pawn
  uint8_t piece = 0;      // code of the moving piece
  uint8_t epFile = 0;     // en-passant file + 1 of the position before the move
  uint8_t castling = 0;   // rights of the position before the move
  uint8_t text[kGameMoveTextSize] = {};  // display bytes, NUL-terminated

  static GameMove FromMove(const Move& move);
  static GameMove FromSquares(int from, int to, int promotion = 0);
  Move ToMove() const;

  bool IsNull() const { return from == to; }
  bool IsEmpty() const { return kind == kNoMoveKind; }
  bool IsCapture() const { return kind != kNoMoveKind && (kind & (kCapture | kEnPassant)); }

  // Shallow copy (pointers too) and a copy of the bytes alone.
  void Assign(const GameMove& other) { *this = other; }
  void CopyMoveOnly(const GameMove& other);

  // Kind bits from the position before the move (from, to and promotion set).
  void ClassifyKind(const Position& position);
  // Kind, pieces and the position's en-passant file and rights.
  void Complete(const Position& position);

  // Cached notation text; cut to 15 bytes.
  void SetText(const DisplayText& t);
  DisplayText Text() const;
  // "Nb1-c3", "e2-e4", "e7xd8Q", "0-0"; bare "e2e4" for an entry without a move.
  std::string LongText() const;
};
static_assert(std::is_trivially_copyable_v<GameMove>);
static_assert(offsetof(GameMove, from) == 16 && offsetof(GameMove, castling) == 23 &&
              offsetof(GameMove, text) == 24 && sizeof(GameMove) == 40);

// A position with the ply counter of game code.
struct GamePosition {
  Position position;
  int16_t ply = 0;

  void DoGameMove(const GameMove& move) {
    position.DoGameMove(move);
    ++ply;
  }
  void UndoGameMove(const GameMove& move) {
    position.UndoGameMove(move);
    --ply;
  }
};

// The start of a game: record kind, first move number (0 reads as 1) and the start
// position, whose ply word marks the standard start (1) or a set-up position (0).
struct StartRecord {
  uint16_t kind = 1;
  int16_t firstMove = 0;
  GamePosition start{Position(), 1};

  bool IsStandardStart() const { return start.ply == 1; }
  int FirstMoveNumber() const { return firstMove ? firstMove : 1; }
  void SetStandardStart() {
    start = {Position(), 1};
    firstMove = 0;
  }
};

}  // namespace zh

// The one way to walk and edit a game: a position on a path through the move tree
// (main line plus the variations entered on the way), with owner callbacks.
#pragma once

#include <cstdint>

#include "core/rules/game_move.h"
#include "core/services.h"
#include "database/game/position_stacks.h"

namespace zh {

class TQGame;
class MoveLine;
class VariationList;
struct SquareList;

enum CursorCallback : int {
  kPromotionPiece = 0,
  kVariationChoice = 1,
  kMovesChanged = 2,
  kLineDeleted = 3,
  kLinePromoted = 4,
  kMoveReplaced = 5,
  kStartChanged = 6,
  kCursorCallbackCount = 9,
};

// Answer bits of the variation choice.
enum VariationChoiceBits : int32_t {
  kChoiceOverwrite = 0x40,  // overwrite the chosen line from the current ply
  kChoiceReplace = 0x80,    // replace the move, keep what stays legal
  kChoiceTruncate = 0x100,  // overwrite the continuation
  kChoiceRefuse = 0x8000,
};

class GameCursor {
 public:
  explicit GameCursor(TQGame* game = nullptr);
  // Same game, position and path; callbacks cleared.
  GameCursor(const GameCursor& other);
  // Takes game, position and path; keeps its own callbacks.
  GameCursor& operator=(const GameCursor& other);
  void Assign(const GameCursor& other) { *this = other; }
  ~GameCursor() = default;

  CallbackLink callbacks[kCursorCallbackCount];

  TQGame* Game() const { return game_; }
  const GamePosition& Current() const { return position_; }
  const Position& GetPosition() const { return position_.position; }
  int Ply() const { return position_.ply; }
  const LineStack& Lines() const { return lines_; }

  // Reading.
  const GameMove* GetMove(int ply) const;
  const GameMove* LastMove() const;
  MoveLine* CurrentLine() const;
  int LineEnd() const;
  // The move whose variation list holds the alternatives to the move at ply; null
  // beyond its line.
  GameMove* GetVariationsAt(int ply) const;
  int VariationCount(int ply) const;
  int FindVariation(const GameMove& move) const;
  bool HasNestedVariations() const;
  const StartRecord& GetStartRecord() const;

  // Moving.
  void DoMove(const GameMove& move);
  void UndoMove(const GameMove& move, bool leaveLine);
  int Forward();
  void Back(bool leaveLine);
  void GoToPly(int ply);
  void Rewind();
  void ToStartPosition();
  void ToInitialPosition();
  void SavePosition();
  void RestorePosition();

  // Searches up to `count` plies ahead along the line and every variation on the way
  // for the same board, side to move and castling rights; the cursor stands on the
  // position when found and is unchanged otherwise (defined in game_title.cpp).
  bool FindPosition(int count, const Position& position);

  // Variations.
  int BeginLine(int index);
  int BeginNewLine();
  int EndLine();
  int PromoteVariation(bool notify);
  int DeleteVariation(bool notify);
  int CutVariation(bool notify);
  void DeleteRemainder();
  int DeleteMovesBefore();
  void StripGame();
  void ClearGame();
  int CopyLineFrom(const GameCursor& other);
  void SetMoveSymbol(int ply, int s);
  void SetPositionSymbol(int ply, int s);
  void SetPrefixSymbol(int ply, int s);

  // Entering moves: 0 entered, 1 refused, 18 the variations could not be extended,
  // 5 out of memory (the game, position and path are then unchanged).
  int AddMove(int from, int to, int promotion, int mode);
  int AddGameMove(const GameMove& move, int mode) { return AddMove(move.from, move.to, move.promotion, mode); }

 private:
  int32_t Call(CursorCallback slot) { return callbacks[slot].Call(reinterpret_cast<std::intptr_t>(this)); }
  const StartRecord& StartOf() const;
  // Start ply of the innermost entered variation (0 in the main line).
  int LineStart() const;
  MoveLine* MainLine() const;
  MoveLine* LineOf(const LineStackEntry& entry) const;
  // The line and index of ply p on the path.
  // strict: the variation must start below the ply.
  MoveLine* LineAt(int ply, int& index, int strict) const;
  // Leaves entered variations that start beyond the current ply (walking back without
  // leaving them keeps them for walking forward again; an edit here must not use them).
  void LeaveLinesAhead();
  int StoreMove(GameMove& move, bool replace);
  void SetSymbol(int ply, int which, int s);

  TQGame* game_ = nullptr;
  GamePosition position_;
  GamePosition savedPosition_;
  uint8_t saved_ = 0;
  LineStack lines_;
  LineStack savedLines_;
};

// Occupied squares of the cursor's position by safety.
void GetEndangeredPieces(const GameCursor& cursor, SquareList& safe, SquareList& threatened,
                         SquareList& contested);

}  // namespace zh

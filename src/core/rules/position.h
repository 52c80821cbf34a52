// A position: board, side to move, en-passant file, castling rights and king squares.
// A plain record copied as one block; other records embed it byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "core/rules/board.h"
#include "core/rules/square_set.h"

namespace zh {

struct Move;
struct GameMove;
class GameCursor;
struct SquareList;
class ScoredMoveList;

// Castling-right bits.
enum CastlingRight : uint8_t {
  kWhiteLong = 1,   // a1 rook
  kWhiteShort = 2,  // h1 rook
  kBlackLong = 4,   // a8 rook
  kBlackShort = 8,  // h8 rook
  kAllRights = 15,
};

// Bits answered by Position::Normalize.
enum NormalizeStep : uint8_t {
  kColoursMirrored = 1,
  kFilesFlipped = 2,
  kRanksFlipped = 4,
  kReflected = 8,
};

inline constexpr uint8_t kNoKing = 255;

struct Position {
  Board board;
  uint32_t side;     // 0 white, 1 black
  uint8_t epFile;    // file + 1 of the last double step (1..8), 0 none
  uint8_t castling;  // CastlingRight bits
  uint8_t whiteKing;
  uint8_t blackKing;

  // The start position, white to move.
  Position();
  // The current position of a game cursor (defined with the cursor).
  static Position FromCursor(const GameCursor& cursor);
  // Position::InitCopy: a copy of `other`.
  static Position InitCopy(const Position& other) { return other; }

  // Copies board and values (an en-passant file above 8 is dropped), then finds the kings.
  void Set(const Board& b, uint32_t sideToMove, uint8_t epFilePlusOne, uint8_t rights);
  void Assign(const Position& other);
  // The last square holding each colour's king, kNoKing when there is none.
  void FindKings();

  void MakeMove(const Move& move);
  // Plays a move without checking it; a promotion type outside 2..5 gives a queen.
  void MakeMoveSquares(int from, int to, int promotion);

  bool IsBlackToMove() const { return side == 1; }
  bool IsInCheck() const { return IsKingAttacked(board, side == 1); }
  // The side not to move is in check: the position is illegal.
  bool IsOpponentInCheck() const { return IsKingAttacked(board, side != 1); }
  bool HasLegalMoves() const;
  bool IsCheckmate() const { return IsInCheck() && !HasLegalMoves(); }
  bool IsStalemate() const { return !IsInCheck() && !HasLegalMoves(); }
  bool IsValid() const { return ValidateBoard(board, side == 1) == 0; }
  // A pawn of either colour on `from` and `to` on rank 1 or 8.
  bool IsPromotionMove(int from, int to) const;

  // Side 1 is black, any other value white.
  SquareSet GetPieceSquares(int type, int side) const;
  SquareSet GetSideSquares(int side) const;
  // Sum of PieceValue over the side's pawns (pawns true) or its other pieces.
  uint16_t GetMaterialSum(int side, bool pawns) const;

  // Colour mirror: ranks reflected, colours, side and rights exchanged.
  void Mirror();
  // Brings the position to its canonical form; answers NormalizeStep bits.
  int Normalize();
  // Rights that the placement of kings and rooks on their start squares allows.
  uint8_t CastlingRightsFromPlacement();

  // Plays a completed move of a game and takes it back exactly (game_move.cpp).
  void DoGameMove(const GameMove& move);
  void UndoGameMove(const GameMove& move);

  // Exchanges and threats (exchange.cpp).
  // To-squares of the legal moves starting on the square.
  void GetMoveTargets(int square, SquareList& list) const;
  // Sort key of a legal move: lower is better for the mover.
  int16_t StaticExchange(const Move& move) const;
  // The legal moves in generation order, each with its StaticExchange key.
  void ScoreLegalMoves(ScoredMoveList& list) const;
  // The move's key (in `key`) minus the best key among the legal moves.
  int16_t GetExchangeLoss(const Move& move, int16_t* key = nullptr) const;
  // Occupied squares by safety: safe but attacked, threatened, contested.
  void GetEndangeredPieces(SquareList& safe, SquareList& threatened,
                           SquareList& contested) const;
  // Destinations of the piece on the square by safety: safe, threatened, contested.
  void GetMoveSafety(int square, SquareList& safe, SquareList& threatened,
                     SquareList& contested) const;
  // The move takes a piece off its first rank of the side to move.
  bool LeavesHomeSquare(const Move& move) const;
  // Attackers of the move's to-square by the other side once the mover is lifted:
  // entries square | piece << 8, the count in entry 64.
  void GetXRayList(const Move& move, int16_t list[65]) const;

  // Same squares, side, en-passant file, rights and king squares.
  bool operator==(const Position& other) const;
};
static_assert(std::is_trivially_copyable_v<Position>);
static_assert(offsetof(Position, board) == 0 && offsetof(Position, side) == 68 &&
              offsetof(Position, epFile) == 72 && offsetof(Position, castling) == 73 &&
              offsetof(Position, whiteKing) == 74 && offsetof(Position, blackKing) == 75);
static_assert(sizeof(Position) == 76);

}  // namespace zh

// Moves: the full `Move` of generators, searches and variations and the compact
// `MoveCode` of move lists, with the move-kind bits both share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace zh {

struct Board;
struct Position;
struct Move;

// Move-kind bits.
enum MoveKind : uint8_t {
  kWhiteLongCastle = 0x01,   // e1-c1
  kWhiteShortCastle = 0x02,  // e1-g1
  kBlackLongCastle = 0x04,   // e8-c8
  kBlackShortCastle = 0x08,  // e8-g8
  kCastleBits = 0x0F,
  kEnPassant = 0x10,
  kDoubleStep = 0x20,
  kPromotion = 0x40,  // the promotion byte is valid
  kCapture = 0x80,    // the to-square held a piece
};

// The form stored in move lists. The promotion byte is written only for promotions,
// so it means something only with kind bit kPromotion.
struct GameMove;

struct MoveCode {
  uint8_t from;
  uint8_t to;
  uint8_t kind;
  uint8_t promotion;

  MoveCode() = default;
  constexpr MoveCode(uint8_t f, uint8_t t, uint8_t k, uint8_t p)
      : from(f), to(t), kind(k), promotion(p) {}
  explicit MoveCode(const Move& move);
  // From, to, kind and promotion of a move of the move tree.
  static MoveCode FromGameMove(const GameMove& move);
};
static_assert(std::is_trivially_copyable_v<MoveCode>);
static_assert(sizeof(MoveCode) == 4 && offsetof(MoveCode, from) == 0 &&
              offsetof(MoveCode, to) == 1 && offsetof(MoveCode, kind) == 2 &&
              offsetof(MoveCode, promotion) == 3);

struct Move {
  int8_t from = 0;
  int8_t to = 0;  // a to-square with the high bit set is never legal
  uint8_t piece = 0;
  uint8_t promotion = 0;  // type 2..5, meaningful only with kPromotion
  int8_t captured = 0;    // for en passant the captured pawn
  uint8_t kind = 0;
  std::string text;
  uint8_t complete = 0;  // piece, captured and kind were taken from a board

  static Move FromSquares(int from, int to, int promotion = 0);
  static Move FromCode(MoveCode code);
  // Squares, kind, promotion, captured and moving piece of a move of the move tree;
  // not complete.
  static Move FromGameMove(const GameMove& move);

  bool IsNull() const { return from == to; }
  // Same squares and, when this move promotes, the same promotion type.
  bool Equals(const Move& other) const;
  bool Differs(const Move& other) const { return !Equals(other); }

  // Sets the kind bits from the board.
  void Classify(const Board& board);
  // Classifies and takes the moving and the captured piece from the board.
  void CompleteFrom(const Board& board);
  void Complete(const Board& board) { CompleteFrom(board); }
  // Whether the completed move leaves the mover's king unattacked; castling also
  // needs the right and three unattacked king squares.
  bool IsLegal(const Position& position) const;
  // The earlier move ended on this move's to-square, which is occupied, and this move
  // captures.
  bool IsRecapture(const Board& board, MoveCode earlier) const;
  // "Ng1-f3 ", "e2-e4", "e7xd8Q", "0-0", "0-0-0"; "b1-c3" for an incomplete move.
  std::string ToLongText() const;
};

// Replaces the letter table of Move::ToLongText ("XKQNBRPY": empty, K, Q, N, B, R, P,
// spare) by the given text. Answers its length + 1, or 0 (table unchanged) for a
// text longer than eight characters.
int SetMovePieceLetters(std::string_view letters);

}  // namespace zh

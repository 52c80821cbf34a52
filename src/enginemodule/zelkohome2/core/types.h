// Basic types of the engine core: squares of the 0x88 board, piece handles, piece
// codes, move flags and the 68-byte position record.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zh::zelko2 {

// 0x88 square index: rank * 16 + file (a1 = 0, h1 = 7, a8 = 112).
using Square = int;
constexpr Square kNoSquare = -1;

constexpr Square ToSquare88(int s64) { return s64 + (s64 & 0x38); }
constexpr int ToSquare64(Square s) { return (s >> 4) * 8 + (s & 7); }
constexpr int FileOf(Square s) { return s & 7; }
constexpr int RankOf(Square s) { return s >> 4; }
constexpr bool OnBoard(Square s) { return (s & ~0x77) == 0; }
constexpr Square MakeSquare(int file, int rank) { return rank * 16 + file; }

// Board words: 0 empty, a handle, or the guard for every square off the board.
constexpr int32_t kGuard = -4;

// Handles: white 0x40 .. 0x7C, black 0x80 .. 0xBC; the king has the first one.
using Handle = int;
constexpr Handle kWhiteKing = 0x40;
constexpr Handle kBlackKing = 0x80;
constexpr int kHandleSlots = 0xC0 / 4;  // per-piece tables are indexed by handle / 4
constexpr int kMaxPiecesPerSide = 16;
constexpr int Slot(Handle h) { return h >> 2; }

// Sides: 0 white, 1 black. The side word holds the colour bit of the opponent's
// handles: 0x80 while white moves, 0x40 while black moves.
constexpr int kWhite = 0;
constexpr int kBlack = 1;
constexpr int ColourBit(int side) { return side == kWhite ? 0x40 : 0x80; }
constexpr int SideOf(Handle h) { return (h & 0x80) ? kBlack : kWhite; }
constexpr Handle KingHandle(int side) { return side == kWhite ? kWhiteKing : kBlackKing; }

// Engine codes: 1 P 2 N 3 B 4 R 5 Q 6 K, +8 black.
enum EngineCode : uint8_t {
  kEmpty = 0,
  kPawn = 1,
  kKnight = 2,
  kBishop = 3,
  kRook = 4,
  kQueen = 5,
  kKing = 6,
  kBlackBit = 8,
};

// Bits set in a byte of rank bits; a table, since the build targets no popcount
// instruction.
inline constexpr std::array<uint8_t, 256> kBitsInByte = [] {
  std::array<uint8_t, 256> t{};
  for (int b = 1; b < 256; ++b) t[static_cast<std::size_t>(b)] = static_cast<uint8_t>(t[static_cast<std::size_t>(b >> 1)] + (b & 1));
  return t;
}();
constexpr int BitsInByte(uint8_t b) { return kBitsInByte[b]; }

// Piece code = (engine code + 7) * 4; bit 0x20 white, 0x40 black, (code >> 2) & 7 type.
using PieceCode = int32_t;
constexpr PieceCode CodeOf(int engine_code) { return (engine_code + 7) * 4; }
constexpr int TypeOf(PieceCode code) { return (code >> 2) & 7; }  // 0 pawn .. 5 king
constexpr int EngineCodeOf(PieceCode code) { return (code >> 2) - 7; }
constexpr int kTypePawn = 0;
constexpr int kTypeKnight = 1;
constexpr int kTypeBishop = 2;
constexpr int kTypeRook = 3;
constexpr int kTypeQueen = 4;
constexpr int kTypeKing = 5;
// Row of per-code tables: code >> 2 (white 8..13, black 16..21).
constexpr int kCodeRows = 22;

// Move flags (bits 5..7 the kind).
enum MoveFlag : uint8_t {
  kFlagEven = 0x01,   // a capture of a piece of the same value
  kFlagNodeBits = 0x0E,
  kFlagCheck = 0x10,
  kFlagCastling = 0x20,
  kFlagDoubleStep = 0x40,
  kFlagEnPassant = 0x60,
  kFlagPromoQueen = 0x80,
  kFlagPromoRook = 0xA0,
  kFlagPromoBishop = 0xC0,
  kFlagPromoKnight = 0xE0,
  kFlagKindMask = 0xE0,
};
constexpr bool IsPromotion(int flags) { return (flags & 0x80) != 0; }
// Engine code (white) of the piece a promotion flag makes.
constexpr int PromotionCode(int flags) {
  switch (flags & kFlagKindMask) {
    case kFlagPromoRook: return kRook;
    case kFlagPromoBishop: return kBishop;
    case kFlagPromoKnight: return kKnight;
    default: return kQueen;
  }
}

// Castling rights (as in the position record).
enum Castling : uint8_t {
  kEndgameBit = 0x01,
  kBlackLong = 0x10,
  kWhiteLong = 0x20,
  kBlackShort = 0x40,
  kWhiteShort = 0x80,
  kAllCastling = 0xF0,
};

// A move as the generators and scans produce it.
struct Move {
  Square from = 0;
  Square to = 0;
  int flags = 0;
  bool operator==(const Move&) const = default;
};

// Core move word: byte 0 from, byte 1 to (rank-major 0..63), byte 2 the mover's
// engine code (+0x80 for a capture), byte 3 the flags.
using CoreMove = uint32_t;
constexpr CoreMove MakeCoreMove(int from64, int to64, int code, int flags) {
  return static_cast<CoreMove>(from64 | to64 << 8 | code << 16 | (flags & 0xFF) << 24);
}
constexpr int CoreFrom(CoreMove m) { return m & 0xFF; }
constexpr int CoreTo(CoreMove m) { return (m >> 8) & 0xFF; }
constexpr int CorePiece(CoreMove m) { return (m >> 16) & 0xFF; }
constexpr int CoreFlags(CoreMove m) { return (m >> 24) & 0xFF; }

// The 68-byte position: board rank-major with engine codes, side, e.p. target,
// castling rights and a zero byte.
struct CorePosition {
  std::array<uint8_t, 64> board{};
  uint8_t side = 0;
  uint8_t en_passant = 0;  // 16..23 black to move, 40..47 white to move, 0 none
  uint8_t castling = 0;
  uint8_t zero = 0;
  bool operator==(const CorePosition&) const = default;
};
static_assert(sizeof(CorePosition) == 68);

}  // namespace zh::zelko2

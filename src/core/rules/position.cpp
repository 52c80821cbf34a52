#include "core/rules/position.h"

#include <cstring>

#include "core/rules/move.h"
#include "core/rules/movelist.h"

namespace zh {

Position::Position()
    : board(true), side(0), epFile(0), castling(kAllRights), whiteKing(32), blackKing(39) {}

void Position::Set(const Board& b, uint32_t sideToMove, uint8_t epFilePlusOne, uint8_t rights) {
  board.Assign(b);
  side = sideToMove;
  epFile = epFilePlusOne <= 8 ? epFilePlusOne : 0;
  castling = rights;
  FindKings();
}

void Position::Assign(const Position& other) {
  board.Assign(other.board);
  side = other.side;
  epFile = other.epFile;
  castling = other.castling;
  whiteKing = other.whiteKing;
  blackKing = other.blackKing;
}

void Position::FindKings() {
  whiteKing = blackKing = kNoKing;
  for (int s = 0; s < 64; ++s) {
    if (board.squares[s] == kKing) whiteKing = static_cast<uint8_t>(s);
    if (board.squares[s] == (kKing | kBlackBit)) blackKing = static_cast<uint8_t>(s);
  }
}

void Position::MakeMove(const Move& move) {
  MakeMoveSquares(move.from, move.to, move.promotion);
}

void Position::MakeMoveSquares(int from, int to, int promotion) {
  epFile = 0;
  if (from != to && IsOnBoard(from) && IsOnBoard(to)) {
    uint8_t* b = board.squares;
    const uint8_t captured = b[to];
    const uint8_t mover = b[from];
    b[to] = mover;
    b[from] = kEmpty;
    const int d = from > to ? from - to : to - from;
    if (TypeOf(mover) == kPawn) {
      if (d == 2) {
        epFile = static_cast<uint8_t>(FileOf(from) + 1);
      } else if (d > 2 && captured == kEmpty) {
        b[(to & ~7) | (from & 7)] = kEmpty;
      } else if (RankOf(to) == 0 || RankOf(to) == 7) {
        const int type = promotion >= kQueen && promotion <= kRook ? promotion : kQueen;
        b[to] = static_cast<uint8_t>(type | ColourOf(mover));
      }
    } else if (TypeOf(mover) == kKing) {
      if (d > 9) {
        const int rookFrom = FileOf(to) == 6 ? to + 8 : to - 16;
        const int rookTo = FileOf(to) == 6 ? to - 8 : to + 8;
        if (IsOnBoard(rookFrom) && IsOnBoard(rookTo)) {
          b[rookTo] = b[rookFrom];
          b[rookFrom] = kEmpty;
        }
      }
      (ColourOf(mover) ? blackKing : whiteKing) = static_cast<uint8_t>(to);
    }
    castling &= kCastlingMask[from] & kCastlingMask[to];
  }
  side = OppositeSide(side);
}

bool Position::HasLegalMoves() const {
  MoveList list;
  return list.GenerateLegal(*this) > 0;
}

bool Position::IsPromotionMove(int from, int to) const {
  if (!IsOnBoard(from) || !IsOnBoard(to)) return false;
  return TypeOf(board.squares[from]) == kPawn && (RankOf(to) == 0 || RankOf(to) == 7);
}

SquareSet Position::GetPieceSquares(int type, int whichSide) const {
  const int code = (type & 7) | (whichSide == 1 ? kBlackBit : 0);
  SquareSet set;
  for (int s = 0; s < 64; ++s)
    if (board.squares[s] == code) set.Add(s);
  return set;
}

SquareSet Position::GetSideSquares(int whichSide) const {
  const int colour = whichSide == 1 ? kBlackBit : 0;
  SquareSet set;
  for (int s = 0; s < 64; ++s)
    if (board.squares[s] != kEmpty && ColourOf(board.squares[s]) == colour) set.Add(s);
  return set;
}

uint16_t Position::GetMaterialSum(int whichSide, bool pawns) const {
  const int colour = whichSide == 1 ? kBlackBit : 0;
  int sum = 0;
  for (int s = 0; s < 64; ++s) {
    const int p = board.squares[s];
    if (p == kEmpty || ColourOf(p) != colour) continue;
    if ((TypeOf(p) == kPawn) == pawns) sum += PieceValue(p);
  }
  return static_cast<uint16_t>(sum);
}

namespace {

uint8_t MapKing(uint8_t king, int (*map)(int, int), int c) {
  return king < 64 ? static_cast<uint8_t>(map(king, c)) : king;
}

int XorSquare(int s, int c) {
  return s ^ c;
}
int XorTranspose(int s, int c) {
  return TransposeSquare(s ^ c);
}

}  // namespace

void Position::Mirror() {
  Board mirrored = board;
  for (int s = 0; s < 64; ++s) {
    const uint8_t p = board.squares[s];
    mirrored.squares[s ^ 7] = static_cast<uint8_t>(p ? p ^ kBlackBit : 0);
  }
  board.CopySquares(mirrored);
  side = 1 - side;
  castling = static_cast<uint8_t>(((castling << 2) & 15) | ((castling >> 2) & 3));
  const uint8_t oldWhite = whiteKing;
  whiteKing = MapKing(blackKing, XorSquare, 7);
  blackKing = MapKing(oldWhite, XorSquare, 7);
}

int Position::Normalize() {
  int done = 0;
  const uint8_t* b = board.squares;
  if (side == 1) {
    Mirror();
    done |= kColoursMirrored;
  }
  if (epFile != 0) {
    const int f = epFile - 1;
    const bool keep = epFile <= 8 && b[MakeSquare(f, 4)] == (kPawn | kBlackBit) &&
                      ((f > 0 && b[MakeSquare(f - 1, 4)] == kPawn) ||
                       (f < 7 && b[MakeSquare(f + 1, 4)] == kPawn));
    if (!keep) epFile = 0;
  }
  if (castling != 0 || whiteKing > 63) return done;

  const int k = whiteKing;
  int c = 0;
  if (FileOf(k) < 4) {
    c = 56;
    done |= kFilesFlipped;
  }
  bool pawns = false;
  for (int s = 0; s < 64; ++s) pawns |= TypeOf(b[s]) == kPawn;
  if (!pawns) {
    if (RankOf(k) >= 4) {
      c ^= 7;
      done |= kRanksFlipped;
    }
    // Reflect along the diagonal when the white king lies above it, or on it with
    // the black king above it.
    auto aboveDiagonal = [c](int s) { return 7 - RankOf(s ^ c) < FileOf(s ^ c); };
    auto onDiagonal = [c](int s) { return 7 - RankOf(s ^ c) == FileOf(s ^ c); };
    if (aboveDiagonal(k) || (onDiagonal(k) && blackKing < 64 && aboveDiagonal(blackKing))) {
      c ^= 63;
      done |= kReflected;
    }
  }
  if (!(done & (kFilesFlipped | kRanksFlipped | kReflected))) return done;

  int (*map)(int, int) = (done & kReflected) ? XorTranspose : XorSquare;
  Board moved = board;
  for (int s = 0; s < 64; ++s) moved.squares[map(s, c)] = b[s];
  board.CopySquares(moved);
  whiteKing = MapKing(whiteKing, map, c);
  blackKing = MapKing(blackKing, map, c);
  if (epFile != 0 && (done & kFilesFlipped)) epFile = static_cast<uint8_t>(9 - epFile);
  return done;
}

uint8_t Position::CastlingRightsFromPlacement() {
  const uint8_t* b = board.squares;
  uint8_t rights = 0;
  if (b[32] == kKing) {
    if (b[56] == kRook) rights |= kWhiteShort;
    if (b[0] == kRook) rights |= kWhiteLong;
  }
  if (b[39] == (kKing | kBlackBit)) {
    if (b[63] == (kRook | kBlackBit)) rights |= kBlackShort;
    if (b[7] == (kRook | kBlackBit)) rights |= kBlackLong;
  }
  castling = rights;
  return rights;
}

bool Position::operator==(const Position& o) const {
  return std::memcmp(board.squares, o.board.squares, 64) == 0 && side == o.side &&
         epFile == o.epFile && castling == o.castling && whiteKing == o.whiteKing &&
         blackKing == o.blackKing;
}

}  // namespace zh

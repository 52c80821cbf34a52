#include "core/rules/game_move.h"

#include <algorithm>
#include <cstring>

namespace zh {

namespace {

constexpr char kLetters[] = " KQNBRP ";

// Rook squares of a castling move: from, to.
struct RookHop {
  int from, to;
};
RookHop CastlingRook(int kind) {
  if (kind & kWhiteLongCastle) return {0, 24};    // a1-d1
  if (kind & kWhiteShortCastle) return {56, 40};  // h1-f1
  if (kind & kBlackLongCastle) return {7, 31};    // a8-d8
  return {63, 47};                                // h8-f8
}

void SetKingSquare(Position& p, int code, int square) {
  if (TypeOf(code) != kKing) return;
  (ColourOf(code) ? p.blackKing : p.whiteKing) = static_cast<uint8_t>(square);
}

bool OnBoard(const GameMove& m) {
  return m.from < 64 && m.to < 64;
}

}  // namespace

GameMove GameMove::FromMove(const Move& move) {
  GameMove m;
  m.from = static_cast<uint8_t>(move.from);
  m.to = static_cast<uint8_t>(move.to);
  m.kind = move.kind;
  m.promotion = move.promotion;
  m.captured = static_cast<uint8_t>(move.captured);
  m.piece = move.piece;
  return m;
}

GameMove GameMove::FromSquares(int from, int to, int promotion) {
  GameMove m;
  m.from = static_cast<uint8_t>(from);
  m.to = static_cast<uint8_t>(to);
  m.promotion = static_cast<uint8_t>(promotion);
  return m;
}

Move GameMove::ToMove() const {
  Move m;
  m.from = static_cast<int8_t>(from);
  m.to = static_cast<int8_t>(to);
  m.piece = piece;
  m.promotion = promotion;
  m.captured = static_cast<int8_t>(captured);
  m.kind = kind == kNoMoveKind ? 0 : kind;
  m.complete = kind != kNoMoveKind;
  return m;
}

void GameMove::CopyMoveOnly(const GameMove& other) {
  *this = other;
  annotations = nullptr;
  variations = nullptr;
}

void GameMove::ClassifyKind(const Position& p) {
  if (!OnBoard(*this)) return;
  const uint8_t* b = p.board.squares;
  const int mover = b[from];
  kind = b[to] != kEmpty ? kCapture : 0;
  if (TypeOf(mover) == kKing && (from & 0x38) == 0x20) {
    const bool black = ColourOf(mover);
    if ((to & 0x38) == 0x30) kind |= black ? kBlackShortCastle : kWhiteShortCastle;
    if ((to & 0x38) == 0x10) kind |= black ? kBlackLongCastle : kWhiteLongCastle;
  }
  if (TypeOf(mover) == kPawn) {
    if (RankOf(to) != 0 && RankOf(to) != 7) {
      if (FileOf(from) != FileOf(to) && b[to] == kEmpty) kind |= kEnPassant;
      if (FileOf(from) == FileOf(to) &&
          ((RankOf(from) == 1 && RankOf(to) == 3) || (RankOf(from) == 6 && RankOf(to) == 4)))
        kind |= kDoubleStep;
    } else {
      kind |= kPromotion;
      if (promotion < kQueen || promotion > kRook) promotion = kQueen;
    }
  }
}

void GameMove::Complete(const Position& p) {
  if (IsNull() || !OnBoard(*this)) {
    kind = captured = piece = 0;
  } else {
    ClassifyKind(p);
    piece = p.board[from];
    captured = (kind & kEnPassant) ? static_cast<uint8_t>(piece ^ kBlackBit) : p.board[to];
  }
  epFile = p.epFile;
  castling = p.castling;
}

void GameMove::SetText(const DisplayText& t) {
  std::memset(text, 0, sizeof text);
  std::memcpy(text, t.Bytes().data(), std::min<size_t>(t.size(), kGameMoveTextSize - 1));
}

DisplayText GameMove::Text() const {
  return DisplayText(std::string_view(reinterpret_cast<const char*>(text),
                                      strnlen(reinterpret_cast<const char*>(text), sizeof text)));
}

std::string GameMove::LongText() const {
  if (kind == kNoMoveKind || !OnBoard(*this))
    return SquareName(from & 63) + SquareName(to & 63);
  if (kind & (kWhiteLongCastle | kBlackLongCastle)) return "0-0-0";
  if (kind & (kWhiteShortCastle | kBlackShortCastle)) return "0-0";
  std::string t;
  if (TypeOf(piece) != kPawn) t += kLetters[TypeOf(piece)];
  t += SquareName(from);
  t += (kind & (kCapture | kEnPassant)) ? 'x' : '-';
  t += SquareName(to);
  if (kind & kPromotion) t += kLetters[promotion & 7];
  return t;
}

void Position::DoGameMove(const GameMove& m) {
  epFile = 0;
  if (m.from != m.to && OnBoard(m)) {
    uint8_t* b = board.squares;
    const uint8_t mover = b[m.from];
    b[m.to] = mover;
    b[m.from] = kEmpty;
    if (TypeOf(mover) == kPawn) {
      if (m.kind & kEnPassant) b[(m.to & 0x38) | (m.from & 7)] = kEmpty;
      if (m.kind & kDoubleStep) epFile = static_cast<uint8_t>(FileOf(m.from) + 1);
      if (m.kind & kPromotion) b[m.to] = static_cast<uint8_t>(ColourOf(mover) | (m.promotion & 7));
    } else if (TypeOf(mover) == kKing) {
      if (m.kind & kCastleBits) {
        const RookHop r = CastlingRook(m.kind);
        b[r.to] = b[r.from];
        b[r.from] = kEmpty;
      }
      SetKingSquare(*this, mover, m.to);
    }
    castling &= kCastlingMask[m.from] & kCastlingMask[m.to];
  }
  side = 1 - side;
}

void Position::UndoGameMove(const GameMove& m) {
  if (m.from != m.to && OnBoard(m)) {
    uint8_t* b = board.squares;
    const uint8_t mover = b[m.to];
    b[m.from] = mover;
    b[m.to] = m.captured;
    if (m.kind & kEnPassant) {
      b[(m.to & 0x38) | (m.from & 7)] = m.captured;
      b[m.to] = kEmpty;
    }
    if (m.kind & kPromotion) b[m.from] = static_cast<uint8_t>(ColourOf(mover) | kPawn);
    if (TypeOf(mover) == kKing) {
      if (m.kind & kCastleBits) {
        const RookHop r = CastlingRook(m.kind);
        b[r.from] = b[r.to];
        b[r.to] = kEmpty;
      }
      SetKingSquare(*this, mover, m.from);
    }
  }
  castling = m.castling;
  epFile = m.epFile;
  side = 1 - side;
}

Move Move::FromGameMove(const GameMove& move) {
  Move m;
  m.from = static_cast<int8_t>(move.from);
  m.to = static_cast<int8_t>(move.to);
  m.kind = move.kind;
  m.promotion = move.promotion;
  m.captured = static_cast<int8_t>(move.captured);
  m.piece = move.piece;
  return m;
}

MoveCode MoveCode::FromGameMove(const GameMove& move) {
  return MoveCode(move.from, move.to, move.kind, move.promotion);
}

}  // namespace zh

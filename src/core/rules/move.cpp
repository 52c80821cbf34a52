#include "core/rules/move.h"

#include <cstring>

#include "core/rules/board.h"
#include "core/rules/position.h"

namespace zh {

namespace {

// Letters for empty, K, Q, N, B, R, P and a spare entry, with room for the zero.
char gPieceLetters[9] = "XKQNBRPY";

char LetterOf(int code) {
  return gPieceLetters[(code & 7) % 7];
}

}  // namespace

int SetMovePieceLetters(std::string_view letters) {
  if (letters.size() > 8) return 0;
  std::memcpy(gPieceLetters, letters.data(), letters.size());
  gPieceLetters[letters.size()] = '\0';
  return static_cast<int>(letters.size()) + 1;
}

MoveCode::MoveCode(const Move& move)
    : from(static_cast<uint8_t>(move.from)),
      to(static_cast<uint8_t>(move.to)),
      kind(move.kind),
      promotion(move.promotion) {}

Move Move::FromSquares(int from, int to, int promotion) {
  Move m;
  m.from = static_cast<int8_t>(from);
  m.to = static_cast<int8_t>(to);
  m.promotion = static_cast<uint8_t>(promotion);
  m.kind = promotion != 0 ? kPromotion : 0;
  return m;
}

Move Move::FromCode(MoveCode code) {
  Move m;
  m.from = static_cast<int8_t>(code.from);
  m.to = static_cast<int8_t>(code.to);
  m.kind = code.kind;
  m.promotion = code.promotion;
  return m;
}

bool Move::Equals(const Move& other) const {
  if (from != other.from || to != other.to) return false;
  return !(kind & kPromotion) || promotion == other.promotion;
}

void Move::Classify(const Board& board) {
  kind = 0;
  if (!IsOnBoard(from) || !IsOnBoard(to)) return;
  if (board[to] != kEmpty) kind = kCapture;
  const int mover = board[from];
  const bool black = ColourOf(mover) != 0;
  if (TypeOf(mover) == kKing && FileOf(from) == 4) {
    if (FileOf(to) == 6) kind |= black ? kBlackShortCastle : kWhiteShortCastle;
    if (FileOf(to) == 2) kind |= black ? kBlackLongCastle : kWhiteLongCastle;
  } else if (TypeOf(mover) == kPawn) {
    const int toRank = RankOf(to), fromRank = RankOf(from);
    if (toRank != 0 && toRank != 7) {
      if (FileOf(from) != FileOf(to)) {
        if (board[to] == kEmpty) kind |= kEnPassant;
      } else if ((fromRank == 1 && toRank == 3) || (fromRank == 6 && toRank == 4)) {
        kind |= kDoubleStep;
      }
    } else {
      kind |= kPromotion;
      if (promotion < kQueen || promotion > kRook) promotion = kQueen;
    }
  }
}

void Move::CompleteFrom(const Board& board) {
  Classify(board);
  if (!IsOnBoard(from) || !IsOnBoard(to)) return;
  piece = board[from];
  captured = static_cast<int8_t>((kind & kEnPassant) ? piece ^ kBlackBit : board[to]);
  complete = 1;
}

bool Move::IsLegal(const Position& position) const {
  if (!IsOnBoard(from) || !IsOnBoard(to)) return false;
  const bool black = position.side == 1;
  if (!(kind & kCastleBits)) {
    Position after = position;
    after.MakeMove(*this);
    return !IsKingAttacked(after.board, black);
  }
  // The king's square, the square it crosses and the one it reaches.
  int right, e, cross, target;
  switch (kind & kCastleBits) {
    case kWhiteLongCastle:
      right = 1, e = 32, cross = 24, target = 16;
      break;
    case kWhiteShortCastle:
      right = 2, e = 32, cross = 40, target = 48;
      break;
    case kBlackLongCastle:
      right = 4, e = 39, cross = 31, target = 23;
      break;
    case kBlackShortCastle:
      right = 8, e = 39, cross = 47, target = 55;
      break;
    default:
      return false;
  }
  if (!(position.castling & right)) return false;
  const bool byBlack = right <= 2;
  return !TestSquareAttacked(position.board, e, byBlack) &&
         !TestSquareAttacked(position.board, cross, byBlack) &&
         !TestSquareAttacked(position.board, target, byBlack);
}

std::string Move::ToLongText() const {
  const int f = from & 63, t = to & 63;
  auto file = [](int s) { return static_cast<char>('a' + FileOf(s)); };
  auto rank = [](int s) { return static_cast<char>('1' + RankOf(s)); };
  if (!complete) return {file(f), rank(f), '-', file(t), rank(t)};
  if (kind == kWhiteLongCastle || kind == kBlackLongCastle) return "0-0-0";
  if (kind == kWhiteShortCastle || kind == kBlackShortCastle) return "0-0";
  std::string s = {LetterOf(piece), file(f), rank(f), captured ? 'x' : '-', file(t), rank(t), ' '};
  if (kind & kPromotion) {
    s[6] = LetterOf(promotion);
    return s.substr(1);
  }
  if (TypeOf(piece) == kPawn) return s.substr(1, 5);
  return s;
}

}  // namespace zh

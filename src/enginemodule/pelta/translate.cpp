#include "enginemodule/pelta/translate.h"

namespace zh::pelta {
namespace {

constexpr char kPieceLetters[] = "XKQNBRPYxkqnbrpy";
constexpr uint8_t kBlack = 8;
constexpr uint8_t kPawn = 6;

bool IsPieceCode(uint8_t code) {
  uint8_t type = code & 7;
  return code < 16 && type >= 1 && type <= 6;
}

uint8_t At(const eng::PositionBlock& block, int file, int rank) { return block.board[file * 8 + rank]; }

}  // namespace

bool IsValidBoard(const eng::PositionBlock& block) {
  if (block.side_to_move > 1) return false;
  for (uint8_t code : block.board)
    if (code != 0 && !IsPieceCode(code)) return false;
  return true;
}

int KeptEnPassantFile(const eng::PositionBlock& block) {
  int file = block.en_passant_file - 1;
  if (file < 0 || file > 7) return 0;
  const bool white = block.side_to_move == 0;
  // The pawn that stepped twice stands on rank 5 (index 4) for a black pawn, 4 for white.
  const int rank = white ? 4 : 3;
  const uint8_t own_pawn = white ? kPawn : kPawn | kBlack;
  const uint8_t enemy_pawn = white ? kPawn | kBlack : kPawn;
  if (At(block, file, rank) != enemy_pawn) return 0;
  for (int beside : {file - 1, file + 1})
    if (beside >= 0 && beside < 8 && At(block, beside, rank) == own_pawn) return file + 1;
  return 0;
}

std::string FenText(const eng::PositionBlock& block) {
  std::string fen;
  for (int rank = 7; rank >= 0; --rank) {
    int empty = 0;
    for (int file = 0; file < 8; ++file) {
      uint8_t code = At(block, file, rank);
      if (code == 0) {
        ++empty;
        continue;
      }
      if (empty) fen += static_cast<char>('0' + empty);
      empty = 0;
      fen += kPieceLetters[code & 15];
    }
    if (empty) fen += static_cast<char>('0' + empty);
    if (rank) fen += '/';
  }
  const bool white = block.side_to_move == 0;
  fen += white ? " w " : " b ";
  std::string castling;
  if (block.castling & 2) castling += 'K';
  if (block.castling & 1) castling += 'Q';
  if (block.castling & 8) castling += 'k';
  if (block.castling & 4) castling += 'q';
  fen += castling.empty() ? "-" : castling;
  int ep = KeptEnPassantFile(block);
  if (ep) {
    fen += ' ';
    fen += static_cast<char>('a' + ep - 1);
    fen += white ? '6' : '3';
  } else {
    fen += " -";
  }
  return fen;
}

PeltaMove ToLibraryMove(const eng::GameMove& move) {
  static constexpr char kLetters[] = {0, 0, 'Q', 'N', 'B', 'R'};
  PeltaMove out{SwapSquare(move.from & 63), SwapSquare(move.to & 63), 0};
  if ((move.kind & eng::kGameMovePromotion) && move.promotion >= 2 && move.promotion <= 5)
    out.promotion = kLetters[move.promotion];
  return out;
}

bool ToReportMove(const PeltaMove& move, eng::ReportMove& out) {
  if (move.from < 0 || move.from > 63 || move.to < 0 || move.to > 63) return false;
  uint8_t promotion = 0;
  switch (move.promotion) {
    case 0: break;
    case 'Q': promotion = 2; break;
    case 'N': promotion = 3; break;
    case 'B': promotion = 4; break;
    case 'R': promotion = 5; break;
    default: return false;
  }
  out = {static_cast<uint8_t>(SwapSquare(move.from)), static_cast<uint8_t>(SwapSquare(move.to)), 0, promotion};
  return true;
}

int CopyLine(const PeltaMove* line, int32_t length, eng::ReportMove* out) {
  if (!line || length <= 0) return 0;
  int count = 0;
  for (int i = 0; i < length && i < kMaxLineMoves; ++i) {
    if (!ToReportMove(line[i], out[count])) break;
    ++count;
  }
  return count;
}

ReportScore ConvertScore(int32_t score) {
  if (score > 9698 || score < -9698) {
    if (score > kLibraryMate || score < -kLibraryMate) return {0, 2};
    int32_t moves = score > 0 ? (kLibraryMate - score) >> 1 : -((score + kLibraryMate) >> 1);
    return {static_cast<int16_t>(moves), 2};
  }
  return {static_cast<int16_t>(score), 1};
}

}  // namespace zh::pelta

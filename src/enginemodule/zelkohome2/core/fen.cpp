#include "enginemodule/zelkohome2/core/fen.h"

#include <sstream>

namespace zh::zelko2 {
namespace {

constexpr std::string_view kLetters = " PNBRQK";

}  // namespace

bool ParseFen(std::string_view fen, CorePosition& out) {
  std::istringstream in{std::string(fen)};
  std::string board, side = "w", castling = "-", ep = "-";
  in >> board >> side >> castling >> ep;
  CorePosition p;
  int rank = 7, file = 0;
  for (char c : board) {
    if (c == '/') {
      if (file != 8 || rank == 0) return false;
      --rank;
      file = 0;
    } else if (c >= '1' && c <= '8') {
      file += c - '0';
      if (file > 8) return false;
    } else {
      bool black = c >= 'a' && c <= 'z';
      size_t code = kLetters.find(static_cast<char>(black ? c - 32 : c));
      if (code == std::string_view::npos || code == 0 || file > 7) return false;
      p.board[rank * 8 + file++] = static_cast<uint8_t>(code | (black ? kBlackBit : 0));
    }
  }
  if (rank != 0 || file != 8) return false;
  if (side != "w" && side != "b") return false;
  p.side = side == "b";
  for (char c : castling) {
    switch (c) {
      case 'K': p.castling |= kWhiteShort; break;
      case 'Q': p.castling |= kWhiteLong; break;
      case 'k': p.castling |= kBlackShort; break;
      case 'q': p.castling |= kBlackLong; break;
      case '-': break;
      default: return false;
    }
  }
  if (ep != "-") {
    if (ep.size() != 2 || ep[0] < 'a' || ep[0] > 'h' || (ep[1] != '3' && ep[1] != '6')) return false;
    p.en_passant = static_cast<uint8_t>((ep[1] - '1') * 8 + (ep[0] - 'a'));
  }
  out = p;
  return true;
}

std::string ToFen(const CorePosition& p) {
  std::string fen;
  for (int rank = 7; rank >= 0; --rank) {
    int empty = 0;
    for (int file = 0; file < 8; ++file) {
      int code = p.board[rank * 8 + file];
      if (code == 0) {
        ++empty;
        continue;
      }
      if (empty) fen += static_cast<char>('0' + empty);
      empty = 0;
      char letter = kLetters[code & 7];
      fen += (code & kBlackBit) ? static_cast<char>(letter + 32) : letter;
    }
    if (empty) fen += static_cast<char>('0' + empty);
    if (rank) fen += '/';
  }
  fen += p.side ? " b " : " w ";
  std::string castling;
  if (p.castling & kWhiteShort) castling += 'K';
  if (p.castling & kWhiteLong) castling += 'Q';
  if (p.castling & kBlackShort) castling += 'k';
  if (p.castling & kBlackLong) castling += 'q';
  fen += castling.empty() ? "-" : castling;
  fen += ' ';
  if (p.en_passant) {
    fen += static_cast<char>('a' + p.en_passant % 8);
    fen += static_cast<char>('1' + p.en_passant / 8);
  } else {
    fen += '-';
  }
  return fen;
}

}  // namespace zh::zelko2

#include "core/rules/fen.h"

#include <vector>

namespace zh {

namespace {

constexpr uint8_t kFigurineKing = 162;

std::vector<std::string_view> Fields(std::string_view text) {
  std::vector<std::string_view> fields;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == ' ') ++i;
    const size_t start = i;
    while (i < text.size() && text[i] != ' ') ++i;
    if (i > start) fields.push_back(text.substr(start, i - start));
  }
  return fields;
}

bool IsNumber(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

int ReadNumber(std::string_view s) {
  long v = 0;
  for (char c : s) v = std::min(v * 10 + (c - '0'), 32767L);
  return static_cast<int>(v);
}

void ReadBoard(Board& board, std::string_view field, PieceLetterTable letters) {
  // An empty rank written as "//" reads as "/8/".
  std::string text;
  for (size_t i = 0; i < field.size(); ++i) {
    text += field[i];
    if (field[i] == '/' && i + 1 < field.size() && field[i + 1] == '/') text += '8';
  }
  board.Clear();
  int rank = 7, file = 0;
  auto nextRank = [&] {
    --rank;
    file = 0;
  };
  for (char c : text) {
    if (rank < 0) break;
    if (c >= '1' && c <= '8') {
      file += c - '0';
    } else if (c == '/') {
      if (file != 0) nextRank();
      continue;
    } else {
      for (int code = 1; code <= 14 && code < static_cast<int>(letters.size()); ++code) {
        if (letters[code] != c || c == ' ') continue;
        board[MakeSquare(file, rank)] = static_cast<uint8_t>(code);
        ++file;
        break;
      }
    }
    if (file > 7) nextRank();
  }
}

uint8_t ReadRights(const Board& b, std::string_view field) {
  uint8_t rights = 0;
  const bool whiteKing = b[32] == kKing, blackKing = b[39] == (kKing | kBlackBit);
  const int whiteRook = kRook, blackRook = kRook | kBlackBit;
  for (char c : field) {
    if (c == 'K' && whiteKing && b[56] == whiteRook) rights |= kWhiteShort;
    if (c == 'Q' && whiteKing && b[0] == whiteRook) rights |= kWhiteLong;
    if (c == 'k' && blackKing && b[63] == blackRook) rights |= kBlackShort;
    if (c == 'q' && blackKing && b[7] == blackRook) rights |= kBlackLong;
  }
  return rights;
}

uint8_t ReadEpFile(const Board& b, std::string_view field, bool blackToMove) {
  for (char c : field) {
    if (c < 'a' || c > 'h') continue;
    const int file = c - 'a';
    const bool pawn = blackToMove ? b[MakeSquare(file, 3)] == kPawn
                                  : b[MakeSquare(file, 4)] == (kPawn | kBlackBit);
    return pawn ? static_cast<uint8_t>(file + 1) : 0;
  }
  return 0;
}

void AppendSquares(std::string& text, const Board& board, int code) {
  int n = 0;
  for (int s = 0; s < 64 && n < 10; ++s) {
    if (board[s] != code) continue;
    if (n++ > 0) text += ',';
    text += SquareName(s);
  }
}

}  // namespace

std::string FormatFen(const StartRecord& record, PieceLetterTable letters) {
  const Position& p = record.start.position;
  std::string fen;
  for (int rank = 7; rank >= 0; --rank) {
    int empty = 0;
    for (int file = 0; file < 8; ++file) {
      const int code = p.board[MakeSquare(file, rank)];
      if (code == kEmpty) {
        ++empty;
        continue;
      }
      if (empty) fen += static_cast<char>('0' + empty);
      empty = 0;
      fen += code < static_cast<int>(letters.size()) ? letters[code] : '?';
    }
    if (empty) fen += static_cast<char>('0' + empty);
    if (rank) fen += '/';
  }
  fen += p.side == 1 ? " b " : " w ";
  const size_t rightsAt = fen.size();
  if (p.castling & kWhiteShort) fen += 'K';
  if (p.castling & kWhiteLong) fen += 'Q';
  if (p.castling & kBlackShort) fen += 'k';
  if (p.castling & kBlackLong) fen += 'q';
  fen += fen.size() == rightsAt ? "- " : " ";
  if (p.epFile >= 1 && p.epFile <= 8) {
    fen += static_cast<char>('a' + p.epFile - 1);
    fen += p.side == 1 ? "3 " : "6 ";
  } else {
    fen += "- ";
  }
  return fen + "0 " + std::to_string(record.FirstMoveNumber());
}

void ParseFen(StartRecord& record, std::string_view text, PieceLetterTable letters) {
  const std::vector<std::string_view> fields = Fields(text);
  Board board;
  ReadBoard(board, fields.empty() ? std::string_view() : fields[0], letters);
  const bool black = fields.size() > 1 && fields[1][0] == 'b';
  const uint8_t rights = fields.size() > 2 ? ReadRights(board, fields[2]) : 0;
  const uint8_t ep = fields.size() > 3 ? ReadEpFile(board, fields[3], black) : 0;
  int number = 0;
  if (fields.size() > 5 && IsNumber(fields[4]) && IsNumber(fields[5])) number = ReadNumber(fields[5]);
  record.firstMove = static_cast<int16_t>(number == 0 ? 1 : number);
  record.start.position.Set(board, black ? 1 : 0, ep, rights);
  record.start.ply = 0;
}

std::string FormatPieceList(const Board& board) {
  static constexpr std::string_view kLetters = " KQNBRP";
  std::string text;
  for (int colour = 0; colour <= kBlackBit; colour += kBlackBit) {
    text += colour ? "/b" : "w";
    bool first = true;
    for (int type = kKing; type <= kPawn; ++type) {
      const int code = type | colour;
      bool present = false;
      for (int s = 0; s < 64 && !present; ++s) present = board[s] == code;
      if (!present) continue;
      if (!first) text += ',';
      first = false;
      text += kLetters[type];
      AppendSquares(text, board, code);
    }
  }
  return text;
}

int ParsePieceList(Board& board, std::string_view text) {
  board.Clear();
  // The first 'b' or 's' before a king tells the language.
  bool german = false;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != 'b' && text[i] != 's') continue;
    const auto next = static_cast<uint8_t>(text[i + 1]);
    if (next == 'K' || next == kFigurineKing) {
      german = text[i] == 's';
      break;
    }
  }
  const char blackMarker = german ? 's' : 'b';
  int type = kKing, colour = 0, placed = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<uint8_t>(text[i]);
    if (c >= 'a' && c <= 'h' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '8') {
      board[MakeSquare(c - 'a', text[i + 1] - '1')] = static_cast<uint8_t>(type | colour);
      ++placed;
      ++i;
      continue;
    }
    switch (c) {
      case 'K': case 162: type = kKing; break;
      case 'D': case 'Q': case 163: type = kQueen; break;
      case 'N': case 'S': case 164: type = kKnight; break;
      case 'L': case 165: type = kBishop; break;
      case 'R': case 'T': case 166: type = kRook; break;
      case 'P': case 167: type = kPawn; break;
      case 'B': type = german ? kPawn : kBishop; break;
      case 'w': colour = 0; break;
      default:
        if (c == static_cast<uint8_t>(blackMarker)) colour = kBlackBit;
    }
  }
  return placed;
}

}  // namespace zh

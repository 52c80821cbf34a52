#include "support/test_fen.h"

#include <cctype>
#include <sstream>

namespace zh::test {

namespace {

constexpr std::string_view kLetters = " kqnbrp";

}  // namespace

Position ParseFenForTest(std::string_view fen) {
  std::istringstream in{std::string(fen)};
  std::string placement, side, castling, ep;
  in >> placement >> side >> castling >> ep;
  Board board;
  int file = 0, rank = 7;
  for (char ch : placement) {
    if (ch == '/') {
      --rank;
      file = 0;
    } else if (std::isdigit(static_cast<unsigned char>(ch))) {
      file += ch - '0';
    } else {
      const size_t type = kLetters.find(static_cast<char>(std::tolower(ch)));
      const int colour = std::islower(static_cast<unsigned char>(ch)) ? kBlackBit : 0;
      if (type != std::string_view::npos && file < 8 && rank >= 0)
        board[MakeSquare(file, rank)] = static_cast<uint8_t>(type | colour);
      ++file;
    }
  }
  uint8_t rights = 0;
  for (char ch : castling) {
    if (ch == 'K') rights |= kWhiteShort;
    if (ch == 'Q') rights |= kWhiteLong;
    if (ch == 'k') rights |= kBlackShort;
    if (ch == 'q') rights |= kBlackLong;
  }
  const uint8_t epFile = ep.size() == 2 ? static_cast<uint8_t>(ep[0] - 'a' + 1) : 0;
  Position p;
  p.Set(board, side == "b" ? 1 : 0, epFile, rights);
  return p;
}

std::string FenForTest(const Position& p) {
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
      const char letter = kLetters[TypeOf(code) % kLetters.size()];
      fen += ColourOf(code) ? letter : static_cast<char>(std::toupper(letter));
    }
    if (empty) fen += static_cast<char>('0' + empty);
    if (rank) fen += '/';
  }
  fen += p.side == 1 ? " b " : " w ";
  std::string rights;
  if (p.castling & kWhiteShort) rights += 'K';
  if (p.castling & kWhiteLong) rights += 'Q';
  if (p.castling & kBlackShort) rights += 'k';
  if (p.castling & kBlackLong) rights += 'q';
  fen += rights.empty() ? "-" : rights;
  fen += ' ';
  if (p.epFile >= 1 && p.epFile <= 8)
    fen += std::string{static_cast<char>('a' + p.epFile - 1), p.side == 1 ? '3' : '6'};
  else
    fen += '-';
  return fen + " 0 1";
}

std::string UciMove(const MoveCode& code) {
  std::string s = SquareName(code.from) + SquareName(code.to);
  if (code.kind & kPromotion) s += kLetters[code.promotion % kLetters.size()];
  return s;
}

const std::vector<PerftCase>& PerftCases() {
  static const std::vector<PerftCase> cases = {
      {"Start",
       "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
       {20, 400, 8902, 197281, 4865609}},
      {"Kiwipete",
       "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
       {48, 2039, 97862, 4085603}},
      {"RookEndgame", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", {14, 191, 2812, 43238, 674624}},
      {"Promotions",
       "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
       {6, 264, 9467, 422333}},
      {"PromotionsMirrored",
       "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1",
       {6, 264, 9467, 422333}},
      {"Talkchess",
       "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
       {44, 1486, 62379, 2103487}},
      {"Middlegame",
       "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
       {46, 2079, 89890, 3894594}},
  };
  return cases;
}

}  // namespace zh::test

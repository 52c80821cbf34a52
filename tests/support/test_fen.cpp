#include "support/test_fen.h"

#include "core/rules/fen.h"

namespace zh::test {

namespace {

constexpr std::string_view kLetters = " kqnbrp";

}  // namespace

Position ParseFenForTest(std::string_view fen) {
  StartRecord record;
  ParseFen(record, fen);
  return record.start.position;
}

std::string FenForTest(const Position& p) {
  StartRecord record;
  record.start.position = p;
  return FormatFen(record);
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

// The old format's move list against the reference engine: on the perft positions and
// every position along pgn-extract's ECO lines, its legal entries (castling only with
// the right) are the engine's moves, in the order of the legal move list. The slot
// coding is checked along the same lines.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/rules/coding_movelist.h"
#include "core/rules/game_move.h"
#include "core/rules/movelist.h"
#include "core/rules/piece_index_board.h"
#include "support/eco_lines.h"
#include "support/test_fen.h"
#include "support/uci_engine.h"

namespace zh {
namespace {

// The entries of the coding list that are legal moves, castling only with its right.
std::vector<std::string> LegalEntries(const Position& p) {
  CodingMoveList list;
  list.Generate(p.board, p.epFile, static_cast<int>(p.side));
  std::vector<std::string> legal;
  for (const MoveCode& code : list) {
    Move m = Move::FromCode(code);
    m.CompleteFrom(p.board);
    if (m.IsLegal(p)) legal.push_back(test::UciMove(code));
  }
  return legal;
}

std::vector<std::string> LegalList(const Position& p) {
  MoveList list;
  list.GenerateLegal(p);
  std::vector<std::string> moves;
  for (const MoveCode& m : list) moves.push_back(test::UciMove(m));
  return moves;
}

bool ParseUci(const std::string& s, int& from, int& to, int& promotion) {
  if (s.size() < 4) return false;
  from = (s[0] - 'a') * 8 + (s[1] - '1');
  to = (s[2] - 'a') * 8 + (s[3] - '1');
  promotion = s.size() > 4 ? static_cast<int>(std::string("..qnbr").find(s[4])) : 0;
  return IsOnBoard(from) && IsOnBoard(to) && promotion >= 0;
}

TEST(CodingReference, LegalEntriesAreTheEnginesMoves) {
  test::UciEngine engine;
  ASSERT_TRUE(engine.IsRunning()) << "no engine at " ZH_STOCKFISH;
  std::set<std::string> asked;
  int positions = 0;
  auto check = [&](const Position& p) {
    const std::string fen = test::FenForTest(p);
    if (!asked.insert(fen).second) return;
    ++positions;
    const std::vector<std::string> ours = LegalEntries(p);
    ASSERT_EQ(ours, LegalList(p)) << fen;
    engine.SetPosition(fen);
    auto perft = engine.Perft(1, std::chrono::seconds(30));
    ASSERT_TRUE(perft) << fen;
    std::set<std::string> theirs;
    for (const auto& [move, count] : perft->perMove) theirs.insert(move);
    ASSERT_EQ(std::set<std::string>(ours.begin(), ours.end()), theirs) << fen;
  };
  for (const test::PerftCase& c : test::PerftCases())
    ASSERT_NO_FATAL_FAILURE(check(test::ParseFenForTest(c.fen)));
  const auto lines = test::EcoLinesUci(ZH_PGN_EXTRACT);
  ASSERT_GT(lines.size(), 2000u);
  for (const auto& line : lines) {
    Position p;
    for (const std::string& uci : line) {
      ASSERT_NO_FATAL_FAILURE(check(p));
      int from, to, promotion;
      ASSERT_TRUE(ParseUci(uci, from, to, promotion)) << uci;
      p.MakeMoveSquares(from, to, promotion);
    }
    ASSERT_NO_FATAL_FAILURE(check(p));
  }
  EXPECT_GT(positions, 4000) << positions;
}

TEST(CodingReference, SlotCodingAlongEcoLines) {
  const auto lines = test::EcoLinesUci(ZH_PGN_EXTRACT);
  ASSERT_GT(lines.size(), 2000u);
  int plies = 0;
  for (int order = 0; order < 2; ++order) {
    for (const auto& line : lines) {
      Position p;
      PieceIndexBoard pib;
      pib.SetFromPosition(p, order);
      for (const std::string& uci : line) {
        int from, to, promotion;
        ASSERT_TRUE(ParseUci(uci, from, to, promotion));
        GameMove m = GameMove::FromSquares(from, to, promotion);
        m.Complete(p);
        ASSERT_TRUE(m.ToMove().IsLegal(p)) << uci;
        const uint8_t byte = pib.EncodeMove(m);
        ASSERT_GE(byte, 1);
        ASSERT_LT(byte, 235) << uci;  // the lines hold no promotion and few pieces
        GameMove back;
        ASSERT_TRUE(pib.DecodeMove(byte, p.side == 1, back));
        ASSERT_EQ(back.from, from);
        ASSERT_EQ(back.to, to);
        pib.ApplyMove(m);
        p.DoGameMove(m);
        ++plies;
      }
    }
  }
  EXPECT_GT(plies, 30000);
}

}  // namespace
}  // namespace zh

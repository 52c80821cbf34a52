// Retro moves of the tree tables against independent tools: positions of random games
// as pgn-extract writes them (--fencomments), each retro move replayed by stockfish.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "books/tables/tree_table_builder.h"
#include "core/temp_dir.h"
#include "support/pgn_corpus.h"
#include "support/random_games.h"
#include "support/recording_services.h"
#include "support/test_fen.h"
#include "support/uci_engine.h"

namespace zh {
namespace {

std::string Uci(const GameMove& m) { return test::UciMove(MoveCode::FromGameMove(m)); }

// The first `fields` blank-separated fields of a FEN.
std::string Fields(const std::string& fen, int fields) {
  size_t at = 0;
  for (int i = 0; i < fields && at != std::string::npos; ++i) at = fen.find(' ', at + 1);
  return fen.substr(0, at);
}

// FENs after each move of seeded random games, as pgn-extract computes them.
std::vector<std::string> PgnExtractFens(const test::TempDir& dir) {
  const std::string coordinates = (dir / "games.pgn").string();
  {
    std::ofstream out(coordinates);
    int n = 0;
    for (const auto& game : test::RandomGames(test::PerftCases()[0])) {
      out << "[Event \"Random " << ++n << "\"]\n\n";
      for (const MoveCode& m : game) out << test::UciMove(m) << ' ';
      out << "*\n\n";
    }
  }
  const std::string text =
      test::RunCommand(std::string(ZH_PGN_EXTRACT) + " --fencomments -s -C " + coordinates);
  std::vector<std::string> fens;
  for (size_t open = text.find('{'); open != std::string::npos; open = text.find('{', open + 1)) {
    const size_t close = text.find('}', open);
    if (close == std::string::npos) break;
    std::string fen = text.substr(open + 1, close - open - 1);
    for (char& c : fen)
      if (c == '\n' || c == '\r' || c == '\t') c = ' ';  // pgn-extract wraps long lines
    fen.erase(0, fen.find_first_not_of(" \n\r\t"));
    fen.erase(fen.find_last_not_of(" \n\r\t") + 1);
    fens.push_back(fen);
  }
  return fens;
}

TEST(RetroReference, EveryRowReplaysToThePositionAndItsEnPassantVariantsAreExact) {
  test::RecordingServices services;
  test::TempDir dir;
  const std::vector<std::string> all = PgnExtractFens(dir);
  ASSERT_GE(all.size(), 3000u);
  test::UciEngine stockfish;
  ASSERT_TRUE(stockfish.IsRunning());
  int positions = 0, rows = 0, variants = 0;
  for (size_t k = 0; k < all.size() && positions < 300; k += all.size() / 300) {
    const std::string& fen = all[k];
    SCOPED_TRACE(fen);
    ++positions;
    const Position position = test::ParseFenForTest(fen);
    const std::vector<GameMove> entries = TreeTableBuilder::RetroEntries(position);
    ASSERT_FALSE(entries.empty());
    // (predecessor board and retro move, en-passant file + 1)
    std::set<std::pair<std::string, int>> ours;
    auto key = [&](const GameMove& m) {
      Position before = position;
      before.UndoGameMove(m);
      return Fields(test::FenForTest(before), 3) + " " + Uci(m);
    };
    for (const GameMove& m : entries) {
      ++rows;
      Position before = position;
      before.UndoGameMove(m);
      const std::string beforeFen = test::FenForTest(before);
      SCOPED_TRACE(beforeFen + " " + Uci(m));
      // The move is in stockfish's move list of the predecessor and leads to the position.
      stockfish.SetPosition(beforeFen);
      const auto perft = stockfish.Perft(1);
      ASSERT_TRUE(perft);
      EXPECT_EQ(perft->perMove.count(Uci(m)), 1u);
      stockfish.SetPosition(beforeFen, {Uci(m)});
      const auto after = stockfish.Fen();
      ASSERT_TRUE(after);
      EXPECT_EQ(Fields(*after, 3), Fields(fen, 3));
      EXPECT_TRUE(ours.insert({key(m), m.epFile}).second);  // no row twice
      variants += m.epFile != 0;
    }
    // Where stockfish keeps an en-passant square on a predecessor (a double step could
    // have preceded it), we have that variant, and nowhere else.
    for (const GameMove& m : entries) {
      if (m.epFile != 0) continue;
      Position before = position;
      before.UndoGameMove(m);
      // Only a pawn of the other side on its fourth rank can have made the step.
      const bool blackStepped = !before.IsBlackToMove();
      const uint8_t stepped = static_cast<uint8_t>(kPawn | (blackStepped ? kBlackBit : 0));
      for (int file = 0; file < 8; ++file) {
        if (before.board[MakeSquare(file, blackStepped ? 4 : 3)] != stepped) {
          EXPECT_EQ(ours.count({key(m), file + 1}), 0u);
          continue;
        }
        const int rank = before.IsBlackToMove() ? 2 : 5;  // the square passed over
        Position with = before;
        with.epFile = static_cast<uint8_t>(file + 1);
        std::string withFen = test::FenForTest(with);
        const std::string square{char('a' + file), char('1' + rank)};
        stockfish.SetPosition(withFen);
        const auto echoed = stockfish.Fen();
        ASSERT_TRUE(echoed);
        const bool kept = Fields(*echoed, 4).substr(Fields(*echoed, 3).size() + 1) == square;
        EXPECT_EQ(ours.count({key(m), file + 1}) == 1, kept) << Uci(m) << " " << square;
      }
    }
  }
  EXPECT_EQ(positions, 300);
  EXPECT_GT(variants, 0);
  RecordProperty("rows", rows);
}

}  // namespace
}  // namespace zh

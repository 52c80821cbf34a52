// The coach's pattern tests: outposts against stockfish's pawn captures and the
// textbook script, fixed values of shelter, development and material, and the
// mobility a move gains against stockfish's move counts.
#include "coach/patterns.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "coach/coach_games.h"
#include "core/rules/movelist.h"
#include "core/rules/position.h"
#include "support/test_fen.h"
#include "support/uci_engine.h"

namespace zh {
namespace {

constexpr int kSampledPositions = 2000;

int ParseSquare(const std::string& name) {
  return (name[0] - 'a') * 8 + (name[1] - '1');
}

std::vector<int> SquareList(const std::string& text) {
  std::vector<int> squares;
  if (text == "-") return squares;
  std::istringstream in(text);
  for (std::string s; std::getline(in, s, ',');) squares.push_back(ParseSquare(s));
  return squares;
}

// A FEN of the position's pawns alone, the side to move, a king of each colour on its
// own back rank where no pawn checks it, and a knight of the other colour on every
// empty square of the side's 5th to 7th rank: the side's legal pawn captures onto those
// knights are the squares its pawns guard.
std::string GuardProbe(const Position& position, int side) {
  Position probe = position;
  Board& b = probe.board;
  for (int s = 0; s < 64; ++s)
    if (TypeOf(b[s]) != kPawn) b[s] = kEmpty;
  auto placeKing = [&](int colour) {
    const int rank = colour == 0 ? 0 : 7;
    const int pawnRank = colour == 0 ? 1 : 6;
    const uint8_t enemyPawn = static_cast<uint8_t>(kPawn | (colour == 0 ? kBlackBit : 0));
    for (int f = 0; f < 8; ++f) {
      const bool checked = (f > 0 && b[MakeSquare(f - 1, pawnRank)] == enemyPawn) ||
                           (f < 7 && b[MakeSquare(f + 1, pawnRank)] == enemyPawn);
      if (!checked) {
        b[MakeSquare(f, rank)] = static_cast<uint8_t>(kKing | (colour ? kBlackBit : 0));
        return true;
      }
    }
    return false;
  };
  EXPECT_TRUE(placeKing(0) && placeKing(1));
  const uint8_t knight = static_cast<uint8_t>(kKnight | (side == 0 ? kBlackBit : 0));
  for (int s = 0; s < 64; ++s) {
    const int rank = side == 0 ? RankOf(s) : 7 - RankOf(s);
    if (rank >= 4 && rank <= 6 && b[s] == kEmpty) b[s] = knight;
  }
  probe.Set(b, static_cast<uint32_t>(side), 0, 0);
  return test::FenForTest(probe);
}

TEST(Patterns, OutpostsAgreeWithStockfishsPawnCapturesAndTheScript) {
  auto games = test::EcoGames();
  for (auto& g : test::RandomCoachGames(200)) games.push_back(std::move(g));
  const auto all = test::DistinctPositions(games);
  ASSERT_GT(all.size(), static_cast<size_t>(kSampledPositions));
  std::vector<Position> positions;
  for (int i = 0; i < kSampledPositions; ++i)
    positions.push_back(all[all.size() * static_cast<size_t>(i) / kSampledPositions]);
  std::vector<std::string> fens;
  for (const Position& p : positions) fens.push_back(test::FenForTest(p));
  const auto script = test::RunCoachScript("pawn_facts.py", fens);
  ASSERT_EQ(script.size(), positions.size());

  test::UciEngine stockfish;
  ASSERT_TRUE(stockfish.IsRunning());
  int outposts = 0, differences = 0;
  for (size_t i = 0; i < positions.size(); ++i) {
    const Board& board = positions[i].board;
    std::string field = script[i].substr(script[i].find("outpost=") + 8);
    field = field.substr(0, field.find(' '));
    for (int side = 0; side < 2; ++side) {
      const std::string part = side == 0 ? field.substr(0, field.find('/')) : field.substr(field.find('/') + 1);
      std::vector<bool> quiet(64, false);
      for (int s : SquareList(part)) quiet[static_cast<size_t>(s)] = true;
      stockfish.SetPosition(GuardProbe(positions[i], side));
      const auto perft = stockfish.Perft(1);
      ASSERT_TRUE(perft) << fens[i];
      std::vector<bool> guarded(64, false);
      for (const auto& [move, count] : perft->perMove) {
        const int from = ParseSquare(move.substr(0, 2)), to = ParseSquare(move.substr(2, 2));
        if (TypeOf(board[from]) == kPawn && FileOf(from) != FileOf(to)) guarded[static_cast<size_t>(to)] = true;
      }
      for (int s = 0; s < 64; ++s) {
        if (TypeOf(board[s]) == kPawn) continue;
        const bool expected = guarded[static_cast<size_t>(s)] && quiet[static_cast<size_t>(s)];
        outposts += expected;
        if (IsOutpost(s, side, board) != expected && ++differences <= 10)
          ADD_FAILURE() << fens[i] << " side " << side << " square " << SquareName(s) << " expected "
                        << expected;
      }
    }
  }
  EXPECT_EQ(differences, 0);
  EXPECT_GT(outposts, 500);
}

TEST(Patterns, ShelterDevelopmentAndMaterialValues) {
  struct Case {
    const char* fen;
    int shelter[4];  // white king side, white queen side, black king side, black queen side
    int development[2];
    int material;
  };
  const std::vector<Case> cases = {
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", {12, 12, 12, 12}, {0, 0}, 0},
      // f2, g2, h2 / g2, h2 / one pawn on the 2nd rank, black mirrored.
      {"4k3/5ppp/8/8/8/8/5PPP/4K3 w - - 0 1", {12, 0, 12, 0}, {13, 13}, 0},
      {"4k3/6pp/8/8/8/8/6PP/4K3 w - - 0 1", {8, 0, 8, 0}, {13, 13}, 0},
      {"4k3/p7/8/8/8/8/P7/4K3 w - - 0 1", {0, 4, 0, 4}, {13, 13}, 0},
      // Pawns of either colour count on the side's ranks; the 3rd and 4th weigh 3 and 2.
      {"4k3/8/8/8/6p1/5P2/7P/4K3 w - - 0 1", {9, 0, 0, 0}, {13, 13}, 100},
      // Every piece has left and the kings castled: 15; a queen up.
      {"2kr4/8/8/8/8/8/8/Q4RK1 w - - 0 1", {0, 0, 0, 0}, {15, 15}, 900},
      // After 1.e4 d5 2.exd5 Qxd5: a pawn each is gone.
      {"rnb1kbnr/ppp1pppp/8/3q4/8/8/PPPP1PPP/RNBQKBNR w KQkq - 0 3", {12, 12, 12, 12}, {1, 2}, 0},
      // A knight for a pawn.
      {"4k3/8/8/8/8/8/P7/4K1N1 w - - 0 1", {0, 4, 0, 0}, {11, 13}, 400},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fen);
    const Position p = test::ParseFenForTest(c.fen);
    EXPECT_EQ(KingShelterScore(p.board, kKingSide, 0), c.shelter[0]);
    EXPECT_EQ(KingShelterScore(p.board, kQueenSide, 0), c.shelter[1]);
    EXPECT_EQ(KingShelterScore(p.board, kKingSide, 1), c.shelter[2]);
    EXPECT_EQ(KingShelterScore(p.board, kQueenSide, 1), c.shelter[3]);
    EXPECT_EQ(DevelopmentScore(p, 0), c.development[0]);
    EXPECT_EQ(DevelopmentScore(p, 1), c.development[1]);
    EXPECT_EQ(MaterialBalance(p.board), c.material);
  }
}

TEST(Patterns, FilesOutpostAndBlockadeEdges) {
  // White's ranks 2 to 7 decide an open file; black's half-open file starts at rank 3.
  const Position p = test::ParseFenForTest("4k3/8/8/8/8/8/3p4/4K3 w - - 0 1");
  EXPECT_FALSE(IsOpenFile(p.board, 3));
  EXPECT_TRUE(IsHalfOpenFile(p.board, 1, 3));
  EXPECT_TRUE(IsHalfOpenFile(p.board, 0, 3));
  // d5 guarded by e4; a black c-pawn further up could chase it, unless a white c-pawn
  // stands before it.
  const Position outpost = test::ParseFenForTest("4k3/2p5/8/8/4P3/8/8/4K3 w - - 0 1");
  EXPECT_FALSE(IsOutpost(MakeSquare(3, 4), 0, outpost.board));
  const Position held = test::ParseFenForTest("4k3/2p5/2P5/8/4P3/8/8/4K3 w - - 0 1");
  EXPECT_TRUE(IsOutpost(MakeSquare(3, 4), 0, held.board));
  EXPECT_FALSE(IsOutpost(MakeSquare(3, 3), 0, held.board));  // the 4th rank is too low
  // A knight on d3 before the isolated d4 pawn; a white e-pawn beside it spoils it.
  const Position block = test::ParseFenForTest("4k3/8/8/8/3p4/8/8/4K3 w - - 0 1");
  int pawn = -1;
  EXPECT_TRUE(IsBlockadeOfWeakPawn(MakeSquare(3, 2), 0, block.board, pawn));
  EXPECT_EQ(pawn, MakeSquare(3, 3));
  const Position beside = test::ParseFenForTest("4k3/8/8/8/3p4/4P3/8/4K3 w - - 0 1");
  EXPECT_FALSE(IsBlockadeOfWeakPawn(MakeSquare(3, 2), 0, beside.board, pawn));
}

TEST(Patterns, MobilityChangeAgreesWithStockfishOnSeededMoves) {
  const auto games = test::RandomCoachGames(200);
  test::UciEngine stockfish;
  ASSERT_TRUE(stockfish.IsRunning());
  auto countFrom = [&](const Position& p, int square) {
    stockfish.SetPosition(test::FenForTest(p));
    const auto perft = stockfish.Perft(1);
    EXPECT_TRUE(perft);
    int n = 0;
    if (perft)
      for (const auto& [move, count] : perft->perMove) n += ParseSquare(move.substr(0, 2)) == square;
    return n;
  };
  uint32_t seed = 12345;
  int checked = 0;
  for (size_t g = 0; checked < 500; g = (g + 1) % games.size()) {
    seed = seed * 1103515245u + 12345u;
    const auto& game = games[g];
    if (game.moves.empty()) continue;
    const size_t ply = (seed >> 8) % game.moves.size();
    Position before = game.start;
    for (size_t i = 0; i < ply; ++i) before.MakeMove(Move::FromCode(game.moves[i]));
    const Move move = Move::FromCode(game.moves[ply]);
    Position after = before;
    after.MakeMove(move);
    // The mover to move again: a position with the opponent in check is no position.
    if (after.IsInCheck()) continue;
    after.side = before.side;
    after.epFile = 0;
    const int expected = countFrom(after, move.to) - countFrom(before, move.from);
    EXPECT_EQ(MobilityChange(before, move), expected) << test::FenForTest(before) << " " << test::UciMove(game.moves[ply]);
    ++checked;
  }
}

}  // namespace
}  // namespace zh

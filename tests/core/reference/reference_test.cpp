// Checks the rules against a reference engine: published perft counts, and the legal
// moves, checks, mates and stalemates of every position of a few hundred random games.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/rules/movelist.h"
#include "core/rules/position.h"
#include "support/legal_by_playing.h"
#include "support/random_games.h"
#include "support/test_fen.h"
#include "support/uci_engine.h"

namespace zh {
namespace {

class Reference : public testing::TestWithParam<test::PerftCase> {
 protected:
  static void SetUpTestSuite() { engine_ = std::make_unique<test::UciEngine>(); }
  static void TearDownTestSuite() { engine_.reset(); }
  void SetUp() override { ASSERT_TRUE(engine_->IsRunning()) << "no engine at " ZH_STOCKFISH; }

  static std::unique_ptr<test::UciEngine> engine_;
};
std::unique_ptr<test::UciEngine> Reference::engine_;

TEST_P(Reference, PerftCountsAreTheEngines) {
  const test::PerftCase& c = GetParam();
  engine_->SetPosition(c.fen);
  for (size_t d = 0; d < c.counts.size(); ++d) {
    auto result = engine_->Perft(static_cast<int>(d + 1));
    ASSERT_TRUE(result) << "depth " << d + 1;
    EXPECT_EQ(result->nodes, c.counts[d]) << "depth " << d + 1;
  }
}

// What the engine says about one position.
struct EngineView {
  std::set<std::string> moves;
  bool inCheck = false;
};

EngineView AskEngine(test::UciEngine& engine, const std::string& fen,
                     const std::vector<std::string>& moves) {
  EngineView view;
  engine.SetPosition(fen, moves);
  auto checkers = engine.Checkers();
  EXPECT_TRUE(checkers);
  if (checkers) view.inCheck = !checkers->empty();
  auto perft = engine.Perft(1, std::chrono::seconds(30));
  EXPECT_TRUE(perft);
  if (perft)
    for (const auto& [move, count] : perft->perMove) view.moves.insert(move);
  return view;
}

TEST_P(Reference, RandomGamesAgree) {
  const test::PerftCase& c = GetParam();
  const Position start = test::ParseFenForTest(c.fen);
  int mates = 0, stalemates = 0, positions = 0;
  for (const std::vector<MoveCode>& game : test::RandomGames(c)) {
    Position p = start;
    std::vector<std::string> played;
    for (size_t ply = 0;; ++ply) {
      SCOPED_TRACE(test::FenForTest(p));
      MoveList list;
      const int n = list.GenerateLegal(p);
      EXPECT_TRUE(test::SameAsLegalByPlaying(p, list));
      std::set<std::string> ours;
      for (const MoveCode& m : list) ours.insert(test::UciMove(m));
      EXPECT_EQ(ours.size(), static_cast<size_t>(n));  // no move twice

      const EngineView engine = AskEngine(*engine_, c.fen, played);
      ASSERT_EQ(ours, engine.moves) << "after " << played.size() << " plies";
      ASSERT_EQ(p.IsInCheck(), engine.inCheck);
      ++positions;

      // Values that hold in every legal position.
      EXPECT_EQ(ValidateBoard(p.board, p.side == 1), 0);
      Position twice = p;
      twice.Mirror();
      twice.Mirror();
      EXPECT_EQ(twice, p);
      Position normal = p;
      normal.Normalize();
      Position kings = normal;
      kings.FindKings();
      EXPECT_EQ(normal.whiteKing, kings.whiteKing);
      EXPECT_EQ(normal.blackKing, kings.blackKing);

      if (ply == game.size()) {
        EXPECT_TRUE(n == 0 || ply == test::kRandomGameMaxPlies);
        EXPECT_EQ(p.IsCheckmate(), engine.inCheck && engine.moves.empty());
        EXPECT_EQ(p.IsStalemate(), !engine.inCheck && engine.moves.empty());
        mates += p.IsCheckmate();
        stalemates += p.IsStalemate();
        break;
      }
      const MoveCode m = game[ply];
      played.push_back(test::UciMove(m));
      p.MakeMoveSquares(m.from, m.to, m.promotion);
    }
  }
  RecordProperty("positions", positions);
  RecordProperty("mates", mates);
  RecordProperty("stalemates", stalemates);
  std::printf("%d positions, %d mates, %d stalemates\n", positions, mates, stalemates);
}

INSTANTIATE_TEST_SUITE_P(Positions, Reference, testing::ValuesIn(test::PerftCases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zh

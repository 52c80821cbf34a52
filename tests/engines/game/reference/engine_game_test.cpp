// Whole games of the scripted user against ZelkoHome2 through the engine manager: the
// user's moves come from the board and the keyboard, the engine's arrive by the
// manager's move-ready link, and the games end as the rules and the clock say.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engines/chess_engine.h"
#include "engines/engine_fixture.h"
#include "engines/engine_manager.h"
#include "engines/engine_pool.h"
#include "engines/game/manager_engine_control.h"
#include "engines/game/reference/scripted_user.h"
#include "engines/search_params.h"
#include "engines/time_control.h"
#include "support/test_fen.h"
#include "support/uci_engine.h"

namespace zh::test {
namespace {

using namespace std::chrono_literals;

class EngineGames : public EngineTest {
 protected:
  EngineGames() {
    // The engine thinks in real time: the clock runs at the speed of the wall.
    services.waitScript = [this](int32_t maxMs) {
      const auto start = std::chrono::steady_clock::now();
      if (maxMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(std::min(maxMs, 5)));
      inbox.Drain();
      services.ticks += static_cast<uint64_t>(
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
    };
  }

  // The manager with one engine object playing ZelkoHome2.
  void SetUpEngine() {
    manager = std::make_unique<EngineManager>(token);
    engine = manager->Pool().GetSession(manager->Pool().CreateSession());
    ASSERT_NE(engine, nullptr);
    EngineInstance* instance = Load(ZH_ZELKOHOME2_MODULE);
    ASSERT_NE(instance, nullptr);
    engine->AttachEngine(instance);
    manager->SetEngine(engine);
    manager->BindLinks(*engine);
    engine->Params.BookOn = 0;
    control = std::make_unique<ManagerEngineControl>(*manager);
    GameManager::Links links;
    links.engine = control.get();
    game = std::make_unique<GameManager>(links);
    control->Attach(game.get());
    game->SetBoard(&board);
    game->settings.enginePlays = 1;
  }

  ~EngineGames() override {
    if (control) control->Attach(nullptr);
    game.reset();
  }

  // Plays one game: the user (white) moves at random, entering moves in turn by drag,
  // two clicks, one click and keyboard; `afterMove` sees each move with the position
  // before it. The wait for the engine is bounded by `engineBoundMs`.
  void PlayOneGame(uint32_t seed, uint32_t engineBoundMs,
                   const std::function<void(const Position&, const std::string&)>& afterMove = {}) {
    game->NewGame();
    std::mt19937 random(seed);
    int userMoves = 0;
    // Hands the move at `ply` with the position before it to `afterMove`.
    auto seen = [&](int ply, const Position& before) {
      if (!afterMove) return;
      const GameMove& move = *game->Cursor().GetMove(ply);
      afterMove(before, UciMove(MoveCode(move.from, move.to, move.kind, move.promotion)));
    };
    while (game->ResultCode() == kNoResult) {
      const int ply = game->Cursor().Ply();
      const Position before = game->Cursor().GetPosition();
      const MoveList& legal = game->LegalMoves();
      ASSERT_GT(legal.Count(), 0);
      const MoveCode move = legal.At(static_cast<int>(random() % legal.Count()));
      EnterMove(*game, board, move, userMoves++ % 4);
      // A move the engine expected may be answered at once, while the user's is entered.
      ASSERT_GE(game->Cursor().Ply(), ply + 1) << "seed " << seed;
      ASSERT_LE(game->Cursor().Ply(), ply + 2) << "seed " << seed;
      ASSERT_EQ(game->Cursor().GetMove(ply)->from, move.from);
      ASSERT_EQ(game->Cursor().GetMove(ply)->to, move.to);
      seen(ply, before);
      if (game->ResultCode() != kNoResult && game->Cursor().Ply() == ply + 1) break;
      Position engineBefore = before;
      engineBefore.DoGameMove(*game->Cursor().GetMove(ply));
      ASSERT_TRUE(WaitFor([&] { return game->Cursor().Ply() == ply + 2 || game->ResultCode() != kNoResult; },
                          engineBoundMs))
          << "the engine did not move at ply " << ply + 1 << " of game " << seed;
      if (game->Cursor().Ply() == ply + 2) seen(ply + 1, engineBefore);
    }
  }

  std::unique_ptr<EngineManager> manager;
  ChessEngine* engine = nullptr;
  std::unique_ptr<ManagerEngineControl> control;
  std::unique_ptr<GameManager> game;
  FakeBoard board;
};

TEST_F(EngineGames, FixedDepthGamesEndByTheRulesAndPgnExtractAgrees) {
  SetUpEngine();
  engine->Params.SearchType = kLevelFixedDepth;
  std::vector<PlayedGame> games;
  for (int g = 0; g < 100; ++g) {
    engine->Params.SearchDepth = static_cast<int16_t>(1 + g % 4);
    PlayOneGame(static_cast<uint32_t>(g + 1), 60000);
    if (HasFatalFailure()) return;
    games.push_back(Finished(*game));
  }
  EXPECT_TRUE(Boxes().empty());
  CheckWithPgnExtract(games, "zh_engine_games");
}

// Pieces other than kings of one colour.
bool HasArmy(const Board& board, bool black) {
  for (uint8_t piece : board.squares)
    if (piece != 0 && (piece & 7) != 1 && ((piece & 8) != 0) == black) return true;
  return false;
}

TEST_F(EngineGames, BlitzGamesOnTheRealClockEndAsThePositionOrTheFlagSays) {
  SetUpEngine();
  const TimePeriod blitz[2] = {{1000, 100, 1000, 3}, {0, 0, 1000, 5}};
  engine->SetTimeControl(blitz, kBlitzControl);
  UciEngine reference;
  ASSERT_TRUE(reference.IsRunning());
  const std::string start = FenForTest(Position());
  for (uint32_t g = 1; g <= 4; ++g) {
    std::vector<std::string> moves;
    PlayOneGame(g, 30000, [&](const Position&, const std::string& uci) {
      reference.SetPosition(start, moves);
      auto perft = reference.Perft(1, 30s);
      ASSERT_TRUE(perft.has_value());
      EXPECT_TRUE(perft->perMove.count(uci)) << uci << " after " << moves.size() << " plies";
      moves.push_back(uci);
    });
    if (HasFatalFailure()) return;
    const PlayedGame played = Finished(*game);
    const Board& board = game->Cursor().GetPosition().board;
    const bool blackToMove = game->IsBlackToMove();
    int expected = kDraw;
    if (played.endCode == kGameMate) {
      reference.SetPosition(start, moves);
      auto checkers = reference.Checkers();
      ASSERT_TRUE(checkers.has_value());
      EXPECT_FALSE(checkers->empty());
      expected = blackToMove ? kWhiteWon : kBlackWon;
    } else if (played.endCode == kGameGoesOn) {
      // The side to move ran out of time: its opponent wins unless it has a bare king.
      expected = blackToMove ? (HasArmy(board, false) ? kWhiteWon : kDraw) : (HasArmy(board, true) ? kBlackWon : kDraw);
    }
    EXPECT_EQ(game->ResultCode(), expected) << "game " << g << " end code " << played.endCode;
  }
  EXPECT_TRUE(Boxes().empty());
}

}  // namespace
}  // namespace zh::test

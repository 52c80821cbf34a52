// Whole games of a scripted user against an engine that plays seeded random legal
// moves, run headless through the game manager, the fake board and the keyboard, and
// written out as PGN for pgn-extract to check.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engines/game/reference/scripted_user.h"
#include "support/fake_timers.h"
#include "support/recording_services.h"

namespace zh::test {
namespace {

// The engine manager of these games: asked to move, it answers with a random legal
// move once the test lets it.
class RandomEngine : public GameEngineControl {
 public:
  explicit RandomEngine(uint32_t seed) : random_(seed) {}
  GameManager* game = nullptr;
  bool toMove = false;

  bool HasEngine() const override { return true; }
  void StartEngineMove(const GameCursor&) override { toMove = true; }
  Move GetEngineMove() override {
    const MoveList& legal = game->LegalMoves();
    return Move::FromCode(legal.At(static_cast<int>(random_() % legal.Count())));
  }

 private:
  std::mt19937 random_;
};

// One game: the user plays white, entering each move by drag, two clicks, one click
// or keyboard in turn; the engine answers through the move-ready link.
PlayedGame PlayGame(uint32_t seed) {
  RecordingServices services;
  FakeTimers timers(services.ticks);
  RandomEngine engine(seed * 7919u + 1);
  GameManager::Links links;
  links.engine = &engine;
  GameManager game(links);
  engine.game = &game;
  FakeBoard board;
  game.SetBoard(&board);
  game.settings.enginePlays = 1;
  std::mt19937 random(seed);
  int userMoves = 0;
  while (game.ResultCode() == kNoResult) {
    if (engine.toMove) {
      engine.toMove = false;
      game.OnEngineMove();
      continue;
    }
    const int ply = game.Cursor().Ply();
    const MoveList& legal = game.LegalMoves();
    if (legal.Count() == 0) break;
    const MoveCode move = legal.At(static_cast<int>(random() % legal.Count()));
    const int mode = userMoves++ % 4;
    EnterMove(game, board, move, mode);
    EXPECT_EQ(game.Cursor().Ply(), ply + 1) << "seed " << seed << " mode " << mode;
    if (game.Cursor().Ply() != ply + 1) break;
  }
  return Finished(game);
}

TEST(WholeGames, RandomGamesEndWithTheirResultsAndPgnExtractAgrees) {
  std::vector<PlayedGame> games;
  for (int g = 0; g < 100; ++g) games.push_back(PlayGame(static_cast<uint32_t>(g + 1)));
  CheckWithPgnExtract(games, "zh_whole_games");
}

}  // namespace
}  // namespace zh::test

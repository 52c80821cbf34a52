// The game manager on a fake board, with a recording engine manager, game window and
// adjudication question.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "app/message_ids.h"
#include "engines/game/game_doubles.h"
#include "engines/game/game_fixture.h"
#include "engines/game/game_manager.h"
#include "support/fake_board.h"
#include "support/fake_timers.h"
#include "support/recording_services.h"

namespace zh::test {

class GameManagerTest : public ::testing::Test {
 protected:
  GameManagerTest() {
    services.texts[msg::M_GAME_ILLEGAL_ENGINE_MOVE] = "Engine - illegal move: ";
    services.texts[msg::M_GAME_PLEASE_RETRY] = "\nplease retry.";
    services.texts[msg::M_GAME_INCONSISTENT] = "Incons";
    services.texts[msg::M_GAME_TIME_OVER] = "Time over";
    services.texts[msg::M_GAME_PLY_LIMIT] = "Draw: 250 moves rule";
    GameManager::Links links;
    links.engine = &engine;
    links.window = &window;
    links.adjudication = &adjudication;
    game = std::make_unique<GameManager>(links);
    game->settings.enginePlays = 0;
    game->SetBoard(&board);
  }

  // A new game from a FEN (empty: the start position) with the moves played.
  void Start(std::string_view fen, std::string_view moves = {}) {
    if (fen.empty()) {
      game->NewGame();
    } else {
      const Position start = ParseFenForTest(fen);
      game->NewGame(&start);
    }
    ASSERT_TRUE(PlayMoves(game->Cursor(), moves));
    game->UpdateViews(false);
    board.calls.clear();
    services.calls.clear();
  }

  std::string LastMove() {
    const GameCursor& cursor = game->Cursor();
    if (cursor.Ply() == 0) return "-";
    const GameMove& m = *cursor.GetMove(cursor.Ply() - 1);
    std::string text = UciMove(MoveCode(m.from, m.to, m.kind, m.promotion));
    return text;
  }

  int Beeps() const {
    int n = 0;
    for (const auto& c : services.calls) n += c == "Beep";
    return n;
  }

  RecordingServices services;
  FakeTimers timers{services.ticks};
  FakeBoard board;
  FakeEngineControl engine;
  FakeWindow window;
  FakeAdjudication adjudication;
  std::unique_ptr<GameManager> game;
};

}  // namespace zh::test

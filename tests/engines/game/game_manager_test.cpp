#include "engines/game/game_manager.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "app/message_ids.h"
#include "board/board_window.h"
#include "database/game/annotation_set.h"
#include "database/game/game_item.h"
#include "engines/game/game_manager_fixture.h"
#include "support/fake_board.h"
#include "support/fake_timers.h"
#include "support/recording_services.h"

namespace zh::test {
namespace {

// ---- User moves from the board

TEST_F(GameManagerTest, DragTwoClicksAndReversedClicksMakeTheSameMove) {
  const auto drag = [&] { board.Drag(SquareOf("e2"), SquareOf("e4")); };
  const auto clicks = [&] { board.Click(SquareOf("e2")), board.Click(SquareOf("e4")); };
  const auto reversed = [&] { board.Click(SquareOf("e4")), board.Click(SquareOf("e2")); };
  for (const std::function<void()>& enter : {std::function<void()>(drag), std::function<void()>(clicks),
                                               std::function<void()>(reversed)}) {
    Start("");
    enter();
    EXPECT_EQ(game->Cursor().Ply(), 1);
    EXPECT_EQ(LastMove(), "e2e4");
    EXPECT_EQ(board.fromSquare, SquareOf("e2"));
    EXPECT_EQ(board.toSquare, SquareOf("e4"));
    EXPECT_EQ(Beeps(), 0);
  }
}

TEST_F(GameManagerTest, TwoClicksOnOneSquareCancelThePair) {
  Start("");
  board.Click(SquareOf("e2"));
  board.Click(SquareOf("e2"));
  // The next two clicks are a fresh pair.
  board.Click(SquareOf("d2"));
  board.Click(SquareOf("d4"));
  EXPECT_EQ(LastMove(), "d2d4");
  EXPECT_EQ(Beeps(), 0);
}

TEST_F(GameManagerTest, AnIllegalMoveBeepsAndUnmarksTheFromSquareOnly) {
  Start("");
  board.Drag(SquareOf("e2"), SquareOf("e5"));
  EXPECT_EQ(game->Cursor().Ply(), 0);
  EXPECT_EQ(Beeps(), 1);
  EXPECT_EQ(board.Names(), "UnmarkSquare");
  EXPECT_EQ(board.Named("UnmarkSquare")[0].args, std::vector<int>{SquareOf("e2")});
}

struct OneClickCase {
  const char* name;
  const char* fen;
  const char* moves;
  int level;
  const char* square;
  const char* played;  // "-" when the click only counts as the first of two
};

void PrintTo(const OneClickCase& c, std::ostream* os) { *os << c.name; }

class OneClickMoves : public GameManagerTest, public ::testing::WithParamInterface<OneClickCase> {};

TEST_P(OneClickMoves, ClickPlaysWhenOneMoveFits) {
  const OneClickCase& c = GetParam();
  Start(c.fen, c.moves);
  game->settings.oneClickLevel = static_cast<int16_t>(c.level);
  const int before = game->Cursor().Ply();
  board.Click(SquareOf(c.square));
  if (std::string(c.played) == "-") {
    EXPECT_EQ(game->Cursor().Ply(), before);
  } else {
    EXPECT_EQ(game->Cursor().Ply(), before + 1);
    EXPECT_EQ(LastMove(), c.played);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Levels, OneClickMoves,
    ::testing::Values(
        OneClickCase{"OffNeverPlays", "4k3/8/8/8/8/P7/8/4K3 w - - 0 1", "", 0, "a3", "-"},
        OneClickCase{"OnlyMoveOfThePiece", "4k3/8/8/8/8/P7/8/4K3 w - - 0 1", "", 1, "a3", "a3a4"},
        OneClickCase{"OnlyMoveToTheSquare", "4k3/8/8/8/8/P7/8/4K3 w - - 0 1", "", 1, "a4", "a3a4"},
        // Black's knight took on d4: the queen takes back at once.
        OneClickCase{"RecaptureAfterCapture", "4k3/8/2n5/8/3P4/8/8/3QK3 b - - 0 1", "c6d4", 1, "d1", "d1d4"},
        // The knight came without capturing: level 1 waits for the second click.
        OneClickCase{"NoRecaptureAfterQuietMove", "4k3/8/2n5/8/8/8/8/3QK3 b - - 0 1", "c6d4", 1, "d1", "-"},
        OneClickCase{"RecaptureAtLevelTwo", "4k3/8/2n5/8/8/8/8/3QK3 b - - 0 1", "c6d4", 2, "d1", "d1d4"},
        // The king's move and the knight's both reach g1; from ply 4 the click castles.
        OneClickCase{"CastlingFromPlyFour", "4k3/8/8/8/8/5N2/8/B3K2R w K - 0 1", "a1b2 e8d8 b2a1 d8e8", 1, "g1",
                     "e1g1"},
        OneClickCase{"NoCastlingBeforePlyFour", "4k3/8/8/8/8/5N2/8/B3K2R w K - 0 1", "a1b2 e8d8", 1, "g1", "-"},
        // The bishop moved in each of white's last two moves: a click sends it on.
        OneClickCase{"SamePieceMovesOn", "4k3/8/8/8/8/8/8/B3K3 w - - 0 1", "a1b2 e8d8 b2c3 d8e8", 2, "d4",
                     "c3d4"}));

TEST_F(GameManagerTest, ShiftOverwritesAndCtrlMakesAVariation) {
  Start("", "e2e4 e7e5");
  game->GotoPly(0);
  board.Drag(SquareOf("d2"), SquareOf("d4"), FakeBoard::kLeftButton | BoardWindow::kControl);
  EXPECT_EQ(game->Cursor().Ply(), 1);
  game->GotoPly(0);
  EXPECT_EQ(game->Cursor().LineEnd(), 2);
  EXPECT_EQ(game->Cursor().VariationCount(0), 1);

  board.Drag(SquareOf("c2"), SquareOf("c4"), FakeBoard::kLeftButton | BoardWindow::kShift);
  EXPECT_EQ(game->Cursor().LineEnd(), 1);
  EXPECT_EQ(LastMove(), "c2c4");
  EXPECT_TRUE(services.CallsStartingWith("Ask").empty());
}

TEST_F(GameManagerTest, PromotionWithoutALinkEntersAQueenAndALinkChooses) {
  for (int answer : {0, 3}) {
    Start("4k3/P7/8/8/8/8/8/4K3 w - - 0 1");
    game->promotionLink.Clear();
    if (answer)
      game->promotionLink = CallbackLink(&answer, [](void* a, std::intptr_t) { return *static_cast<int*>(a); });
    board.Drag(SquareOf("a7"), SquareOf("a8"));
    ASSERT_EQ(game->Cursor().Ply(), 1);
    EXPECT_EQ(board.Named("ExecuteInputMove")[0].args, (std::vector<int>{1, answer}));
    EXPECT_EQ(LastMove(), answer ? "a7a8n" : "a7a8q");
    EXPECT_EQ(game->Cursor().GetPosition().board[SquareOf("a8")], answer ? 3 : 2);
  }
}

TEST_F(GameManagerTest, FirstMoveInEnginePlaysModeGivesTheEngineTheSideToMove) {
  game->settings.enginePlays = 1;
  Start("");
  board.Drag(SquareOf("e2"), SquareOf("e4"));
  EXPECT_TRUE(game->IsEngineInGame());
  EXPECT_EQ(game->EngineSide(), 1);
  EXPECT_TRUE(game->IsEngineToMove());
  EXPECT_EQ(engine.Count("StartEngineMove"), 1);
  EXPECT_EQ(engine.Count("AddExtraTime 0"), 1);
  // The board takes no input until the engine has answered.
  EXPECT_EQ(board.inputEnabled, 0);
}

// ---- Keyboard entry through the game's keys

TEST_F(GameManagerTest, KeysPlayAtTheFirstUniqueKey) {
  struct Case {
    const char* moves;
    const char* keys;
    const char* played;
    int used;  // keys taken before the move was played
  };
  const Case cases[] = {
      {"", "E2E4", "e2e4", 4},
      {"", "E4", "e2e4", 2},  // the only move that touches e4
      // With the knight on c3 two moves reach e4: the typed squares fit in either order.
      {"b1c3 b8c6", "E4E2", "e2e4", 3},
      {"b1c3 b8c6", "E2E4", "e2e4", 4},
      {"b1c3 b8c6", "NE4", "c3e4", 2},  // N and the e-file: c3-e4 alone
      {"", "BC", "b1c3", 2},  // B is the b-file: b1-c3 is the one move between b and c
      {"", "L", "-", 1},  // L is the bishop: none can move, a beep
  };
  for (const Case& c : cases) {
    Start("", c.moves);
    const int start = game->Cursor().Ply();
    int used = 0;
    for (const char* k = c.keys; *k && game->Cursor().Ply() == start; ++k) {
      const int code = *k >= '1' && *k <= '8' ? key::Digit(*k - '0') : key::Letter(*k);
      ++used;
      EXPECT_EQ(game->KeyInput(code), 1);
      if (Beeps()) break;
    }
    if (std::string(c.played) == "-") {
      EXPECT_EQ(game->Cursor().Ply(), start) << c.keys;
    } else {
      EXPECT_EQ(LastMove(), c.played) << c.keys;
    }
    EXPECT_EQ(used, c.used) << c.keys;
  }
}

TEST_F(GameManagerTest, KeysNeedThePromotionLetterAndABadKeyBeepsAndClears) {
  Start("4k3/P7/8/8/8/8/8/4K3 w - - 0 1");
  for (int code : {key::Letter('A'), key::Digit(7), key::Letter('A'), key::Digit(8)}) game->KeyInput(code);
  EXPECT_EQ(game->Cursor().Ply(), 0);
  EXPECT_EQ(game->Keyboard().Squares(), "A8A7");
  game->KeyInput(key::Letter('R'));
  EXPECT_EQ(LastMove(), "a7a8r");

  Start("");
  game->KeyInput(key::Letter('E'));
  EXPECT_EQ(window.lines.back(), "Move:   E ");
  EXPECT_EQ(game->KeyInput(key::kBackspace), 1);
  EXPECT_EQ(game->Keyboard().Squares(), "    ");
  EXPECT_EQ(window.lines.back(), "");
  // A digit with a modifier is no rank.
  EXPECT_EQ(game->KeyInput(key::Digit(2) | key::kShift), 0);
  game->KeyInput(key::Letter('E'));
  game->KeyInput(key::Digit(5));
  EXPECT_EQ(Beeps(), 1);
  EXPECT_EQ(game->Keyboard().Squares(), "    ");
  EXPECT_EQ(window.lines.back(), "");
}

TEST_F(GameManagerTest, KeysAreCollectedButNothingPlaysWhileTheEngineIsToMove) {
  game->settings.enginePlays = 1;
  Start("");
  board.Drag(SquareOf("e2"), SquareOf("e4"));
  ASSERT_TRUE(game->IsEngineToMove());
  for (int code : {key::Letter('E'), key::Digit(7), key::Letter('E'), key::Digit(5)}) game->KeyInput(code);
  EXPECT_EQ(game->Cursor().Ply(), 1);
  EXPECT_EQ(game->Keyboard().Squares(), "E5E7");
  EXPECT_EQ(window.lines.back(), "Move: E5E7");
}

}  // namespace
}  // namespace zh::test

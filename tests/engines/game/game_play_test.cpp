// Engine moves, the notation timer, keys, results, replay and annotations.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "board/board_window.h"
#include "database/game/annotation_set.h"
#include "database/game/game_item.h"
#include "database/game/move_tree.h"
#include "engines/game/game_manager_fixture.h"
#include "engines/game/piece_path.h"

namespace zh::test {
namespace {

constexpr const char* kOpening =
    "e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 b5a4 g8f6 e1g1 f8e7 f1e1 b7b5 a4b3 d7d6 c2c3 e8g8 "
    "h2h3 c6b8 d2d4 b8d7 c3c4 c7c6 c4b5 a6b5 b1c3 c8b7 c1g5 b5b4";

Move MoveOf(std::string_view uci) {
  return Move::FromSquares(SquareOf(uci.substr(0, 2)), SquareOf(uci.substr(2, 2)),
                           uci.size() > 4 ? PromotionOf(uci[4]) : 0);
}

class GamePlayTest : public GameManagerTest {
 protected:
  // Plays `plies` of the opening: white by dragging on the board, black as the
  // engine's scripted moves through the engine manager's move-ready link.
  void PlayAgainstEngine(int plies) {
    game->settings.enginePlays = 1;
    Start("");
    std::istringstream words{kOpening};
    std::string uci;
    for (int ply = 0; ply < plies && words >> uci; ++ply) {
      if (ply % 2 == 0) {
        board.Drag(SquareOf(uci.substr(0, 2)), SquareOf(uci.substr(2, 2)));
      } else {
        engine.moves.push_back(MoveOf(uci));
        game->OnEngineMove();
      }
      ASSERT_EQ(game->Cursor().Ply(), ply + 1) << uci;
    }
  }
};

// ---- Engine moves

TEST_F(GamePlayTest, AnIllegalEngineMoveTakesBackTheUsersMoveAndTheNextOverwrites) {
  PlayAgainstEngine(2);
  board.Drag(SquareOf("g1"), SquareOf("f3"));
  ASSERT_EQ(game->Cursor().Ply(), 3);
  engine.moves.push_back(MoveOf("e5e4"));  // blocked by white's pawn
  game->OnEngineMove();
  EXPECT_EQ(services.CallsStartingWith("ErrorBox"),
            std::vector<std::string>{"ErrorBox: Engine - illegal move: e5-e4\nFake Engine\nplease retry."});
  EXPECT_EQ(game->Cursor().Ply(), 2);
  EXPECT_EQ(game->Cursor().LineEnd(), 3);
  EXPECT_EQ(board.inputEnabled, 1);
  board.Drag(SquareOf("b1"), SquareOf("c3"));
  EXPECT_EQ(game->Cursor().LineEnd(), 3);
  EXPECT_EQ(LastMove(), "b1c3");
  EXPECT_TRUE(services.CallsStartingWith("Ask").empty());
}

TEST_F(GamePlayTest, AHeldEngineMoveWaitsAndTheClockSwitchesOnlyWhenItIsPlayed) {
  PlayAgainstEngine(1);
  game->SetHoldEngineMove(true);
  engine.moves.push_back(MoveOf("e7e5"));
  game->OnEngineMove();
  EXPECT_EQ(game->Cursor().Ply(), 1);
  EXPECT_TRUE(game->IsMovePending());
  EXPECT_EQ(engine.Count("SwitchClock 2"), 0);
  game->PlayPendingEngineMove();
  EXPECT_EQ(game->Cursor().Ply(), 2);
  EXPECT_EQ(LastMove(), "e7e5");
  EXPECT_EQ(engine.Count("SwitchClock 2"), 1);
  EXPECT_EQ(game->EngineMoves(), 1);
}

TEST_F(GamePlayTest, ARefusedEngineMoveStartsNoPondering) {
  for (bool refuse : {false, true}) {
    PlayAgainstEngine(2);
    game->TakeBackMove();  // the engine's move stays ahead in the line
    engine.calls.clear();
    game->ownerLink.Clear();
    if (refuse) game->ownerLink = CallbackLink(this, [](void*, std::intptr_t) -> int32_t { return kChoiceRefuse; });
    engine.moves.push_back(MoveOf(refuse ? "d7d5" : "e7e5"));
    game->OnEngineMove();
    EXPECT_EQ(engine.Count("StartPondering"), refuse ? 0 : 1) << refuse;
    EXPECT_EQ(game->Cursor().Ply(), refuse ? 1 : 2) << refuse;
    EXPECT_EQ(board.inputEnabled, 1);
  }
}

TEST_F(GamePlayTest, AnEngineThatEndsDuringItsMoveLeavesTheBoardEnabledAndTheClockPaused) {
  PlayAgainstEngine(1);
  ASSERT_EQ(board.inputEnabled, 0);
  engine.calls.clear();
  game->OnEngineEnded();
  EXPECT_EQ(board.inputEnabled, 1);
  EXPECT_EQ(engine.Count("PauseClock"), 1);
  board.Drag(SquareOf("d7"), SquareOf("d5"));
  EXPECT_EQ(game->Cursor().Ply(), 2);
}

class SpeakingCoach : public CoachView {
 public:
  void SpeakMove(const Move& move, bool sayFrom) override {
    spoken.push_back(UciMove(MoveCode(move)) + (sayFrom ? " from" : ""));
  }
  std::vector<std::string> spoken;
};

TEST_F(GamePlayTest, TheEnginesMoveIsSpokenAndItsEvaluationRecorded) {
  SpeakingCoach coach;
  GameManager::Links links;
  links.engine = &engine;
  links.coach = &coach;
  GameManager spoken(links);
  spoken.settings.readNota = true;
  spoken.settings.recordEvals = true;
  engine.score = -35;
  struct Case {
    const char* move;
    const char* said;
  };
  // Both knights reach d7; only the b8 knight reaches a6.
  for (const Case& c : {Case{"b8d7", "b8d7 from"}, Case{"b8a6", "b8a6"}}) {
    const Position start = ParseFenForTest("1n2k3/8/5n2/8/8/8/8/4K3 b - - 0 1");
    spoken.NewGame(&start);
    engine.moves.push_back(MoveOf(c.move));
    spoken.OnEngineMove();
    ASSERT_EQ(spoken.Cursor().Ply(), 1);
    EXPECT_EQ(coach.spoken.back(), c.said);
    const AnnotationSet* set = spoken.Cursor().GetMove(0)->annotations;
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->GetEngineEval().value, -35);
  }
}

class CountingNotation : public NotationView {
 public:
  void Reformat(bool) override { ++reformats; }
  int reformats = 0;
};

TEST_F(GamePlayTest, QuickNotationClicksGiveOneTimerRun) {
  Start("", "e2e4 e7e5 g1f3");
  CountingNotation notation;
  game->SetNotationWindow(&notation);
  engine.calls.clear();
  for (int i = 0; i < 3; ++i) {
    notation.moveClick.Call(reinterpret_cast<std::intptr_t>(&notation));
    timers.Advance(150);
  }
  // The timer's run restarts the analysis, which cancels the engine's search here.
  EXPECT_EQ(engine.Count("CancelSearch"), 0);
  timers.Advance(50);
  EXPECT_EQ(engine.Count("CancelSearch"), 1);
  timers.Advance(1000);
  EXPECT_EQ(engine.Count("CancelSearch"), 1);
  game->SetNotationWindow(nullptr);
}

TEST_F(GamePlayTest, GameKeysActAsTheirTableSays) {
  struct Case {
    const char* name;
    int key;
    int plyAfter;
    int lineEnd;
  };
  const Case cases[] = {
      {"CtrlG", key::Letter('G') | key::kControl, 1, 3},  // the dialog answers ply 1
      {"Up", key::kUp, 1, 3},                               // no branch: ply 1
      {"Left", key::kLeft, 1, 3},
      {"CtrlLeft", key::kLeft | key::kControl, 1, 3},
      {"Right", key::kRight, 3, 3},
  };
  for (const Case& c : cases) {
    Start("", "e2e4 e7e5 g1f3");
    game->GotoPly(2);
    window.gotoAnswer = 1;
    EXPECT_EQ(game->KeyInput(c.key), 1) << c.name;
    EXPECT_EQ(game->Cursor().Ply(), c.plyAfter) << c.name;
    EXPECT_EQ(game->forcedOverwrite, std::string(c.name) == "CtrlLeft" ? 1 : 0) << c.name;
  }
  // Shift+Left is no game key, and neither letter nor digit: unused.
  Start("", "e2e4");
  EXPECT_EQ(game->KeyInput(key::kLeft | key::kShift), 0);
  EXPECT_EQ(game->Cursor().Ply(), 1);
  // With keys off nothing is used.
  game->SetKeysEnabled(false);
  EXPECT_EQ(game->KeyInput(key::kLeft), 0);
}

TEST_F(GamePlayTest, UpLeavesAVariationOrGoesToTheNearestBranch) {
  Start("", "e2e4 e7e5 g1f3 b8c6");
  game->GotoPly(2);
  board.Drag(SquareOf("f1"), SquareOf("c4"), FakeBoard::kLeftButton | BoardWindow::kControl);
  ASSERT_EQ(game->Cursor().Lines().Count(), 1);
  game->KeyInput(key::kUp);
  EXPECT_EQ(game->Cursor().Lines().Count(), 0);
  game->GotoPly(4);
  game->KeyInput(key::kUp);
  EXPECT_EQ(game->Cursor().Ply(), 2);  // where the variation branches
  // From ply 0 of an empty game nothing moves.
  Start("");
  game->KeyInput(key::kUp);
  EXPECT_EQ(game->Cursor().Ply(), 0);
}

// ---- Results

TEST_F(GamePlayTest, AFlagFallAgainstABareKingIsADraw) {
  struct Case {
    const char* fen;
    int result;
  };
  const Case cases[] = {
      {"4k3/8/8/8/8/8/8/Q3K3 w - - 0 1", kDraw},      // white's flag, black has a bare king
      {"4k3/8/8/8/8/8/8/Q3K3 b - - 0 1", kWhiteWon},  // black's flag, white has a queen
  };
  for (const Case& c : cases) {
    Start(c.fen);
    EXPECT_EQ(game->OnTimeOver(), 0);
    EXPECT_EQ(game->ResultCode(), c.result) << c.fen;
    EXPECT_EQ(game->Game().header.GetResult(), c.result);
    EXPECT_EQ(services.CallsStartingWith("WarningBox"), std::vector<std::string>{"WarningBox: Time over"});
  }
}

TEST_F(GamePlayTest, ATimeOverAfterAResultOrDuringADeviceMatchChangesNothing) {
  Start("4k3/8/8/8/8/8/8/Q3K3 b - - 0 1");
  game->SetGameResult(kDraw);
  EXPECT_EQ(game->OnTimeOver(), 0);
  EXPECT_EQ(game->ResultCode(), kDraw);
  Start("4k3/8/8/8/8/8/8/Q3K3 b - - 0 1");
  game->SetDeviceMatchRunning(true);
  EXPECT_EQ(game->OnTimeOver(), 0);
  EXPECT_EQ(game->ResultCode(), kNoResult);
  EXPECT_TRUE(services.calls.empty());
}

TEST_F(GamePlayTest, EngineAndUserWinsResolveAgainstTheEnginesSide) {
  struct Case {
    const char* fen;
    int side;
    int code;
    int result;
  };
  const Case cases[] = {
      {"4k3/8/8/8/8/8/8/Q3K3 w - - 0 1", 1, kEngineWins, kDraw},      // black's bare king cannot win
      {"4k2q/8/8/8/8/8/8/Q3K3 w - - 0 1", 1, kEngineWins, kBlackWon},
      {"4k2q/8/8/8/8/8/8/Q3K3 w - - 0 1", 1, kUserWins, kWhiteWon},
      {"4k2q/8/8/8/8/8/8/Q3K3 w - - 0 1", 0, kEngineWins, kWhiteWon},
      {"4k2q/8/8/8/8/8/8/4K3 w - - 0 1", 0, kEngineWins, kDraw},
  };
  for (const Case& c : cases) {
    Start(c.fen);
    game->AssignEngineSide(c.side);
    game->SetGameResult(c.code);
    EXPECT_EQ(game->ResultCode(), c.result) << c.fen << " " << c.code;
  }
  // Without an engine side the engine's or user's win means no result.
  Start("4k2q/8/8/8/8/8/8/Q3K3 w - - 0 1");
  game->SetGameResult(kEngineWins);
  EXPECT_EQ(game->ResultCode(), kNoResult);
}

TEST_F(GamePlayTest, AResultInsideAVariationIsIgnored) {
  Start("", "e2e4 e7e5");
  game->GotoPly(1);
  board.Drag(SquareOf("c7"), SquareOf("c5"), FakeBoard::kLeftButton | BoardWindow::kControl);
  ASSERT_EQ(game->Cursor().Lines().Count(), 1);
  game->SetGameResult(kWhiteWon);
  EXPECT_EQ(game->ResultCode(), kNoResult);
}

TEST_F(GamePlayTest, FriendModeCountsTheOutcomeFromTheEnginesSide) {
  Start("4k2q/8/8/8/8/8/8/Q3K3 w - - 0 1");
  game->settings.friendMode = true;
  game->AssignEngineSide(1);
  game->SetGameResult(kDraw);
  game->SetGameResult(kWhiteWon);
  game->SetGameResult(kBlackWon);
  EXPECT_EQ(engine.friendOutcomes, (std::vector<int>{kDraw, kUserWins, kEngineWins}));
  EXPECT_EQ(engine.Count("SetHandicapStrength 7"), 3);
}

TEST_F(GamePlayTest, AdjudicationIsOfferedByPliesEngineMovesAndScore) {
  struct Case {
    int plies;
    int32_t score;
    bool asked;
  };
  const Case cases[] = {{20, 49, false}, {20, 50, true}, {28, 0, true}, {16, 500, false}};
  for (const Case& c : cases) {
    adjudication.outlooks.clear();
    PlayAgainstEngine(c.plies);
    ASSERT_EQ(game->EngineMoves(), c.plies / 2);
    engine.score = c.score;
    EXPECT_EQ(game->FinishWithResult(), 1);
    EXPECT_EQ(!adjudication.outlooks.empty(), c.asked) << c.plies << " " << c.score;
    EXPECT_EQ(game->ResultCode(), c.asked ? kDraw : kNoResult);
  }
}

TEST_F(GamePlayTest, ACancelledAdjudicationLeavesTheResult) {
  PlayAgainstEngine(28);
  adjudication.answer = 0;
  engine.score = 300;
  EXPECT_EQ(game->AdjudicateIfDue(), 0);
  EXPECT_EQ(adjudication.outlooks, std::vector<int>{2});
  EXPECT_EQ(game->ResultCode(), kNoResult);
}

TEST_F(GamePlayTest, GameEndsAreAnnouncedAndSetTheResult) {
  Start("", "f2f3 e7e5 g2g4");
  board.Drag(SquareOf("d8"), SquareOf("h4"));
  EXPECT_EQ(game->ResultCode(), kBlackWon);
  EXPECT_EQ(services.CallsStartingWith("WarningBox").size(), 1u);
  EXPECT_GE(engine.Count("PauseClock"), 1);
}

// ---- Replay, take-back and annotations

TEST_F(GamePlayTest, ReplayAtTheEndAndTakeBackAtTheStartDoNothing) {
  Start("", "e2e4");
  game->ReplayForward();
  EXPECT_EQ(game->Cursor().Ply(), 1);
  game->GotoPly(0);
  board.calls.clear();
  game->TakeBackMove();
  EXPECT_EQ(game->Cursor().Ply(), 0);
  EXPECT_EQ(board.Count("AnimateMove"), 0);
}

TEST_F(GamePlayTest, AutoReplayWithANegativeDelayStepsOnce) {
  Start("", "e2e4 e7e5 g1f3");
  game->settings.replaySpeed = -1;
  game->AutoReplay();
  EXPECT_EQ(game->Cursor().Ply(), 1);
  game->settings.replaySpeed = 0;
  game->AutoReplay();
  EXPECT_EQ(game->Cursor().Ply(), 3);
}

TEST_F(GamePlayTest, AttachToMoveClampsItsOffset) {
  Start("", "e2e4 e7e5 g1f3");
  game->GotoPly(1);
  game->AttachToMove(game->Cursor(), "late", 10, false);
  game->AttachToMove(game->Cursor(), "early", -10, false);
  game->AttachToMove(game->Cursor(), "", 0, false);
  EXPECT_EQ(CommentAfter(*game->Cursor().GetMove(2)), "late");
  EXPECT_EQ(CommentAfter(*game->Cursor().GetMove(0)), "early");
  EXPECT_EQ(game->Cursor().GetMove(1)->annotations, nullptr);
}

TEST_F(GamePlayTest, EditedSquaresAndArrowsAreWrittenBackToTheMove) {
  Start("", "e2e4 e7e5");
  board.Click(SquareOf("d4"), FakeBoard::kLeftButton | BoardWindow::kAlt);
  board.Drag(SquareOf("g1"), SquareOf("f3"), FakeBoard::kLeftButton | BoardWindow::kAlt);
  const AnnotationSet* set = game->Cursor().GetMove(1)->annotations;
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->GetSquares(), (SquareMark{1, static_cast<uint8_t>(SquareOf("d4"))}).ToText());
  EXPECT_EQ(set->GetArrows(), (Mark{1, static_cast<uint8_t>(SquareOf("g1")), static_cast<uint8_t>(SquareOf("f3"))}).ToText());
  // Shown again when the move is the current one.
  game->GotoPly(0);
  game->GotoPly(2);
  EXPECT_EQ(game->Marks().squares.ValueAt(SquareOf("d4")), 1);
  EXPECT_EQ(game->Marks().arrows.Count(), 1);
}

TEST_F(GamePlayTest, ATrainingMoveWithoutAQuestionReportsAnInconsistency) {
  Start("", "e2e4 e7e5");
  game->GotoPly(1);
  game->trainingInput = 1;
  board.Drag(SquareOf("e7"), SquareOf("e5"));
  EXPECT_EQ(services.CallsStartingWith("ErrorBox"), std::vector<std::string>{"ErrorBox: Incons\nGame\\Gamemgr2\n636"});
  EXPECT_EQ(game->Cursor().Ply(), 1);
}

TEST_F(GamePlayTest, ATrainingQuestionWaitsForItsDialogThenTheGameMoves) {
  Start("", "e2e4 e7e5 g1f3");
  game->GotoPly(1);
  game->AttachMoveQuestion(game->Cursor(), MoveOf("e7e5"), 0, 300, 10);
  GameMove* move = const_cast<GameMove*>(game->Cursor().GetMove(1));
  ASSERT_NE(move->annotations, nullptr);
  ASSERT_TRUE(move->annotations->HasTraining());
  game->trainingInput = 1;
  window.trainingOpen = true;
  // The scripted pump closes the dialog during the wait.
  services.waitScript = [&](int32_t) { window.trainingOpen = false; };
  board.Drag(SquareOf("e7"), SquareOf("e5"));
  EXPECT_EQ(game->Cursor().Ply(), 2);
  EXPECT_TRUE(services.CallsStartingWith("ErrorBox").empty());
}

TEST(PiecePath, ChainsFollowDestinationsBackwards) {
  TestGame game;
  SquareMarkList squares;
  squares.SetMark({1, static_cast<uint8_t>(SquareOf("d5"))});
  EXPECT_EQ(BuildPiecePathArrows(game.cursor, squares).Count(), 0);  // ply 0

  auto arrow = [](int colour, const char* from, const char* to) {
    return Mark{static_cast<uint8_t>(colour), static_cast<uint8_t>(SquareOf(from)), static_cast<uint8_t>(SquareOf(to))};
  };
  // The knight from b1 has taken on d5: its chain goes back through c3.
  ASSERT_TRUE(PlayMoves(game.cursor, "b1c3 d7d5 g1f3 e7e6 c3d5"));
  MarkList arrows = BuildPiecePathArrows(game.cursor, squares);
  ASSERT_EQ(arrows.Count(), 2);
  EXPECT_EQ(arrows.GetMark(0), arrow(1, "c3", "d5"));
  EXPECT_EQ(arrows.GetMark(1), arrow(2, "b1", "c3"));

  // The pawn takes back: d5 now follows the pawn; a second square starts its own
  // chain with colour 1.
  ASSERT_TRUE(PlayMoves(game.cursor, "e6d5"));
  squares.SetMark({1, static_cast<uint8_t>(SquareOf("f3"))});
  arrows = BuildPiecePathArrows(game.cursor, squares);
  ASSERT_EQ(arrows.Count(), 3);
  EXPECT_EQ(arrows.GetMark(0), arrow(1, "e6", "d5"));
  EXPECT_EQ(arrows.GetMark(1), arrow(2, "e7", "e6"));
  EXPECT_EQ(arrows.GetMark(2), arrow(1, "g1", "f3"));
}

}  // namespace
}  // namespace zh::test

// The game on the game window: the game and its cursor, the user's moves from the
// board and the keyboard, the engine's moves, the end of the game, the result,
// replay, take-back, variations and the marks of each move. Runs headless; windows
// and the engine manager are reached through the interfaces of game_views.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "board/board_marks.h"
#include "core/rules/move.h"
#include "core/rules/movelist.h"
#include "core/rules/symbols.h"
#include "core/services.h"
#include "engines/game/game_end_tester.h"
#include "engines/game/game_views.h"
#include "engines/game/keyboard_move_entry.h"

namespace zh {

class BoardWindow;
struct SquareList;
class GameCursor;
class TQGame;

// Result codes beside kBlackWon, kDraw, kWhiteWon and kNoResult, resolved against the
// engine's side.
enum EngineResultCode : int32_t {
  kEngineWins = 33,
  kUserWins = 34,
};

class GameManager {
 public:
  // The pieces the game manager talks to; each null entry gets its null form.
  struct Links {
    GamePlayWindow* window = nullptr;
    CoachView* coach = nullptr;
    MediaArea* media = nullptr;
    TournamentState* tournament = nullptr;
    AdjudicationAsker* adjudication = nullptr;
    GameEngineControl* engine = nullptr;
  };

  GameManager();
  explicit GameManager(const Links& links);
  ~GameManager();
  GameManager(const GameManager&) = delete;
  GameManager& operator=(const GameManager&) = delete;

  GameSettings settings;

  // Binding.
  void SetBoard(BoardWindow* board);
  void SetNotationWindow(NotationView* window);
  void SetTreeNotationWindow(NotationView* window);
  void SetBookListWindow(BookListView* window);
  void SetMoveTutorWindow(MoveTutorView* window) { moveTutor_ = window; }

  TQGame& Game() { return *game_; }
  GameCursor& Cursor() { return *cursor_; }
  const MoveList& LegalMoves() const { return legalMoves_; }
  const BoardMarks& Marks() const { return marks_; }
  KeyboardMoveEntry& Keyboard() { return keyboard_; }
  int32_t ResultCode() const { return resultCode_; }
  int16_t EngineMoves() const { return engineMoves_; }
  int32_t EngineSide() const { return engineSide_; }

  // Starts a new game from the start position (or `start` when given).
  void NewGame(const Position* start = nullptr);

  // User moves.
  int32_t OnPieceLifted(std::intptr_t board);
  int32_t OnButtonUp(std::intptr_t board);
  int32_t OnBoardMove(std::intptr_t board);
  int32_t OnBookListMove(std::intptr_t list);
  void PlayMove(const Move& move);
  void AfterMove(int from, int to, int promotion);
  // Asked for the promotion piece of a user move (type 2-5; 0 when unbound).
  CallbackLink promotionLink;
  // Asked which variation to follow while replaying; 0xFFFF when unbound.
  CallbackLink variationLink;
  // Answers the cursor's question when a move is entered in the middle of the game
  // (the cursor's variation-choice bits; unbound: a new variation).
  CallbackLink ownerLink;

  // Views and state.
  void UpdateViews(bool full);
  void RestartAnalysis();
  int RefreshBookMoves(bool force);
  void RedrawBoardWithMarks();
  void RebuildLegalMoves();
  void EnableBoardInput();
  void DisableBoardInput();
  bool IsBlackToMove() const;
  bool IsEngineInGame() const { return enginePlaysSide_ != 0; }
  bool IsEngineToMove() const;
  void AssignEngineSide(int side);
  void StopTournamentGame(bool flag);
  void StopDeviceMatch(bool flag);
  bool IsDeviceMatchRunning() const { return deviceMatchRunning_ != 0; }
  void SetDeviceMatchRunning(bool on) { deviceMatchRunning_ = on; }
  // A device reported a position (cleared by NewGame).
  void OnDevicePosition() { devicePosition_ = 1; }
  uint8_t DevicePosition() const { return devicePosition_; }

  // Engine moves, the timer, keys and the end of the game.
  int32_t OnEngineMove(std::intptr_t engine = 0);
  int PlayEngineMove(const Move& move, uint8_t& played);
  void SetHoldEngineMove(bool flag);
  void SetHoldOnly(bool flag) { holdEngineMove_ = flag; }
  void StorePendingMove(const Move& move);
  void PlayPendingEngineMove();
  bool IsMovePending() const { return movePending_ != 0; }
  int32_t OnTimeOver(std::intptr_t = 0);
  int CheckGameEnd(bool showMessage, bool setResult);
  int32_t OnNotationClick(std::intptr_t window);
  void OnTimer();
  int KeyInput(int keyCode);
  // The engine's host ended while it was to move: the board takes input again.
  void OnEngineEnded();

  // Results and adjudication.
  void SetGameResult(int32_t code);
  int FinishWithResult();
  int AdjudicateIfDue();
  int RunAdjudicationDialog(int outlook, int32_t& code);
  bool IsGameWorthSaving(bool savedOnExit) const;

  // Replay, take-back, variations and annotations.
  void ReplayForward();
  void StepForward();
  void TakeBackMove();
  void TakeBackByUser();
  void GotoPly(int ply);
  void GotoPlyDialog();
  void GotoStart() { GotoPly(0); }
  void GotoEnd();
  void GotoVariationStart();
  void AutoReplay();
  void DeleteVariation();
  void PromoteVariation();
  void AttachToLastMove(const std::string& text);
  void AttachToMove(GameCursor& cursor, const std::string& text, int offset, bool flag);
  void SetMoveSymbol(GameCursor& cursor, int symbol, int offset);
  void AttachMoveQuestion(GameCursor& cursor, const Move& move, int offset, int points, int tries);
  void RecordMoveTime();
  void RecordEngineEval();
  void UpdateAll() { UpdateViews(true); }
  void RefreshNotation();
  void CopyPosition(Position& out) const;
  void ShowArrow(const Move& move, int colour);
  void ShowSquareMarker(int square, int colour);
  void ShowSquareMarkers(const SquareList& squares, int colour);
  void SetSquareColors(const BoardMarks& marks);
  void RedrawBoard();
  void FillMarksFromMove(BoardMarks& marks);
  int32_t OnSquareColorsEdited(std::intptr_t board);
  int32_t OnArrowsEdited(std::intptr_t board);
  void ShowMoveMedia();
  Move GetLastMove() const;
  Move GetMoveBeforeLast() const;
  void OpenTrainingDialog();
  void CloseMoveInputDialog();
  void CheckTrainingMove(int from, int to);
  void SetKeysEnabled(bool on) { keysEnabled_ = on; }
  // Ends the wait for a training move without advancing the game.
  void StopTrainingWait() { trainingStop_ = 1; }

  // Exposed state the Parts name.
  uint8_t gameModified = 0;
  uint8_t forcedOverwrite = 0;
  uint8_t showMoveMedia = 1;
  uint8_t trainingInput = 0;
  // The media folder of the source database ("" when none).
  std::string mediaFolder;

 private:
  bool TryOneClickMove(int square);
  bool SameKindCanReach(const Move& move) const;
  void MarkTargets();
  void MarkLiftedTargets(int square);
  void ButtonUpAfterCancel();
  void ShowEndMessage(int code, bool setResult);
  int ClampedPly(const GameCursor& cursor, int offset) const;
  GameMove* MoveBeforeCurrent() const;
  void StepForwardImpl(bool withQuestions);
  bool NextMoveHasQuestion(int ahead) const;

  GamePlayWindow& Window() { return *window_; }
  CoachView& Coach() { return *coach_; }
  TournamentState& Tournament() { return *tournament_; }
  GameEngineControl& Engine() { return *engine_; }
  bool TournamentRunning() { return tournament_->IsRunning(); }

  // Null forms for the links that were not given.
  GamePlayWindow nullWindow_;
  CoachView nullCoach_;
  MediaArea nullMedia_;
  TournamentState nullTournament_;
  AdjudicationAsker nullAdjudication_;
  GameEngineControl nullEngine_;
  GamePlayWindow* window_;
  CoachView* coach_;
  MediaArea* media_;
  TournamentState* tournament_;
  AdjudicationAsker* adjudication_;
  GameEngineControl* engine_;

  std::unique_ptr<TQGame> game_;
  std::unique_ptr<GameCursor> cursor_;
  BoardWindow* board_ = nullptr;
  NotationView* notation_ = nullptr;
  NotationView* tree_ = nullptr;
  MoveTutorView* moveTutor_ = nullptr;
  BookListView* bookList_ = nullptr;
  GameEndTester endTester_;
  KeyboardMoveEntry keyboard_;
  BoardMarks marks_;
  MoveList legalMoves_;
  std::unique_ptr<Timer> timer_;

  uint8_t enginePlaysSide_ = 0;
  uint8_t adjudicationAnswered_ = 0;
  uint8_t notationBusy_ = 0;
  uint8_t addingMove_ = 0;
  uint8_t engineSideAssigned_ = 0;
  uint8_t keysEnabled_ = 1;
  uint8_t tournamentStopped_ = 0;
  uint8_t deviceMatchStopped_ = 0;
  uint8_t deviceMatchRunning_ = 0;
  uint8_t deviceMatchStop_ = 0;
  uint8_t devicePosition_ = 0;
  int32_t engineSide_ = 1;
  int16_t engineMoves_ = 0;
  int32_t resultCode_ = kNoResult;
  int16_t replayDelay_ = 0;
  Move pendingMove_;
  uint8_t movePending_ = 0;
  uint8_t holdEngineMove_ = 0;
  uint8_t holdWithTutorCheck_ = 0;
  uint8_t pieceLifted_ = 0;
  uint8_t takeBackRemarkArmed_ = 1;
  uint8_t moveNowGuard_ = 0;
  uint8_t playingEngineMove_ = 0;
  uint8_t notationClickGuard_ = 0;
  uint8_t bookListGuard_ = 0;
  uint8_t queryRunning_ = 0;
  uint8_t engineMoving_ = 0;
  uint8_t replayGuard_ = 1;
  uint8_t lastFromSquare_ = 255;
  uint8_t clockKeptTakeBack_ = 0;
  uint8_t clickSquares_[2] = {255, 255};
  int16_t clickCount_ = 0;
  uint8_t trainingStop_ = 0;
  uint8_t inBoardMove_ = 0;
};

}  // namespace zh

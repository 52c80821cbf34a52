// What the game manager calls outside engine control: the game window and its panels,
// the coach and sounds, the media area, the tournament state, the adjudication
// question and the engine manager. Every class has a null form (its defaults), so the
// game runs headless before any window exists; the windows override what they show.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/rules/eval_value.h"
#include "core/rules/move.h"
#include "core/rules/position.h"
#include "core/services.h"

namespace zh {

class GameCursor;
class TrainingPayload;

// The settings of the "Playing" and "General" groups that the game manager reads.
struct GameSettings {
  // Mode bytes without keys.
  uint8_t enginePlays = 1;
  uint8_t analysisMode = 0;
  uint8_t bookEdit = 0;
  uint8_t quizMode = 0;
  uint8_t demo = 0;
  // "Playing".
  bool tutor = false;
  bool threatenedSquares = false;
  bool recordTime = false;
  bool recordEvals = false;
  bool checkBook = false;
  bool friendMode = false;
  bool spy = false;
  bool conference = false;
  bool moveListTutor = false;
  int16_t nLines = 1;
  // "General".
  bool sound = false;
  bool talk = false;
  bool ecoDisplay = false;
  bool readNota = false;
  bool analClock = false;
  int16_t oneClickLevel = 0;
  int16_t replaySpeed = 4;
  std::string machine;
  std::string town;
};

// A text panel with a move-click link: the notation window or the tree window.
class NotationView {
 public:
  virtual ~NotationView() = default;
  virtual bool IsVisible() const { return true; }
  virtual void Reformat(bool full) { (void)full; }
  virtual void UpdateMaterial() {}
  // The tree window: its rebuild (full) and redraw.
  virtual void Update(bool full) { (void)full; }
  virtual void Refresh() {}
  // True when the window used the key.
  virtual bool HandleKey(int keyCode) {
    (void)keyCode;
    return false;
  }
  // Called with the window's address after a click on a move.
  CallbackLink moveClick;
  // The tree window's move link: a move to show on the board.
  CallbackLink moveLink;
  // Cleared while a training question was answered wrongly.
  uint8_t training = 1;
};

// The list of book moves.
class BookListView {
 public:
  virtual ~BookListView() = default;
  virtual void ShowBookMoves(const GameCursor& cursor) { (void)cursor; }
  virtual void ClearMoves() {}
  // The selected move; a null move when none.
  virtual Move GetSelectedMove() { return {}; }
  virtual void EnableClicks() {}
  CallbackLink selection;
};

// The move-list tutor panel.
class MoveTutorView {
 public:
  virtual ~MoveTutorView() = default;
  virtual void StopAnalysis() {}
  virtual void ScheduleAnalysis() {}
  virtual void ClearPendingAnalysis() {}
  virtual void ShowLastMove() {}
  virtual void ShowText(const std::string& text) { (void)text; }
  virtual void Clear() {}
};

// The game window around the board, its search display and evaluation profile.
class GamePlayWindow {
 public:
  virtual ~GamePlayWindow() = default;
  virtual void SetDisplayUpdates(bool on) { (void)on; }
  virtual void CloseAnimation() {}
  virtual void ResumeEngineOpponent() {}
  virtual void SwitchToConference(int lines) { (void)lines; }
  virtual void ReapplyPalette() {}
  virtual void UpdateQuizDisplay() {}
  virtual void SetWorkWindowsUpdates(bool on) { (void)on; }
  // The go-to-ply dialog: the chosen ply, -1 for Cancel.
  virtual int GotoPlyDialog(int current) {
    (void)current;
    return -1;
  }
  virtual void ShowMessageLine(const std::string& text) { (void)text; }
  virtual void SetSearchDisplayStyle(bool emphasised) { (void)emphasised; }
  virtual bool IsSearchDisplayVisible() const { return false; }
  virtual bool IsAnalysisPaused() const { return false; }
  virtual void SetEvalPlyCount(int plies) { (void)plies; }
  virtual void ShowEvalPly(int ply, bool emphasised) { (void)ply, (void)emphasised; }
  virtual void SetEngineSideOnProfile(int side) { (void)side; }
  virtual void ShowDiagram(const Board& board, const std::string& arrows) { (void)board, (void)arrows; }
  // Keeps the flip so that the side to move is at the bottom.
  virtual void OpenTrainingDialog(uint8_t blackToMove) { (void)blackToMove; }
  virtual void CloseTrainingDialog() {}
  // Whether the training dialog exists; the game manager waits while it does.
  virtual bool IsTrainingDialogOpen() const { return false; }
  // Tells the dialog the entered move; answers whether it was wrong.
  virtual bool CheckTrainingAnswer(const Move& move) {
    (void)move;
    return false;
  }
  // A training question: a new holder with the expected move, points and tries.
  virtual std::unique_ptr<TrainingPayload> MakeMoveQuestion(const Move& move, int points, int tries);
};

// The coach, the live commentator and the sounds.
class CoachView {
 public:
  virtual ~CoachView() = default;
  virtual void StartGame() {}
  virtual void RemarkAtStart(int engineSide) { (void)engineSide; }
  // True when a remark was made.
  virtual bool RemarkOnOpening() { return false; }
  virtual void CommentOnMove(const Move& move, const Position& position, const Move& lastMove,
                             bool engine) {
    (void)move, (void)position, (void)lastMove, (void)engine;
  }
  virtual void TakeBackRemark() {}
  virtual void MateRemark(bool userWon) { (void)userWon; }
  virtual void StalemateRemark() {}
  virtual void SpeakMove(const Move& move, bool sayFrom) { (void)move, (void)sayFrom; }
  virtual void WarningBeep() {}
  virtual bool SoundsBlocked() const { return false; }
  virtual void StopAllSounds() {}
  virtual void PlayWave(const std::string& path) { (void)path; }
};

// The area below the board: videos and pictures of a move.
class MediaArea {
 public:
  virtual ~MediaArea() = default;
  virtual void PlayVideo(const std::string& path) { (void)path; }
  virtual void ShowPicture(const std::string& path) { (void)path; }
};

// The tournament controller and the rated game as the game manager sees them.
class TournamentState {
 public:
  virtual ~TournamentState() = default;
  virtual bool IsRunning() const { return false; }
  virtual void SetRunningGame(uint8_t running) { (void)running; }
  virtual bool IsRatedGame() const { return false; }
  virtual void RatedGameFinished() {}
  virtual void EngineMoved(const GameCursor& cursor) { (void)cursor; }
};

// Asks the user to adjudicate an unfinished game. Answers 1 after OK with the chosen
// result code in `code`, 0 after Cancel with `code` unchanged.
class AdjudicationAsker {
 public:
  virtual ~AdjudicationAsker() = default;
  virtual int Ask(int outlook, int32_t& code) {
    (void)outlook, (void)code;
    return 0;
  }
};

// The engine manager and the current engine object, as far as the game plays them.
class GameEngineControl {
 public:
  virtual ~GameEngineControl() = default;
  virtual bool HasEngine() const { return false; }
  // The move the engine has chosen.
  virtual Move GetEngineMove() { return {}; }
  virtual void StartEngineMove(const GameCursor& cursor) { (void)cursor; }
  virtual void StartPondering() {}
  virtual void CancelSearch() {}
  virtual void SelectEngine(int index) { (void)index; }
  virtual void SearchGame(const GameCursor& cursor) { (void)cursor; }
  virtual void SwitchClock(int ply) { (void)ply; }
  virtual void PauseClock() {}
  virtual void ResetClocks() {}
  virtual void TakeBackClock() {}
  virtual void AddExtraTime(int side) { (void)side; }
  // Hundredths of a second the running clock has counted for this move.
  virtual int32_t GetElapsed() const { return 0; }
  virtual std::string EngineName() const { return {}; }
  virtual std::string LevelDescription() const { return {}; }
  virtual int LevelType() const { return 4; }
  virtual bool IsInputLocked() const { return false; }
  virtual bool IsSelfDriven() const { return false; }
  virtual void SaveGameParams() {}
  virtual void RestoreGameParams() {}
  // The engine's latest score from its own side; false (and `score` unchanged) when
  // it has none.
  virtual bool GetScore(EvalValue& score) const {
    (void)score;
    return false;
  }
  // The friend mode's new strength level after a decided game.
  virtual void SetHandicapStrength(int level) { (void)level; }
  // Counts a decided game in the friend statistics; answers the new strength level.
  virtual int CountFriendGame(int outcome) {
    (void)outcome;
    return 0;
  }
};

}  // namespace zh

// The game manager's side of the game that does not start from the user's hand: the
// engine's move, holding it back, the flag fall, the end-of-game check, the notation
// timer, the keys, and the result with its adjudication.
#include <string>

#include "app/message_ids.h"
#include "board/board_window.h"
#include "database/game/game_cursor.h"
#include "database/game/game_item.h"
#include "engines/game/game_manager.h"

namespace zh {

namespace {

constexpr int kTimerMs = 200;

// Pieces other than kings of one colour on the board.
bool HasArmy(const Board& board, bool black) {
  for (uint8_t piece : board.squares) {
    if (piece != 0 && (piece & 7) != 1 && ((piece & 8) != 0) == black) return true;
  }
  return false;
}

}  // namespace

// Another piece of the moving kind could reach the same square: the move is spoken
// with its from square. Called after the move, while the legal moves are still those
// of the position before it; the other pieces still stand where they did.
bool GameManager::SameKindCanReach(const Move& move) const {
  const Board& board = cursor_->GetPosition().board;
  for (const MoveCode& other : legalMoves_) {
    if (other.to == move.to && other.from != move.from && board.squares[other.from] == move.piece) return true;
  }
  return false;
}

// ---- The engine's move

void GameManager::ButtonUpAfterCancel() {
  if (!pieceLifted_) return;
  if (board_) board_->CancelInput();
  OnButtonUp(reinterpret_cast<std::intptr_t>(board_));
  pieceLifted_ = 0, holdEngineMove_ = 0;
}

int32_t GameManager::OnEngineMove(std::intptr_t) {
  ButtonUpAfterCancel();
  engineMoving_ = 1;
  Move move = Engine().GetEngineMove();
  const Move lastMove = GetLastMove();
  if (move.IsNull() || !legalMoves_.Contains(move)) {
    std::string text = GetMessageText(msg::M_GAME_ILLEGAL_ENGINE_MOVE);
    text += move.ToLongText();
    text += "\n";
    text += Engine().EngineName();
    text += GetMessageText(msg::M_GAME_PLEASE_RETRY);
    ErrorBox(text);
    StopTournamentGame(true);
    TakeBackByUser();
  } else if (holdEngineMove_) {
    StorePendingMove(move);
    if (holdWithTutorCheck_) holdWithTutorCheck_ = 0;
  } else {
    move.Complete(cursor_->GetPosition().board);
    addingMove_ = 1;
    uint8_t played = 0;
    const int ended = PlayEngineMove(move, played);
    if (!settings.demo && board_) board_->SelectSquare(move);
    if ((!TournamentRunning() || ((cursor_->Ply() & 1) && settings.demo)) && !Engine().IsSelfDriven() &&
        !ended && !settings.analysisMode)
      Coach().CommentOnMove(move, cursor_->GetPosition(), lastMove, true);
    ++engineMoves_;
    addingMove_ = 0;
    if (Engine().LevelType() == 16) Window().UpdateQuizDisplay();
    Engine().SwitchClock(cursor_->Ply());
    if (TournamentRunning()) {
      if (ProcessShouldStop())
        StopTournamentGame(true);
      else
        Tournament().EngineMoved(*cursor_);
    }
    if (settings.moveListTutor) {
      if (moveTutor_) moveTutor_->ShowText(GetMessageText(msg::M_GAME_USER_THINKING)), moveTutor_->ScheduleAnalysis();
    } else if (settings.conference && !Engine().IsSelfDriven() && !moveNowGuard_) {
      Window().SwitchToConference(settings.nLines);
      Engine().SelectEngine(1);
      Engine().SearchGame(*cursor_);
    } else if (!TournamentRunning() && played && !settings.conference) {
      Engine().StartPondering();
    }
    if (bookList_) bookList_->EnableClicks();
  }
  keyboard_.Reset();
  engineMoving_ = 0;
  clickCount_ = 0;
  if (!TournamentRunning() && !deviceMatchRunning_) EnableBoardInput();
  return 0;
}

int GameManager::PlayEngineMove(const Move& move, uint8_t& played) {
  playingEngineMove_ = 1;
  const int promotion = (move.kind & kPromotion) ? move.promotion : 0;
  if (cursor_->AddMove(move.from, move.to, promotion, forcedOverwrite ? 2 : 0) != 0) {
    played = 0;
    playingEngineMove_ = 0;
    return 0;
  }
  Window().SetWorkWindowsUpdates(false);
  if (Engine().IsSelfDriven()) RefreshBookMoves(false);
  if (board_) {
    board_->sounds = settings.sound && !Coach().SoundsBlocked();
    board_->ShowMove(move);
    board_->sounds = 0;
  }
  if (settings.recordTime) RecordMoveTime();
  if (settings.recordEvals && !settings.quizMode && !Tournament().IsRatedGame()) RecordEngineEval();
  if (settings.readNota) Coach().SpeakMove(move, SameKindCanReach(move));
  UpdateViews(true);
  const int ended = CheckGameEnd(!TournamentRunning(), true);
  Window().SetWorkWindowsUpdates(true);
  played = 1;
  playingEngineMove_ = 0;
  return ended;
}

void GameManager::SetHoldEngineMove(bool flag) {
  holdWithTutorCheck_ = flag;
  if (!pieceLifted_) holdEngineMove_ = flag;
}

void GameManager::StorePendingMove(const Move& move) {
  pendingMove_ = move;
  movePending_ = 1;
}

void GameManager::PlayPendingEngineMove() {
  if (movePending_) {
    movePending_ = 0;
    addingMove_ = 1;
    Move move = pendingMove_;
    move.Complete(cursor_->GetPosition().board);
    uint8_t played = 0;
    PlayEngineMove(move, played);
    ++engineMoves_;
    addingMove_ = 0;
    Engine().SwitchClock(cursor_->Ply());
  }
  holdEngineMove_ = 0;
}

void GameManager::OnEngineEnded() {
  engineMoving_ = 0;
  Engine().PauseClock();
  EnableBoardInput();
}

int32_t GameManager::OnTimeOver(std::intptr_t) {
  if (deviceMatchRunning_ || resultCode_ != kNoResult) return 0;
  Coach().WarningBeep();
  ButtonUpAfterCancel();
  const bool tournament = TournamentRunning();
  SetGameResult(IsBlackToMove() ? kWhiteWon : kBlackWon);
  if (resultCode_ == kNoResult) resultCode_ = kEngineWins;
  if (!tournament) WarningBox(GetMessageText(msg::M_GAME_TIME_OVER));
  const bool rated = Tournament().IsRatedGame();
  if (rated) Tournament().RatedGameFinished();
  if (tournament) Tournament().SetRunningGame(0);
  if (tournament || rated) {
    AttachToMove(*cursor_, GetMessageText(msg::M_GAME_TIME_OVER), 0, false);
    return 1;
  }
  return 0;
}

// ---- The end of the game

int GameManager::CheckGameEnd(bool showMessage, bool setResult) {
  const int code = endTester_.Test(*cursor_);
  if (code == kGameGoesOn) return 0;
  StopTournamentGame(false);
  StopDeviceMatch(false);
  Engine().PauseClock();
  if (showMessage && !deviceMatchRunning_) ShowEndMessage(code, setResult);
  Window().ReapplyPalette();
  if (setResult) {
    int32_t result = kDraw;
    if (code == kGameMate) result = IsBlackToMove() ? kWhiteWon : kBlackWon;
    SetGameResult(result);
    if (Tournament().IsRatedGame()) Tournament().RatedGameFinished();
  }
  return 1;
}

void GameManager::ShowEndMessage(int code, bool setResult) {
  switch (code) {
    case kGameMate:
      if (setResult && settings.talk) Coach().MateRemark((IsBlackToMove() ? 1 : 0) == engineSide_);
      WarningBox(GetMessageText(msg::M_GAME_MATE));
      break;
    case kGameStalemate:
      if (setResult && settings.talk) Coach().StalemateRemark();
      WarningBox(GetMessageText(msg::M_GAME_STALEMATE));
      break;
    case kGameNoMaterial: WarningBox(GetMessageText(msg::M_GAME_NO_MATERIAL)); break;
    case kGameRepetition: WarningBox(GetMessageText(msg::M_GAME_REPETITION)); break;
    case kGameHundredPlies: WarningBox(GetMessageText(msg::M_GAME_FIFTY_MOVES)); break;
    default: WarningBox(GetMessageText(msg::M_GAME_PLY_LIMIT)); break;
  }
}

// ---- The notation timer and the keys

int32_t GameManager::OnNotationClick(std::intptr_t) {
  if (notationClickGuard_) return 0;
  notationClickGuard_ = 1;
  if (notation_) notation_->Reformat(false);
  if (!notationBusy_) RedrawBoardWithMarks();
  if (tree_) tree_->Refresh();
  if (timer_) timer_->Start(kTimerMs);
  if (!TournamentRunning() && !deviceMatchRunning_) EnableBoardInput();
  Window().ShowEvalPly(cursor_->Ply(), !(settings.analClock && settings.analysisMode));
  if (settings.quizMode || settings.moveListTutor) {
    Window().CloseAnimation();
    if (moveTutor_) moveTutor_->ClearPendingAnalysis();
  }
  notationClickGuard_ = 0;
  return 0;
}

void GameManager::OnTimer() {
  RebuildLegalMoves();
  if (!notationBusy_) {
    if (settings.analysisMode || !settings.checkBook) {
      if (bookList_) bookList_->ClearMoves();
    } else {
      RefreshBookMoves(false);
    }
  }
  RestartAnalysis();
}

int GameManager::KeyInput(int keyCode) {
  if (!keysEnabled_) return 0;
  const int code = keyCode & key::kCodeMask;
  const int modifiers = keyCode & key::kModifiers;
  bool used = false;
  if (code == key::Letter('G') && (modifiers & key::kControl)) {
    GotoPlyDialog();
    used = true;
  } else if (code == key::kUp && !notation_ && !tree_ && !moveTutor_) {
    GotoVariationStart();
    used = true;
  } else if (code == key::kLeft && board_ && !tree_) {
    if (modifiers & key::kControl) {
      TakeBackByUser();
      used = true;
    } else if (modifiers == 0) {
      TakeBackMove();
      used = true;
    }
  } else if (code == key::kRight && cursor_->Ply() < cursor_->LineEnd() && board_ && !tree_) {
    ReplayForward();
    used = true;
  }
  if (used) {
    if (tree_) tree_->Refresh();
    return 1;
  }
  if (notation_ && notation_->IsVisible() && !notationClickGuard_ && notation_->HandleKey(keyCode)) return 1;
  if (tree_ && tree_->HandleKey(keyCode)) return 1;
  return keyboard_.OnKey(keyCode) ? 1 : 0;
}

// ---- The result and adjudication

void GameManager::SetGameResult(int32_t code) {
  if (cursor_->Lines().Count() > 0) return;
  const Board& board = cursor_->GetPosition().board;
  const bool white = HasArmy(board, false), black = HasArmy(board, true);
  switch (code) {
    case kDraw: resultCode_ = kDraw; break;
    case kWhiteWon: resultCode_ = white ? kWhiteWon : kDraw; break;
    case kBlackWon: resultCode_ = black ? kBlackWon : kDraw; break;
    case kEngineWins:
    case kUserWins:
      if (!engineSideAssigned_) {
        resultCode_ = kNoResult;
      } else {
        const bool engineWhite = engineSide_ == 0;
        const bool whiteWins = (code == kEngineWins) == engineWhite;
        resultCode_ = whiteWins ? (white ? kWhiteWon : kDraw) : (black ? kBlackWon : kDraw);
      }
      break;
    default: break;
  }
  game_->header.SetResult(resultCode_);
  Engine().PauseClock();
  EnableBoardInput();
  enginePlaysSide_ = 0;
  if (notation_ && notation_->IsVisible()) {
    notationBusy_ = 1;
    notation_->Reformat(true);
    notationBusy_ = 0;
  }
  if (settings.friendMode) {
    int outcome = code;
    if (code == kBlackWon) outcome = engineSide_ == 1 ? kEngineWins : kUserWins;
    if (code == kWhiteWon) outcome = engineSide_ == 1 ? kUserWins : kEngineWins;
    Engine().SetHandicapStrength(Engine().CountFriendGame(outcome));
  }
}

bool GameManager::IsGameWorthSaving(bool savedOnExit) const {
  return gameModified && (engineMoves_ > 4 || (engineMoves_ >= 1 && cursor_->LineEnd() > 10 && savedOnExit));
}

int GameManager::AdjudicateIfDue() {
  if (engineMoves_ <= 8 || resultCode_ != kNoResult) return 1;
  if (cursor_->LineEnd() <= 16) return 1;
  EvalValue score;
  Engine().GetScore(score);
  const int outlook = score.GetOutlook();
  if (score.GetComparable() < 50 && engineMoves_ < 14) {
    resultCode_ = kNoResult;
    return 1;
  }
  return RunAdjudicationDialog(outlook, resultCode_);
}

int GameManager::RunAdjudicationDialog(int outlook, int32_t& code) {
  return adjudication_->Ask(outlook, code);
}

int GameManager::FinishWithResult() {
  adjudicationAnswered_ = static_cast<uint8_t>(AdjudicateIfDue());
  if (resultCode_ != kNoResult) SetGameResult(resultCode_);
  return adjudicationAnswered_;
}

}  // namespace zh

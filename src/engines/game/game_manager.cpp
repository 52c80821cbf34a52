// The game manager's core: construction, binding, the road of a user move and the
// view refreshes every other road uses.
#include "engines/game/game_manager.h"

#include <algorithm>

#include "app/message_ids.h"
#include "board/board_window.h"
#include "core/rules/square_list.h"
#include "database/game/annotation_set.h"
#include "database/game/game_cursor.h"
#include "database/game/game_item.h"
#include "database/game/training_payload.h"

namespace zh {

namespace {

constexpr int kPawnType = 6;
constexpr int kKingType = 1;
constexpr int kTimerMs = 200;

}  // namespace

std::unique_ptr<TrainingPayload> GamePlayWindow::MakeMoveQuestion(const Move& move, int points, int tries) {
  (void)move, (void)points, (void)tries;
  return CreateTrainingPayload();
}

GameManager::GameManager() : GameManager(Links{}) {}

GameManager::GameManager(const Links& links)
    : window_(links.window ? links.window : &nullWindow_),
      coach_(links.coach ? links.coach : &nullCoach_),
      media_(links.media ? links.media : &nullMedia_),
      tournament_(links.tournament ? links.tournament : &nullTournament_),
      adjudication_(links.adjudication ? links.adjudication : &nullAdjudication_),
      engine_(links.engine ? links.engine : &nullEngine_) {
  marks_.Clear();
  keyboard_.SetHooks({[this] { return IsEngineToMove(); }, [this](const Move& move) { PlayMove(move); },
                      [this](const std::string& line) { Window().ShowMessageLine(line); }});
  game_ = std::make_unique<TQGame>();
  cursor_ = std::make_unique<GameCursor>(game_.get());
  cursor_->callbacks[kVariationChoice] = CallbackLink(this, [](void* self, std::intptr_t argument) -> int32_t {
    return static_cast<GameManager*>(self)->ownerLink.Call(argument);
  });
  Engine().ResetClocks();
  if (Engine().HasEngine()) Engine().SaveGameParams();
  NewGame();
  timer_ = Timers().MakeTimer([this] { OnTimer(); });
}

GameManager::~GameManager() {
  if (board_) {
    board_->pieceLifted.Clear();
    board_->buttonUp.Clear();
    board_->moveEntered.Clear();
    board_->squareColorsEdited.Clear();
    board_->arrowsEdited.Clear();
  }
  if (notation_) notation_->moveClick.Clear();
  if (tree_) tree_->moveClick.Clear(), tree_->moveLink.Clear();
  if (bookList_) bookList_->selection.Clear();
}

void GameManager::NewGame(const Position* start) {
  cursor_->ClearGame();
  if (start) {
    game_->body.SetSetUpStart(*start, 1);
  } else {
    game_->SetStandardStart();
  }
  cursor_->ToStartPosition();
  game_->header.SetResult(kNoResult);
  resultCode_ = kNoResult;
  enginePlaysSide_ = 0;
  engineSideAssigned_ = 0;
  adjudicationAnswered_ = 0;
  clockKeptTakeBack_ = 0;
  devicePosition_ = 0;
  engineMoves_ = 0;
  gameModified = 0;
  forcedOverwrite = 0;
  clickCount_ = 0;
  Engine().ResetClocks();
  Coach().StartGame();
  UpdateViews(false);
  gameModified = 0;
}

// ---- Binding

void GameManager::SetBoard(BoardWindow* board) {
  board_ = board;
  if (!board_) return;
  board_->pieceLifted = CallbackLink::Bind<GameManager, &GameManager::OnPieceLifted>(this);
  board_->buttonUp = CallbackLink::Bind<GameManager, &GameManager::OnButtonUp>(this);
  board_->moveEntered = CallbackLink::Bind<GameManager, &GameManager::OnBoardMove>(this);
  board_->squareColorsEdited = CallbackLink::Bind<GameManager, &GameManager::OnSquareColorsEdited>(this);
  board_->arrowsEdited = CallbackLink::Bind<GameManager, &GameManager::OnArrowsEdited>(this);
  RedrawBoardWithMarks();
}

void GameManager::SetNotationWindow(NotationView* window) {
  if (notation_) notation_->moveClick.Clear();
  notation_ = window;
  if (!notation_) return;
  notation_->moveClick = CallbackLink::Bind<GameManager, &GameManager::OnNotationClick>(this);
  notation_->Reformat(true);
}

void GameManager::SetTreeNotationWindow(NotationView* window) {
  if (tree_) tree_->moveClick.Clear(), tree_->moveLink.Clear();
  tree_ = window;
  if (!tree_) return;
  tree_->moveClick = CallbackLink::Bind<GameManager, &GameManager::OnNotationClick>(this);
  tree_->moveLink = CallbackLink(this, [](void* self, std::intptr_t argument) -> int32_t {
    auto* manager = static_cast<GameManager*>(self);
    if (manager->board_ && argument) manager->board_->ShowMove(*reinterpret_cast<const Move*>(argument));
    return 0;
  });
  tree_->Update(true);
}

void GameManager::SetBookListWindow(BookListView* window) {
  if (bookList_) bookList_->selection.Clear();
  bookList_ = window;
  if (!bookList_) return;
  bookList_->ShowBookMoves(*cursor_);
  bookList_->selection = CallbackLink::Bind<GameManager, &GameManager::OnBookListMove>(this);
}

// ---- State

bool GameManager::IsBlackToMove() const { return cursor_->GetPosition().side == 1; }

bool GameManager::IsEngineToMove() const {
  if (settings.enginePlays && engineSideAssigned_) return (IsBlackToMove() ? 1 : 0) == engineSide_;
  return engineMoving_ || tournament_->IsRunning();
}

void GameManager::EnableBoardInput() {
  if (board_) board_->inputEnabled = 1;
}

void GameManager::DisableBoardInput() {
  if (board_) board_->inputEnabled = 0;
}

void GameManager::StopTournamentGame(bool flag) {
  if (flag) tournamentStopped_ = 1;
  Tournament().SetRunningGame(0);
}

void GameManager::StopDeviceMatch(bool flag) {
  if (flag) deviceMatchStopped_ = 1;
  deviceMatchStop_ = 1;
}

void GameManager::AssignEngineSide(int side) {
  if (!engineSideAssigned_) {
    std::string level = Engine().LevelDescription();
    if (!level.empty()) {
      if (!settings.machine.empty()) level += ". " + settings.machine;
      AnnotationSet* own = game_->body.GetGameAnnotations();
      if (own && !own->HasTextBefore()) game_->body.AddGameComment(level + "\r\n");
    }
  }
  engineSideAssigned_ = 1;
  enginePlaysSide_ = 1;
  engineSide_ = side;
  if (!settings.enginePlays) return;
  if (side == 0) Window().SetEngineSideOnProfile(0);
}

// ---- The road of a user move

int32_t GameManager::OnPieceLifted(std::intptr_t) {
  if (Engine().IsInputLocked()) return 0;
  pieceLifted_ = 1;
  if (settings.threatenedSquares && board_) {
    MarkLiftedTargets(board_->currentSquare);
    board_->SetPosition(cursor_->GetPosition().board, marks_, true);
  }
  keyboard_.Reset();
  return 0;
}

int32_t GameManager::OnButtonUp(std::intptr_t) {
  if (!pieceLifted_ || !board_) return 0;
  pieceLifted_ = 0;
  holdEngineMove_ = 0;
  if (board_->fromSquare != board_->toSquare) {
    clickCount_ = 0;
    return 0;
  }
  const int square = board_->toSquare;
  if (!(clickCount_ == 0 && TryOneClickMove(square))) {
    if (clickCount_ < 2) clickSquares_[clickCount_++] = static_cast<uint8_t>(square);
  }
  if (clickCount_ < 2) {
    if (settings.threatenedSquares) {
      MarkTargets();
      board_->SetPosition(cursor_->GetPosition().board, marks_, false);
    }
    return 0;
  }
  // Two clicks on one square cancel the pair.
  if (clickSquares_[0] != clickSquares_[1]) {
    board_->entryArmed = 0;
    OnBoardMove(reinterpret_cast<std::intptr_t>(board_));
  }
  clickCount_ = 0;
  return 0;
}

bool GameManager::TryOneClickMove(int square) {
  const int level = settings.oneClickLevel;
  if (level == 0) return false;
  uint8_t other = 0;
  auto take = [&](int first, int second) {
    clickSquares_[0] = static_cast<uint8_t>(first);
    clickSquares_[1] = static_cast<uint8_t>(second);
    clickCount_ = 2;
    return true;
  };
  if (legalMoves_.CountFromSquare(square) == 1) {
    legalMoves_.FindFromSquare(square, other);
    return take(square, other);
  }
  if (legalMoves_.CountToSquare(square) == 1) {
    legalMoves_.FindToSquare(square, other);
    return take(square, other);
  }
  const int ply = cursor_->Ply();
  const Board& board = cursor_->GetPosition().board;
  if (ply > 0) {
    const GameMove& last = *cursor_->GetMove(ply - 1);
    if (legalMoves_.Contains(Move::FromSquares(square, last.to)) && (last.IsCapture() || level >= 2))
      return take(square, last.to);
  }
  if (ply < 4) return false;
  const int eSquare = 4 * 8 + (square & 7);
  if (legalMoves_.CountToSquare(square) >= 2 && (square >> 3) == 6 && (board[eSquare] & 7) == kKingType &&
      legalMoves_.Contains(Move::FromSquares(eSquare, square)))
    return take(eSquare, square);
  if (level >= 2) {
    const GameMove& twoBack = *cursor_->GetMove(ply - 2);
    const GameMove& fourBack = *cursor_->GetMove(ply - 4);
    if (twoBack.from == fourBack.to && legalMoves_.Contains(Move::FromSquares(twoBack.to, square)))
      return take(twoBack.to, square);
  }
  return false;
}

int32_t GameManager::OnBoardMove(std::intptr_t) {
  if (inBoardMove_ || !board_) return 0;
  inBoardMove_ = 1;
  if (moveTutor_) moveTutor_->ClearPendingAnalysis();
  int from = board_->fromSquare, to = board_->toSquare;
  if (clickCount_ == 2) {
    from = clickSquares_[0], to = clickSquares_[1];
    board_->fromSquare = static_cast<uint8_t>(from), board_->toSquare = static_cast<uint8_t>(to);
  }
  auto legal = [&](int f, int t) {
    for (const MoveCode& m : legalMoves_)
      if (m.from == f && m.to == t) return true;
    return false;
  };
  if (!legal(from, to)) {
    if (!legal(to, from)) {
      clickCount_ = 0;
      Beep();
      board_->UnmarkSquare(from);
      inBoardMove_ = 0;
      return 0;
    }
    std::swap(from, to);
    board_->fromSquare = static_cast<uint8_t>(from), board_->toSquare = static_cast<uint8_t>(to);
  }
  if (trainingInput) {
    board_->ExecuteInputMove(1, 0);
    CheckTrainingMove(from, to);
    inBoardMove_ = 0;
    return 0;
  }
  if (settings.enginePlays) DisableBoardInput();
  int promotion = 0;
  const uint8_t piece = cursor_->GetPosition().board[from];
  if ((piece & 7) == kPawnType && ((to & 7) == 0 || (to & 7) == 7))
    promotion = promotionLink.Call(reinterpret_cast<std::intptr_t>(board_));
  board_->sounds = settings.sound;
  board_->ExecuteInputMove(1, promotion);
  board_->sounds = 0;
  lastFromSquare_ = static_cast<uint8_t>(from);
  AfterMove(from, to, promotion);
  inBoardMove_ = 0;
  return 0;
}

int32_t GameManager::OnBookListMove(std::intptr_t) {
  if (!bookList_) return 0;
  Move move = bookList_->GetSelectedMove();
  if (move.IsNull() || !legalMoves_.Contains(move)) {
    Beep();
    return 0;
  }
  move.Complete(cursor_->GetPosition().board);
  if (board_) {
    board_->sounds = settings.sound;
    board_->ShowMove(move);
    board_->sounds = 0;
  }
  AfterMove(move.from, move.to, (move.kind & kPromotion) ? move.promotion : 0);
  return 0;
}

void GameManager::PlayMove(const Move& move) {
  if (board_) board_->ShowMove(move);
  AfterMove(move.from, move.to, (move.kind & kPromotion) ? move.promotion : 0);
}

void GameManager::AfterMove(int from, int to, int promotion) {
  int mode = 0;
  if (board_) {
    if (board_->modifiers & BoardWindow::kControl)
      mode = 1;
    else if ((board_->modifiers & BoardWindow::kShift) || forcedOverwrite || settings.bookEdit)
      mode = 2;
  }
  if (cursor_->AddMove(from, to, promotion, mode) != 0) {
    RedrawBoardWithMarks();
    if (bookList_) bookList_->EnableClicks();
    EnableBoardInput();
    movePending_ = 0, holdEngineMove_ = 0;
    return;
  }
  if (!Tournament().IsRatedGame()) Window().SetEvalPlyCount(cursor_->Ply());
  if (settings.enginePlays && settings.recordTime) RecordMoveTime();
  gameModified = 1, takeBackRemarkArmed_ = 1, clockKeptTakeBack_ = 0, forcedOverwrite = 0;
  if (notation_ && notation_->IsVisible()) {
    notationBusy_ = addingMove_ = 1;
    notation_->Reformat(true);
    notation_->UpdateMaterial();
    notationBusy_ = addingMove_ = 0;
  }
  if (settings.moveListTutor || settings.quizMode) {
    if (settings.quizMode) Window().CloseAnimation();
    if (settings.moveListTutor && moveTutor_) moveTutor_->StopAnalysis(), Engine().RestoreGameParams();
    if (moveTutor_) moveTutor_->ClearPendingAnalysis();
  }
  const int ended = CheckGameEnd(!TournamentRunning(), true);
  Window().SetSearchDisplayStyle(false);
  RedrawBoardWithMarks();
  if (tree_) tree_->Update(false), tree_->Refresh();
  if (!settings.enginePlays) RefreshBookMoves(true);
  RebuildLegalMoves();
  if (!settings.enginePlays && !settings.analysisMode) {
    if (settings.moveListTutor && moveTutor_) moveTutor_->ScheduleAnalysis();
  } else {
    if (settings.enginePlays && cursor_->Ply() == 1) {
      AssignEngineSide(IsBlackToMove() ? 1 : 0);
      if (!Tournament().IsRatedGame()) Coach().RemarkAtStart(engineSide_);
      Engine().AddExtraTime(0);
    }
    if (Engine().HasEngine() && settings.enginePlays && !ended) {
      if (!Coach().RemarkOnOpening()) {
        const GameMove& last = *cursor_->LastMove();
        Coach().CommentOnMove(Move::FromGameMove(last), cursor_->GetPosition(), GetMoveBeforeLast(), false);
      }
    }
    if (!ended) {
      if (settings.conference) Window().ResumeEngineOpponent(), Engine().SelectEngine(0);
      if (!(settings.analysisMode && Window().IsAnalysisPaused())) Engine().StartEngineMove(*cursor_);
    }
    if (settings.moveListTutor && moveTutor_) {
      moveTutor_->ShowLastMove();
      const std::string name = Engine().EngineName();
      if (!name.empty()) moveTutor_->ShowText(name + " " + GetMessageText(msg::M_GAME_ENGINE_WAITS));
    }
  }
  movePending_ = 0, holdEngineMove_ = 0;
}

// ---- Views

void GameManager::UpdateViews(bool full) {
  if (settings.moveListTutor || settings.quizMode) {
    if (moveTutor_) moveTutor_->ClearPendingAnalysis();
    if (settings.quizMode) Window().CloseAnimation();
  }
  if (notation_ && notation_->IsVisible()) {
    notationBusy_ = 1;
    if (full) notation_->Reformat(true);
    notation_->UpdateMaterial();
    notationBusy_ = 0;
  }
  RedrawBoardWithMarks();
  if (tree_) tree_->Update(full), tree_->Refresh();
  queryRunning_ = 0, forcedOverwrite = 0;
  if (full) gameModified = 1;
  movePending_ = 0, holdEngineMove_ = 0;
  RestartAnalysis();
  if (moveTutor_) {
    moveTutor_->Clear();
    if (!full && settings.moveListTutor) moveTutor_->StopAnalysis(), moveTutor_->ScheduleAnalysis();
  }
  RebuildLegalMoves();
  Window().ShowEvalPly(cursor_->Ply(), !full && !(settings.analClock && settings.analysisMode));
}

void GameManager::RestartAnalysis() {
  if (addingMove_ || (settings.analysisMode && Window().IsAnalysisPaused())) return;
  Window().SetSearchDisplayStyle(false);
  if (settings.analysisMode && Window().IsSearchDisplayVisible())
    Engine().StartEngineMove(*cursor_);
  else
    Engine().CancelSearch();
}

int GameManager::RefreshBookMoves(bool force) {
  if (settings.analysisMode || bookListGuard_) return 0;
  bookListGuard_ = 1;
  if ((settings.checkBook || force) && bookList_ && Engine().HasEngine()) {
    bookList_->ShowBookMoves(*cursor_);
    if (!settings.enginePlays) bookList_->EnableClicks();
  }
  bookListGuard_ = 0;
  return 0;
}

void GameManager::MarkTargets() {
  marks_.Clear();
  SquareList safe, threatened, contested;
  cursor_->GetPosition().GetEndangeredPieces(safe, threatened, contested);
  for (int i = 0; i < threatened.count; ++i) marks_.squares.SetValue(threatened.squares[i], 4);
  for (int i = 0; i < safe.count; ++i) marks_.squares.SetValue(safe.squares[i], 5);
  for (int i = 0; i < contested.count; ++i) marks_.squares.SetValue(contested.squares[i], 2);
}

void GameManager::MarkLiftedTargets(int square) {
  marks_.Clear();
  if (square < 0 || square > 63) return;
  SquareList safe, threatened, contested;
  cursor_->GetPosition().GetMoveSafety(square, safe, threatened, contested);
  for (int i = 0; i < threatened.count; ++i) marks_.squares.SetValue(threatened.squares[i], 4);
  for (int i = 0; i < contested.count; ++i) marks_.squares.SetValue(contested.squares[i], 2);
  for (int i = 0; i < safe.count; ++i) marks_.squares.SetValue(safe.squares[i], 5);
}

void GameManager::RedrawBoardWithMarks() {
  if (!board_) return;
  if (settings.threatenedSquares) {
    MarkTargets();
  } else {
    marks_.Clear();
    FillMarksFromMove(marks_);
  }
  board_->SetPosition(cursor_->GetPosition().board, marks_, false);
  ShowMoveMedia();
}

void GameManager::RebuildLegalMoves() {
  legalMoves_.GenerateLegal(cursor_->GetPosition());
  keyboard_.SetPosition(&legalMoves_, &cursor_->GetPosition().board);
}

}  // namespace zh

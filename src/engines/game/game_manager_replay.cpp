// Moving through the current game without playing, taking moves back, editing
// variations, annotating moves and the marks and media each move carries.
#include <algorithm>

#include "app/message_ids.h"
#include "board/board_window.h"
#include "core/rules/square_list.h"
#include "core/rules/square_marks.h"
#include "database/game/annotation_set.h"
#include "database/game/game_cursor.h"
#include "database/game/game_item.h"
#include "database/game/move_tree.h"
#include "database/game/training_payload.h"
#include "engines/engine_wait.h"
#include "engines/game/game_manager.h"
#include "engines/game/piece_path.h"

namespace zh {

namespace {

// Holds the replay guard for one step; a step that finds it taken does nothing.
class ReplayStep {
 public:
  explicit ReplayStep(uint8_t& guard) : guard_(guard), free_(guard != 0) { guard_ = 0; }
  ~ReplayStep() {
    if (free_) guard_ = 1;
  }
  ReplayStep(const ReplayStep&) = delete;
  ReplayStep& operator=(const ReplayStep&) = delete;
  bool Free() const { return free_; }

 private:
  uint8_t& guard_;
  bool free_;
};

bool HasOpenQuestion(const GameMove* move) {
  if (!move || move->IsEmpty() || !move->annotations) return false;
  const TrainingPayload* question = move->annotations->GetTraining();
  return question && !question->IsAnswered();
}

bool HasQuestion(const GameMove* move) {
  return move && !move->IsEmpty() && move->annotations && move->annotations->HasTraining();
}

}  // namespace

// ---- Last moves

Move GameManager::GetLastMove() const {
  if (cursor_->Ply() <= 0) return {};
  Move move = Move::FromGameMove(*cursor_->GetMove(cursor_->Ply() - 1));
  move.complete = 1;
  return move;
}

Move GameManager::GetMoveBeforeLast() const {
  if (cursor_->Ply() <= 1) return {};
  Move move = Move::FromGameMove(*cursor_->GetMove(cursor_->Ply() - 2));
  move.complete = 1;
  return move;
}

GameMove* GameManager::MoveBeforeCurrent() const {
  if (cursor_->Ply() <= 0) return nullptr;
  return const_cast<GameMove*>(cursor_->GetMove(cursor_->Ply() - 1));
}

// ---- Navigation

void GameManager::ReplayForward() {
  ReplayStep step(replayGuard_);
  if (!step.Free()) return;
  StepForwardImpl(true);
}

void GameManager::StepForward() {
  ReplayStep step(replayGuard_);
  if (!step.Free()) return;
  StepForwardImpl(false);
}

void GameManager::StepForwardImpl(bool withQuestions) {
  const int ply = cursor_->Ply();
  if (ply >= cursor_->LineEnd()) return;
  Window().SetDisplayUpdates(false);
  if (withQuestions) {
    if (showMoveMedia && HasOpenQuestion(cursor_->GetMove(ply))) {
      Window().SetDisplayUpdates(true);
      OpenTrainingDialog();
      return;
    }
    const int count = cursor_->VariationCount(ply);
    if (count > 0) {
      const int32_t answer = variationLink.IsSet() ? variationLink.Call(ply) : 0xFFFF;
      if (!(answer & 0x8000) && (answer & 0x3F) < count) cursor_->BeginLine(answer & 0x3F);
    }
  }
  const GameMove& next = *cursor_->GetMove(cursor_->Ply());
  if (board_) board_->ShowMove(Move::FromGameMove(next));
  cursor_->Forward();
  UpdateViews(false);
  Window().SetDisplayUpdates(true);
  EnableBoardInput();
  if (settings.checkBook) RefreshBookMoves(false);
}

void GameManager::TakeBackMove() {
  ReplayStep step(replayGuard_);
  if (!step.Free()) return;
  if (cursor_->Ply() > 0) {
    const GameMove& last = *cursor_->GetMove(cursor_->Ply() - 1);
    if (board_) board_->AnimateMove(last.to, last.from);
    cursor_->Back(false);
    if (settings.enginePlays && engineMoves_ > 2 && takeBackRemarkArmed_ && enginePlaysSide_) {
      Coach().TakeBackRemark();
      takeBackRemarkArmed_ = 0;
    }
    UpdateViews(false);
    if (!clockKeptTakeBack_ && !settings.analysisMode) Engine().PauseClock();
  }
  EnableBoardInput();
  if (settings.checkBook) RefreshBookMoves(false);
}

void GameManager::TakeBackByUser() {
  TakeBackMove();
  forcedOverwrite = 1;
}

void GameManager::GotoPly(int ply) {
  cursor_->GoToPly(ply);
  UpdateViews(false);
  if (settings.checkBook) RefreshBookMoves(false);
}

void GameManager::GotoEnd() { GotoPly(cursor_->LineEnd()); }

void GameManager::GotoPlyDialog() {
  const int ply = Window().GotoPlyDialog(cursor_->Ply());
  if (ply >= 0) GotoPly(ply);
}

void GameManager::GotoVariationStart() {
  if (cursor_->Lines().Count() > 0) {
    cursor_->EndLine();
    Window().SetEvalPlyCount(cursor_->LineEnd());
    UpdateViews(false);
  } else {
    int found = 0;
    for (int ply = cursor_->Ply() - 1; ply >= 1; --ply) {
      if (cursor_->VariationCount(ply) > 0) {
        found = ply;
        break;
      }
    }
    if (found) {
      cursor_->GoToPly(found);
    } else if (cursor_->Ply() > 0 || cursor_->LineEnd() > 0) {
      // From ply 0 the cursor goes to ply 1 only when the line has a move.
      cursor_->GoToPly(1);
    }
    UpdateViews(false);
  }
  if (settings.checkBook) RefreshBookMoves(false);
}

void GameManager::AutoReplay() {
  cursor_->GoToPly(0);
  UpdateViews(false);
  replayDelay_ = settings.replaySpeed;
  while (cursor_->Ply() < cursor_->LineEnd()) {
    StepForward();
    if (ProcessShouldStop() || replayDelay_ < 0 || ApplicationFlags().quitRequested) break;
    if (replayDelay_ > 0) {
      const uint64_t deadline = DeadlineIn(static_cast<uint32_t>(replayDelay_) * 50);
      if (WaitUntil([] { return ApplicationFlags().quitRequested != 0; }, deadline) == WaitEnd::kMet) break;
    }
  }
}

// ---- Variations

void GameManager::DeleteVariation() {
  const int answer = (notation_ && notation_->IsVisible()) ? cursor_->CutVariation(true) : cursor_->DeleteVariation(true);
  if (answer < 0) ErrorBox(GetMessageText(msg::M_GAME_CANNOT_DELETE_VARIATION));
  UpdateViews(true);
  gameModified = 1;
}

void GameManager::PromoteVariation() {
  if (cursor_->PromoteVariation(true) < 0) ErrorBox(GetMessageText(msg::M_GAME_CANNOT_PROMOTE_VARIATION));
  UpdateViews(true);
  gameModified = 1;
}

// ---- Annotations

int GameManager::ClampedPly(const GameCursor& cursor, int offset) const {
  const int last = std::max(cursor.LineEnd() - 1, 0);
  return std::clamp(cursor.Ply() + offset, 0, last);
}

void GameManager::AttachToMove(GameCursor& cursor, const std::string& text, int offset, bool flag) {
  (void)flag;
  if (text.empty() || cursor.LineEnd() == 0) return;
  const int ply = ClampedPly(cursor, offset);
  GameMove* move = const_cast<GameMove*>(cursor.GetMove(ply));
  if (!move || move->IsEmpty()) return;
  AddComment(*move, text, true, 0);
}

void GameManager::AttachToLastMove(const std::string& text) {
  if (cursor_->Ply() <= 0) return;
  AttachToMove(*cursor_, text, -1, false);
  addingMove_ = 1;
  UpdateViews(true);
  addingMove_ = 0;
}

void GameManager::SetMoveSymbol(GameCursor& cursor, int symbol, int offset) {
  if (cursor.LineEnd() == 0) return;
  cursor.SetMoveSymbol(ClampedPly(cursor, offset), symbol);
}

void GameManager::AttachMoveQuestion(GameCursor& cursor, const Move& move, int offset, int points, int tries) {
  const int ply = cursor.Ply() + offset;
  if (ply < 1 || ply > cursor.LineEnd()) return;
  GameMove* target = const_cast<GameMove*>(cursor.GetMove(ply));
  if (!target || target->IsEmpty()) return;
  if (auto question = Window().MakeMoveQuestion(move, points, tries))
    GetAnnotations(*target)->SetTraining(std::move(question));
}

void GameManager::RecordMoveTime() {
  GameMove* last = MoveBeforeCurrent();
  if (!last) return;
  GetAnnotations(*last)->SetTime(Engine().GetElapsed());
}

void GameManager::RecordEngineEval() {
  GameMove* last = MoveBeforeCurrent();
  EvalValue score;
  if (!last || !Engine().GetScore(score)) return;
  GetAnnotations(*last)->SetEngineEval(score);
}

void GameManager::RefreshNotation() {
  if (!notation_ || !notation_->IsVisible()) return;
  notationBusy_ = 1;
  notation_->Reformat(true);
  notation_->UpdateMaterial();
  notationBusy_ = 0;
}

void GameManager::CopyPosition(Position& out) const { out = cursor_->GetPosition(); }

// ---- Marks on the board

void GameManager::ShowArrow(const Move& move, int colour) {
  if (!board_) return;
  BoardMarks marks;
  marks.Clear();
  marks.arrows.AddMark(Mark{static_cast<uint8_t>(colour), static_cast<uint8_t>(move.from),
                            static_cast<uint8_t>(move.to)});
  board_->SetSquareColors(marks);
}

void GameManager::ShowSquareMarker(int square, int colour) {
  if (!board_) return;
  BoardMarks marks;
  marks.Clear();
  marks.squares.SetValue(square, colour);
  board_->SetSquareColors(marks);
}

void GameManager::ShowSquareMarkers(const SquareList& squares, int colour) {
  if (!board_) return;
  BoardMarks marks;
  marks.Clear();
  for (int i = 0; i < squares.count; ++i) marks.squares.SetValue(squares.squares[i], colour);
  board_->SetSquareColors(marks);
}

void GameManager::SetSquareColors(const BoardMarks& marks) {
  if (board_) board_->SetSquareColors(marks);
}

void GameManager::RedrawBoard() {
  marks_.Clear();
  if (board_) board_->SetPosition(cursor_->GetPosition().board, marks_, false);
}

void GameManager::FillMarksFromMove(BoardMarks& marks) {
  const GameMove* move = MoveBeforeCurrent();
  const AnnotationSet* set = move ? move->annotations : game_->body.GameAnnotations();
  if (!set) return;
  if (set->HasArrows()) marks.arrows = MarkList(set->GetArrows());
  if (set->HasSquares()) {
    SquareMarkList squares;
    squares.SetText(set->GetSquares());
    marks.squares.SetFromMarks(squares);
  }
}

int32_t GameManager::OnSquareColorsEdited(std::intptr_t argument) {
  BoardWindow* board = BoardWindow::FromLinkArgument(argument);
  GameMove* move = MoveBeforeCurrent();
  AnnotationSet* set = move ? GetAnnotations(*move) : game_->body.GetGameAnnotations();
  if (!board || !set) {
    Beep();
    return 0;
  }
  SquareMarkList squares;
  for (int square = 0; square < 64; ++square) {
    const int32_t code = board->marks.squares.ValueAt(square);
    if (code != 0) squares.SetMark(SquareMark{static_cast<uint8_t>(code), static_cast<uint8_t>(square)});
  }
  set->SetSquares(squares.GetText());
  gameModified = 1;
  return 0;
}

int32_t GameManager::OnArrowsEdited(std::intptr_t argument) {
  BoardWindow* board = BoardWindow::FromLinkArgument(argument);
  GameMove* move = MoveBeforeCurrent();
  AnnotationSet* set = move ? GetAnnotations(*move) : game_->body.GetGameAnnotations();
  if (!board || !set) {
    Beep();
    return 0;
  }
  set->SetArrows(board->marks.arrows.Text());
  gameModified = 1;
  return 0;
}

void GameManager::ShowMoveMedia() {
  const GameMove* move = MoveBeforeCurrent();
  const AnnotationSet* set = move ? move->annotations : game_->body.GameAnnotations();
  if (!set) return;
  if (!mediaFolder.empty() && set->HasMedia()) {
    auto path = [&](const std::string& name) { return mediaFolder + "/" + name; };
    if (set->HasVideo()) {
      ShowStatusMessage(path(set->GetVideo()));
      Coach().StopAllSounds();
      media_->PlayVideo(path(set->GetVideo()));
    }
    if (set->HasAudio()) {
      ShowStatusMessage(path(set->GetAudio()));
      Coach().PlayWave(path(set->GetAudio()));
    }
    if (set->HasPicture()) {
      ShowStatusMessage(path(set->GetPicture()));
      media_->ShowPicture(path(set->GetPicture()));
    }
  }
  const Board& board = cursor_->GetPosition().board;
  if (set->HasPawnStructure()) {
    Board pawns;
    for (int square = 0; square < 64; ++square)
      pawns.squares[square] = (board.squares[square] & 7) == 6 ? board.squares[square] : 0;
    Window().ShowDiagram(pawns, {});
  }
  if (set->HasPiecePath()) {
    SquareMarkList squares;
    squares.SetText(set->GetPiecePath());
    Board pieces;
    for (int i = 0; i < squares.Count(); ++i) {
      const int square = squares.MarkAt(i).square;
      if (square < 64) pieces.squares[square] = board.squares[square];
    }
    Window().ShowDiagram(pieces, BuildPiecePathArrows(*cursor_, squares).Text());
  }
}

// ---- Training questions

void GameManager::OpenTrainingDialog() {
  if (!board_) return;
  board_->SetFlipped(IsBlackToMove() ? 1 : 0);
  trainingInput = 1;
  keysEnabled_ = 0;
  Window().OpenTrainingDialog(IsBlackToMove() ? 1 : 0);
}

void GameManager::CloseMoveInputDialog() {
  Window().CloseTrainingDialog();
  trainingInput = 0;
  keysEnabled_ = 1;
  if (notation_) notation_->training = 1;
  UpdateViews(true);
}

void GameManager::CheckTrainingMove(int from, int to) {
  if (from == to || cursor_->Ply() < 0) return;
  const GameMove* next = cursor_->GetMove(cursor_->Ply());
  if (!HasQuestion(next)) {
    ReportInconsistency(GetMessageText(msg::M_GAME_INCONSISTENT), "Game\\Gamemgr2", 636);
    return;
  }
  int promotion = 0;
  if (cursor_->GetPosition().IsPromotionMove(from, to))
    promotion = promotionLink.Call(reinterpret_cast<std::intptr_t>(board_));
  Window().CheckTrainingAnswer(Move::FromSquares(from, to, promotion));
  trainingStop_ = 0;
  WaitUntil([this] { return !Window().IsTrainingDialogOpen() || trainingStop_ != 0; }, DeadlineIn(24u * 3600 * 1000));
  if (trainingStop_) return;
  const bool same = next->from == from && next->to == to &&
                    (next->promotion == 0 || next->promotion == promotion || promotion == 0);
  bool entered = false;
  if (!same) {
    const int index = cursor_->FindVariation(GameMove::FromSquares(from, to));
    if (index != kChoiceRefuse && cursor_->BeginLine(index) == 0) {
      entered = true;
      StepForward();
    }
  }
  if (!entered) ReplayForward();
  if (cursor_->Ply() + 2 <= cursor_->LineEnd()) {
    if (HasQuestion(cursor_->GetMove(cursor_->Ply()))) {
      ReplayForward();
    } else if (cursor_->VariationCount(cursor_->Ply()) == 0 && HasQuestion(cursor_->GetMove(cursor_->Ply() + 1))) {
      const int16_t speed = board_ ? board_->animationSpeed : 0;
      if (board_) board_->animationSpeed = 19;
      ReplayForward();
      if (board_) board_->animationSpeed = speed;
    }
  }
}

}  // namespace zh

// Starting, stopping and pondering searches of an engine object, and the handling of
// every search end.
#include <algorithm>
#include <cstring>

#include "app/message_ids.h"
#include "database/eco_table.h"
#include "database/game/game_cursor.h"
#include "enginemodule/interface/records.h"
#include "engines/chess_engine.h"
#include "engines/engine_instance.h"

namespace zh {
namespace {

constexpr int16_t kNoLimit = 0x7FFF;
constexpr int16_t kBookPlies = 64;
constexpr int16_t kAlwaysBookPlies = 20;
constexpr int16_t kBookDistance = 8;
constexpr uint32_t kDepthFlag = 0x1000;

uint32_t Ticks() { return static_cast<uint32_t>(Clock().TicksMs()); }

// Think time in hundredths from a start tick in milliseconds.
uint32_t ThinkTime(uint32_t startTick) { return (Ticks() - startTick + 5) / 10; }

}  // namespace

bool ChessEngine::BookAllowed(bool nearLastBookMove) const {
  if (Book == nullptr || !Params.BookOn || Params.SearchType == kLevelInfinite) return false;
  if (Ply < 0 || Ply > kBookPlies) return false;
  return !nearLastBookMove || Ply <= LastBookPly + kBookDistance || Ply <= kAlwaysBookPlies;
}

void ChessEngine::FillClockValues(int16_t ponderMode) {
  eng::PositionBlock& b = *Search;
  b.clock_seconds = Clock.GetBudget(Ply) / 100;
  const int16_t togo = Clock.MovesToGo(Ply);
  b.moves_to_go = togo == TimeControl::kRestOfGame ? kNoLimit : togo;
  b.increment_seconds = Clock.IncrementAt(Ply) / 100;
  b.lines_wanted = Params.SearchType == kLevelStrength ? int16_t{1} : std::clamp<int16_t>(NumberOfMainlines, 1, kMaxLines);
  b.ponder = ponderMode;
}

void ChessEngine::PostToActive(EngineInstance* active) {
  PostCount += 1;
  active->PostSearch(Search.get());
}

bool ChessEngine::StartSearch() {
  EndVerification();
  ExpectedMove = Move{};
  LastMove = Move{};
  StartTick = Ticks();
  DepthKept = 0;

  if (cursor_->Game() != nullptr && BookAllowed(true)) {
    EcoTable* eco = CurrentEcoTable();
    const uint16_t ecoCode = eco != nullptr ? eco->Classify(*cursor_, false) : uint16_t{0};
    Move move = Book->GameBookMove(*cursor_, ecoCode);
    if (!move.IsNull()) {
      move.CompleteFrom(EnginePosition.board);
      LastMove = move;
      if (PlayingSettings().ecoDisplay && Ply > 1 && ecoCode != 0) {
        // The opening's name under the board.
        const std::string name = GetMessageText(msg::kOpeningNameBase + ecoCode);
        if (name != kNoText) ShowStatusMessage(name);
      }
      eng::MainLineBlock& kept = *MainLine;
      kept.line[0] = {static_cast<uint8_t>(move.from), static_cast<uint8_t>(move.to), 0, move.promotion};
      kept.line_length = 1;
      kept.flags = 0x1;
      kept.nodes_low = kept.nodes_high = 0;
      BookMove = true;
      LastBookPly = Ply;
      if (Params.SearchType != kLevelStrength) {
        CallLink(SearchStartedLink);
        CallLink(MainLineLink);
      }
      StartTick = ThinkTime(StartTick);
      Clock.RecordMoveTime(static_cast<int32_t>(StartTick), Ply);
      DecideResignOrDraw();
      if (Params.SearchType == kLevelQuiz) Quiz.TakeBookMove(LastMove);
      return MoveReadyLink.Call(reinterpret_cast<std::intptr_t>(this)) != 0;
    }
  }

  BookMove = false;
  FillClockValues(1);
  if (!PrepareSearchBlock(true)) return false;
  EngineInstance* active = GetActiveInstance();
  if (active == nullptr) return false;
  Searching = AwaitingStart = Stale = true;
  Pondering = ExpectedSearch = Verifying = PonderHit = PonderDone = Cancelled = false;
  if (Params.SearchType == kLevelQuiz) Quiz.Waiting = true;
  PostToActive(active);
  return true;
}

void ChessEngine::AppendAndPlay(const Move& played) {
  Move move = played;
  if (!move.complete) move.CompleteFrom(EnginePosition.board);
  eng::PositionBlock& b = *Search;
  // The request holds 512 moves: beyond them the engine gets the bare position.
  if (b.move_count < 0 || b.move_count >= eng::kMaxGameMoves) WriteBarePosition(EnginePosition);
  const bool promotes = (move.kind & kPromotion) != 0;
  b.moves[b.move_count] = {static_cast<uint8_t>(move.from), static_cast<uint8_t>(move.to), move.kind,
                           promotes ? move.promotion : uint8_t{0}};
  b.move_count += 1;
  cursor_->DoMove(GameMove::FromMove(move));
  cursor_->SavePosition();
  EnginePosition = cursor_->GetPosition();
  Ply = static_cast<int16_t>(cursor_->Ply());
}

void ChessEngine::StartPonder() {
  const int32_t type = Params.SearchType;
  if (Verifying || Pondering || type == kLevelMate || type == kLevelHandicap || type == kLevelQuiz ||
      type == kLevelInfinite || !Params.PermBrain || Ply < 0)
    return;
  CancelPending = false;
  if (LastMove.IsNull()) return;
  AppendAndPlay(LastMove);

  if (ExpectedMove.IsNull() && !CancelPending && BookAllowed(false)) {
    Move move = Book->BookMove(EnginePosition);
    if (!move.IsNull()) move.CompleteFrom(EnginePosition.board);
    ExpectedMove = move;
  }
  if (CancelPending) return;
  if (!ExpectedMove.IsNull()) {
    StartPonderSearch();
    return;
  }

  // First a short search for the opponent's likely reply.
  eng::PositionBlock& b = *Search;
  b.clock_seconds = -1;
  b.moves_to_go = kNoLimit;
  b.increment_seconds = 0;
  b.reference_seconds = 0;
  b.ponder = 1;
  b.lines_wanted = 1;
  b.one = 1;
  b.depth = 5;
  b.mode = 2;
  switch (type) {
    case kLevelClock: {
      const int togo = std::max<int>(Clock.MovesToGo(Ply + 1), 1);
      const int64_t divisor = togo == TimeControl::kRestOfGame ? 20000 : int64_t{togo} * 1000;
      b.clock_seconds = static_cast<int32_t>(std::max<int64_t>(Clock.GetBudget(Ply + 1) / divisor, 1));
      b.moves_to_go = 1;
      b.depth = kNoLimit;
      b.mode = 1;
      break;
    }
    case kLevelAverageTime:
      b.clock_seconds = std::max(UserControl.Time / 1000, 1);
      b.moves_to_go = 1;
      b.depth = kNoLimit;
      b.mode = 1;
      break;
    case kLevelFixedDepth:
      b.depth = static_cast<int16_t>(std::max(Params.SearchDepth - 2, 1));
      b.mode = 2;
      break;
    default:
      break;
  }
  if (!PrepareSearchBlock(false)) return;
  EngineInstance* active = GetActiveInstance();
  if (active == nullptr || active->IsEndgameEngine()) return;
  ExpectedSearch = Searching = AwaitingStart = Stale = true;
  PonderDone = PonderHit = Pondering = CancelPending = Cancelled = false;
  PostToActive(active);
}

void ChessEngine::StartPonderSearch() {
  if (ExpectedMove.IsNull() || CancelPending) return;
  AppendAndPlay(ExpectedMove);
  if (BookAllowed(false) && Ply <= LastBookPly + kBookDistance && !Book->BookMove(EnginePosition).IsNull())
    return;  // the reply will come from the book
  StartTick = Ticks();
  FillClockValues(2);
  if (!PrepareSearchBlock(true)) return;
  EngineInstance* active = GetActiveInstance();
  if (active == nullptr || active->IsEndgameEngine()) return;
  LastMove = ExpectedMove;
  ExpectedMove = Move{};
  Pondering = Searching = AwaitingStart = Stale = true;
  PonderDone = PonderHit = false;
  // The new search is not the cancelled one.
  Cancelled = CancelPending = false;
  PostToActive(active);
}

bool ChessEngine::OnOpponentMove(const Move& move) {
  EndVerification();
  if (Pondering) {
    if (move.Equals(LastMove)) {
      EngineInstance* active = GetActiveInstance();
      if (active == nullptr) return false;
      StartTick = Ticks();
      if (AwaitingStart || (MainLine->flags & kDepthFlag) == 0) {
        PonderHit = true;  // sent with the first info block
        return true;
      }
      BookMove = false;
      Pondering = false;
      FlushMutedInfo();
      active->PostPonderHit();
      return true;
    }
    if (AwaitingStart || (MainLine->flags & kDepthFlag) == 0) StaleCount = std::max(StaleCount, 1);
    return false;
  }
  if (PonderDone && !Stale) {
    if (!move.Equals(LastMove)) return false;
    StartTick = 0;
    Clock.RecordMoveTime(0, Ply);
    BookMove = false;
    if (Params.SearchType != kLevelInfinite && !DecideResignOrDraw())
      MoveReadyLink.Call(reinterpret_cast<std::intptr_t>(this));
    return true;
  }
  if (!ExpectedSearch || (!AwaitingStart && (MainLine->flags & kDepthFlag) != 0)) return false;
  StaleCount = std::max(StaleCount, 1);
  return false;
}

bool ChessEngine::RequestNextBest() {
  EngineInstance* active = GetActiveInstance();
  if (!Searching || active == nullptr) return false;
  active->PostNextBest();
  return true;
}

bool ChessEngine::SendPonderHit() {
  EngineInstance* active = GetActiveInstance();
  if (!Searching || active == nullptr) return false;
  BookMove = Pondering = PonderHit = false;
  FlushMutedInfo();
  active->PostPonderHit();
  return true;
}

void ChessEngine::FlushMutedInfo() {
  if (!InfoMuted) return;
  InfoMuted = false;
  if (!Searching || Stale) return;
  const uint32_t flags = MainLine->flags;
  CallLink(SearchStartedLink);
  if (flags & 0x7) CallLink(MainLineLink);
  if (flags & (0x100 | 0x1000)) CallLink(DepthLink);
  if (flags & 0x100000) CallLink(NodesLink);
}

void ChessEngine::EndVerification() {
  if (!Verifying) return;
  Verifying = false;
  verifyAborted_ = true;
  PostCount = std::max(PostCount - 1, 0);  // the check's own count
  if (verifyingPonder_) {
    // The ponder search had ended: what it found waits for the opponent's move.
    PonderHit = Pondering = false;
    PonderDone = true;
  }
}

void ChessEngine::OnSearchEnd() {
  const bool quizGoesOn = Params.SearchType == kLevelQuiz && !Quiz.EndFlag && !Stale && Quiz.OnSearchEnd();
  if (quizGoesOn) {
    // The quiz searches on by itself.
  } else if (ExpectedSearch) {
    ExpectedSearch = false;
    if (!Stale) Searching = false;
    if (!CancelPending && !Cancelled) {
      Move expected;
      if (ChooseMove(expected)) {
        ExpectedMove = expected;
        StartPonderSearch();
      }
    }
  } else if (Pondering && !PonderHit) {
    if (!Stale && !Cancelled && StaleCount <= 0) {
      Searching = false;
      if (!Verifying) {
        verifyingPonder_ = true;
        VerifyTiedLines();
        verifyingPonder_ = false;
      }
    }
    if (verifyAborted_) {
      verifyAborted_ = false;
    } else if (!Verifying) {
      PonderHit = Pondering = false;
      PonderDone = true;
    }
  } else if (Searching && !Stale && StaleCount < 1) {
    Searching = false;
    if (!Cancelled && !Verifying) VerifyTiedLines();
    if (verifyAborted_) {
      verifyAborted_ = false;  // a newer request took over during the check
    } else if (!Verifying && StaleCount < 1) {
      StartTick = ThinkTime(StartTick);
      if (Params.SearchType != kLevelInfinite) {
        if (Ply >= 0 && PlayingSettings().countClock) Clock.RecordMoveTime(static_cast<int32_t>(StartTick), Ply);
        if (!DecideResignOrDraw()) MoveReadyLink.Call(reinterpret_cast<std::intptr_t>(this));
      }
    }
  }
  StaleCount = std::max(StaleCount - 1, 0);
}

}  // namespace zh

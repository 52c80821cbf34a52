#include "engines/engine_query.h"

#include <cstring>
#include <thread>

#include "app/message_ids.h"
#include "database/game/game_cursor.h"
#include "engines/chess_engine.h"
#include "engines/engine_instance.h"
#include "engines/engine_manager.h"
#include "engines/engine_table.h"
#include "engines/engine_wait.h"
#include "engines/eval_watch.h"

namespace zh {
namespace {

constexpr uint64_t kStopAnswerMs = 5000;
constexpr int32_t kQuitDelayMs = 10;
constexpr uint32_t kQuitPauseMs = 100;
constexpr int kQuitRounds = 30;
constexpr int kBurst = 10;

EngineProbe*& CurrentProbe() {
  static EngineProbe* probe = nullptr;
  return probe;
}

std::function<void()>& QuitHandler() {
  static std::function<void()> handler;
  return handler;
}

ChessEngine* BorrowedEngine() {
  EngineManager* manager = EngineManager::Current();
  return manager != nullptr ? manager->Engine() : nullptr;
}

bool SamePosition(const Position& a, const Position& b) {
  return std::memcmp(a.board.squares, b.board.squares, sizeof a.board.squares) == 0 && a.side == b.side &&
         a.castling == b.castling && a.epFile == b.epFile;
}

// The main line and its score as line 0, or the evaluated lines; false when none.
bool ReadLines(ChessEngine& engine, int16_t lines, EvaluatedVariation& result) {
  result = EvaluatedVariation();
  if (lines >= 2) {
    std::vector<EvaluatedVariation> evaluated;
    if (engine.GetEvaluatedLines(evaluated) && evaluated.size() >= 2) {
      for (const EvaluatedVariation& line : evaluated) result.AddLine(EvaluatedLine{line, line.value});
      static_cast<Variation&>(result) = evaluated[0];
      result.value = evaluated[0].value;
      return true;
    }
  }
  Variation main;
  if (!engine.GetMainLine(main)) return false;
  EvalValue score{kEvalNone, 0, 0};
  engine.GetScore(score);
  result.AddLine(EvaluatedLine{main, score});
  static_cast<Variation&>(result) = main;
  result.value = score;
  return true;
}

}  // namespace

void SetQuitHandler(std::function<void()> handler) { QuitHandler() = std::move(handler); }

void QuitLater() {
  // The timer deletes itself after its one call.
  auto* holder = new std::unique_ptr<Timer>();
  *holder = Timers().MakeTimer([holder] {
    std::unique_ptr<std::unique_ptr<Timer>> owned(holder);
    if (QuitHandler()) QuitHandler()();
  });
  (*holder)->Start(kQuitDelayMs);
}

QueryEnd WaitForEngine(ChessEngine& engine, const std::function<bool()>& condition,
                       const std::function<bool()>& stopped, int64_t maxRounds) {
  EngineInstance* active = engine.GetActiveInstance();
  const int32_t id = active != nullptr ? active->Id() : 0;
  int64_t rounds = 0;
  uint64_t stopDeadline = 0;
  for (;;) {
    if (condition()) return QueryEnd::kAnswered;
    if (ApplicationFlags().quitRequested) return QueryEnd::kQuit;
    if (stopped && stopped()) return QueryEnd::kStopped;
    EngineTable* table = EngineTable::Current();
    // The instance has said "Engine stopped" when its host went.
    if (id != 0 && table != nullptr && table->HasHostGone(id)) return QueryEnd::kHostGone;
    if (stopDeadline == 0 && ++rounds > maxRounds) {
      engine.StopSearch();
      stopDeadline = DeadlineIn(kStopAnswerMs);
    }
    if (stopDeadline != 0 && Clock().TicksMs() >= stopDeadline) {
      EngineInstance* instance = table != nullptr && id != 0 ? table->FindById(id) : nullptr;
      if (instance != nullptr) instance->ReportNoAnswer();
      return QueryEnd::kNoAnswer;
    }
    App().WaitForEvents(kWaitSliceMs);
  }
}

SearchParams QueryLevel(QueryUse use, int16_t depth) {
  switch (use) {
    case QueryUse::kProbe:
      return SearchParams{depth, 99, kLevelFixedDepth, 1, kNoSlot, 0, 0, 1};
    case QueryUse::kTutor:
      return SearchParams{3, 99, kLevelInfinite, 1, kNoSlot, 0, 0, 1};
    case QueryUse::kQueryTime:
      return SearchParams{3, 99, kLevelFixedTime, 1, kNoSlot, 0, 1, 1};
    case QueryUse::kQueryDepth:
      return SearchParams{depth, 99, kLevelFixedDepth, 1, kNoSlot, 0, 1, 1};
    case QueryUse::kQueryOther:
    default:
      return SearchParams{3, 99, kLevelFixedDepth, 1, kNoSlot, 0, 1, 1};
  }
}

QueryUse QueryUseOfKind(int kind) {
  return kind == 0 ? QueryUse::kQueryTime : kind == 1 ? QueryUse::kQueryDepth : QueryUse::kQueryOther;
}

// ---- probe ----

EngineProbe::EngineProbe() : previous_(CurrentProbe()) { CurrentProbe() = this; }

EngineProbe::~EngineProbe() {
  if (searching_ && engine_ != nullptr && BorrowedEngine() == engine_) GiveBack(*engine_);
  if (CurrentProbe() == this) CurrentProbe() = previous_;
}

EngineProbe* EngineProbe::Current() { return CurrentProbe(); }

bool EngineProbe::Prepare(ChessEngine& engine, const SearchParams& level, int16_t lines) {
  resultHandler_.Clear();
  engine.SaveQueryParams();
  searching_ = true;
  engine_ = &engine;
  lines_ = lines;
  savedMoveReady_ = engine.MoveReadyLink;
  engine.MoveReadyLink = CallbackLink::Bind<EngineProbe, &EngineProbe::OnMoveReady>(this);
  engine.SetSearchParams(level);
  engine.SetNumberOfMainlines(lines);
  return true;
}

int32_t EngineProbe::OnMoveReady(std::intptr_t) {
  searching_ = false;
  const CallbackLink handler = resultHandler_;
  resultHandler_.Clear();
  handler.Call(reinterpret_cast<std::intptr_t>(this));
  return 0;
}

void EngineProbe::GiveBack(ChessEngine& engine) {
  engine.MoveReadyLink = savedMoveReady_;
  engine.RestoreQueryParams();
  searching_ = false;
}

bool EngineProbe::Wait(ChessEngine& engine) {
  stopRequested_ = aborted_ = false;
  ApplicationFlags().queryRunning = 1;
  engine.StartSearch();
  lastEnd_ = WaitForEngine(
      engine, [&] { return !searching_ || !engine.Searching; }, [this] { return stopRequested_ || aborted_; },
      RoundBound);
  ApplicationFlags().queryRunning = 0;
  if (lastEnd_ == QueryEnd::kQuit) {
    engine.CancelSearch();
    for (int burst = 0; burst < 1000 && App().IsInputPending(); ++burst)
      for (int i = 0; i < kBurst; ++i) RunPendingEvents();
    if (AskOkCancel(GetMessageText(msg::M_QUIT_QUESTION))) QuitLater();
  }
  return lastEnd_ == QueryEnd::kAnswered;
}

void EngineProbe::ReadResult(ChessEngine& engine, int16_t lines, EvaluatedVariation& result) {
  ReadLines(engine, lines, result);
}

bool EngineProbe::ProbePosition(const Position& position, int16_t depth, int16_t lines, EvaluatedVariation& result) {
  ChessEngine* engine = BorrowedEngine();
  if (engine == nullptr) return false;
  Prepare(*engine, QueryLevel(QueryUse::kProbe, depth), lines);
  engine->SetPosition(position);
  const bool answered = Wait(*engine);
  if (IsStopped()) return false;  // Stop and Abort gave the engine back already
  if (answered) ReadResult(*engine, lines, result);
  GiveBack(*engine);
  return answered;
}

bool EngineProbe::ProbeGame(const GameCursor& cursor, int16_t depth, int16_t lines, EvaluatedVariation& result) {
  ChessEngine* engine = BorrowedEngine();
  if (engine == nullptr) return false;
  Prepare(*engine, QueryLevel(QueryUse::kProbe, depth), lines);
  engine->SetGame(cursor);
  const bool answered = Wait(*engine);
  if (IsStopped()) return false;
  if (answered) ReadResult(*engine, lines, result);
  GiveBack(*engine);
  return answered;
}

bool EngineProbe::StartTutor(const GameCursor& cursor, int16_t lines, CallbackLink handler) {
  ChessEngine* engine = BorrowedEngine();
  if (engine == nullptr) return false;
  Prepare(*engine, QueryLevel(QueryUse::kTutor, 3), lines);
  resultHandler_ = handler;
  engine->SetGame(cursor);
  stopRequested_ = aborted_ = false;
  return engine->StartSearch();
}

void EngineProbe::Stop() {
  stopRequested_ = true;
  if (searching_ && engine_ != nullptr) GiveBack(*engine_);
}

void EngineProbe::Abort() {
  aborted_ = true;
  searching_ = false;
  if (engine_ != nullptr) engine_->MoveReadyLink = savedMoveReady_;
}

// ---- query ----

EngineQuery::EngineQuery() = default;

EngineQuery::~EngineQuery() {
  if (running_) GiveBack();
}

bool EngineQuery::IsStopped() const { return stop_ || cancelled_ || ApplicationFlags().quitRequested != 0; }

const EvaluatedLine& EngineQuery::GetLine(int n) {
  static const EvaluatedLine kEmpty{Variation(), EvalValue{kEvalNone, 0, 0}};
  if (!result_ || n < 0 || n >= result_->LineCount()) return kEmpty;
  return result_->LineAt(n);
}

void EngineQuery::ClearResult() { *result_ = EvaluatedVariation(); }

void EngineQuery::Start(const Position& position, int16_t lines, int16_t value, int16_t kind) {
  done_ = false;
  if (RestartCounter < 2) RestartCounter = 0;
  if (!result_) result_ = std::make_unique<EvaluatedVariation>();
  if (!position_) position_ = std::make_unique<Position>();
  // What does the side that has just moved threaten?
  Position switched = position;
  switched.side = position.side == 1 ? 0 : 1;
  switched.epFile = 0;
  if (switched.IsOpponentInCheck()) {
    // The side to move is in check: nothing to ask, and nothing kept to answer with.
    ClearResult();
    hasKey_ = false;
    ResultHandler.Call(reinterpret_cast<std::intptr_t>(this));
    return;
  }
  const Key key{lines, value, kind};
  if (hasKey_ && key == key_ && SamePosition(switched, *position_)) {
    ResultHandler.Call(reinterpret_cast<std::intptr_t>(this));
    return;
  }
  ChessEngine* engine = BorrowedEngine();
  if (engine == nullptr) return;
  hasKey_ = true;
  key_ = key;
  *position_ = switched;
  Begin(QueryLevel(QueryUseOfKind(kind), value), lines, value, kind);
  engine_->SetPosition(switched);
  Launch();
}

void EngineQuery::StartFromGame(const GameCursor& cursor, int16_t lines, int16_t value, int16_t kind) {
  done_ = false;
  if (RestartCounter < 2) RestartCounter = 0;
  if (!result_) result_ = std::make_unique<EvaluatedVariation>();
  if (!position_) position_ = std::make_unique<Position>();
  ChessEngine* engine = BorrowedEngine();
  if (engine == nullptr) return;
  hasKey_ = true;
  key_ = Key{lines, value, kind};
  *position_ = cursor.GetPosition();
  Begin(QueryLevel(QueryUseOfKind(kind), value), lines, value, kind);
  engine_->SetGame(cursor);
  Launch();
}

void EngineQuery::Begin(const SearchParams& level, int16_t lines, int16_t value, int16_t kind) {
  engine_ = BorrowedEngine();
  if (RestartCounter >= 2)
    engine_->CancelSearch();
  else
    engine_->SaveQueryParams();
  RestartCounter -= 1;
  engine_->SetSearchParams(level);
  engine_->SetNumberOfMainlines(lines);
  if (kind == 0) engine_->SetTimePerMove(value);
}

void EngineQuery::Launch() {
  EngineManager* manager = EngineManager::Current();
  savedClient_ = manager->ClientLink;
  manager->ClientLink = CallbackLink::Bind<EngineQuery, &EngineQuery::OnDone>(this);
  // Neither a draw offer nor a resignation comes from a query.
  savedDrawOffer_ = engine_->DrawOfferLink;
  savedResign_ = engine_->ResignLink;
  engine_->DrawOfferLink.Clear();
  engine_->ResignLink.Clear();
  if (EvalWatch* watch = EvalWatch::Current()) watch->SetQueryRunning(true);
  running_ = true;
  engine_->StartSearch();
}

void EngineQuery::GiveBack() {
  if (EngineManager* manager = EngineManager::Current()) manager->ClientLink = savedClient_;
  if (engine_ != nullptr) {
    engine_->DrawOfferLink = savedDrawOffer_;
    engine_->ResignLink = savedResign_;
  }
  running_ = false;
  if (EvalWatch* watch = EvalWatch::Current()) watch->SetQueryRunning(false);
}

int32_t EngineQuery::OnDone(std::intptr_t) {
  running_ = false;
  const bool read = ReadLines(*engine_, key_.lines, *result_);
  if (RestartCounter > 0)
    engine_->CancelSearch();
  else
    engine_->RestoreQueryParams();
  RestartCounter = 0;
  GiveBack();
  if (read) ResultHandler.Call(reinterpret_cast<std::intptr_t>(this));
  return 0;
}

int32_t EngineQuery::MarkDone(std::intptr_t) {
  done_ = true;
  return 0;
}

void EngineQuery::Stop() {
  stop_ = true;
  if (!running_) return;
  engine_->RestoreQueryParams();
  GiveBack();
}

bool EngineQuery::Run(const Position& position, int16_t lines, int16_t value, int16_t kind) {
  const CallbackLink saved = ResultHandler;
  ResultHandler = CallbackLink::Bind<EngineQuery, &EngineQuery::MarkDone>(this);
  ApplicationFlags().queryRunning = 1;
  Start(position, lines, value, kind);
  lastEnd_ = QueryEnd::kAnswered;
  if (!done_ && running_) {
    stop_ = cancelled_ = false;
    ChessEngine& engine = *engine_;
    lastEnd_ = WaitForEngine(
        engine, [&] { return done_ || !running_ || !engine.Searching; }, [this] { return stop_ || cancelled_; },
        RoundBound);
    if (running_) {
      // Ended early: the engine gets its level and links back as after an answer.
      engine.RestoreQueryParams();
      RestartCounter = 0;
      GiveBack();
    }
  }
  ApplicationFlags().queryRunning = 0;
  ResultHandler = saved;
  if (lastEnd_ == QueryEnd::kQuit) {
    if (engine_ != nullptr) engine_->CancelSearch();
    std::this_thread::sleep_for(std::chrono::milliseconds(kQuitPauseMs));
    for (int i = 0; i < kQuitRounds; ++i) RunPendingEvents();
    QuitLater();
  }
  return done_;
}

}  // namespace zh

// Engine answers for a position outside the running game (hints, threats, the move
// tutor, analysis tools). Both objects borrow the engine manager's current engine
// object, set a level of their own, and give the engine its parameters and links back
// afterwards. Every wait is bounded: a gone host or a silent engine ends it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/rules/position.h"
#include "core/rules/variation.h"
#include "core/services.h"
#include "engines/search_params.h"

namespace zh {

class ChessEngine;
class GameCursor;

// What quitting the program does (the shell installs it); QuitLater runs it 10 ms
// from now, on the GUI thread's timer.
void SetQuitHandler(std::function<void()> handler);
void QuitLater();

// How a wait of a query ended.
enum class QueryEnd { kAnswered, kStopped, kQuit, kHostGone, kNoAnswer, kNoEngine };

// A wait for an engine object's search end, as the queries run it: events run, the
// wait ends when `condition` holds, the program is to quit, `stopped` holds, the
// engine's host has gone ("Engine stopped: ") or the bound of rounds passes. A stop
// sent on a bound that brings no search end within 5 s gives "Engine does not
// answer: ".
QueryEnd WaitForEngine(ChessEngine& engine, const std::function<bool()>& condition,
                       const std::function<bool()>& stopped, int64_t maxRounds);

// The query levels.
enum class QueryUse { kProbe, kTutor, kQueryTime, kQueryDepth, kQueryOther };
SearchParams QueryLevel(QueryUse use, int16_t depth);
QueryUse QueryUseOfKind(int kind);

class EngineProbe {
 public:
  static constexpr int64_t kMaxRounds = 40000000;

  EngineProbe();
  ~EngineProbe();
  EngineProbe(const EngineProbe&) = delete;
  EngineProbe& operator=(const EngineProbe&) = delete;
  static EngineProbe* Current();

  // Synchronous searches; the main line (lines below 2) or the evaluated lines. The
  // answer is false without an engine or when stopped or ended early.
  bool ProbePosition(const Position& position, int16_t depth, int16_t lines, EvaluatedVariation& result);
  bool ProbeGame(const GameCursor& cursor, int16_t depth, int16_t lines, EvaluatedVariation& result);
  // Asynchronous search for the move tutor; `handler` is called once when done.
  bool StartTutor(const GameCursor& cursor, int16_t lines, CallbackLink handler);
  void Stop();
  void Abort();
  bool IsStopped() const { return stopRequested_ || aborted_; }
  // The rounds a wait runs before the engine is told to stop.
  int64_t RoundBound = kMaxRounds;
  bool IsSearching() const { return searching_; }
  QueryEnd LastEnd() const { return lastEnd_; }

 private:
  bool Prepare(ChessEngine& engine, const SearchParams& level, int16_t lines);
  bool Wait(ChessEngine& engine);
  void ReadResult(ChessEngine& engine, int16_t lines, EvaluatedVariation& result);
  void GiveBack(ChessEngine& engine);
  int32_t OnMoveReady(std::intptr_t engine);

  bool searching_ = false;
  bool stopRequested_ = false;
  bool aborted_ = false;
  CallbackLink resultHandler_;
  ChessEngine* engine_ = nullptr;
  CallbackLink savedMoveReady_;
  int16_t lines_ = 1;
  QueryEnd lastEnd_ = QueryEnd::kAnswered;
  EngineProbe* previous_ = nullptr;
};

class EngineQuery {
 public:
  EngineQuery();
  ~EngineQuery();
  EngineQuery(const EngineQuery&) = delete;
  EngineQuery& operator=(const EngineQuery&) = delete;

  // Synchronous: the answer is in GetLine afterwards; false without one.
  bool Run(const Position& position, int16_t lines, int16_t value, int16_t kind);
  // Asynchronous: the result handler is called with the query when the search is
  // done. The position form asks what the side that has just moved threatens.
  void Start(const Position& position, int16_t lines, int16_t value, int16_t kind);
  void StartFromGame(const GameCursor& cursor, int16_t lines, int16_t value, int16_t kind);
  void Stop();
  void Cancel() { cancelled_ = true; }
  bool IsStopped() const;
  bool IsRunning() const { return running_; }

  // Line n of the last answer; an empty line (no moves, no score) when absent.
  const EvaluatedLine& GetLine(int n);
  int LineCount() const { return result_ ? result_->LineCount() : 0; }
  QueryEnd LastEnd() const { return lastEnd_; }

  CallbackLink ResultHandler;
  int16_t RestartCounter = 0;
  // The rounds a synchronous wait runs before the engine is told to stop.
  int64_t RoundBound = EngineProbe::kMaxRounds;

 private:
  struct Key {
    int16_t lines = -1, value = -1, kind = 0;
    bool operator==(const Key&) const = default;
  };
  void Begin(const SearchParams& level, int16_t lines, int16_t value, int16_t kind);
  void Launch();
  int32_t OnDone(std::intptr_t engine);
  int32_t MarkDone(std::intptr_t);
  void GiveBack();
  void ClearResult();

  std::unique_ptr<EvaluatedVariation> result_;
  std::unique_ptr<Position> position_;
  bool hasKey_ = false;
  Key key_;
  ChessEngine* engine_ = nullptr;
  CallbackLink savedClient_, savedDrawOffer_, savedResign_;
  bool stop_ = false, done_ = false, running_ = false, cancelled_ = false;
  QueryEnd lastEnd_ = QueryEnd::kAnswered;
};

}  // namespace zh

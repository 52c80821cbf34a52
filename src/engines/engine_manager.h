// The engine controller of the game: owns the engine table, the loaded books and the
// pool of engine objects, holds the engine object that plays against the user, runs
// both chess clocks on a 1000 ms timer, starts the engine's move and hands the move
// to its client when the search is done.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/rules/move.h"
#include "core/services.h"
#include "engines/chess_engine.h"
#include "engines/engine_pool.h"

namespace zh {

class BookManager;
class EngineInstance;
class EngineTable;
class GameCursor;
class LoadedBooks;

// The default module of a folder: the "*.eng" file whose name begins with the product
// word and carries the highest number after it; empty when there is none.
std::string FindDefaultModule(const std::string& folder);

class EngineManager final : public EngineManagerNotice {
 public:
  static constexpr int32_t kTickMs = 1000;
  static constexpr int32_t kCountUpBudget = 0x7FFFFFFF;
  static constexpr int16_t kMaxLines = 126;
  // A move that has run longer than this (hundredths) is told to the commentator.
  static constexpr int32_t kCommentAfter = 1200;

  // `window`: the report inbox's token for the engines the manager loads. Makes the
  // engine table, the book list and the pool when none exists yet.
  explicit EngineManager(int32_t window, std::unique_ptr<LoadedBooks> books = nullptr);
  ~EngineManager() override;
  EngineManager(const EngineManager&) = delete;
  EngineManager& operator=(const EngineManager&) = delete;

  // The manager of the program, or null.
  static EngineManager* Current();

  EngineTable& Table() { return *table_; }
  EnginePool& Pool() { return *pool_; }
  LoadedBooks& Books() { return *books_; }
  ChessEngine* Engine() const { return engine_; }
  void SetEngine(ChessEngine* engine) { engine_ = engine; }

  // The folder the default modules are looked for in (the engines folder unless set).
  void SetEnginesFolder(std::string folder) { enginesFolder_ = std::move(folder); }
  std::string EnginesFolder() const;
  int32_t Window() const { return window_; }

  // Start-up: the engine object, its settings, the default engine and book.
  // `defaultBook`: the settings' default book (empty: none).
  void LoadDefaultEngine(std::string_view defaultBook = {});
  // The current engine object's setup into Z5.ini (at close).
  void SaveSetup();

  // The engine is to move in the cursor's game.
  void StartEngineMove(const GameCursor& cursor);
  Move GetEngineMove() const;
  // The engine object's move is ready: a tick, the clock paused, the client called.
  int32_t OnMoveReady(std::intptr_t engine);
  // The engine has moved at `ply`; the user's clock starts.
  void SwitchClock(int ply);
  // New game; `side` 1 when black moves first.
  void ResetClocks(int side);
  void TimeControlChanged();
  void TakeBackClock();
  void PauseClock();
  void ResumeClock();
  void PauseByUser();
  void ResumeByUser();
  void StopEngine();
  void StartPondering();
  void OnClockTick();

  // Observers of the engine objects' depth and current-move reports.
  void AddInfoListener(CallbackLink listener);
  void RemoveInfoListener(CallbackLink listener);
  // The search display's handlers, copied into every engine object.
  void SetSearchStartedLink(CallbackLink link);
  void SetMainLineLink(CallbackLink link);
  void SetNodesLink(CallbackLink link);
  // Binds the manager's links into an engine object (move ready, info, display).
  void BindLinks(ChessEngine& engine);

  // The number of main lines plus `delta`, accepted from 1 to 126.
  bool AdjustLineCount(int delta);
  // The table's playing engines (not endgame-table engines).
  std::vector<EngineInstance*> PlayingEngines() const;
  bool SelectEngine(int index);
  bool NextEngine();
  int32_t GetEngineRating() const;
  bool CheckSlotEnginesOption() const;
  // The start-result handler bound into every engine loaded with the setup.
  int32_t OnEngineNameChanged(std::intptr_t);

  // Clock state, in hundredths; the elapsed time of the running move.
  int32_t Elapsed() const;
  int32_t TotalA() const { return totalA_; }
  int32_t TotalB() const { return totalB_; }
  int32_t Budget() const { return budget_; }
  int Ply() const { return ply_; }
  bool IsPaused() const { return paused_; }
  bool IsEngineThinking() const { return engineThinking_; }
  bool IsCountUp() const { return countUp_; }

  // Client links, each called with the manager's engine object (or the manager):
  // time over (nonzero answer: pause the clock), the engine's move, the playing
  // engine's host gone during its move, and whether the game records the ply's time.
  CallbackLink TimeOverLink;
  CallbackLink ClientLink;
  CallbackLink HostGoneLink;
  CallbackLink RecordTimeLink;

  // EngineManagerNotice.
  bool TimeControlChanged(ChessEngine& engine) override;
  void ReleaseInstance(EngineInstance* instance) override;

 private:
  uint32_t Now() const;
  // The clock of ply p: the first when (offset + p) is even.
  int ClockOf(int ply) const { return ((startOffset_ + ply) & 1) == 0 ? 0 : 1; }
  void MarkSide();
  int32_t BudgetFor(int ply) const;
  void Tick();
  int32_t InfoRelay(std::intptr_t engine);
  int32_t HostGone(std::intptr_t engineId);
  EngineInstance* LoadModule(const std::string& path);
  void WatchPlayingHost();

  std::unique_ptr<EngineTable> ownTable_;
  std::unique_ptr<LoadedBooks> ownBooks_;
  std::unique_ptr<EnginePool> ownPool_;
  EngineTable* table_ = nullptr;
  LoadedBooks* books_ = nullptr;
  EnginePool* pool_ = nullptr;
  ChessEngine* engine_ = nullptr;
  int32_t window_ = 0;
  std::string enginesFolder_;

  int32_t totalA_ = 0, totalB_ = 0;
  uint32_t startTick_ = 0, pauseTick_ = 0;
  int32_t budget_ = kCountUpBudget;
  int ply_ = 0;
  uint16_t startOffset_ = 0;
  bool engineThinking_ = false;
  bool tickBusy_ = false;
  bool paused_ = false;
  bool userPause_ = false;
  bool countUp_ = true;
  std::vector<CallbackLink> infoListeners_;
  CallbackLink searchStartedLink_, mainLineLink_, nodesLink_;
  std::unique_ptr<Timer> timer_;
  EngineInstance* watched_ = nullptr;  // the playing engine whose host we watch
  size_t lastChosen_ = 0;
  EngineManager* previous_ = nullptr;
};

}  // namespace zh

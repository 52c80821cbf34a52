// One engine object: the level, time controls and handicap an engine (or a group of
// engines in six slots) plays with, the position it searches, and the request block
// it posts. Searches cross the engine host's queue; a cancel makes every outstanding
// search end stale, and the counters throw those ends away.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/rules/move.h"
#include "core/rules/notation.h"
#include "core/rules/position.h"
#include "core/rules/variation.h"
#include "core/services.h"
#include "enginemodule/interface/records.h"
#include "engines/book_manager.h"
#include "engines/elo_estimator.h"
#include "engines/engine_logo.h"
#include "engines/handicap.h"
#include "engines/search_params.h"
#include "engines/tactics_quiz.h"
#include "engines/time_control.h"

namespace zh {

class ChessEngine;
class EngineInstance;
class GameCursor;
class ProfileFile;
class TQGame;

// What an engine object asks of the engine manager and its pool. The manager
// installs itself; without one a time-control change stands and no other engine
// object holds an instance.
class EngineManagerNotice {
 public:
  virtual ~EngineManagerNotice() = default;
  // The time control of `engine` changed; the answer is SetTimeControl's result.
  virtual bool TimeControlChanged(ChessEngine& engine) {
    (void)engine;
    return true;
  }
  // Every engine object lets go of `instance` (before another one takes it).
  virtual void ReleaseInstance(EngineInstance* instance) { (void)instance; }
};

// The installed manager, or the null form.
EngineManagerNotice& EngineManagerLink();
void SetEngineManagerLink(EngineManagerNotice* manager);

// Depth, selective depth and nodes of the running or last search; -1 where absent.
struct SearchStats {
  int16_t depth = -1;
  int16_t selectiveDepth = -1;
  int64_t nodes = -1;
};

// Kinds of SetTimeControl.
enum TimeControlKind : int { kBlitzControl = 0, kTournamentControl = 1, kUserControl = 2 };

class ChessEngine {
 public:
  static constexpr int16_t kMaxLines = 64;  // lines a request and the kept table hold
  static constexpr uint32_t kUnbindWaitMs = 5000;
  static constexpr uint32_t kMateOptions = 0x700;
  static constexpr uint32_t kPlayingOption = 0x10;

  ChessEngine();
  ~ChessEngine();
  ChessEngine(const ChessEngine&) = delete;
  ChessEngine& operator=(const ChessEngine&) = delete;

  // Level, time controls, lines, handicap and strength state (not slots, book, links).
  void CopySettings(const ChessEngine& other);
  // The same plus the book and every client link.
  void CopyEngine(const ChessEngine& other);
  void ClearLinks();

  // Level and time control.
  bool SetSearchParams(const SearchParams& params);
  void SetHandicap(const HandicapRecord& record);
  void SetFunThreshold(int16_t value);
  // `periods` null keeps the stored control of that kind.
  // The manager's answer to the change.
  bool SetTimeControl(const TimePeriod* periods, int kind);
  const TimePeriod* GetTimeControl(int kind) const;
  void SetTimePerMove(int32_t seconds);
  bool IsBlitzClock() const;
  void SetNumberOfMainlines(int16_t lines) { NumberOfMainlines = lines; }

  // Saved copies of the level around a game or a query.
  void SaveGameParams(bool cancel);
  void SaveQueryParams();
  void RestoreGameParams();
  void RestoreQueryParams();
  void SaveMoveCallback();
  void RestoreMoveCallback();

  // The position to search, without moves; answers the request block.
  eng::PositionBlock& SetPosition(const Position& position);
  // The game up to the cursor: its start and moves, or from ply 512 the bare position.
  void SetGame(const GameCursor& cursor);
  void NewGame();
  void ResetGameState();
  const GameCursor& Cursor() const { return *cursor_; }
  NotationFormatter& Notation() { return *notation_; }

  // Searches.
  bool StartSearch();
  void StopSearch();
  void CancelSearch();
  // The level part (when asked), the common part and the engine; false without one.
  bool PrepareSearchBlock(bool fillLevel);
  void StartPonder();
  void StartPonderSearch();
  // The opponent's move; true when it was the pondered one and no search is needed.
  bool OnOpponentMove(const Move& move);
  bool RequestNextBest();
  bool SendPonderHit();
  void FlushMutedInfo();
  void OnSearchEnd();
  // After a search end with a move, or a book move: true when the engine resigned
  // (and the move is not to be reported).
  bool DecideResignOrDraw();
  // The engine's answer to the user's draw offer.
  bool AcceptsDraw();
  // Whether the engine accepts a draw offered in a rated game.
  bool DrawOfferRoll();
  // Whether the engine makes a remark at evaluation `d` (its own view).
  bool RemarkRoll(int32_t d);
  // A position for the endgame-table engine.
  static bool IsEndgameEnginePosition(const Board& board);

  // The engine setup groups of the settings file, and the short text of the level.
  void SaveSetup(ProfileFile& file);
  void LoadSetup(ProfileFile& file);
  std::string DescribeLevel() const;

  // Reports of the active engine (the handlers bound into its instance).
  bool OnMainLine(const eng::MainLineBlock& block);
  bool OnSearchStarted();
  bool OnCurrentMove(const eng::CurrentMoveBlock& block);
  bool OnNodesInfo(const eng::NodesBlock& block);
  bool OnDepthInfo(const eng::DepthBlock& block);
  bool OnHashInfo(const eng::HashBlock& block);
  bool OnSearchDone();

  // Kept results.
  bool GetScore(EvalValue& value, int16_t* depth = nullptr) const;
  bool GetSearchStats(SearchStats& stats) const;
  int64_t GetNodeCount() const;
  int32_t GetNodesPerSecond() const;
  int32_t GetHashUsage() const;
  // The move being searched, with its text, its number and the moves to search.
  bool GetCurrentMove(Move& move, int16_t& number, int16_t& total) const;
  bool HasBestMove() const;
  bool GetMainLine(Variation& line) const;
  bool GetEvaluatedLines(std::vector<EvaluatedVariation>& lines);
  bool ChooseMove(Move& move);
  void TakeExpectedFromLine();
  void OrderListedMoves();
  void VerifyTiedLines();
  const eng::MainLineBlock& Kept() const { return *MainLine; }

  // Engine slots.
  EngineInstance* GetActiveInstance() const;
  void BindInstance(EngineInstance* instance);
  void UnbindInstance(EngineInstance* instance);
  void InstallEngine(EngineInstance* instance);
  // The instance becomes the playing engine in slot 1, taken from every other object.
  void AttachEngine(EngineInstance* instance);
  void DropInstance(EngineInstance* instance);
  void ReleaseSlots();
  void Shutdown();
  void RefreshRating();
  bool HasOption2000() const;
  // The slot-1 engine's logo; an empty one without an engine.
  EngineLogo GetEngineLogo(int kind, int64_t colourCount) const;
  // The active engine's name, else slot 1's; `cut` drops the last "." and what follows.
  bool GetEngineName(std::string& text, bool cut) const;
  // The name of the first engine of slots 1 to 3; empty without one.
  std::string GetPlayerEngineName() const;
  // "<hash>kB" of the slot-1 engine, then ", <book file>" with a book.
  std::string DescribeSetup() const;
  void ListSlotEngines(std::vector<EngineInstance*>& list) const;
  // The slot is set without binding (the settings loader binds afterwards).
  void SetSlot(int slot, EngineInstance* instance) { Slots[static_cast<size_t>(slot)] = instance; }

  const eng::PositionBlock& Block() const { return *Search; }
  eng::PositionBlock& Block() { return *Search; }

  // Public as the engine manager, the settings groups and the dialogs read them.
  SearchParams Params;
  SearchParams GameParams;
  SearchParams QueryParams;
  int16_t QueryLines = 1;
  TimeControl Clock;
  TimePeriod UserControl{500, 0, 1, 2};
  std::array<TimePeriod, 2> BlitzControl{{{24000, 200, 1000, 3}, {0, 0, 1000, 5}}};
  std::array<TimePeriod, 3> TournControl{{{720000, 0, 40, 1}, {360000, 0, 20, 1}, {180000, 0, 1000, 0}}};
  TimePeriod AutoControl{500, 0, 1, 2};
  int16_t NumberOfMainlines = 1;
  HandicapScorer Handicap;
  TacticsQuiz Quiz;
  EloEstimator Estimator;
  EngineSlots Slots{};
  BookManager* Book = nullptr;
  Position EnginePosition;
  Move ExpectedMove;
  Move LastMove;

  bool Searching = false;
  bool Stale = false;
  bool AwaitingStart = false;
  bool Cancelled = false;
  bool CancelPending = false;
  bool Pondering = false;
  bool PonderDone = false;
  bool PonderHit = false;
  bool ExpectedSearch = false;
  bool Verifying = false;
  bool BookMove = true;
  bool DrawOfferArmed = true;
  bool RemarkArmed = true;
  bool InfoMuted = false;
  bool GameSaved = false;
  bool QuerySaved = false;
  bool MoveCallbackSaved = false;

  int16_t ScoreKept = 0;
  int16_t ScoreKindKept = 0;
  int16_t LastBookPly = 1000;
  int16_t Ply = -1;
  int16_t LastEvalPly = 1000;
  int16_t ZeroEvals = 0, BadEvals = 0, LowEvals = 0, LostEvals = 0;
  uint32_t StartTick = 0;
  int32_t AnalysisSeconds = 0;
  int16_t DepthKept = 0;
  int32_t PostCount = 0;
  int32_t StaleCount = 0;

  CallbackLink SearchStartedLink, MainLineLink, DepthLink, MoveReadyLink, SavedMoveReadyLink, NodesLink,
      DrawOfferLink, RemarkLink, ResignLink;

 private:
  void ApplyUserControl();
  void WriteBarePosition(const Position& position);
  void FillLevel(EngineInstance* active);
  bool IsBound(const EngineInstance* instance) const;
  // Report handlers bound into an instance.
  int32_t MainLineReport(std::intptr_t block);
  int32_t SearchStartedReport(std::intptr_t block);
  int32_t CurrentMoveReport(std::intptr_t block);
  int32_t NodesReport(std::intptr_t block);
  int32_t DepthReport(std::intptr_t block);
  int32_t HashReport(std::intptr_t block);
  int32_t SearchDoneReport(std::intptr_t block);
  int32_t OnHostGone(std::intptr_t engineId);

  // The clock values of a search at Ply.
  void FillClockValues(int16_t ponderMode);
  // Appends a move to the request and plays it on the cursor.
  void AppendAndPlay(const Move& move);
  bool BookAllowed(bool nearLastBookMove) const;
  void PostToActive(EngineInstance* active);
  // A search, cancel or opponent move during the tie check ends the check first.
  void EndVerification();
  // Moves of a reported line completed from `position`; stops at the first illegal one.
  // Each move gets its text in the user's notation with its number, from ply `ply`.
  void BuildLine(const eng::ReportMove* moves, int count, Position position, int ply, Variation& line) const;
  Position LineStart() const;
  // The ply of the first move of a line from LineStart(), for its move numbers.
  int LineStartPly() const;
  void CallLink(const CallbackLink& link) { link.Call(reinterpret_cast<std::intptr_t>(this)); }

  std::unique_ptr<eng::PositionBlock> Search;
  std::unique_ptr<eng::MainLineBlock> MainLine;
  std::unique_ptr<TQGame> game_;
  std::unique_ptr<GameCursor> cursor_;
  std::unique_ptr<NotationFormatter> notation_;
  bool verifyAborted_ = false;
  bool verifyingPonder_ = false;
  std::vector<EngineInstance*> bound_;  // instances whose links point here
};

// The brand whose engines search one ply less on the handicap level.
inline constexpr std::string_view kOtherBrand = "Pelta";

}  // namespace zh

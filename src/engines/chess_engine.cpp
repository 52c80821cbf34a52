#include "engines/chess_engine.h"

#include <algorithm>
#include <cstring>

#include "database/game/game_cursor.h"
#include "database/game/game_item.h"
#include "enginemodule/interface/records.h"
#include "engines/engine_instance.h"
#include "engines/engine_table.h"
#include "engines/engine_wait.h"
#include "engines/slot_choice.h"

namespace zh {
namespace {

constexpr const char* kSourcePath = "Engine\\Chesseng";
constexpr int16_t kNoLimit = 0x7FFF;
constexpr int16_t kClockMode = 1, kDepthMode = 2, kAnalysisMode = 4;
constexpr uint32_t kOption2000 = 0x2000;

// The allowance of the previous ply (+2168) and the field every bare position clears
// (+2186) lie in the block's reserved tail.
constexpr size_t kPrevAllowanceAt = 2168 - offsetof(eng::PositionBlock, reserved);
constexpr size_t kBareFieldAt = 2186 - offsetof(eng::PositionBlock, reserved);

void SetPrevAllowance(eng::PositionBlock& block, uint32_t hundredths) {
  std::memcpy(block.reserved + kPrevAllowanceAt, &hundredths, sizeof hundredths);
}

uint32_t Ticks() { return static_cast<uint32_t>(Clock().TicksMs()); }

int32_t ClampSeconds(int64_t hundredths) {
  return static_cast<int32_t>(std::clamp<int64_t>(hundredths / 100, 0, INT32_MAX));
}

}  // namespace

ChessEngine::ChessEngine()
    : Search(std::make_unique<eng::PositionBlock>()),
      MainLine(std::make_unique<eng::MainLineBlock>()),
      game_(std::make_unique<TQGame>()),
      cursor_(std::make_unique<GameCursor>(game_.get())) {
  GameParams.SearchType = kLevelClock;
  QueryParams = GameParams;
  std::memset(Search.get(), 0, sizeof(eng::PositionBlock));
  Search->header.size = sizeof(eng::PositionBlock);
  std::memset(MainLine.get(), 0, sizeof(eng::MainLineBlock));
  StartTick = Ticks();
  ApplyUserControl();
  Estimator.SetTimeControl({&UserControl, 1});
  Estimator.SetUserMode();
  WriteBarePosition(EnginePosition);
}

ChessEngine::~ChessEngine() {
  // Instances outlive engine objects: leave none of their links pointing here.
  for (EngineInstance* instance : bound_) {
    instance->handlers = EngineHandlers{};
    instance->RemoveHostGoneObserver(CallbackLink::Bind<ChessEngine, &ChessEngine::OnHostGone>(this));
    instance->SetInUse(false);
  }
}

void ChessEngine::ApplyUserControl() {
  for (int i = 0; i < TimeControl::kPeriods; ++i) Clock.SetPeriod(UserControl, i);
}

void ChessEngine::CopySettings(const ChessEngine& other) {
  Params = other.Params;
  Clock = other.Clock;
  UserControl = other.UserControl;
  BlitzControl = other.BlitzControl;
  TournControl = other.TournControl;
  NumberOfMainlines = other.NumberOfMainlines;
  Handicap.Record() = other.Handicap.Record();
  Estimator = other.Estimator;
}

void ChessEngine::CopyEngine(const ChessEngine& other) {
  CopySettings(other);
  Book = other.Book;
  SearchStartedLink = other.SearchStartedLink;
  MainLineLink = other.MainLineLink;
  DepthLink = other.DepthLink;
  MoveReadyLink = other.MoveReadyLink;
  SavedMoveReadyLink = other.SavedMoveReadyLink;
  NodesLink = other.NodesLink;
  DrawOfferLink = other.DrawOfferLink;
  RemarkLink = other.RemarkLink;
  ResignLink = other.ResignLink;
}

void ChessEngine::ClearLinks() {
  for (CallbackLink* link : {&SearchStartedLink, &MainLineLink, &DepthLink, &MoveReadyLink, &SavedMoveReadyLink,
                             &NodesLink, &DrawOfferLink, &RemarkLink, &ResignLink})
    link->Clear();
}

bool ChessEngine::SetSearchParams(const SearchParams& params) {
  Stale = true;
  CancelSearch();
  const int32_t slot = params.GetEngineSlot(true);
  if (slot == 0 || (slot >= 1 && slot <= kMateSlot && SlotHolds(Slots, slot))) {
    Params = params;
    return true;
  }
  Params.EngineType = kNoSlot;
  return false;
}

void ChessEngine::SetHandicap(const HandicapRecord& record) {
  Handicap.Record() = record;
  Params.SearchType = GameParams.SearchType = kLevelHandicap;
}

void ChessEngine::SetFunThreshold(int16_t value) {
  HandicapRecord& r = Handicap.Record();
  r.PlayStrength = static_cast<int16_t>(std::clamp(2250 + value, 1600, 2400));
  r.FunThreshold = value;
  r.FunScheme = 1;
  r.Weak = value < -500;
  r.KeepBest = value > 400;
  Params.SearchType = GameParams.SearchType = kLevelHandicap;
}

void ChessEngine::SetTimeControl(const TimePeriod* periods, int kind) {
  switch (kind) {
    case kBlitzControl: {
      if (periods != nullptr) std::copy_n(periods, BlitzControl.size(), BlitzControl.begin());
      // The extra time goes with the rebuild; the side that held it gets it again.
      const int16_t extraSide = Clock.ExtraTimeSide();
      Clock.SetPeriod(BlitzControl[0], 0);
      Clock.SetPeriod(BlitzControl[1], 1);
      Clock.SetPeriod(BlitzControl[1], 2);
      if (extraSide >= 0) Clock.AddExtraTime(extraSide);
      Params.SearchType = kLevelClock;
      Params.PermBrain = 1;
      Estimator.SetTimeControl(BlitzControl);
      break;
    }
    case kTournamentControl:
      if (periods != nullptr) std::copy_n(periods, TournControl.size(), TournControl.begin());
      for (int i = 0; i < TimeControl::kPeriods; ++i) Clock.SetPeriod(TournControl[static_cast<size_t>(i)], i);
      Params.SearchType = kLevelClock;
      Params.PermBrain = 1;
      Estimator.SetTimeControl(TournControl);
      break;
    case kUserControl:
      if (periods != nullptr) UserControl = periods[0];
      ApplyUserControl();
      Estimator.SetUserMode();
      break;
    default:
      Estimator.SetUserMode();
      break;
  }
}

const TimePeriod* ChessEngine::GetTimeControl(int kind) const {
  if (kind == kBlitzControl) return BlitzControl.data();
  if (kind == kUserControl) return &UserControl;
  return TournControl.data();
}

void ChessEngine::SetTimePerMove(int32_t seconds) {
  Params.SearchType = kLevelFixedTime;
  if (seconds != 0) AutoControl.Time = static_cast<int32_t>(std::clamp<int64_t>(int64_t{seconds} * 100, 0, INT32_MAX));
}

bool ChessEngine::IsBlitzClock() const {
  if (Params.SearchType != kLevelClock) return false;
  TimePeriod first;
  Clock.GetPeriod(first, 0);
  return first.ControlType == 0 || first.ControlType == 3 || first.ControlType == 4;
}

void ChessEngine::SaveGameParams(bool cancel) {
  GameParams = Params;
  if (cancel) CancelSearch();
  GameSaved = true;
}

void ChessEngine::SaveQueryParams() {
  QueryParams = Params;
  QueryLines = NumberOfMainlines;
  CancelSearch();
  QuerySaved = true;
}

void ChessEngine::RestoreGameParams() {
  if (!GameSaved) {
    ReportInconsistency("Inconsistent", kSourcePath, __LINE__);
    return;
  }
  SetSearchParams(GameParams);
  NumberOfMainlines = 1;
}

void ChessEngine::RestoreQueryParams() {
  if (!QuerySaved) {
    ReportInconsistency("Inconsistent", kSourcePath, __LINE__);
    return;
  }
  SetSearchParams(QueryParams);
  NumberOfMainlines = QueryLines;
}

void ChessEngine::SaveMoveCallback() {
  SavedMoveReadyLink = MoveReadyLink;
  MoveCallbackSaved = true;
}

void ChessEngine::RestoreMoveCallback() {
  if (MoveCallbackSaved) MoveReadyLink = SavedMoveReadyLink;
}

void ChessEngine::WriteBarePosition(const Position& position) {
  eng::PositionBlock& b = *Search;
  std::memcpy(b.board, position.board.squares, sizeof b.board);
  b.start_position = 0;
  b.side_to_move = static_cast<uint8_t>(position.side == 1 ? 1 : 0);
  b.en_passant_file = position.epFile;
  b.castling = position.castling;
  b.move_count = 0;
  std::memset(b.reserved + kBareFieldAt, 0, 2);
}

eng::PositionBlock& ChessEngine::SetPosition(const Position& position) {
  CancelSearch();
  EnginePosition = position;
  Ply = -1;
  WriteBarePosition(position);
  return *Search;
}

void ChessEngine::SetGame(const GameCursor& cursor) {
  CancelSearch();
  if (&cursor != cursor_.get()) *cursor_ = cursor;
  cursor_->SavePosition();
  if (cursor_->Ply() >= eng::kMaxGameMoves) {
    SetPosition(cursor_->GetPosition());
    return;
  }
  EnginePosition = cursor_->GetPosition();
  Ply = static_cast<int16_t>(cursor_->Ply());
  const StartRecord& start = cursor_->GetStartRecord();
  WriteBarePosition(start.start.position);
  eng::PositionBlock& b = *Search;
  b.start_position = start.IsStandardStart() ? 1 : 0;
  for (int p = 0; p < Ply; ++p) {
    const GameMove* m = cursor_->GetMove(p);
    const bool promotes = (m->kind & eng::kGameMovePromotion) != 0;
    b.moves[p] = {m->from, m->to, m->kind, promotes ? m->promotion : uint8_t{0}};
  }
  b.move_count = Ply;
}

void ChessEngine::ResetGameState() {
  Clock.Reset();
  Ply = 0;
  ExpectedMove = Move{};
  LastMove = Move{};
  LastBookPly = 1000;
  LastEvalPly = 1000;
  RemarkArmed = DrawOfferArmed = true;
  ZeroEvals = BadEvals = LowEvals = LostEvals = 0;
}

void ChessEngine::NewGame() {
  ResetChosenSlot(Slots, Params);
  ResetGameState();
  std::array<EngineInstance*, kEngineSlots> told{};
  for (size_t i = 0; i < Slots.size(); ++i) {
    EngineInstance* instance = Slots[i];
    if (instance == nullptr || std::find(told.begin(), told.end(), instance) != told.end()) continue;
    told[i] = instance;
    instance->PostNewGame();
  }
}

void ChessEngine::StopSearch() {
  if (Params.SearchType == kLevelQuiz) Quiz.Waiting = false;
  if (EngineInstance* active = GetActiveInstance()) active->PostStop();
  if (Book != nullptr) Book->Stop();
}

void ChessEngine::CancelSearch() {
  EndVerification();
  if (Params.SearchType == kLevelQuiz) Quiz.Waiting = false;
  StaleCount = PostCount;
  CancelPending = Cancelled = Stale = true;
  if (EngineInstance* active = GetActiveInstance()) active->PostStop();
  if (Book != nullptr) Book->Stop();
}

void ChessEngine::FillLevel(EngineInstance* active) {
  eng::PositionBlock& b = *Search;
  switch (Params.SearchType) {
    case kLevelStrength:
      Estimator.FillBlock(b);
      break;
    case kLevelAverageTime:
      if (UserControl.Moves > 1) {
        b.mode = kClockMode;
        break;
      }
      // Eight moves ahead at the user's time per move, less what the side has used.
      b.clock_seconds = Ply <= 1 ? ClampSeconds(int64_t{UserControl.Time} * 8)
                                 : ClampSeconds((int64_t{Ply / 2} + 8) * UserControl.Time -
                                                Clock.GetUsedSoFar(Ply - 2));
      b.moves_to_go = 8;
      b.increment_seconds = 0;
      b.mode = kClockMode;
      break;
    case kLevelFixedTime:
      b.clock_seconds = AutoControl.Time / 100 * 8;
      b.moves_to_go = 8;
      b.increment_seconds = 0;
      b.mode = kClockMode;
      break;
    case kLevelInfinite:
      if (AnalysisSeconds != 0) {
        b.depth = kNoLimit;
        b.clock_seconds = AnalysisSeconds;
      } else {
        b.depth = 99;
      }
      b.mode = kAnalysisMode;
      break;
    case kLevelFixedDepth:
      b.depth = Params.SearchDepth;
      b.mode = kDepthMode;
      break;
    case kLevelMate:
    case kLevelMate2:
    case kLevelMate3: {
      constexpr int16_t kMateModes[3] = {3, 5, 6};
      b.depth = Params.MateDepth;
      b.mode = kMateModes[Params.SearchType - kLevelMate];
      break;
    }
    case kLevelHandicap:
      Handicap.SetSearchLimits(b);
      if (active != nullptr && active->GetName().starts_with(kOtherBrand))
        b.depth = static_cast<int16_t>(b.depth - 1);
      break;
    case kLevelQuiz:
      Quiz.PrepareSearch(b);
      break;
    default:
      b.mode = kClockMode;
      break;
  }
}

bool ChessEngine::PrepareSearchBlock(bool fillLevel) {
  eng::PositionBlock& b = *Search;
  if (fillLevel) {
    // The brand test reads the engine that was active before the choice below.
    FillLevel(GetActiveInstance());
  }
  b.one = 1;
  b.reference_seconds = ClampSeconds(Clock.GetUsedSoFar(Ply - 2));
  b.reference_moves = static_cast<int16_t>(Ply >= 0 ? Ply / 2 : 0);
  SetPrevAllowance(b, static_cast<uint32_t>(std::max(Clock.GetBudget(Ply - 1), 0)));
  if (!Verifying) {
    CancelSearch();
    ChooseEngineSlot(Slots, Params, EnginePosition.board);
  }
  EngineInstance* active = GetActiveInstance();
  if (active == nullptr) return false;
  if (!active->IsEndgameEngine()) return true;
  // An endgame-table engine searches the bare position.
  active->PostText(TableRoot);
  Ply = -1;
  WriteBarePosition(EnginePosition);
  return true;
}

EngineInstance* ChessEngine::GetActiveInstance() const {
  const int32_t slot = Verifying ? Params.GetFallbackSlot(Slots) : Params.GetEngineSlot(true);
  if (!SlotHolds(Slots, slot)) return nullptr;
  EngineInstance* instance = Slots[static_cast<size_t>(slot)];
  return instance->Status() == kEngineReady ? instance : nullptr;
}

bool ChessEngine::IsBound(const EngineInstance* instance) const {
  return std::find(bound_.begin(), bound_.end(), instance) != bound_.end();
}

void ChessEngine::BindInstance(EngineInstance* instance) {
  if (instance == nullptr) return;
  EngineHandlers& h = instance->handlers;
  h.mainLine = CallbackLink::Bind<ChessEngine, &ChessEngine::MainLineReport>(this);
  h.searchStarted = CallbackLink::Bind<ChessEngine, &ChessEngine::SearchStartedReport>(this);
  h.currentMove = CallbackLink::Bind<ChessEngine, &ChessEngine::CurrentMoveReport>(this);
  h.nodes = CallbackLink::Bind<ChessEngine, &ChessEngine::NodesReport>(this);
  h.depth = CallbackLink::Bind<ChessEngine, &ChessEngine::DepthReport>(this);
  h.hashUsage = CallbackLink::Bind<ChessEngine, &ChessEngine::HashReport>(this);
  h.searchDone = CallbackLink::Bind<ChessEngine, &ChessEngine::SearchDoneReport>(this);
  const CallbackLink gone = CallbackLink::Bind<ChessEngine, &ChessEngine::OnHostGone>(this);
  instance->RemoveHostGoneObserver(gone);
  instance->AddHostGoneObserver(gone);
  instance->SetInUse(true);
  if (!IsBound(instance)) bound_.push_back(instance);
}

void ChessEngine::UnbindInstance(EngineInstance* instance) {
  if (instance == nullptr || !IsBound(instance)) return;
  if (PostCount > 0) {
    RunPendingEvents();
    if (PostCount > 0) {
      CancelSearch();
      const WaitEnd end = WaitUntil([this] { return PostCount <= 0; }, DeadlineIn(kUnbindWaitMs), instance->Id());
      if (PostCount > 0) {
        // A search the engine never ends: give up on it.
        if (end == WaitEnd::kDeadline) instance->ReportNoAnswer();
        PostCount = 0;
        Searching = Pondering = ExpectedSearch = AwaitingStart = false;
      }
    }
    StaleCount = 0;
  }
  instance->handlers = EngineHandlers{};
  instance->RemoveHostGoneObserver(CallbackLink::Bind<ChessEngine, &ChessEngine::OnHostGone>(this));
  instance->SetInUse(false);
  std::erase(bound_, instance);
}

void ChessEngine::InstallEngine(EngineInstance* instance) {
  CancelSearch();
  if (instance != nullptr) {
    const uint32_t options = instance->GetOptions();
    if (options == 0 || (options & kPlayingOption) != 0) {
      EngineInstance* old = Slots[1];
      if (old != nullptr && old != instance && old != Slots[2] && old != Slots[3]) UnbindInstance(old);
      Slots[1] = instance;
      if (Params.EngineType != 0) Params.EngineType = 1;
    } else if ((options & kMateOptions) != 0) {
      if (Slots[kMateSlot] != nullptr && Slots[kMateSlot] != instance) UnbindInstance(Slots[kMateSlot]);
      Slots[kMateSlot] = instance;
    }
    BindInstance(instance);
    RefreshRating();
    return;
  }
  const bool anyPlaying = Slots[1] != nullptr || Slots[2] != nullptr || Slots[3] != nullptr;
  if (anyPlaying) {
    if (Params.EngineType >= 4)
      for (int32_t s = 1; s <= 3; ++s)
        if (SlotHolds(Slots, s)) {
          Params.EngineType = s;
          break;
        }
    RefreshRating();
    return;
  }
  if (EngineTable* table = EngineTable::Current()) {
    for (int i = 0; i < table->Count(); ++i) {
      EngineInstance* candidate = table->GetInstance(i);
      if (candidate == nullptr || candidate->IsEndgameEngine() || candidate->InUse()) continue;
      const uint32_t options = candidate->GetOptions();
      if (options != 0 && (options & kPlayingOption) == 0) continue;
      Slots[1] = candidate;
      if (Params.EngineType != 0) Params.EngineType = 1;
      BindInstance(candidate);
      break;
    }
  }
  RefreshRating();
}

void ChessEngine::DropInstance(EngineInstance* instance) {
  if (instance == nullptr) return;
  UnbindInstance(instance);
  for (int s = 1; s <= kMateSlot; ++s) {
    if (Slots[static_cast<size_t>(s)] != instance) continue;
    CancelSearch();
    Slots[static_cast<size_t>(s)] = nullptr;
  }
  RefreshRating();
}

void ChessEngine::ReleaseSlots() {
  PostCount = 0;
  for (int s = 1; s <= 4; ++s) {
    UnbindInstance(Slots[static_cast<size_t>(s)]);
    Slots[static_cast<size_t>(s)] = nullptr;
  }
  PostCount = StaleCount = 0;
}

void ChessEngine::Shutdown() {
  ClearLinks();
  for (EngineInstance* instance : Slots) UnbindInstance(instance);
}

void ChessEngine::RefreshRating() {
  for (int s = 1; s <= 3; ++s) {
    if (EngineInstance* instance = Slots[static_cast<size_t>(s)]) {
      const int32_t rating = instance->GetRating();
      Handicap.Record().BaseStrength = static_cast<int16_t>(std::clamp(rating, 0, 32767));
      Estimator.SetEngineRating(rating);
      return;
    }
  }
}

bool ChessEngine::HasOption2000() const {
  bool any = false;
  for (int s = 1; s <= 3; ++s) {
    EngineInstance* instance = Slots[static_cast<size_t>(s)];
    if (instance == nullptr) continue;
    if ((instance->GetOptions() & kOption2000) == 0) return false;
    any = true;
  }
  return any;
}

int32_t ChessEngine::OnHostGone(std::intptr_t engineId) {
  // The engine took its outstanding searches with it: none of them will end.
  const bool ours = std::any_of(Slots.begin(), Slots.end(),
                                [&](const EngineInstance* i) { return i != nullptr && i->Id() == engineId; });
  if (!ours) return 0;
  PostCount = StaleCount = 0;
  Searching = Pondering = ExpectedSearch = AwaitingStart = PonderHit = PonderDone = false;
  return 0;
}

}  // namespace zh

#include "engines/engine_manager.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "app/message_ids.h"
#include "core/rules/game_move.h"
#include "core/toolbox/profile_file.h"
#include "database/game/game_cursor.h"
#include "engines/book_manager.h"
#include "engines/engine_instance.h"
#include "engines/engine_table.h"
#include "engines/engine_views.h"
#include "engines/engine_wait.h"

namespace zh {
namespace {

constexpr std::string_view kProductWord = "ZELKO";
constexpr const char* kEndgameModule = "CDRom_WF.eng";
constexpr uint32_t kAfterLoadMs = 500;

EngineManager*& CurrentManager() {
  static EngineManager* manager = nullptr;
  return manager;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// The number after the product word in a module's name: every digit that follows,
// other characters skipped; none counts as 0. Negative when the name is not one.
int64_t DefaultModuleNumber(const std::string& stem) {
  const std::string name = Upper(stem);
  if (!name.starts_with(kProductWord)) return -1;
  int64_t number = 0;
  for (size_t i = kProductWord.size(); i < name.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) continue;
    number = std::min<int64_t>(number * 10 + (name[i] - '0'), INT64_MAX / 20);
  }
  return number;
}

bool IsModuleFile(const std::filesystem::directory_entry& entry) {
  std::error_code ec;
  return entry.is_regular_file(ec) && Upper(entry.path().extension().string()) == ".ENG";
}

// A file of the folder by name, without regard to case; empty when none.
std::string FindInFolder(const std::string& folder, std::string_view name) {
  std::error_code ec;
  const std::string wanted = Upper(std::string(name));
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (Upper(entry.path().filename().string()) == wanted && IsModuleFile(entry)) return entry.path().string();
  }
  return {};
}

}  // namespace

// On equal numbers the first in name order stays.
std::string FindDefaultModule(const std::string& folder) {
  std::error_code ec;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
    if (IsModuleFile(entry)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  std::string best;
  int64_t bestNumber = -1;
  for (const auto& file : files) {
    const int64_t number = DefaultModuleNumber(file.stem().string());
    if (number > bestNumber) {
      bestNumber = number;
      best = file.string();
    }
  }
  return best;
}

EngineManager::EngineManager(int32_t window, std::unique_ptr<LoadedBooks> books)
    : window_(window), previous_(CurrentManager()) {
  startTick_ = pauseTick_ = Now();
  countUp_ = true;
  table_ = EngineTable::Current();
  if (table_ == nullptr) {
    ownTable_ = std::make_unique<EngineTable>();
    table_ = ownTable_.get();
  }
  ownBooks_ = books ? std::move(books) : std::make_unique<LoadedBooks>();
  books_ = ownBooks_.get();
  pool_ = EnginePool::Current();
  if (pool_ == nullptr) {
    ownPool_ = std::make_unique<EnginePool>();
    pool_ = ownPool_.get();
  }
  CurrentManager() = this;
  SetEngineManagerLink(this);
  timer_ = Timers().MakeTimer([this] { OnClockTick(); });
  timer_->StartPeriodic(kTickMs);
}

EngineManager::~EngineManager() {
  if (timer_) timer_->Stop();
  if (watched_ != nullptr && table_->IndexOf(watched_) >= 0)
    watched_->RemoveHostGoneObserver(CallbackLink::Bind<EngineManager, &EngineManager::HostGone>(this));
  ownPool_.reset();
  ownTable_.reset();
  ownBooks_.reset();
  SetEngineManagerLink(nullptr);
  if (CurrentManager() == this) CurrentManager() = previous_;
}

EngineManager* EngineManager::Current() { return CurrentManager(); }

std::string EngineManager::EnginesFolder() const {
  return enginesFolder_.empty() ? GetEnginesDirectory() : enginesFolder_;
}

uint32_t EngineManager::Now() const { return static_cast<uint32_t>(Clock().TicksMs()); }

int32_t EngineManager::Elapsed() const {
  const uint32_t end = paused_ ? pauseTick_ : Now();
  return static_cast<int32_t>((end - startTick_ + 5) / 10);
}

int32_t EngineManager::BudgetFor(int ply) const { return engine_ != nullptr ? engine_->Clock.GetBudget(ply) : 0; }

void EngineManager::MarkSide() { ClockDisplay().MarkSide(ClockOf(ply_)); }

// ---- clocks ----

void EngineManager::OnClockTick() {
  if (tickBusy_) return;
  const PlaySettings& play = PlayingSettings();
  if (play.analysisMode != 0 && !play.conference) {
    // Analysis counts up from the start tick, paused or not; the hundredths show 1.
    const int32_t t = static_cast<int32_t>((Now() - startTick_ + 5) / 10);
    SearchDisplay().ShowMoveTime(t);
    ClockDisplay().ShowCountUp(ClockOf(ply_), t - t % 100 + 1);
    ClockDisplay().ShowCountUp(1 - ClockOf(ply_), 0);
    return;
  }
  tickBusy_ = true;
  const int32_t e = Elapsed();
  int32_t v = 0;
  const int clock = ClockOf(ply_);
  if (countUp_) {
    v = e + ((ply_ & 1) != 0 ? totalA_ : totalB_);
    ClockDisplay().ShowCountUp(clock, v);
  } else {
    v = budget_ - e;
    if (v < 0) {
      ClockDisplay().ShowCountdown(clock, ClockView::kTimeOver);
      if (TimeOverLink.Call(reinterpret_cast<std::intptr_t>(engine_)) != 0) PauseClock();
    } else {
      ClockDisplay().ShowCountdown(clock, v);
    }
  }
  if (e > kCommentAfter) EngineCoach().ThinkingTime(v / 100);
  if (engine_ == nullptr || !engine_->Pondering) SearchDisplay().ShowMoveTime(e);
  tickBusy_ = false;
}

void EngineManager::Tick() { OnClockTick(); }

void EngineManager::StartEngineMove(const GameCursor& cursor) {
  if (engine_ == nullptr) return;
  const int32_t e = Elapsed();
  const int ply = cursor.Ply();
  if (ply >= 1 && RecordTimeLink.Call(reinterpret_cast<std::intptr_t>(this)) != 0)
    engine_->Clock.RecordMoveTime(e, ply - 1);
  startTick_ = pauseTick_ = Now();
  ply_ = ply;
  countUp_ = engine_->Params.SearchType >= 3;
  if (countUp_) {
    budget_ = kCountUpBudget;
    ((ply_ & 1) == 0 ? totalA_ : totalB_) += e;
  } else {
    budget_ = BudgetFor(ply_);
    totalA_ += e;
  }
  engineThinking_ = true;
  MarkSide();
  ResumeClock();
  Tick();
  WatchPlayingHost();
  if (const GameMove* last = cursor.LastMove(); last != nullptr && engine_->OnOpponentMove(last->ToMove())) return;
  engine_->SetGame(cursor);
  engine_->StartSearch();
}

void EngineManager::WatchPlayingHost() {
  const CallbackLink link = CallbackLink::Bind<EngineManager, &EngineManager::HostGone>(this);
  if (watched_ != nullptr && table_->IndexOf(watched_) >= 0) watched_->RemoveHostGoneObserver(link);
  watched_ = nullptr;
  for (int s = 1; s <= 3 && watched_ == nullptr; ++s) watched_ = engine_->Slots[static_cast<size_t>(s)];
  if (watched_ != nullptr) watched_->AddHostGoneObserver(link);
}

int32_t EngineManager::HostGone(std::intptr_t engineId) {
  if (watched_ == nullptr || watched_->Id() != engineId) return 0;
  watched_->RemoveHostGoneObserver(CallbackLink::Bind<EngineManager, &EngineManager::HostGone>(this));
  watched_ = nullptr;
  if (!engineThinking_) return 0;
  // The engine's move will not come: the user gets the board back.
  engineThinking_ = false;
  PauseClock();
  HostGoneLink.Call(reinterpret_cast<std::intptr_t>(this));
  return 0;
}

Move EngineManager::GetEngineMove() const {
  Move move;
  if (engine_ != nullptr) engine_->ChooseMove(move);
  return move;
}

int32_t EngineManager::OnMoveReady(std::intptr_t engine) {
  Tick();
  PauseClock();
  return ClientLink.Call(engine);
}

void EngineManager::SwitchClock(int ply) {
  const int32_t e = Elapsed();
  startTick_ = pauseTick_ = Now();
  ply_ = ply;
  if (countUp_) {
    budget_ = kCountUpBudget;
    ((ply_ & 1) == 0 ? totalA_ : totalB_) += e;
  } else {
    budget_ = BudgetFor(ply_);
    totalB_ += e;
  }
  engineThinking_ = false;
  MarkSide();
  ResumeClock();
  Tick();
}

void EngineManager::ResetClocks(int side) {
  startOffset_ = side == 1 ? 1 : 0;
  totalA_ = totalB_ = 0;
  if (engine_ == nullptr) return;
  engine_->Clock.RecordMoveTime(0, 0);
  engine_->Clock.RecordMoveTime(0, 1);
  engine_->CancelSearch();
  SearchDisplay().Reset(*engine_);
  pool_->NewGame();
  startTick_ = pauseTick_ = Now();
  if (countUp_) {
    budget_ = kCountUpBudget;
    totalA_ = totalB_ = 10;
  } else {
    budget_ = BudgetFor(1);
  }
  ply_ = 1;
  engineThinking_ = true;
  Tick();
  ply_ = 0;
  engineThinking_ = false;
  Tick();
  ClockDisplay().MarkSide(ClockView::kNoClock);
  PauseClock();
}

void EngineManager::TakeBackClock() {
  if (engine_ == nullptr) return;
  ply_ -= 1;
  const int32_t c = engine_->Clock.GetMoveTime(ply_);
  if (countUp_) {
    budget_ = kCountUpBudget;
    totalA_ += c;
  } else {
    budget_ = BudgetFor(ply_);
    totalA_ -= c;
  }
  // The taken-back move's time runs on.
  startTick_ = pauseTick_ = Now() - static_cast<uint32_t>(10 * c);
  engineThinking_ = false;
  Tick();
  MarkSide();
}

void EngineManager::TimeControlChanged() {
  if (engine_ == nullptr) return;
  startTick_ = pauseTick_ = Now();
  countUp_ = engine_->Params.SearchType >= 3;
  if (countUp_) budget_ = kCountUpBudget;
  MarkSide();
  ResumeClock();
  // The other side's clock first, then the current one.
  const int ply = ply_;
  const bool thinking = engineThinking_;
  ply_ = ply_ > 0 ? ply_ - 1 : ply_ + 1;
  engineThinking_ = !engineThinking_;
  if (!countUp_) budget_ = BudgetFor(ply_);
  Tick();
  ply_ = ply;
  engineThinking_ = thinking;
  if (!countUp_) budget_ = BudgetFor(ply_);
  Tick();
}

bool EngineManager::TimeControlChanged(ChessEngine& engine) {
  if (&engine == engine_) TimeControlChanged();
  return true;
}

void EngineManager::ReleaseInstance(EngineInstance* instance) { pool_->ReleaseInstance(instance); }

void EngineManager::PauseClock() {
  if (paused_) return;
  paused_ = true;
  if (timer_) timer_->Stop();
  pauseTick_ = Now();
}

void EngineManager::ResumeClock() {
  if (userPause_) return;
  if (paused_) {
    // The paused span does not count.
    const uint32_t now = Now();
    startTick_ = now + startTick_ - pauseTick_;
    pauseTick_ = startTick_;
    paused_ = false;
  }
  GameWindowDisplay().RefreshAfterClockResume();
  if (timer_) timer_->StartPeriodic(kTickMs);
}

void EngineManager::PauseByUser() {
  PauseClock();
  userPause_ = true;
}

void EngineManager::ResumeByUser() {
  userPause_ = false;
  ResumeClock();
}

void EngineManager::StopEngine() {
  PauseClock();
  if (engine_ != nullptr) engine_->CancelSearch();
}

void EngineManager::StartPondering() {
  if (engine_ != nullptr) engine_->StartPonder();
}

// ---- links ----

int32_t EngineManager::InfoRelay(std::intptr_t engine) {
  // Copied first: a listener may remove itself.
  const std::vector<CallbackLink> listeners = infoListeners_;
  for (const CallbackLink& listener : listeners) listener.Call(engine);
  return 0;
}

void EngineManager::AddInfoListener(CallbackLink listener) {
  if (!listener.IsSet()) return;
  infoListeners_.push_back(listener);
  for (int i = 0; i < pool_->Count(); ++i) BindLinks(*pool_->GetSession(i));
}

void EngineManager::RemoveInfoListener(CallbackLink listener) { std::erase(infoListeners_, listener); }

void EngineManager::SetSearchStartedLink(CallbackLink link) {
  searchStartedLink_ = link;
  for (int i = 0; i < pool_->Count(); ++i) pool_->GetSession(i)->SearchStartedLink = link;
}

void EngineManager::SetMainLineLink(CallbackLink link) {
  mainLineLink_ = link;
  for (int i = 0; i < pool_->Count(); ++i) pool_->GetSession(i)->MainLineLink = link;
}

void EngineManager::SetNodesLink(CallbackLink link) {
  nodesLink_ = link;
  for (int i = 0; i < pool_->Count(); ++i) pool_->GetSession(i)->NodesLink = link;
}

void EngineManager::BindLinks(ChessEngine& engine) {
  if (&engine == engine_) engine.MoveReadyLink = CallbackLink::Bind<EngineManager, &EngineManager::OnMoveReady>(this);
  if (!infoListeners_.empty()) engine.DepthLink = CallbackLink::Bind<EngineManager, &EngineManager::InfoRelay>(this);
  if (searchStartedLink_.IsSet()) engine.SearchStartedLink = searchStartedLink_;
  if (mainLineLink_.IsSet()) engine.MainLineLink = mainLineLink_;
  if (nodesLink_.IsSet()) engine.NodesLink = nodesLink_;
}

// ---- engines ----

bool EngineManager::AdjustLineCount(int delta) {
  if (engine_ == nullptr) return false;
  const int lines = engine_->NumberOfMainlines + delta;
  if (lines < 1 || lines > kMaxLines) return false;
  engine_->NumberOfMainlines = static_cast<int16_t>(lines);
  PlayingSettings().nLines = static_cast<int16_t>(lines);
  engine_->Stale = true;
  if (engine_->Searching) engine_->StartSearch();
  return true;
}

std::vector<EngineInstance*> EngineManager::PlayingEngines() const {
  std::vector<EngineInstance*> list;
  table_->ListPlayingEngines(list);
  return list;
}

bool EngineManager::SelectEngine(int index) {
  if (engine_ == nullptr) return false;
  const std::vector<EngineInstance*> list = PlayingEngines();
  if (index < 0 || index >= static_cast<int>(list.size())) return false;
  lastChosen_ = static_cast<size_t>(index);
  engine_->AttachEngine(list[static_cast<size_t>(index)]);
  return true;
}

bool EngineManager::NextEngine() {
  const std::vector<EngineInstance*> list = PlayingEngines();
  if (list.size() < 2) return false;
  return SelectEngine(static_cast<int>((lastChosen_ + 1) % list.size()));
}

int32_t EngineManager::GetEngineRating() const {
  if (engine_ == nullptr || engine_->Params.SearchType != kLevelStrength) return 0;
  return engine_->Estimator.EngineRating();
}

bool EngineManager::CheckSlotEnginesOption() const { return engine_ != nullptr && engine_->HasOption2000(); }

int32_t EngineManager::OnEngineNameChanged(std::intptr_t) {
  GameWindowDisplay().ShowEngineName();
  return 0;
}

// ---- start-up and close ----

EngineInstance* EngineManager::LoadModule(const std::string& path) {
  int32_t error = 0;
  const int index = table_->LoadEngine(window_, path, error);
  if (index < 0) {
    if (error != 0) EngineTable::ReportLoadStatus(error);
    return nullptr;
  }
  EngineInstance* instance = table_->GetInstance(index);
  const int32_t id = instance->Id();
  // The module starts on its own thread meanwhile.
  WaitUntil([&] { return table_->HasHostGone(id); }, DeadlineIn(kAfterLoadMs));
  table_->QueryEngineInfo();
  return table_->FindById(id);
}

void EngineManager::LoadDefaultEngine(std::string_view defaultBook) {
  const int index = pool_->CreateSession();
  engine_ = pool_->GetSession(index);
  if (engine_ == nullptr) return;
  BindLinks(*engine_);
  {
    ProfileFile file;
    if (file.OpenDefault()) engine_->LoadSetup(file);
  }

  bool hasPlaying = false, hasEndgame = false;
  for (int i = 0; i < table_->Count(); ++i) {
    EngineInstance* instance = table_->GetInstance(i);
    if (instance == nullptr) continue;
    (instance->IsEndgameEngine() ? hasEndgame : hasPlaying) = true;
  }
  const std::string folder = EnginesFolder();
  if (!hasPlaying) {
    const std::string path = FindDefaultModule(folder);
    if (path.size() < 3) {
      ErrorBox(GetMessageText(msg::M_NO_ENGINE_FOUND));
    } else if (EngineInstance* instance = LoadModule(path)) {
      engine_->SetSlot(1, instance);
      engine_->BindInstance(instance);
      engine_->SetSearchParams(SearchParams{3, 99, kLevelAverageTime, 0, kNoSlot, 1, 1, 1});
      engine_->RefreshRating();
    } else {
      ErrorBox(GetMessageText(msg::M_PROBLEMS_WITH) + " " + path);
    }
  }
  if (!hasEndgame) {
    // The endgame-table module is optional here: without it nothing is said.
    const std::string path = FindInFolder(folder, kEndgameModule);
    if (!path.empty()) {
      if (EngineInstance* instance = LoadModule(path)) {
        engine_->SetSlot(kEndgameSlot, instance);
        engine_->BindInstance(instance);
      } else {
        ErrorBox(GetMessageText(msg::M_PROBLEMS_WITH) + " " + path);
      }
    }
  }
  engine_->MoveReadyLink = CallbackLink::Bind<EngineManager, &EngineManager::OnMoveReady>(this);

  if (books_->Count() == 0 && !defaultBook.empty()) {
    std::filesystem::path path(defaultBook);
    if (path.is_relative() && !Settings().programFolder.empty()) path = Settings().programFolder / path;
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) {
      const int book = books_->AddBookWithOptions(path.string(), BookOptions{0, 2, true, false, false});
      if (BookManager* manager = books_->At(book); book >= 0 && manager != nullptr)
        AttachBookToSession(manager, *engine_);
    } else {
      ErrorBox(GetMessageText(msg::M_NO_OPENINGS_BOOK));
    }
  }
  if (PlayingSettings().friendMode) engine_->SetFunThreshold(static_cast<int16_t>(PlayingSettings().friendLevel));
}

void EngineManager::SaveSetup() {
  if (engine_ == nullptr) return;
  ProfileFile file;
  if (!file.OpenDefault()) return;
  engine_->SaveSetup(file);
  file.Flush();
}

}  // namespace zh

#include "app/ui/zelko_app.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <thread>

#include "analysis/training/training_question.h"
#include "app/analysis_params.h"
#include "app/d3_settings_record.h"
#include "app/app_params.h"
#include "app/language_switch.h"
#include "app/languages.h"
#include "app/locations.h"
#include "app/machine_memory.h"
#include "app/message_file.h"
#include "app/message_ids.h"
#include "app/neighbour_services.h"
#include "app/engine_hooks.h"
#include "app/playing_params.h"
#include "app/shell_hooks.h"
#include "app/ui/delayed_call.h"
#include "app/ui/feedback_dialog.h"
#include "app/ui/logon_dialog.h"
#include "app/ui/message_log.h"
#include "app/ui/widgets/bitmap_manager.h"
#include "board/d3/shading.h"
#include "board/ui/piece_sets.h"
#include "dbwindow/search_mask.h"
#include "app/protocol_file.h"
#include "app/ui/gui_report_inbox.h"
#include "app/ui/qt_services.h"
#include "app/ui/resource_bundle.h"
#include "app/ui/stop_key.h"
#include "app/ui/termination_signals.h"
#include "app/ui/work_window_frame.h"
#include "core/toolbox/random_generator.h"
#include "core/services.h"
#include "core/toolbox/user_folder.h"
#include "database/database.h"
#include "database/database_manager.h"
#include "database/eco_table.h"
#include "engines/engine_manager.h"
#include "engines/engine_query.h"
#include "engines/game/game_manager.h"
#include "text/text_format_info.h"

namespace zh {
namespace {

constexpr const char* kProgramError = "Program error encountered. Closing.";
constexpr const char* kTrap = "Trap";
constexpr int kPlentyOfColours = 65536;
ZelkoApp* gInstance = nullptr;

}  // namespace

ZelkoApp::ZelkoApp(AppStartOptions options) : options_(std::move(options)) {}

ZelkoApp* ZelkoApp::Instance() { return gInstance; }

ZelkoApp::~ZelkoApp() {
  // Services that an exit trap left behind are no longer reachable.
  if (ecoTable_ && CurrentEcoTable() == ecoTable_.get()) SetCurrentEcoTable(nullptr);
  if (databases_ && CurrentDatabaseManager() == databases_.get()) SetCurrentDatabaseManager(nullptr);
  // After a failure while deleting, what is left goes without a trace.
  if (inbox_) inbox_->Inbox().Close();
  ShellHooks& hooks = CurrentHooks();
  if (hooks.gameWindow == gameWindow_.get()) hooks.gameWindow = nullptr;
  if (hooks.dbWindow == dbWindow_.get()) hooks.dbWindow = nullptr;
  if (hooks.currentWindow == current_) hooks.currentWindow = nullptr;
  if (engineHooks_ && hooks.game == engineHooks_.get()) hooks.game = hooksBeforeEngines_;
  InstallDelayedCall(nullptr);
}

// ---- the trace and the service slots ----

void ZelkoApp::Record(const std::string& event) {
  trace_.push_back(event);
  if (options_.trace) options_.trace(event);
}

template <class T, class Make>
void ZelkoApp::Create(const char* name, std::unique_ptr<T>& slot, Make make) {
  Record(std::string("create ") + name);
  slot = make();
}

template <class T>
void ZelkoApp::Delete(const char* name, std::unique_ptr<T>& slot) {
  if (!slot) return;
  Record(std::string("delete ") + name);
  slot.reset();
}

void ZelkoApp::Place(const char* name) {
  Record(std::string("create ") + name);
  placeholders_[name] = std::make_unique<PlaceholderService>(name);
}

void ZelkoApp::Unplace(const char* name) {
  auto it = placeholders_.find(name);
  if (it == placeholders_.end()) return;
  Record(std::string("delete ") + name);
  placeholders_.erase(it);
}

bool ZelkoApp::Has(const char* name) const { return placeholders_.count(name) != 0; }

// ---- Main ----

int ZelkoApp::Main(const QStringList& arguments) {
  // The program path as an absolute path: the program folder is recorded for others.
  std::error_code ec;
  std::filesystem::path given(arguments.isEmpty() ? std::string() : arguments.front().toStdString());
  std::filesystem::path absolute = std::filesystem::weakly_canonical(std::filesystem::absolute(given, ec), ec);
  const std::string programPath = ec ? given.string() : absolute.string();
  programFolder_ = std::filesystem::path(programPath).parent_path().string();
  const std::string dataFolder = programFolder_ + "/data";

  const Services previousServices = CurrentServices();
  const ShellHooks previousHooks = CurrentHooks();
  services_ = std::make_unique<QtServices>();
  previousStatus_ = &Status();
  CurrentServices().status = this;
  if (options_.boxes) CurrentServices().boxes = options_.boxes;
  if (options_.clock) CurrentServices().clock = options_.clock;

  // 1. The resource bundle, before anything else.
  bundle_ = std::make_unique<ResourceBundle>();
  if (!bundle_->Load(dataFolder)) {
    std::cerr << ResourceBundle::kMissingText << '\n';
    ErrorBox(ResourceBundle::kMissingText);
    bundle_.reset();
    services_.reset();
    CurrentServices() = previousServices;
    return 1;
  }

  // 2. The report inbox stands in for the hidden message window; the screen's
  // display changes come from the screen itself.
  inbox_ = std::make_unique<GuiReportInbox>();
  engineWindow_ = inbox_->Inbox().InstallEngineCallback();
  jobs_ = std::make_unique<LongJobs>([this] { services_->Reschedule(); }, [] { CancelWait(); });
  services_->SetJobs(jobs_.get());
  // A termination signal closes the program as the close box does, once it runs.
  termination_ = std::make_unique<TerminationSignals>([this] {
    if (loopRunning_ && frame_) frame_->close();
  });
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen && !options_.screenSize) {
    QObject::connect(screen, &QScreen::geometryChanged, inbox_.get(),
                     [this](const QRect& rect) { OnDisplayChange(rect.size()); });
  }

  gInstance = this;
  const bool feedback = EnableFeedback(true);
  int exitCode = 0;
  try {
    StartUp(programPath);
    RunAfterStartUp();
  } catch (...) {
    loopRunning_ = false;
    ErrorBox(kProgramError);
    exitCode = 2;
  }

  // 13. Save and delete; engine and device reports stop first.
  services_->EnterWait();
  std::this_thread::yield();
  try {
    inbox_->Inbox().Close();
    SaveSettings();
    DeleteServices();
  } catch (...) {
    ErrorBox(kTrap);
    exitCode = 3;
  }
  services_->LeaveWait();
  services_->SetJobs(nullptr);
  termination_.reset();
  bundle_.reset();
  EnableFeedback(feedback);
  gInstance = nullptr;
  CurrentHooks() = previousHooks;
  services_.reset();
  CurrentServices() = previousServices;
  return exitCode;
}

void ZelkoApp::RunAfterStartUp() {
  AppParams& app = *appParams_;
  // 5. First start on this display.
  if (!app.hardware) {
    app.hardware = true;
    if (gameWindow_) gameWindow_->update();
    Pump(), Pump();
  }
  // 6. The user dialog, then the repaints behind it.
  if (app.doLogon || app.life == 1) {
    if (options_.logon)
      options_.logon();
    else
      RunLogonDialog(frame_.get(), app, *playing_);
    if (gameWindow_) gameWindow_->update();
    Pump(), Pump();
  }
  // 7.-9.
  Coach().SetStartCount(app.life);
  if (PhysicalMemoryKb() < kMinimumMemoryKb) ErrorBox("Warning: need 16MB RAM");
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  // 10. Both work windows shown, the game window activated.
  dbWindow_->show();
  gameWindow_->raise();
  SetGameRefreshFlag();
  gameWindow_->show();
  dbWindow_->raise();
  // 11.
  if (playing_->savedOnExit) Game().ReloadSavedGame();
  // 12. The game window ends in front; the loop returns when the frame has closed.
  gameWindow_->raise();
  loopRunning_ = true;
  if (options_.runEventLoop)
    options_.runEventLoop();
  else
    QApplication::exec();
  loopRunning_ = false;
}

// ---- StartUp ----

const std::vector<ZelkoApp::Stage>& ZelkoApp::StartUpStages() {
  static const std::vector<Stage> stages = {
      {1, "basics", &ZelkoApp::CreateBasics},
      {2, "screen", &ZelkoApp::ReadScreen},
      {3, "settings", &ZelkoApp::LoadSettings},
      {4, "friend mode", &ZelkoApp::FriendOnFirstStarts},
      {5, "3D settings", &ZelkoApp::CreateD3Settings},
      {6, "message file", &ZelkoApp::CreateMessageFile},
      {7, "sound effects", &ZelkoApp::CreateSoundEffects},
      {8, "main frame", &ZelkoApp::CreateFrame},
      {9, "media", &ZelkoApp::CreateMedia},
      {10, "colour count", &ZelkoApp::SetColourCount},
      {11, "pictures", &ZelkoApp::CreatePictures},
      {12, "ECO table", &ZelkoApp::CreateEcoTable},
      {13, "engines", &ZelkoApp::CreateEngineManager},
      {14, "hash size", &ZelkoApp::ShowHashSize},
      {15, "system", &ZelkoApp::CreateSystem},
      {16, "graphics", &ZelkoApp::CreateGraphics},
      {17, "colour check", &ZelkoApp::CheckColours},
      {18, "colour line", &ZelkoApp::ShowColours},
      {19, "work windows", &ZelkoApp::CreateWorkWindows},
      {20, "message log parent", &ZelkoApp::ParentMessageLog},
      {21, "dump window", &ZelkoApp::CreateDumpWindow},
      {22, "long jobs", &ZelkoApp::PrepareJobs},
      {23, "help file", &ZelkoApp::SetHelpFile},
      {24, "devices", &ZelkoApp::CreateDevices},
      {25, "start count", &ZelkoApp::CountStart},
      {26, "handle count", &ZelkoApp::SetHandleCount},
      {27, "program folder", &ZelkoApp::RecordProgramFolder},
      {28, "intro music", &ZelkoApp::StartIntroMusic},
  };
  return stages;
}

void ZelkoApp::StartUp(const std::string& programPath) {
  programFolder_ = std::filesystem::path(programPath).parent_path().string();
  for (const Stage& stage : StartUpStages()) (this->*stage.run)();
}

void ZelkoApp::CreateBasics() {
  Create("RandomGenerator", random_, [] { return std::make_unique<RandomGeneratorService>(); });
  Create("DelayedCall", delayedCall_, [] { return std::make_unique<DelayedCall>(); });
  InstallDelayedCall(delayedCall_.get());
  // The log keeps "protocol.txt" in the user folder; without that folder the lines
  // still show.
  std::error_code ec;
  std::filesystem::create_directories(UserConfigFolder(), ec);
  Create("MessageLog", messageLog_, [] {
    return std::make_unique<MessageLog>(nullptr, (UserConfigFolder() / ProtocolFile::kFileName).string());
  });
}

void ZelkoApp::LogLine(std::string_view text) {
  if (messageLog_)
    messageLog_->AddLine(std::string(text));
  else
    previousStatus_->LogLine(text);
}

void ZelkoApp::DumpText(std::string_view text) {
  if (!AddDumpText(std::string(text))) previousStatus_->DumpText(text);
}

QSize ZelkoApp::ScreenSize() const {
  if (options_.screenSize) return *options_.screenSize;
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->size() : QSize(1024, 768);
}

void ZelkoApp::ReadScreen() { displayClass_ = DisplayClassForWidth(ScreenSize().width()); }

template <class T>
void ZelkoApp::LoadRecord(T& record) {
  record.Load();
  loaded_.push_back(&record);
}

void ZelkoApp::LoadSettings() {
  ShellEnvironment env = ShellEnvironment::Detect();
  env.locations = Locations::ForExecutable(programFolder_ + "/ZelkoHome");
  env.screenWidth = ScreenSize().width();
  env.displayClass = displayClass_;
  services_->SetPlaySettings(&play_);
  Create("AppParams", appParams_, [&] { return std::make_unique<AppParams>(env, &play_); });
  LoadRecord(*appParams_);
  services_->SetSettings(&appParams_->Shared());
  Create("PlayingParams", playing_, [&] { return std::make_unique<PlayingParams>(&play_); });
  appParams_->SetPlayingParams(playing_.get());
  Create("AnalysisParams", analysis_,
         [&] { return std::make_unique<AnalysisParams>(appParams_->DefaultReferenceDB()); });
  Create("BlunderCheckParams", blunderCheck_, [] { return std::make_unique<BlunderCheckParams>(); });
  Create("CorrAnalParams", corrAnal_, [] { return std::make_unique<CorrAnalParams>(); });
  Create("TreeParams", tree_, [] { return std::make_unique<TreeParams>(); });
  LoadRecord(*playing_);
  LoadRecord(*analysis_);
  LoadRecord(*blunderCheck_);
  LoadRecord(*corrAnal_);
  LoadRecord(*tree_);
}

void ZelkoApp::FriendOnFirstStarts() {
  if (appParams_->life < 2 && appParams_->hobby) playing_->Play().friendMode = true;
}

void ZelkoApp::CreateD3Settings() {
  Create("D3Settings", d3Settings_, [] { return std::make_unique<D3SettingsRecord>(); });
  LoadRecord(*d3Settings_);
  d3::SetTheD3Settings(&d3Settings_->settings);
  d3::RegisterShadeColors(d3Settings_->settings);
}

void ZelkoApp::CreateMessageFile() {
  Create("MessageFile", texts_, [&] {
    return std::make_unique<ShellTexts>(appParams_->Environment().locations.dataFolder,
                                        appParams_->language);
  });
  services_->SetTexts(texts_.get());
  appParams_->SetPieceLetters();
}

void ZelkoApp::CreateSoundEffects() {
  Record("create SoundEffects");
  Coach().CreateSoundEffects();
  soundEffectsMade_ = true;
  Coach().SetSoundOn(appParams_->sound);
}

void ZelkoApp::CreateFrame() {
  Create("AppWindow", frame_, [&] { return std::make_unique<AppWindow>(*this); });
  services_->SetMainFrame(frame_.get());
  frame_->resize(ScreenSize());
  frame_->show();
  frame_->PrepareBackground(options_.colourCount.value_or(0));
}

void ZelkoApp::CreateMedia() {
  Record("create SoundManager");
  Coach().CreateSoundManager();
  soundManagerMade_ = true;
  Create("VideoPlayer", videoPlayer_, [] { return std::make_unique<VideoPlayer>(); });
  Record("create MusicPlayer");
  Coach().CreateMusicPlayer();
  musicPlayerMade_ = true;
}

void ZelkoApp::SetColourCount() {
  int reported = options_.colourCount.value_or(0);
  colourCount_ = reported < 16 ? kPlentyOfColours : reported;
}

void ZelkoApp::CreatePictures() {
  SetDisplayColourCount(colourCount_);
  Create("PieceSetCache", pieceSets_, [&] { return std::make_unique<PieceSetCache>(colourCount_); });
  SetThePieceSets(pieceSets_.get());
  Create("BitmapManager", bitmaps_, [&] {
    return std::make_unique<BitmapManager>(colourCount_, programFolder_, appParams_->language);
  });
  SetTheBitmapManager(bitmaps_.get());
  Create("TextFormats1", textFormats1_, [] { return std::make_unique<TextFormats>(1); });
  frame_->RepaintNow();
}

void ZelkoApp::CreateEcoTable() {
  frame_->AddBootLine("File ECO.COD ...", 14, false);
  // The table reads its file on first use; a missing file is reported then.
  Create("EcoTable", ecoTable_, [&] {
    const std::string path = JoinPath(appParams_->Environment().locations.dataFolder, kEcoFileName);
    return std::make_unique<EcoTable>(FindPathIgnoringCase(path).value_or(path));
  });
  SetCurrentEcoTable(ecoTable_.get());
  // The names that the message file read from "openings.fms" (a missing file was
  // reported there once); from now on the texts answer from this object.
  Create("OpeningNames", openingNames_, [&] { return std::make_unique<OpeningNames>(texts_->Openings()); });
  texts_->UseOpeningNames(openingNames_.get());
}

void ZelkoApp::CreateEngineManager() {
  frame_->AddBootLine("Engines ...", 14, false);
  Create("EngineManager", engines_, [&] {
    return std::make_unique<EngineManager>(engineWindow_, nullptr, static_cast<uint64_t>(PhysicalMemoryKb()));
  });
  if (options_.enginesFolder) engines_->SetEnginesFolder(*options_.enginesFolder);
  hooksBeforeEngines_ = CurrentHooks().game;
  engineHooks_ = std::make_unique<EngineHooks>(engines_->Table(), engines_.get(), &Game());
  CurrentHooks().game = engineHooks_.get();
  // A quit asked for during an engine wait closes the main frame.
  SetQuitHandler([this] {
    if (frame_) frame_->close();
  });
  Game().LoadDefaultEngine(options_.defaultBook.value_or(appParams_->ResolvePath(appParams_->DefaultBookTree())));
}

void ZelkoApp::DeleteEngineManager() {
  if (!engines_) return;
  if (CurrentHooks().game == engineHooks_.get()) CurrentHooks().game = hooksBeforeEngines_;
  SetQuitHandler(nullptr);
  Delete("EngineManager", engines_);
  engineHooks_.reset();
}

void ZelkoApp::ShowHashSize() {
  frame_->AddBootLine("Hash=" + QString::number(Game().HashSizeKb()) + "kB", 14, false);
}

void ZelkoApp::CreateSystem() {
  frame_->AddBootLine("System ...", 14, false);
  // Games read from here on (the autosave first) carry real training questions.
  InstallTrainingQuestions();
  // The media links of stored texts are read by the text library.
  InstallTextMediaReader();
  Place("Tutor");
  Create("GameManager", gameManager_, [] { return std::make_unique<GameManager>(); });
  Create("TournamentController", tournament_, [] { return std::make_unique<TournamentController>(); });
  Place("TestSetRunner");
  Create("DatabaseManager", databases_, [] { return std::make_unique<DatabaseManager>(); });
  // The searches' mask holds every criterion the search dialogs offer.
  if (databases_) databases_->SetSearchMask(std::make_unique<SearchMask>());
  SetCurrentDatabaseManager(databases_.get());
  Create("EngineProbe", probe_, [] { return std::make_unique<EngineProbe>(); });
  Place("PrintLayout");
}

void ZelkoApp::CreateGraphics() {
  frame_->AddBootLine("Graphics ...", 14, false);
  Create("TextFormats2", textFormats2_, [] { return std::make_unique<TextFormats>(2); });
  Place("Marker");
  Create("EloList", eloList_, [] { return std::make_unique<EloList>(); });
}

void ZelkoApp::CheckColours() {
  if (colourCount_ > 256) return;
  if (appParams_->life < 2) WarningBox("Program needs High Color graphics\n(16Bit or 65535 colors)");
  appParams_->zelko4Board = colourCount_ < 256;
}

void ZelkoApp::ShowColours() {
  QString line = QString::number(colourCount_) + " colors";
  if (colourCount_ <= 256) line += " (please increase!)";
  frame_->AddBootLine(line, 14, true);
}

std::unique_ptr<WorkWindowFrame> ZelkoApp::MakeWorkWindow(const char* suffix) {
  auto window = std::make_unique<WorkWindowFrame>(frame_.get(), QStringLiteral("Zelko") + suffix);
  window->setGeometry(QRect(QPoint(0, 0), appParams_->sizeToFrame ? frame_->size() : ScreenSize()));
  return window;
}

void ZelkoApp::CreateWorkWindows() {
  frame_->AddBootLine("Game window...", 14, false);
  Create("GameWindow", gameWindow_, [&] { return MakeWorkWindow("- Board"); });
  Create("DBWindow", dbWindow_, [&] { return MakeWorkWindow("- DB"); });
  CurrentHooks().gameWindow = gameWindow_.get();
  CurrentHooks().dbWindow = dbWindow_.get();
}

void ZelkoApp::ParentMessageLog() { messageLog_->SetParent(dbWindow_.get()); }

void ZelkoApp::CreateDumpWindow() {
  Record("create DumpWindow");
  zh::CreateDumpWindow(nullptr, QString::fromStdString(GetMessageText(msg::M_INTERNAL_MESSAGES)), ScreenSize());
  // Long jobs show their progress over the current work window from now on.
  feedback_ = std::make_unique<FeedbackService>(
      FeedbackService::Hooks{[this] { return static_cast<QWidget*>(current_); },
                             [this] { return static_cast<QWidget*>(frame_.get()); },
                             [this] { return current_ != nullptr && current_ == dbWindow_.get(); }},
      jobs_.get(), QString::fromStdString(appParams_->arialFontName));
  previousProgress_ = CurrentServices().progress;
  CurrentServices().progress = feedback_.get();
  current_ = gameWindow_.get();
  CurrentHooks().currentWindow = current_;
}

void ZelkoApp::PrepareJobs() {
  ShowGameWindow();
  jobs_->Reset();
  Create("StopAccelerator", stopKey_, [&] { return std::make_unique<StopKey>([this] { jobs_->OnStopKey(); }); });
}

void ZelkoApp::SetHelpFile() { helpFolder_ = CurrentHelpFolder(*appParams_); }

void ZelkoApp::CreateDevices() {
  frame_->AddBootLine("Devices ...", 14, false);
  Place("DeviceManager");
  Place("Chatter");
}

void ZelkoApp::CountStart() { ++appParams_->life; }

// Open files are not limited here.
void ZelkoApp::SetHandleCount() {}

void ZelkoApp::RecordProgramFolder() {
  std::error_code ec;
  std::filesystem::create_directories(UserConfigFolder(), ec);
  WriteProgramFolder(UserConfigFolder().string(), programFolder_);
}

void ZelkoApp::StartIntroMusic() {
  if (!appParams_->doLogon && appParams_->music && !appParams_->cantus) Coach().PlayRandomIntro();
}

// ---- exit ----

void ZelkoApp::SaveSettings() {
  auto loaded = [&](const Params* record) {
    return record && std::find(loaded_.begin(), loaded_.end(), record) != loaded_.end();
  };
  if (loaded(playing_.get())) {
    playing_->highPriority = false;
    playing_->Play().countClock = true;
    playing_->KeepModeFlags();
  }
  // Without a game manager there is no game to save.
  if (gameManager_) {
    bool saved = Game().AutosaveGame();
    if (playing_) playing_->savedOnExit = saved;
  }
  // Only records that finished loading are written: a record that is missing, or
  // holds defaults or half a file, would overwrite the user's settings.
  std::error_code ec;
  if (!loaded_.empty()) std::filesystem::create_directories(UserConfigFolder(), ec);
  const Params* order[] = {appParams_.get(), playing_.get(), analysis_.get(),
                           blunderCheck_.get(), corrAnal_.get(), tree_.get(),
                           d3Settings_.get()};
  for (const Params* record : order)
    if (loaded(record)) const_cast<Params*>(record)->Save();
}

void ZelkoApp::DeleteServices() {
  Unplace("DeviceManager");
  if (TheDumpWindow()) {
    Record("delete DumpWindow");
    DeleteDumpWindow();
  }
  if (feedback_) {
    CurrentServices().progress = previousProgress_;
    feedback_.reset();
  }
  Unplace("PrintLayout");
  if (messageLog_) messageLog_->CloseAll();
  Delete("MessageLog", messageLog_);
  Unplace("Tutor");
  SetTheBitmapManager(nullptr);
  Delete("BitmapManager", bitmaps_);
  Delete("TextFormats1", textFormats1_);
  Delete("TournamentController", tournament_);
  Delete("GameManager", gameManager_);
  Unplace("TestSetRunner");
  CurrentHooks().currentWindow = nullptr;
  current_ = nullptr;
  CurrentHooks().dbWindow = nullptr;
  Delete("DBWindow", dbWindow_);
  CurrentHooks().gameWindow = nullptr;
  Delete("GameWindow", gameWindow_);
  services_->SetMainFrame(nullptr);
  Delete("AppWindow", frame_);
  DeleteEngineManager();
  if (databases_) SetCurrentDatabaseManager(nullptr);
  Delete("DatabaseManager", databases_);
  services_->SetSettings(nullptr);
  Delete("AppParams", appParams_);
  Delete("PlayingParams", playing_);
  Delete("AnalysisParams", analysis_);
  Delete("BlunderCheckParams", blunderCheck_);
  Delete("CorrAnalParams", corrAnal_);
  Delete("TreeParams", tree_);
  loaded_.clear();
  Unplace("Chatter");
  if (soundEffectsMade_) {
    Record("delete SoundEffects");
    Coach().DeleteSoundEffects();
    soundEffectsMade_ = false;
  }
  if (musicPlayerMade_) {
    Record("delete MusicPlayer");
    Coach().DeleteMusicPlayer();
    musicPlayerMade_ = false;
  }
  Delete("StopAccelerator", stopKey_);
  services_->SetTexts(nullptr);
  Delete("MessageFile", texts_);
  if (ecoTable_) SetCurrentEcoTable(nullptr);
  Delete("EcoTable", ecoTable_);
  Delete("OpeningNames", openingNames_);
  Delete("TextFormats2", textFormats2_);
  Unplace("Marker");
  Delete("EloList", eloList_);
  if (soundManagerMade_) {
    Record("delete SoundManager");
    Coach().ShutdownSound();
    soundManagerMade_ = false;
  }
  Delete("VideoPlayer", videoPlayer_);
  Delete("EngineProbe", probe_);
  if (d3Settings_) d3::SetTheD3Settings(nullptr);
  Delete("D3Settings", d3Settings_);
  SetThePieceSets(nullptr);
  Delete("PieceSetCache", pieceSets_);
  InstallDelayedCall(nullptr);
  Delete("DelayedCall", delayedCall_);
  Delete("RandomGenerator", random_);
}

void ZelkoApp::Pump() {
  if (options_.pump) {
    options_.pump();
    return;
  }
  // Waits for events, but never longer than a short while.
  QTimer wake;
  wake.setSingleShot(true);
  wake.start(20);
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void ZelkoApp::PrepareClose() {
  if (closePrepared_) return;
  closePrepared_ = true;
  ApplicationFlags().quitRequested = 1;
  WaitCursor wait;
  if (Has("DeviceManager")) Game().CloseDevices();
  if (engines_) {
    Game().SaveEngineSetup();
    Game().ReleaseAllEngines();
  }
  if (!Game().HasEngineTable()) return;
  // Engines end through their reports; give up after the wait's own deadline.
  const uint64_t start = Clock().TicksMs();
  while (!Game().AllEnginesGone() && Clock().TicksMs() - start <= kCloseWaitMs) Pump();
}

// ---- services of the GUI thread ----

QWidget* ZelkoApp::CurrentWorkWindow() { return current_; }

void ZelkoApp::SetGameRefreshFlag() {
  if (gameWindow_) gameWindow_->refreshOnActivate = true;
}

int64_t ZelkoApp::PhysicalMemoryKb() {
  return options_.physicalMemoryKb.value_or(ReadMemoryInfo().totalKb);
}

int64_t ZelkoApp::FreeMemoryKb() { return ReadMemoryInfo().availableKb; }

ReportInbox& ZelkoApp::Inbox() { return inbox_->Inbox(); }

void ZelkoApp::OnDisplayChange(QSize size) {
  if (!loopRunning_ || !appParams_) return;
  if (size.width() == appParams_->screenWidth) return;
  appParams_->screenWidth = static_cast<int16_t>(size.width());
  displayClass_ = DisplayClassForWidth(size.width());
  if (gameWindow_) gameWindow_->Repaint();
  if (frame_) frame_->show();
  for (WorkWindowFrame* window : {gameWindow_.get(), dbWindow_.get()})
    if (window) window->setGeometry(QRect(QPoint(0, 0), size));
}

void ZelkoApp::OnPlaybackNotice() {
  Coach().SoundManagerNotice();
  Coach().MusicPlayerNotice();
}

void ZelkoApp::ShowGameWindow() {
  if (!gameWindow_) return;
  gameWindow_->raise();
  guiPriority_ = "normal";
  current_ = gameWindow_.get();
  CurrentHooks().currentWindow = current_;
}

void ZelkoApp::ShowDBWindow() {
  if (!dbWindow_) return;
  dbWindow_->raise();
  if (playing_ && playing_->highPriority) guiPriority_ = "highest";
  current_ = dbWindow_.get();
  CurrentHooks().currentWindow = current_;
}

void ZelkoApp::ShowStatusMessage(std::string_view text) {
  if (current_ && current_ == gameWindow_.get())
    gameWindow_->ShowStatusText(text);
  else if (dbWindow_)
    dbWindow_->ShowStatusText(text);
}

void ZelkoApp::RefreshDatabaseList(std::string_view database) {
  if (dbWindow_) dbWindow_->RefreshIfShowing(database);
}

void ZelkoApp::SetWorkWindowsFlag(uint8_t value) {
  if (!loopRunning_) return;
  for (WorkWindowFrame* window : {gameWindow_.get(), dbWindow_.get()})
    if (window) window->workFlag = value;
}

void ZelkoApp::PauseCallback() {
  if (loopRunning_) WaitMs(500);
}

void ZelkoApp::ShowLastError() { ErrorBox(std::strerror(errno)); }

void ZelkoApp::ErrorBoxEx(std::string_view text, int32_t) { ErrorBox(text); }

int ZelkoApp::GetProcessorCount() {
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

void ZelkoApp::OpenHomePage() {
  // The program's own about page, in German for language 1, else in English.
  const bool german = appParams_ && appParams_->language == 1;
  std::string folder = zh::HelpFolder(programFolder_ + "/data", german ? "ZK_D.HLP" : "ZK_E.HLP");
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder + "/about.html"))))
    ShowLastError();
}

}  // namespace zh

// The application object: loads the resource bundle, creates every global service
// in the start-up order while the main frame shows the boot lines, runs the event
// loop, and at exit saves the settings and deletes the services in their own order.
// It also offers the GUI-thread services: report dispatch, the long job, boxes,
// work-window switching and display changes.
#pragma once

#include <QSize>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/long_jobs.h"
#include "app/ui/app_window.h"
#include "core/services.h"

namespace zh {

class AppParams;
class PlayingParams;
class AnalysisParams;
class BlunderCheckParams;
class CorrAnalParams;
class TreeParams;
class D3SettingsRecord;
class Params;
class ShellTexts;
class OpeningNames;
class EcoTable;
class DatabaseManager;
class QtServices;
class DelayedCall;
class RandomGeneratorService;
class PlaceholderService;
class EngineManager;
class EngineProbe;
class EngineHooks;
class GameHooks;
class TextFormats;
class VideoPlayer;
class EloList;
class TournamentController;
class GameManager;
class WorkWindowFrame;
class GuiReportInbox;
class ReportInbox;
class StopKey;
class TerminationSignals;
class ResourceBundle;
class ClockService;
class MessageBoxService;
class MessageLog;
class BitmapManager;
class PieceSets;
class FeedbackService;
class ProgressService;

// What the machine and the caller give the program; tests inject every entry.
struct AppStartOptions {
  std::optional<QSize> screenSize;      // default: the primary screen
  std::optional<int> colourCount;       // default: 0, what a true-colour screen reports
  std::optional<int64_t> physicalMemoryKb;  // default: /proc/meminfo
  ClockService* clock = nullptr;        // default: the installed clock
  MessageBoxService* boxes = nullptr;   // default: Qt boxes over the main frame
  // One pass of the close wait's event pump; default: GUI events, waiting briefly.
  std::function<void()> pump;
  // The event loop; returns when the main frame has closed. Default: QApplication::exec.
  std::function<int()> runEventLoop;
  // The user dialog of a first start (or when asked at every start); default: the
  // modal dialog over the main frame. Tests script it here.
  std::function<bool()> logon;
  // The folder the default engine is looked for in; default: the engines folder.
  std::optional<std::string> enginesFolder;
  // The default opening book; default: the settings' one (empty: none).
  std::optional<std::string> defaultBook;
  // Sees every "create <name>" and "delete <name>" before it happens.
  std::function<void(const std::string&)> trace;
};

// Also the status service: status lines go to the current work window.
class ZelkoApp final : public FrameOwner, public StatusService {
 public:
  static constexpr int kCloseWaitMs = 9999;
  static constexpr int64_t kMinimumMemoryKb = 14000;

  explicit ZelkoApp(AppStartOptions options = {});
  ~ZelkoApp() override;
  ZelkoApp(const ZelkoApp&) = delete;
  ZelkoApp& operator=(const ZelkoApp&) = delete;

  // The whole life of the program: the program path first. The exit code.
  int Main(const QStringList& arguments);
  // The application object while its Main runs, else null.
  static ZelkoApp* Instance();

  void StartUp(const std::string& programPath);
  void SaveSettings();
  void DeleteServices();
  void PrepareClose() override;

  // The start-up steps in their order, each with its name.
  struct Stage {
    int step;
    const char* name;
    void (ZelkoApp::*run)();
  };
  static const std::vector<Stage>& StartUpStages();
  // Every "create <name>" and "delete <name>" so far.
  const std::vector<std::string>& Trace() const { return trace_; }

  // Services of the GUI thread.
  bool IsLoopRunning() const override { return loopRunning_; }
  QWidget* CurrentWorkWindow() override;
  void SetGameRefreshFlag() override;
  int64_t PhysicalMemoryKb() override;
  int64_t FreeMemoryKb();
  LongJobs& Jobs() { return *jobs_; }
  ReportInbox& Inbox();
  void OnDisplayChange(QSize size);
  void OnPlaybackNotice();
  void ShowGameWindow();
  void ShowDBWindow();
  void ShowStatusMessage(std::string_view text);
  void RefreshDatabaseList(std::string_view database);
  void SetWorkWindowsFlag(uint8_t value);
  void PauseCallback();
  void ShowLastError();
  // The error box; the second argument is not used.
  void ErrorBoxEx(std::string_view text, int32_t unused);
  static int GetProcessorCount();
  void OpenHomePage();

  void ShowStatus(std::string_view text) override { ShowStatusMessage(text); }
  // Technical lines go to the message log, dump lines to the dump window, once
  // they exist.
  void LogLine(std::string_view text) override;
  void DumpText(std::string_view text) override;
  MessageLog* Log() { return messageLog_.get(); }
  BitmapManager* Bitmaps() { return bitmaps_.get(); }
  PieceSets* Pieces() { return pieceSets_.get(); }
  FeedbackService* Feedback() { return feedback_.get(); }

  AppWindow* Frame() { return frame_.get(); }
  WorkWindowFrame* GameWindow() { return gameWindow_.get(); }
  WorkWindowFrame* DBWindow() { return dbWindow_.get(); }
  AppParams* App() { return appParams_.get(); }
  PlayingParams* Playing() { return playing_.get(); }
  // The 3D view settings that every 3D board shares.
  D3SettingsRecord* D3Settings() { return d3Settings_.get(); }
  int ColourCount() const { return colourCount_; }
  int DisplayClass() const { return displayClass_; }
  const std::string& ProgramFolder() const { return programFolder_; }
  const std::string& HelpFolder() const { return helpFolder_; }
  // "normal" or "highest": the priority the GUI thread would run at.
  const char* GuiPriority() const { return guiPriority_; }

 private:
  // Start-up steps.
  void CreateBasics();
  void ReadScreen();
  void LoadSettings();
  void FriendOnFirstStarts();
  void CreateD3Settings();
  void CreateMessageFile();
  void CreateSoundEffects();
  void CreateFrame();
  void CreateMedia();
  void SetColourCount();
  void CreatePictures();
  void CreateEcoTable();
  void CreateEngineManager();
  void DeleteEngineManager();
  void ShowHashSize();
  void CreateSystem();
  void CreateGraphics();
  void CheckColours();
  void ShowColours();
  void CreateWorkWindows();
  void ParentMessageLog();
  void CreateDumpWindow();
  void PrepareJobs();
  void SetHelpFile();
  void CreateDevices();
  void CountStart();
  void SetHandleCount();
  void RecordProgramFolder();
  void StartIntroMusic();

  void RunAfterStartUp();
  void Record(const std::string& event);
  template <class T, class Make>
  void Create(const char* name, std::unique_ptr<T>& slot, Make make);
  template <class T>
  void Delete(const char* name, std::unique_ptr<T>& slot);
  void Place(const char* name);
  void Unplace(const char* name);
  bool Has(const char* name) const;
  std::unique_ptr<WorkWindowFrame> MakeWorkWindow(const char* suffix);
  void Pump();
  QSize ScreenSize() const;
  template <class T>
  void LoadRecord(T& record);

  AppStartOptions options_;
  std::vector<std::string> trace_;
  std::unique_ptr<QtServices> services_;
  std::unique_ptr<ResourceBundle> bundle_;
  std::unique_ptr<GuiReportInbox> inbox_;
  std::unique_ptr<LongJobs> jobs_;
  std::unique_ptr<TerminationSignals> termination_;
  std::unique_ptr<MessageLog> messageLog_;
  std::unique_ptr<BitmapManager> bitmaps_;
  std::unique_ptr<PieceSets> pieceSets_;
  std::unique_ptr<FeedbackService> feedback_;

  std::unique_ptr<RandomGeneratorService> random_;
  std::unique_ptr<DelayedCall> delayedCall_;
  // The playing fields that both settings groups keep, registered among the services.
  PlaySettings play_;
  std::unique_ptr<AppParams> appParams_;
  std::unique_ptr<PlayingParams> playing_;
  std::unique_ptr<AnalysisParams> analysis_;
  std::unique_ptr<BlunderCheckParams> blunderCheck_;
  std::unique_ptr<CorrAnalParams> corrAnal_;
  std::unique_ptr<TreeParams> tree_;
  std::unique_ptr<D3SettingsRecord> d3Settings_;
  std::vector<const Params*> loaded_;  // records whose Load finished
  std::unique_ptr<ShellTexts> texts_;
  std::unique_ptr<EcoTable> ecoTable_;
  std::unique_ptr<OpeningNames> openingNames_;
  std::unique_ptr<DatabaseManager> databases_;
  std::unique_ptr<VideoPlayer> videoPlayer_;
  std::unique_ptr<TextFormats> textFormats1_;
  std::unique_ptr<TextFormats> textFormats2_;
  std::unique_ptr<TournamentController> tournament_;
  std::unique_ptr<GameManager> gameManager_;
  std::unique_ptr<EloList> eloList_;
  std::unique_ptr<StopKey> stopKey_;
  std::map<std::string, std::unique_ptr<PlaceholderService>> placeholders_;
  // The engine side: the manager, its hooks over the hooks installed before, the probe.
  int32_t engineWindow_ = 0;
  std::unique_ptr<EngineManager> engines_;
  std::unique_ptr<EngineHooks> engineHooks_;
  GameHooks* hooksBeforeEngines_ = nullptr;
  std::unique_ptr<EngineProbe> probe_;
  // The board sounds and the sound manager live behind the coach hooks.
  bool soundEffectsMade_ = false;
  bool soundManagerMade_ = false;
  bool musicPlayerMade_ = false;
  // The frame before its children, so that the children go first.
  std::unique_ptr<AppWindow> frame_;
  std::unique_ptr<WorkWindowFrame> gameWindow_;
  std::unique_ptr<WorkWindowFrame> dbWindow_;

  WorkWindowFrame* current_ = nullptr;
  StatusService* previousStatus_ = nullptr;  // log and dump until their windows exist
  ProgressService* previousProgress_ = nullptr;
  std::string programFolder_;
  std::string helpFolder_;
  int colourCount_ = 0;
  int displayClass_ = 0;
  bool loopRunning_ = false;
  bool closePrepared_ = false;
  const char* guiPriority_ = "normal";
};

}  // namespace zh

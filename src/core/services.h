// Services that the Qt-free code of the program calls to reach the user interface,
// the settings and the system. The shell installs real implementations at start;
// until then (and in tests that install nothing) every call goes to a null
// implementation that shows nothing and gives the neutral answer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zh {

// Modal boxes over the main window.
class MessageBoxService {
 public:
  virtual ~MessageBoxService() = default;
  virtual void ErrorBox(std::string_view text) = 0;
  virtual void WarningBox(std::string_view text) = 0;
  // True for OK / Yes.
  virtual bool AskOkCancel(std::string_view text) = 0;
  virtual bool AskYesNo(std::string_view text) = 0;
  // The system's short warning sound.
  virtual void Beep() {}
};

// The program's one progress dialog with a Stop button. The heading counter and the
// stop flag belong to the service and outlive the dialog.
class ProgressService {
 public:
  virtual ~ProgressService() = default;
  // Opens with the application's title; resets the heading counter and the stop flag.
  virtual void Open() = 0;
  // Opens a dialog for `total` items over the current work window, centred at the
  // top of the screen when asked; heading counter and stop flag stay as they are.
  virtual void OpenFeedback(int64_t total, bool centred) = 0;
  // Whether an OpenFeedbackIfEnabled dialog is to be centred (the database window
  // is the current work window).
  virtual bool CentreFeedback() { return false; }
  virtual void SetTitle(std::string_view title) = 0;
  // Shows "<n>. " + text as the next numbered line; count is the range of its counter.
  virtual void AddLine(std::string_view text, int64_t count) = 0;
  virtual void SetCount(int64_t count) = 0;
  virtual void Step(int64_t n) = 0;
  // Fills the bar, handles the pending events once; true when Stop was pressed.
  virtual bool PollFeedback() = 0;
  // True once Stop was pressed, until the next Open or AddLine.
  virtual bool IsFeedbackStopped() = 0;
  virtual void Close() = 0;
};

// Status line, technical message log and the debug dump window.
class StatusService {
 public:
  virtual ~StatusService() = default;
  // An empty text clears the status line.
  virtual void ShowStatus(std::string_view text) = 0;
  // One line of the technical message list and its protocol file.
  virtual void LogLine(std::string_view text) = 0;
  // One line of the debug dump window, when that window exists.
  virtual void DumpText(std::string_view text) = 0;
};

// The application's wait pointer, event processing and its one long-running job.
class AppService {
 public:
  virtual ~AppService() = default;
  virtual void SetWaitCursor(bool on) = 0;
  // Lets the GUI process pending events once.
  virtual void Reschedule() = 0;
  // True while input events wait.
  virtual bool IsInputPending() = 0;
  // Starts the one long job; false (after telling the user) when another one runs.
  virtual bool BeginProcess(std::string_view name) = 0;
  virtual void EndProcess() = 0;
  // Processes pending events; true when the running job is to stop.
  virtual bool ProcessShouldStop() = 0;
  // Lets the pending events run, then waits for the next one for at most maxMs and
  // lets it run. Without a GUI it returns at once.
  virtual void WaitForEvents(int32_t maxMs) { (void)maxMs; }
  // True while the application's event loop runs.
  virtual bool IsEventLoopRunning() { return false; }
};

// Bytes of the application object that Qt-free code reads and sets on the GUI thread.
struct AppFlags {
  uint8_t quitRequested = 0;  // set when the user closes the program
  uint8_t queryRunning = 0;   // 1 while an engine query waits
};
AppFlags& ApplicationFlags();
// A timer of the GUI thread. Start fires once after `ms` (a running timer starts
// again), StartPeriodic every `ms` until stopped. Deleting the timer stops it; its
// handler may restart, stop or delete its own timer.
class Timer {
 public:
  virtual ~Timer() = default;
  virtual void Start(int32_t ms) = 0;
  virtual void StartPeriodic(int32_t ms) = 0;
  virtual void Stop() = 0;
  virtual bool IsActive() const = 0;
};

// Makes timers; the null service makes timers that never fire.
class TimerService {
 public:
  virtual ~TimerService() = default;
  virtual std::unique_ptr<Timer> MakeTimer(std::function<void()> handler) = 0;
};

// Message texts by number from the loaded message files.
class TextService {
 public:
  virtual ~TextService() = default;
  // The text, or "NOTEXT" for an unknown number.
  virtual std::string GetMessageText(int id) = 0;
};

// Steady ticks and wall time.
class ClockService {
 public:
  virtual ~ClockService() = default;
  virtual uint64_t TicksMs() = 0;
  // Seconds since the epoch.
  virtual int64_t WallTime() = 0;
};

// Source of random numbers for code that must not own a generator.
class RandomService {
 public:
  virtual ~RandomService() = default;
  virtual uint32_t Next() = 0;
};

// Hands a call to the GUI thread: a queued call in the shell. Any thread may post;
// the call runs later on the GUI thread. The default runs it at once, on the caller.
class PosterService {
 public:
  virtual ~PosterService() = default;
  virtual void Post(std::function<void()> call) = 0;
};

// The modal list selection dialog: a title and lines of text, the first line selected.
class ListDialogService {
 public:
  virtual ~ListDialogService() = default;
  // The index of the line chosen with OK; -1 for Cancel or an empty list.
  virtual int32_t ListDialog(std::string_view title, const std::vector<std::string>& lines) = 0;
};

// One open or save question with filters.
struct FileDialogRequest {
  // Style bits: low 16 bits 2 = save dialog; bit 8 multi-select (open); bit 9 no
  // overwrite question (save); bit 10 share-aware.
  static constexpr int32_t kSave = 2;
  static constexpr int32_t kMultiSelect = 0x100;
  static constexpr int32_t kNoOverwritePrompt = 0x200;
  static constexpr int32_t kShareAware = 0x400;

  int32_t style = 0;
  std::string title;
  std::string fileName;    // the proposed name (at most 2,000 characters are used)
  std::string initialDir;  // where the dialog starts
  std::vector<std::pair<std::string, std::string>> filters;  // description, pattern
  std::string defaultExtension;  // without the dot; added to a chosen name without one
  bool IsSave() const { return (style & 0xFFFF) == kSave; }
};

struct FileDialogAnswer {
  bool ok = false;            // the user chose a file
  std::string path;           // the chosen path in full form
  int32_t filterIndex = 0;    // 1-based index of the chosen filter, 0 for none
  std::string filterPattern;  // the pattern of that filter as the caller passed it
  bool selectionChanged = false;
};

class FileDialogService {
 public:
  virtual ~FileDialogService() = default;
  virtual FileDialogAnswer RunFileDialog(const FileDialogRequest& request) = 0;
};

// Display-language choice for texts held in several languages.
struct DisplayLanguages {
  int32_t first = 0;
  int32_t second = 0;
  int32_t mode = 0;  // 1 show the second language always, 2 show all languages
};

// The fields of the "Tree" settings group; the tree book and the tree read them.
struct TreeSettings {
  bool inclVars = false;
  bool ecoLength = true;
  int16_t length = 20;
  bool stats = true;
  bool white = false;
  bool black = false;
  bool wins = false;
  bool player = true;
  std::string name = "Zelko";
  bool useMarks = false;
  bool losses = false;
  int16_t factStat = 100;
  int16_t factLearn = 500;
  int16_t statWidth = 220;
  bool transpositions = false;
  bool retroMoves = false;
  bool elos = true;
  bool bottomWin = false;
  int16_t sort = 0;
  uint32_t minGames = 2;
};

// The fields of the general settings record that the Qt-free code reads.
struct AppSettings {
  std::string databaseFolder;
  std::string lastOpenFolder;
  std::string archiveFolder;
  std::string autosaveDatabase;
  std::string engineMatchDatabase;
  std::string engineTournamentDatabase;
  int32_t titleLanguage = 0;
  DisplayLanguages displayLanguages;
  bool cutTournamentTitles = false;
  bool recogniseSources = false;
  int32_t keyNodeCacheLimit = 0;
  int16_t mergeSettings[3] = {0, 0, 0};
  std::string programFolder;
  // Resolves a data file of the program (path, name) against its default and
  // alternative locations; unset: the path as given.
  std::function<std::string(const std::string& path, const std::string& name)> findDataFile;
};

// The fields of the "Playing" and "General" settings groups that engine control and
// game play read and write. The settings groups keep their values here (one copy); the
// program registers the record among the services.
struct PlaySettings {
  struct ModeFlags {
    bool blitz = false, fourth = false, tourn = false, friendMode = false;
  };
  // "Playing": the four mode flags ("Blitz", the tactics-quiz mode, "Tourn", "Friend")
  // and their start-up copies.
  bool blitz = false;
  bool quizMode = false;
  bool tourn = false;
  bool friendMode = false;
  ModeFlags startModes;
  // Think times go into the clock only while it is set (not stored).
  bool countClock = true;
  // "Playing": the resign setting (1, 2, other: never), the blunder threshold of the
  // evaluation watch, the number of lines of the analysis, the conference mode.
  uint32_t resign = 1;
  int16_t blunderThresh = 80;
  int16_t nLines = 2;
  bool conference = false;
  // The strength of friend mode, from the friend games so far (not stored).
  int32_t friendLevel = 0;
  // Set while the game window analyses (not stored).
  uint8_t analysisMode = 0;
  // "General": the opening name shown when the book answers, the data drive letter.
  bool ecoDisplay = false;
  std::string cdDrive = "x";
};

// Every service the Qt-free code can reach. A null pointer means "not installed"
// and falls back to the null implementation.
struct Services {
  MessageBoxService* boxes = nullptr;
  ProgressService* progress = nullptr;
  StatusService* status = nullptr;
  AppService* app = nullptr;
  TextService* texts = nullptr;
  ClockService* clock = nullptr;
  RandomService* random = nullptr;
  AppSettings* settings = nullptr;
  PlaySettings* play = nullptr;
  PosterService* poster = nullptr;
  ListDialogService* lists = nullptr;
  TimerService* timers = nullptr;
  FileDialogService* fileDialogs = nullptr;
};

// The process-wide registry. Unset entries answer with the null implementations.
Services& CurrentServices();
MessageBoxService& Boxes();
ProgressService& Progress();
StatusService& Status();
AppService& App();
TextService& Texts();
ClockService& Clock();
RandomService& Random();
AppSettings& Settings();
PlaySettings& PlayingSettings();
PosterService& Poster();
ListDialogService& Lists();
TimerService& Timers();
FileDialogService& FileDialogs();
inline FileDialogAnswer RunFileDialog(const FileDialogRequest& request) {
  return FileDialogs().RunFileDialog(request);
}
// The data-file search of the settings, or `path` when none is installed.
std::string SearchDataFile(const std::string& path, const std::string& name);

// Installs services for the lifetime of the guard, then restores the previous set.
// Only the non-null entries of `installed` replace the current ones.
class ScopedServices {
 public:
  explicit ScopedServices(const Services& installed);
  ~ScopedServices();
  ScopedServices(const ScopedServices&) = delete;
  ScopedServices& operator=(const ScopedServices&) = delete;

 private:
  Services previous_;
};

// Forwarders in the names the rest of the program uses.
inline void ErrorBox(std::string_view text) { Boxes().ErrorBox(text); }
inline void WarningBox(std::string_view text) { Boxes().WarningBox(text); }
inline bool AskOkCancel(std::string_view text) { return Boxes().AskOkCancel(text); }
inline void Beep() { Boxes().Beep(); }
inline bool AskYesNo(std::string_view text) { return Boxes().AskYesNo(text); }
inline void ShowStatusMessage(std::string_view text) { Status().ShowStatus(text); }
inline void LogLine(std::string_view text) { Status().LogLine(text); }
inline void DumpText(std::string_view text) { Status().DumpText(text); }
inline void Reschedule() { App().Reschedule(); }
inline bool IsInputPending() { return App().IsInputPending(); }
inline bool BeginProcess(std::string_view name) { return App().BeginProcess(name); }
inline void EndProcess() { App().EndProcess(); }
inline bool ProcessShouldStop() { return App().ProcessShouldStop(); }
inline int32_t ListDialog(std::string_view title, const std::vector<std::string>& lines) {
  return Lists().ListDialog(title, lines);
}

// Internal consistency check: text, source path and line on three lines in an error
// box; the caller carries on.
void ReportInconsistency(std::string_view text, std::string_view sourcePath, int line);

// Message texts.
std::string GetMessageText(int id);
// Case modes of GetMessageTextPlain.
enum class TextCase { Keep = 0, Lower = 1, Upper = 2 };
// The text without its '~' mnemonic marks; ASCII letters folded by `mode`.
std::string GetMessageTextPlain(int id, TextCase mode = TextCase::Keep);
inline constexpr std::string_view kNoText = "NOTEXT";

// Progress dialog driven by free operations.
void OpenFeedbackDefault();
void SetFeedbackTitle(std::string_view title);
void OpenFeedback(int64_t total, bool centred);
void AddFeedbackLine(std::string_view text, int64_t count);
void SetFeedbackCount(int64_t count);
void StepFeedback(int64_t n);
bool PollFeedback();
bool IsFeedbackStopped();
void CloseFeedback();

// Global progress feedback switch: the *IfEnabled operations do nothing while it is off.
bool EnableFeedback(bool on);
bool IsFeedbackEnabled();
// Opens the dialog for `total` items, centred when the database window is current.
void OpenFeedbackIfEnabled(int64_t total, int mode);
void StepFeedbackIfEnabled(int64_t n);
// True when Stop was pressed.
bool CloseFeedbackIfEnabled();

// Nesting wait pointer: the pointer shows while any guard lives.
class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
  static int Depth();
};

// An object-and-function pair; calling it with either half unset does nothing.
// The argument carries pointers as well as numbers.
class CallbackLink {
 public:
  using Function = int32_t (*)(void* object, std::intptr_t argument);

  CallbackLink() = default;
  CallbackLink(void* object, Function function) : object_(object), function_(function) {}

  // Binds a member function `int32_t T::F(std::intptr_t)`.
  template <class T, int32_t (T::*F)(std::intptr_t)>
  static CallbackLink Bind(T* object) {
    return CallbackLink(object,
                        [](void* o, std::intptr_t a) { return (static_cast<T*>(o)->*F)(a); });
  }

  bool IsSet() const { return object_ != nullptr && function_ != nullptr; }
  void Clear() { object_ = nullptr, function_ = nullptr; }
  // The function's answer, or 0 when the link is not set.
  int32_t Call(std::intptr_t argument) const { return IsSet() ? function_(object_, argument) : 0; }

  bool operator==(const CallbackLink&) const = default;

 private:
  void* object_ = nullptr;
  Function function_ = nullptr;
};

}  // namespace zh

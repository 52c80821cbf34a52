#include "core/services.h"

#include <chrono>
#include <random>

namespace zh {
namespace {

class NullBoxes final : public MessageBoxService {
 public:
  void ErrorBox(std::string_view) override {}
  void WarningBox(std::string_view) override {}
  bool AskOkCancel(std::string_view) override { return false; }
  bool AskYesNo(std::string_view) override { return false; }
};

class NullProgress final : public ProgressService {
 public:
  void Open() override {}
  void OpenFeedback(int64_t, bool) override {}
  void SetTitle(std::string_view) override {}
  void AddLine(std::string_view, int64_t) override {}
  void SetCount(int64_t) override {}
  void Step(int64_t) override {}
  bool PollFeedback() override { return false; }
  bool IsFeedbackStopped() override { return false; }
  void Close() override {}
};

class NullStatus final : public StatusService {
 public:
  void ShowStatus(std::string_view) override {}
  void LogLine(std::string_view) override {}
  void DumpText(std::string_view) override {}
};

// Without a GUI there is nothing to process and no second job can be refused by
// asking the user; one job at a time is still enforced.
class NullApp final : public AppService {
 public:
  void SetWaitCursor(bool) override {}
  void Reschedule() override {}
  bool IsInputPending() override { return false; }
  bool BeginProcess(std::string_view) override {
    if (running_) return false;
    running_ = true;
    return true;
  }
  void EndProcess() override { running_ = false; }
  bool ProcessShouldStop() override { return false; }

 private:
  bool running_ = false;
};

class NullTexts final : public TextService {
 public:
  std::string GetMessageText(int) override { return std::string(kNoText); }
};

class SystemClock final : public ClockService {
 public:
  uint64_t TicksMs() override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  }
  int64_t WallTime() override {
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
  }
};

class DefaultRandom final : public RandomService {
 public:
  uint32_t Next() override { return static_cast<uint32_t>(engine_()); }

 private:
  std::mt19937 engine_{12345};
};

class ImmediatePoster final : public PosterService {
 public:
  void Post(std::function<void()> call) override {
    if (call) call();
  }
};

class NullLists final : public ListDialogService {
 public:
  int32_t ListDialog(std::string_view, const std::vector<std::string>&) override { return -1; }
};

class NeverTimer final : public Timer {
 public:
  void Start(int32_t) override {}
  void StartPeriodic(int32_t) override {}
  void Stop() override {}
  bool IsActive() const override { return false; }
};

class NullTimers final : public TimerService {
 public:
  std::unique_ptr<Timer> MakeTimer(std::function<void()>) override {
    return std::make_unique<NeverTimer>();
  }
};

// Without a dialog nobody chooses a file.
class NullFileDialogs final : public FileDialogService {
 public:
  FileDialogAnswer RunFileDialog(const FileDialogRequest&) override { return {}; }
};

struct Defaults {
  NullBoxes boxes;
  NullProgress progress;
  NullStatus status;
  NullApp app;
  NullTexts texts;
  SystemClock clock;
  DefaultRandom random;
  AppSettings settings;
  PlaySettings play;
  ImmediatePoster poster;
  NullLists lists;
  NullTimers timers;
  NullFileDialogs fileDialogs;
};

Defaults& GetDefaults() {
  static Defaults defaults;
  return defaults;
}

Services& Registry() {
  static Services services;
  return services;
}

bool gFeedbackEnabled = false;
int gWaitDepth = 0;

}  // namespace

Services& CurrentServices() { return Registry(); }

MessageBoxService& Boxes() {
  auto* s = Registry().boxes;
  return s ? *s : GetDefaults().boxes;
}
ProgressService& Progress() {
  auto* s = Registry().progress;
  return s ? *s : GetDefaults().progress;
}
StatusService& Status() {
  auto* s = Registry().status;
  return s ? *s : GetDefaults().status;
}
AppService& App() {
  auto* s = Registry().app;
  return s ? *s : GetDefaults().app;
}
TextService& Texts() {
  auto* s = Registry().texts;
  return s ? *s : GetDefaults().texts;
}
ClockService& Clock() {
  auto* s = Registry().clock;
  return s ? *s : GetDefaults().clock;
}
RandomService& Random() {
  auto* s = Registry().random;
  return s ? *s : GetDefaults().random;
}
AppSettings& Settings() {
  auto* s = Registry().settings;
  return s ? *s : GetDefaults().settings;
}
PlaySettings& PlayingSettings() {
  auto* s = Registry().play;
  return s ? *s : GetDefaults().play;
}

PosterService& Poster() {
  auto* s = Registry().poster;
  return s ? *s : GetDefaults().poster;
}

ListDialogService& Lists() {
  auto* s = Registry().lists;
  return s ? *s : GetDefaults().lists;
}

TimerService& Timers() {
  auto* s = Registry().timers;
  return s ? *s : GetDefaults().timers;
}

FileDialogService& FileDialogs() {
  auto* s = Registry().fileDialogs;
  return s ? *s : GetDefaults().fileDialogs;
}

std::string SearchDataFile(const std::string& path, const std::string& name) {
  const auto& find = Settings().findDataFile;
  return find ? find(path, name) : path;
}

ScopedServices::ScopedServices(const Services& installed) : previous_(Registry()) {
  Services& r = Registry();
  if (installed.boxes) r.boxes = installed.boxes;
  if (installed.progress) r.progress = installed.progress;
  if (installed.status) r.status = installed.status;
  if (installed.app) r.app = installed.app;
  if (installed.texts) r.texts = installed.texts;
  if (installed.clock) r.clock = installed.clock;
  if (installed.random) r.random = installed.random;
  if (installed.settings) r.settings = installed.settings;
  if (installed.play) r.play = installed.play;
  if (installed.poster) r.poster = installed.poster;
  if (installed.lists) r.lists = installed.lists;
  if (installed.timers) r.timers = installed.timers;
  if (installed.fileDialogs) r.fileDialogs = installed.fileDialogs;
}

ScopedServices::~ScopedServices() { Registry() = previous_; }

void ReportInconsistency(std::string_view text, std::string_view sourcePath, int line) {
  std::string box(text);
  box += '\n';
  box += sourcePath;
  box += '\n';
  box += std::to_string(line);
  ErrorBox(box);
}

std::string GetMessageText(int id) { return Texts().GetMessageText(id); }

std::string GetMessageTextPlain(int id, TextCase mode) {
  std::string text = GetMessageText(id);
  std::string plain;
  plain.reserve(text.size());
  for (char c : text) {
    if (c == '~') continue;
    if (mode == TextCase::Lower && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (mode == TextCase::Upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    plain += c;
  }
  return plain;
}

void OpenFeedbackDefault() { Progress().Open(); }
void SetFeedbackTitle(std::string_view title) { Progress().SetTitle(title); }
void OpenFeedback(int64_t total, bool centred) { Progress().OpenFeedback(total, centred); }
void AddFeedbackLine(std::string_view text, int64_t count) { Progress().AddLine(text, count); }
void SetFeedbackCount(int64_t count) { Progress().SetCount(count); }
void StepFeedback(int64_t n) { Progress().Step(n); }
bool PollFeedback() { return Progress().PollFeedback(); }
bool IsFeedbackStopped() { return Progress().IsFeedbackStopped(); }
void CloseFeedback() { Progress().Close(); }

bool EnableFeedback(bool on) {
  bool previous = gFeedbackEnabled;
  gFeedbackEnabled = on;
  return previous;
}

bool IsFeedbackEnabled() { return gFeedbackEnabled; }

void OpenFeedbackIfEnabled(int64_t total, int /*mode*/) {
  if (!gFeedbackEnabled) return;
  Progress().OpenFeedback(total, Progress().CentreFeedback());
}

void StepFeedbackIfEnabled(int64_t n) {
  if (gFeedbackEnabled) Progress().Step(n);
}

bool CloseFeedbackIfEnabled() {
  if (!gFeedbackEnabled) return false;
  bool stopped = Progress().PollFeedback();
  Progress().Close();
  return stopped;
}

WaitCursor::WaitCursor() {
  if (gWaitDepth++ == 0) App().SetWaitCursor(true);
}

WaitCursor::~WaitCursor() {
  if (--gWaitDepth == 0) App().SetWaitCursor(false);
}

int WaitCursor::Depth() { return gWaitDepth; }

AppFlags& ApplicationFlags() {
  static AppFlags flags;
  return flags;
}

}  // namespace zh

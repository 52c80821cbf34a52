#include "app/ui/qt_services.h"

#include "app/ui/file_dialog.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <chrono>

#include "app/message_ids.h"
#include "app/ui/widgets/dialogs.h"

namespace zh {
namespace {

QString ToQt(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
      return true;
    default:
      return false;
  }
}

// A QTimer behind the timer interface. The handler runs from a copy, so that it may
// delete its own timer.
class QtTimer final : public Timer {
 public:
  explicit QtTimer(std::function<void()> handler) : handler_(std::move(handler)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      std::function<void()> handler = handler_;
      if (handler) handler();
    });
  }
  void Start(int32_t ms) override { Arm(ms, true); }
  void StartPeriodic(int32_t ms) override { Arm(ms, false); }
  void Stop() override { timer_.stop(); }
  bool IsActive() const override { return timer_.isActive(); }

 private:
  void Arm(int32_t ms, bool once) {
    timer_.setSingleShot(once);
    timer_.start(std::max<int32_t>(ms, 0));
  }

  std::function<void()> handler_;
  QTimer timer_;
};

}  // namespace

QtServices::QtServices(TextService* texts, AppSettings* settings)
    : texts_(texts),
      settings_(settings),
      random_(static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count())),
      previous_(CurrentServices()) {
  Reinstall();
}

QtServices::~QtServices() {
  while (waitDepth_ > 0) LeaveWait();
  CurrentServices() = previous_;
}

Services QtServices::Installed() {
  Services s = previous_;
  s.boxes = this;
  s.app = this;
  s.texts = this;
  s.clock = this;
  s.random = this;
  s.lists = this;
  s.timers = this;
  s.fileDialogs = this;
  if (settings_) s.settings = settings_;
  if (play_) s.play = play_;
  return s;
}

void QtServices::Reinstall() { CurrentServices() = Installed(); }

void QtServices::SetTexts(TextService* texts) { texts_ = texts; }

void QtServices::SetSettings(AppSettings* settings) {
  settings_ = settings;
  CurrentServices().settings = settings ? settings : previous_.settings;
}

void QtServices::SetPlaySettings(PlaySettings* play) {
  play_ = play;
  CurrentServices().play = play ? play : previous_.play;
}

std::string QtServices::BoxText(std::string_view text) {
  int id = msg::IdOfSymbol(text);
  return id >= 0 ? GetMessageText(id) : std::string(text);
}

int32_t QtServices::ListDialog(std::string_view title, const std::vector<std::string>& lines) {
  return RunListChoice(frame_, title, lines);
}

std::unique_ptr<Timer> QtServices::MakeTimer(std::function<void()> handler) {
  return std::make_unique<QtTimer>(std::move(handler));
}

FileDialogAnswer QtServices::RunFileDialog(const FileDialogRequest& request) {
  return FileDialog::Run(frame_, request);
}

int QtServices::OkCancelBox(std::string_view text) {
  auto answer = QMessageBox::question(frame_, QApplication::applicationDisplayName(), ToQt(BoxText(text)),
                                      QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
  return answer == QMessageBox::Ok ? kOk : kCancel;
}

int QtServices::YesNoBox(std::string_view text) {
  auto answer = QMessageBox::question(frame_, QApplication::applicationDisplayName(), ToQt(BoxText(text)),
                                      QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
  return answer == QMessageBox::Yes ? kYes : kNo;
}

void QtServices::Beep() { QApplication::beep(); }

void QtServices::ErrorBox(std::string_view text) {
  QMessageBox::critical(frame_, QApplication::applicationDisplayName(), ToQt(BoxText(text)));
}

void QtServices::WarningBox(std::string_view text) {
  QMessageBox::warning(frame_, QApplication::applicationDisplayName(), ToQt(BoxText(text)));
}

void QtServices::EnterWait() {
  if (waitDepth_++ > 0) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  qApp->installEventFilter(this);
}

void QtServices::LeaveWait() {
  if (waitDepth_ == 0 || --waitDepth_ > 0) return;
  qApp->removeEventFilter(this);
  QApplication::restoreOverrideCursor();
}

bool QtServices::eventFilter(QObject* watched, QEvent* event) {
  if (waitDepth_ > 0 && IsUserInput(event->type())) return true;
  return QObject::eventFilter(watched, event);
}

void QtServices::Reschedule() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtServices::WaitForEvents(int32_t maxMs) {
  // The timer wakes the wait when no other event comes.
  QTimer wake;
  wake.setSingleShot(true);
  wake.start(std::max(maxMs, 0));
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

bool QtServices::IsEventLoopRunning() {
  QThread* thread = QThread::currentThread();
  return thread != nullptr && thread->loopLevel() > 0;
}

bool QtServices::BeginProcess(std::string_view name) {
  if (jobs_) return jobs_->BeginProcess(name);
  if (processRunning_) return false;
  processRunning_ = true;
  return true;
}

void QtServices::EndProcess() {
  if (jobs_) jobs_->EndProcess();
  processRunning_ = false;
}

bool QtServices::ProcessShouldStop() {
  if (jobs_) return jobs_->ProcessShouldStop();
  Reschedule();
  return false;
}

std::string QtServices::GetMessageText(int id) {
  return texts_ ? texts_->GetMessageText(id) : std::string(kNoText);
}

uint64_t QtServices::TicksMs() {
  using namespace std::chrono;
  return static_cast<uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

int64_t QtServices::WallTime() {
  using namespace std::chrono;
  return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace zh

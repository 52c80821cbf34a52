// The Qt implementation of the services that Qt-free code calls: boxes over the
// main frame, the event pump, the nestable wait state, texts, settings, clock and
// random source and timers. Progress, status line and log stay with their null versions until
// their windows exist.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <random>

#include "app/long_jobs.h"
#include "core/services.h"

namespace zh {

class QtServices final : public QObject,
                         public MessageBoxService,
                         public AppService,
                         public TextService,
                         public ClockService,
                         public RandomService,
                         public ListDialogService,
                         public TimerService,
                         public FileDialogService {
 public:
  // Answer codes of the boxes.
  static constexpr int kCancel = 0;
  static constexpr int kOk = 1;
  static constexpr int kYes = 2;
  static constexpr int kNo = 3;

  // Installs itself in the service registry until destroyed. `texts` and
  // `settings` may be null (NOTEXT, default settings) and set later.
  explicit QtServices(TextService* texts = nullptr, AppSettings* settings = nullptr);
  ~QtServices() override;

  // Boxes are shown over this window once it exists.
  void SetMainFrame(QWidget* frame) { frame_ = frame; }
  QWidget* MainFrame() const { return frame_; }
  void SetTexts(TextService* texts);
  void SetSettings(AppSettings* settings);
  void SetPlaySettings(PlaySettings* play);
  // The application's long job; without it only one job is counted.
  void SetJobs(LongJobs* jobs) { jobs_ = jobs; }

  // Boxes with the library's answer codes.
  int OkCancelBox(std::string_view text);  // kOk or kCancel
  int YesNoBox(std::string_view text);     // kYes or kNo

  // Nestable wait state: wait pointer and blocked user input while depth > 0.
  void EnterWait();
  void LeaveWait();
  int WaitDepth() const { return waitDepth_; }

  void ErrorBox(std::string_view text) override;
  void WarningBox(std::string_view text) override;
  bool AskOkCancel(std::string_view text) override { return OkCancelBox(text) == kOk; }
  bool AskYesNo(std::string_view text) override { return YesNoBox(text) == kYes; }
  void Beep() override;

  void SetWaitCursor(bool on) override { on ? EnterWait() : LeaveWait(); }
  // One pass over the events pending at the call.
  void Reschedule() override;
  bool IsInputPending() override { return false; }
  bool BeginProcess(std::string_view name) override;
  void EndProcess() override;
  bool ProcessShouldStop() override;
  // One pass over the events, waiting for one at most maxMs.
  void WaitForEvents(int32_t maxMs) override;
  bool IsEventLoopRunning() override;

  std::string GetMessageText(int id) override;
  uint64_t TicksMs() override;
  int64_t WallTime() override;
  uint32_t Next() override { return static_cast<uint32_t>(random_()); }
  int32_t ListDialog(std::string_view title, const std::vector<std::string>& lines) override;
  // Timers over QTimer, on the GUI thread.
  std::unique_ptr<Timer> MakeTimer(std::function<void()> handler) override;
  // The file dialog over the main frame.
  FileDialogAnswer RunFileDialog(const FileDialogRequest& request) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Services Installed();
  // A text that names a message by its symbol ("M_...") shows that message.
  std::string BoxText(std::string_view text);
  void Reinstall();

  QPointer<QWidget> frame_;
  TextService* texts_ = nullptr;
  AppSettings* settings_ = nullptr;
  PlaySettings* play_ = nullptr;
  int waitDepth_ = 0;
  bool processRunning_ = false;
  LongJobs* jobs_ = nullptr;
  std::mt19937 random_;
  Services previous_;
};

}  // namespace zh

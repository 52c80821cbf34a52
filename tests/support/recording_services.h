// Recording implementations of the UI services: every call is recorded as one
// line ("ErrorBox: text"), questions get scripted answers.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/services.h"

namespace zh::test {

class RecordingServices final : public MessageBoxService,
                                public ProgressService,
                                public StatusService,
                                public AppService,
                                public TextService,
                                public ClockService,
                                public RandomService,
                                public ListDialogService,
                                public FileDialogService {
 public:
  // Installs every service of this object until it is destroyed.
  RecordingServices();

  std::vector<std::string> calls;        // one line per call, in order
  std::deque<bool> answers;              // answers to AskOkCancel/AskYesNo; false when empty
  std::deque<bool> stopAnswers;          // answers to PollFeedback/ProcessShouldStop; false when empty
  bool feedbackStopped = false;          // answer to IsFeedbackStopped
  std::map<int, std::string> texts;      // message texts by number
  uint64_t ticks = 0;                    // advanced by hand
  int64_t wallTime = 0;
  uint32_t randomState = 1;
  AppSettings settings;
  PlaySettings play;
  bool processRunning = false;
  std::deque<int32_t> listChoices;       // answers to ListDialog; -1 (Cancel) when empty
  // The scripted event pump: WaitForEvents runs it with its maxMs; without a script
  // it only steps the clock by maxMs.
  std::function<void(int32_t maxMs)> waitScript;
  bool eventLoopRunning = true;
  // The scripted file dialogs: each run takes the next answer (cancelled when none is
  // left) and keeps its request.
  std::deque<FileDialogAnswer> fileDialogAnswers;
  std::vector<FileDialogRequest> fileDialogRequests;

  // The recorded lines that start with `prefix`.
  std::vector<std::string> CallsStartingWith(const std::string& prefix) const;

  void ErrorBox(std::string_view text) override;
  void WarningBox(std::string_view text) override;
  bool AskOkCancel(std::string_view text) override;
  bool AskYesNo(std::string_view text) override;
  void Beep() override { Record("Beep"); }

  void Open() override;
  void OpenFeedback(int64_t total, bool centred) override;
  void SetTitle(std::string_view title) override;
  void AddLine(std::string_view text, int64_t count) override;
  void SetCount(int64_t count) override;
  void Step(int64_t n) override;
  bool PollFeedback() override;
  bool IsFeedbackStopped() override { return feedbackStopped; }
  void Close() override;

  void ShowStatus(std::string_view text) override;
  void LogLine(std::string_view text) override;
  void DumpText(std::string_view text) override;

  void SetWaitCursor(bool on) override;
  void Reschedule() override;
  bool IsInputPending() override;
  bool BeginProcess(std::string_view name) override;
  void EndProcess() override;
  bool ProcessShouldStop() override;
  void WaitForEvents(int32_t maxMs) override;
  bool IsEventLoopRunning() override { return eventLoopRunning; }

  std::string GetMessageText(int id) override;

  uint64_t TicksMs() override { return ticks; }
  int64_t WallTime() override { return wallTime; }
  uint32_t Next() override;

  // Records "ListDialog: title" and one "  line" per line.
  int32_t ListDialog(std::string_view title, const std::vector<std::string>& lines) override;
  // Records "FileDialog: title".
  FileDialogAnswer RunFileDialog(const FileDialogRequest& request) override;

 private:
  bool NextAnswer(std::deque<bool>& queue);
  void Record(std::string line) { calls.push_back(std::move(line)); }

  ScopedServices guard_;
};

}  // namespace zh::test

// The one long job of the program (analysis runs, matches, database jobs): begin
// with a name, poll whether to stop, end. The stop key asks the user while a job
// runs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/services.h"

namespace zh {

class LongJobs {
 public:
  // `pumpOnce` handles the GUI events pending at the call; `cancelWait` ends a
  // running wait at once.
  LongJobs(std::function<void()> pumpOnce, std::function<void()> cancelWait);

  // False (after the box "Cannot start a second process\n" + the running name) when
  // a job runs; the running job is left alone.
  bool BeginProcess(std::string_view name);
  bool IsProcessRunning() const { return running_; }
  const std::string& ProcessName() const { return name_; }
  // Requests a stop, ends a wait and calls the stop link once.
  void StopProcess();
  void EndProcess();
  // Polled by jobs: asks the user when the stop key was pressed, handles the
  // pending events once; true (and the request cleared) when the job is to stop.
  bool ProcessShouldStop();
  // The stop key: a close request while a job runs; a wait ends in any case.
  void OnStopKey();
  // Called once by StopProcess, then cleared.
  void SetStopLink(CallbackLink link) { stopLink_ = link; }
  // Clears the three flags (start-up).
  void Reset();

  bool StopRequested() const { return stopRequested_; }
  bool CloseRequested() const { return closeRequested_; }

 private:
  std::function<void()> pumpOnce_;
  std::function<void()> cancelWait_;
  bool running_ = false;
  bool stopRequested_ = false;
  bool closeRequested_ = false;
  std::string name_;
  CallbackLink stopLink_;
};

}  // namespace zh

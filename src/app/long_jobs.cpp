#include "app/long_jobs.h"

#include "app/message_ids.h"
#include "app/shell_hooks.h"

namespace zh {

LongJobs::LongJobs(std::function<void()> pumpOnce, std::function<void()> cancelWait)
    : pumpOnce_(std::move(pumpOnce)), cancelWait_(std::move(cancelWait)) {}

bool LongJobs::BeginProcess(std::string_view name) {
  if (running_) {
    ErrorBox("Cannot start a second process\n" + name_);
    return false;
  }
  running_ = true;
  name_ = std::string(name);
  stopRequested_ = closeRequested_ = false;
  CurrentWindowHook().OnProcessStart();
  CurrentWindowHook().SetTitle(name_);
  return true;
}

void LongJobs::StopProcess() {
  stopRequested_ = true;
  if (cancelWait_) cancelWait_();
  CallbackLink link = stopLink_;
  stopLink_.Clear();
  link.Call(0);
}

void LongJobs::EndProcess() {
  running_ = stopRequested_ = closeRequested_ = false;
  CurrentWindowHook().OnProcessEnd();
  stopLink_.Clear();
}

bool LongJobs::ProcessShouldStop() {
  bool yes = false;
  if (closeRequested_) {
    closeRequested_ = false;
    yes = AskYesNo("'" + name_ + "'\n" + GetMessageText(msg::M_JOB_STOP_QUESTION));
  }
  if (pumpOnce_) pumpOnce_();
  if (stopRequested_ || yes) {
    stopRequested_ = false;
    return true;
  }
  return false;
}

void LongJobs::OnStopKey() {
  if (running_) closeRequested_ = true;
  if (cancelWait_) cancelWait_();
}

void LongJobs::Reset() { running_ = stopRequested_ = closeRequested_ = false; }

}  // namespace zh

#include "support/recording_services.h"

namespace zh::test {

namespace {
Services AllOf(RecordingServices* r, AppSettings* settings, PlaySettings* play) {
  Services s;
  s.boxes = r;
  s.progress = r;
  s.status = r;
  s.app = r;
  s.texts = r;
  s.clock = r;
  s.random = r;
  s.settings = settings;
  s.play = play;
  s.lists = r;
  s.fileDialogs = r;
  return s;
}
}  // namespace

RecordingServices::RecordingServices() : guard_(AllOf(this, &settings, &play)) {}

std::vector<std::string> RecordingServices::CallsStartingWith(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const auto& c : calls)
    if (c.rfind(prefix, 0) == 0) out.push_back(c);
  return out;
}

bool RecordingServices::NextAnswer(std::deque<bool>& queue) {
  if (queue.empty()) return false;
  bool a = queue.front();
  queue.pop_front();
  return a;
}

void RecordingServices::ErrorBox(std::string_view text) { Record("ErrorBox: " + std::string(text)); }
void RecordingServices::WarningBox(std::string_view text) {
  Record("WarningBox: " + std::string(text));
}
bool RecordingServices::AskOkCancel(std::string_view text) {
  Record("AskOkCancel: " + std::string(text));
  return NextAnswer(answers);
}
bool RecordingServices::AskYesNo(std::string_view text) {
  Record("AskYesNo: " + std::string(text));
  return NextAnswer(answers);
}

void RecordingServices::Open() { Record("ProgressOpen"); }
void RecordingServices::OpenFeedback(int64_t total, bool centred) {
  Record("ProgressOpenFeedback: " + std::to_string(total) + (centred ? " centred" : ""));
}
void RecordingServices::SetTitle(std::string_view title) {
  Record("ProgressTitle: " + std::string(title));
}
void RecordingServices::AddLine(std::string_view text, int64_t count) {
  Record("ProgressLine: " + std::string(text) + " / " + std::to_string(count));
}
void RecordingServices::SetCount(int64_t count) {
  Record("ProgressCount: " + std::to_string(count));
}
void RecordingServices::Step(int64_t n) { Record("ProgressStep: " + std::to_string(n)); }
bool RecordingServices::PollFeedback() { return NextAnswer(stopAnswers); }
void RecordingServices::Close() { Record("ProgressClose"); }

void RecordingServices::ShowStatus(std::string_view text) { Record("Status: " + std::string(text)); }
void RecordingServices::LogLine(std::string_view text) { Record("Log: " + std::string(text)); }
void RecordingServices::DumpText(std::string_view text) { Record("Dump: " + std::string(text)); }

void RecordingServices::SetWaitCursor(bool on) { Record(on ? "WaitOn" : "WaitOff"); }
void RecordingServices::Reschedule() {}
bool RecordingServices::IsInputPending() { return false; }
void RecordingServices::WaitForEvents(int32_t maxMs) {
  if (waitScript) {
    waitScript(maxMs);
  } else if (maxMs > 0) {
    ticks += static_cast<uint64_t>(maxMs);
  }
}
bool RecordingServices::BeginProcess(std::string_view name) {
  Record("BeginProcess: " + std::string(name));
  if (processRunning) return false;
  processRunning = true;
  return true;
}
void RecordingServices::EndProcess() {
  Record("EndProcess");
  processRunning = false;
}
bool RecordingServices::ProcessShouldStop() { return NextAnswer(stopAnswers); }

std::string RecordingServices::GetMessageText(int id) {
  auto it = texts.find(id);
  return it == texts.end() ? std::string(kNoText) : it->second;
}

int32_t RecordingServices::ListDialog(std::string_view title,
                                      const std::vector<std::string>& lines) {
  Record("ListDialog: " + std::string(title));
  for (const auto& line : lines) Record("  " + line);
  if (listChoices.empty()) return -1;
  const int32_t choice = listChoices.front();
  listChoices.pop_front();
  return choice;
}

uint32_t RecordingServices::Next() {
  // Park-Miller minimal standard generator: reproducible in tests.
  randomState = static_cast<uint32_t>((uint64_t{randomState} * 16807u) % 2147483647u);
  return randomState;
}

FileDialogAnswer RecordingServices::RunFileDialog(const FileDialogRequest& request) {
  Record("FileDialog: " + request.title);
  fileDialogRequests.push_back(request);
  if (fileDialogAnswers.empty()) return {};
  FileDialogAnswer a = fileDialogAnswers.front();
  fileDialogAnswers.pop_front();
  return a;
}

}  // namespace zh::test

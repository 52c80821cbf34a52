#include "app/report_inbox.h"

#include <cstring>

#include "app/report_dispatch.h"

namespace zh {

// What the engine host's callback holds. Gates are never freed: a host thread may
// call the callback after the inbox has gone, and then finds the gate closed.
struct ReportInbox::Gate {
  std::mutex mutex;
  ReportInbox* inbox = nullptr;
  int32_t token = 0;
};

ReportInbox::ReportInbox(std::function<void()> wake) : wake_(std::move(wake)) {}

ReportInbox::~ReportInbox() { Close(); }

namespace {
// Kept reachable for the program's whole life (see Gate).
std::vector<std::unique_ptr<ReportInbox::Gate>>& AllGates() {
  static auto* gates = new std::vector<std::unique_ptr<ReportInbox::Gate>>;
  return *gates;
}
std::mutex gGatesMutex;
}  // namespace

int32_t ReportInbox::InstallEngineCallback() {
  if (gate_ != nullptr) return token_;
  {
    std::lock_guard lock(gGatesMutex);
    AllGates().push_back(std::make_unique<Gate>());
    gate_ = AllGates().back().get();
  }
  std::lock_guard lock(gate_->mutex);
  gate_->inbox = this;
  token_ = gate_->token = enginehost::RegisterSink(&ReportInbox::EngineCallback, gate_);
  return token_;
}

void ReportInbox::EngineCallback(void* context) {
  auto* gate = static_cast<Gate*>(context);
  std::lock_guard lock(gate->mutex);
  if (gate->inbox == nullptr) return;
  for (;;) {
    QueuedReport report;
    if (!enginehost::TakeReport(gate->token, report.engineCopy)) break;
    report.source = ReportSource::kEngine;
    report.code = report.engineCopy.code;
    report.id = report.engineCopy.engine_id;
    gate->inbox->Post(std::move(report));
  }
}

void ReportInbox::Close() {
  if (gate_ != nullptr) {
    enginehost::UnregisterSink(token_);
    std::lock_guard lock(gate_->mutex);
    gate_->inbox = nullptr;
  }
  std::deque<QueuedReport> dropped;
  std::lock_guard lock(mutex_);
  open_ = false;
  dropped.swap(queue_);
}

bool ReportInbox::IsOpen() const {
  std::lock_guard lock(mutex_);
  return open_;
}

void ReportInbox::PostDeviceReport(int32_t code, int32_t deviceId, const void* block, size_t size) {
  QueuedReport report;
  report.source = ReportSource::kDevice;
  report.code = code;
  report.id = deviceId;
  if (block != nullptr && size > 0) {
    report.bytes.resize(size);
    std::memcpy(report.bytes.data(), block, size);
  }
  Post(std::move(report));
}

void ReportInbox::Post(QueuedReport report) {
  {
    std::lock_guard lock(mutex_);
    if (!open_) return;
    queue_.push_back(std::move(report));
  }
  if (wake_) wake_();
}

int ReportInbox::Drain() {
  int handled = 0;
  for (;;) {
    QueuedReport report;
    {
      std::lock_guard lock(mutex_);
      if (!open_ || queue_.empty()) return handled;
      report = std::move(queue_.front());
      queue_.pop_front();
    }
    if (report.source == ReportSource::kEngine)
      DispatchEngineReport(report.code, report.id, report.block());
    else
      DispatchDeviceReport(report.code, report.id, report.block());
    ++handled;
  }
}

}  // namespace zh

// Reports on their way from host threads to the GUI thread. The engine host's
// callback and the device host post copies here and wake the GUI thread; the GUI
// thread drains the inbox, dispatches each report and frees its copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "enginemodule/host/engine_host.h"

namespace zh {

enum class ReportSource { kEngine, kDevice };

struct QueuedReport {
  ReportSource source = ReportSource::kEngine;
  int32_t code = 0;
  int32_t id = 0;
  enginehost::Report engineCopy;  // engine reports: the host's copy
  std::vector<std::byte> bytes;   // device reports: our copy
  const void* block() {
    if (source == ReportSource::kEngine) return engineCopy.block();
    return bytes.empty() ? nullptr : bytes.data();
  }
};

class ReportInbox {
 public:
  // `wake` is called on the posting thread after a report was queued; it must only
  // arrange for Drain to run on the GUI thread.
  explicit ReportInbox(std::function<void()> wake);
  ~ReportInbox();
  ReportInbox(const ReportInbox&) = delete;
  ReportInbox& operator=(const ReportInbox&) = delete;

  // Installs the callback into the engine host; its token goes into the slot
  // records of engine instances.
  int32_t InstallEngineCallback();
  // Uninstalls it and closes the inbox: reports queued or posted later are dropped.
  // Host threads that are still running may call the callback afterwards.
  void Close();
  bool IsOpen() const;
  int32_t EngineToken() const { return token_; }

  // A device report; the block (size bytes, may be null) is copied.
  void PostDeviceReport(int32_t code, int32_t deviceId, const void* block, size_t size);

  // Dispatches every queued report on the calling (GUI) thread; the count handled.
  int Drain();

  // What the engine host's callback holds (outlives the inbox).
  struct Gate;

 private:
  void Post(QueuedReport report);
  static void EngineCallback(void* gate);

  std::function<void()> wake_;
  mutable std::mutex mutex_;
  std::deque<QueuedReport> queue_;
  bool open_ = true;
  int32_t token_ = 0;
  Gate* gate_ = nullptr;  // outlives the inbox: host threads may still hold it
};

}  // namespace zh

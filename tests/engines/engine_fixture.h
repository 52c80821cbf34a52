// A headless program for engine tests: recording services with a fake clock whose
// event pump drains the report inbox, an engine table behind the engine hooks, and
// the English message texts.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "app/engine_hooks.h"
#include "app/report_inbox.h"
#include "app/shell_hooks.h"
#include "engines/engine_table.h"
#include "engines/engine_wait.h"
#include "support/recording_services.h"

namespace zh::test {

inline std::string EngineFolder() { return ZH_ENGINE_FOLDER; }
inline std::string ModulePath(const char* file) { return EngineFolder() + "/" + file; }

// The English column of the message table.
inline void LoadEnglishTexts(RecordingServices& services) {
  std::ifstream in(std::string(ZH_SOURCE_DIR) + "/data/messages.tsv");
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#' || line.starts_with("id\t")) continue;
    std::istringstream cells(line);
    std::string id, name, en;
    std::getline(cells, id, '\t');
    std::getline(cells, name, '\t');
    std::getline(cells, en, '\t');
    services.texts[std::stoi(id)] = en;
  }
}

// Engine hooks that also keep every report code they are asked to dispatch.
class RecordingEngineHooks : public EngineHooks {
 public:
  using EngineHooks::EngineHooks;
  void DispatchEngineReport(int32_t code, int32_t id, const void* block) override {
    codes.push_back(code);
    EngineHooks::DispatchEngineReport(code, id, block);
  }
  std::vector<int32_t> codes;
};

class EngineTest : public ::testing::Test {
 protected:
  static constexpr uint64_t kMachineKb = 8ull << 20;  // 8 GiB

  EngineTest() {
    LoadEnglishTexts(services);
    token = inbox.InstallEngineCallback();
    // One pass: the reports that came run, the fake clock moves on by the wait.
    services.waitScript = [this](int32_t maxMs) {
      if (maxMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      inbox.Drain();
      services.ticks += static_cast<uint64_t>(maxMs);
    };
  }

  ~EngineTest() override {
    // Every engine ends before the next test: a real-time bound, not the fake clock.
    table.ReleaseAll();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!table.AllGone() && std::chrono::steady_clock::now() < end) {
      inbox.Drain();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_TRUE(table.AllGone());
  }

  // Waits on the fake clock: a pass sleeps 1 ms of real time and counts as a slice,
  // so the default bound is several seconds of real time.
  static constexpr uint32_t kLongWaitMs = 120000;
  bool WaitFor(const std::function<bool()>& condition, uint32_t ms = kLongWaitMs, int32_t watched = 0) {
    return WaitUntil(condition, DeadlineIn(ms), watched) == WaitEnd::kMet;
  }

  // Loads a module and waits for its start result.
  EngineInstance* Load(const std::string& path) {
    int32_t error = 0;
    int index = table.LoadEngine(token, path, error);
    EXPECT_GE(index, 0) << path << " error " << error;
    if (index < 0) return nullptr;
    EngineInstance* instance = table.GetInstance(index);
    const int32_t id = instance->Id();
    EXPECT_TRUE(WaitFor([&] {
      EngineInstance* e = table.FindById(id);
      return e == nullptr || (e->StartResultReceived() && e->HostThread() != 0);
    }));
    return table.FindById(id);
  }

  // Puts a report into the host's queue as if an engine had posted it.
  void Inject(int32_t code, int32_t id, const void* block, size_t size) {
    enginehost::PostHostReport(token, code, id, block, size);
  }

  std::vector<std::string> Boxes() const { return services.CallsStartingWith("ErrorBox: "); }

  RecordingServices services;
  ReportInbox inbox{nullptr};
  int32_t token = 0;
  EngineTable table{kMachineKb};
  RecordingEngineHooks hooks{table};
  ScopedHooks scopedHooks{ShellHooks{.game = &hooks}};
};

}  // namespace zh::test

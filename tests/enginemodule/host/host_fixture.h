// A recording report sink and a started engine instance, for the tests that drive
// engine modules through the host.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "enginemodule/host/engine_host.h"

namespace zh::enginehost::test {

using namespace std::chrono_literals;
using eng::EngineSlotRecord;

constexpr auto kTimeout = 5s;

// Collects the reports of one sink; the sink itself only wakes the waiting thread.
class Recorder {
 public:
  Recorder() : token_(RegisterSink(&Recorder::Wake, this)) {}
  ~Recorder() { UnregisterSink(token_); }
  int32_t token() const { return token_; }

  // Waits until a report of the engine satisfies pred; false after the timeout.
  bool WaitFor(int32_t engine, const std::function<bool(Report&)>& pred) {
    auto end = std::chrono::steady_clock::now() + kTimeout;
    std::unique_lock lock(mutex_);
    for (;;) {
      for (;;) {
        Report r;
        if (!TakeReport(token_, r)) break;
        reports_.push_back(std::move(r));
      }
      for (size_t i = checked_[engine]; i < reports_.size(); ++i) {
        if (reports_[i].engine_id == engine && pred(reports_[i])) {
          checked_[engine] = i + 1;
          return true;
        }
      }
      if (cv_.wait_until(lock, end) == std::cv_status::timeout && std::chrono::steady_clock::now() >= end) {
        return false;
      }
    }
  }
  bool WaitForCode(int32_t engine, int32_t code) {
    return WaitFor(engine, [&](Report& r) { return r.code == code; });
  }
  // Codes of one engine in order of arrival.
  std::vector<int32_t> Codes(int32_t engine) {
    std::lock_guard lock(mutex_);
    std::vector<int32_t> codes;
    for (Report& r : reports_)
      if (r.engine_id == engine) codes.push_back(r.code);
    return codes;
  }
  std::vector<Report*> Of(int32_t engine, int32_t code) {
    std::lock_guard lock(mutex_);
    std::vector<Report*> out;
    for (Report& r : reports_)
      if (r.engine_id == engine && r.code == code) out.push_back(&r);
    return out;
  }

 private:
  static void Wake(void* self) {
    auto* recorder = static_cast<Recorder*>(self);
    { std::lock_guard lock(recorder->mutex_); }
    recorder->cv_.notify_all();
  }

  int32_t token_;
  std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<Report> reports_;
  std::map<int32_t, size_t> checked_;  // per engine: reports already matched
};

inline std::atomic<int32_t> next_engine_id{100};

// A started engine instance with its slot record.
struct Engine {
  Engine(Recorder& recorder, const std::string& path) : recorder(recorder) {
    std::memset(&slot, 0, sizeof(slot));
    slot.size = sizeof(slot);
    slot.engine_id = id = next_engine_id++;
    slot.sink_token = recorder.token();
    slot.gui_thread = 1;
    slot.hash_kb = 1024;
    slot.kind = 1;
    slot.use_count = 2;
    std::strncpy(slot.path, path.c_str(), sizeof(slot.path) - 1);
    Func4(&slot);
    EXPECT_TRUE(recorder.WaitFor(id, [&](Report& r) {
      if (r.code != eng::kReportHostThread) return false;
      thread = r.as<eng::HostThreadBlock>()->host_thread;
      return true;
    }));
  }
  // The start result (348 code).
  int32_t StartCode() {
    int32_t code = -1;
    EXPECT_TRUE(recorder.WaitFor(id, [&](Report& r) {
      if (r.code != eng::kReportStartResult) return false;
      code = r.as<eng::StartResultBlock>()->code;
      return true;
    }));
    return code;
  }
  bool Post(int32_t request, intptr_t param = 0) { return PostRequest(thread, request, id, param); }
  void Search(int16_t mode = 4, int16_t depth = 0) {
    eng::PositionBlock block{};
    block.header.size = sizeof(block);
    block.header.engine_id = id;
    block.start_position = 1;
    block.mode = mode;
    block.depth = depth;
    block.lines_wanted = 1;
    ASSERT_TRUE(Post(eng::kRequestSearch, reinterpret_cast<intptr_t>(&block)));
    std::memset(&block, 0xAB, sizeof(block));  // the host copied it
  }
  void Exit() {
    ASSERT_TRUE(Post(eng::kRequestExit));
    ASSERT_TRUE(recorder.WaitForCode(id, eng::kReportHostGone));
    // The host gives up its use count after its last report.
    auto end = std::chrono::steady_clock::now() + kTimeout;
    while (std::atomic_ref<int32_t>(slot.use_count).load() != 1 && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(1ms);
    EXPECT_EQ(std::atomic_ref<int32_t>(slot.use_count).load(), 1);
    EXPECT_EQ(recorder.Codes(id).back(), eng::kReportHostGone);
  }

  Recorder& recorder;
  EngineSlotRecord slot;
  int32_t id = 0;
  int32_t thread = 0;
};

// A module loaded directly, as the program loads modules to list them.
class LoadedModule {
 public:
  explicit LoadedModule(const std::string& path) : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
  ~LoadedModule() {
    if (handle_) dlclose(handle_);
  }
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;
  bool ok() const { return handle_ != nullptr; }
  template <typename Fn>
  Fn get(const char* name) const {
    return reinterpret_cast<Fn>(dlsym(handle_, name));
  }

 private:
  void* handle_;
};

// The names a shared object exports, as "nm -D --defined-only" lists them.
inline std::set<std::string> DefinedExports(const std::string& path) {
  std::set<std::string> exported;
  FILE* pipe = popen(("nm -D --defined-only '" + path + "'").c_str(), "r");
  if (!pipe) return exported;
  char line[512];
  while (fgets(line, sizeof(line), pipe)) {
    char address[64], kind[8], name[256];
    if (sscanf(line, "%63s %7s %255s", address, kind, name) == 3) exported.insert(name);
  }
  pclose(pipe);
  return exported;
}

}  // namespace zh::enginehost::test

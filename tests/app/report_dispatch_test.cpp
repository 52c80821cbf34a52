// Engine and device reports from the inbox to the engine table and device manager.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/report_dispatch.h"
#include "app/report_inbox.h"
#include "app/shell_hooks.h"

namespace zh {
namespace {

constexpr int32_t kLive = 7;

class RecordingTable final : public GameHooks {
 public:
  bool table = true;
  bool devices = true;
  std::vector<std::string> calls;
  std::vector<std::array<int32_t, 4>> blocks;  // the first words of each block seen
  bool HasEngineTable() const override { return table; }
  bool HasDeviceManager() const override { return devices; }
  bool IsLiveEngine(int32_t id) const override { return id == kLive; }
  bool IsKnownDevice(int32_t id) const override { return id == kLive; }
  void DispatchEngineReport(int32_t code, int32_t id, const void* block) override {
    Record("engine", code, id, block);
  }
  void OnEngineEnded(int32_t id) override { calls.push_back("ended " + std::to_string(id)); }
  void OnDeviceMessage(int32_t code, int32_t id, const void* block) override {
    Record("device", code, id, block);
  }

 private:
  void Record(const char* kind, int32_t code, int32_t id, const void* block) {
    calls.push_back(std::string(kind) + " " + std::to_string(code) + " " + std::to_string(id));
    std::array<int32_t, 4> words;
    std::memcpy(words.data(), block, sizeof words);
    blocks.push_back(words);
  }
};

TEST(ReportDispatch, Rules) {
  const std::array<int32_t, 4> block = {1, 2, 3, 4};
  struct Case {
    const char* name;
    bool engine;  // else device
    int32_t code, id;
    bool withBlock, table;
    std::vector<std::string> calls;
  };
  const std::vector<Case> cases = {
      {"live engine", true, 340, kLive, true, true, {"engine 340 7"}},
      {"unknown engine", true, 340, 99, true, true, {}},
      {"no block", true, 340, kLive, false, true, {}},
      {"ended without block", true, 305, kLive, false, true, {"ended 7"}},
      {"ended, unknown id", true, 305, 99, false, true, {"ended 99"}},
      {"no engine table", true, 305, kLive, true, false, {}},
      {"known device", false, 20, kLive, true, true, {"device 20 7"}},
      {"unknown device", false, 20, 99, true, true, {}},
      {"device without block", false, 20, kLive, false, true, {}},
      {"device 305 without block", false, 305, kLive, false, true, {}},
      {"no device manager", false, 20, kLive, true, false, {}},
  };
  for (const Case& c : cases) {
    RecordingTable table;
    table.table = table.devices = c.table;
    ScopedHooks hooks(ShellHooks{.game = &table});
    const void* b = c.withBlock ? block.data() : nullptr;
    if (c.engine)
      DispatchEngineReport(c.code, c.id, b);
    else
      DispatchDeviceReport(c.code, c.id, b);
    EXPECT_EQ(table.calls, c.calls) << c.name;
  }
}

TEST(ReportInbox, CopiesCrossThreadsOnceAndCloseDrops) {
  RecordingTable table;
  ScopedHooks hooks(ShellHooks{.game = &table});
  std::atomic<int> wakes{0};
  ReportInbox inbox([&] { ++wakes; });
  std::thread poster([&] {
    std::array<int32_t, 4> block = {5, 6, 7, 8};
    inbox.PostDeviceReport(20, kLive, block.data(), sizeof block);
    block.fill(0);  // the inbox holds its own copy
  });
  poster.join();
  EXPECT_EQ(wakes.load(), 1);
  EXPECT_TRUE(table.calls.empty()) << "nothing is dispatched before the GUI thread drains";
  EXPECT_EQ(inbox.Drain(), 1);
  EXPECT_EQ(inbox.Drain(), 0);
  EXPECT_EQ(table.calls, std::vector<std::string>{"device 20 7"});
  EXPECT_EQ(table.blocks[0], (std::array<int32_t, 4>{5, 6, 7, 8}));

  inbox.PostDeviceReport(20, kLive, table.blocks[0].data(), 16);
  inbox.Close();
  inbox.PostDeviceReport(20, kLive, table.blocks[0].data(), 16);
  EXPECT_EQ(inbox.Drain(), 0);
  EXPECT_EQ(table.calls.size(), 1u);
}

}  // namespace
}  // namespace zh

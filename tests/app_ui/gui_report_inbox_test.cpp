// Reports of a real engine instance reach the engine table on the GUI thread.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <vector>

#include "app/shell_hooks.h"
#include "app/ui/gui_report_inbox.h"
#include "enginemodule/host/engine_host.h"
#include "qt_app.h"

namespace zh {
namespace {

class GuiThreadTable final : public GameHooks {
 public:
  std::vector<int32_t> codes;
  int32_t hostThread = 0;
  bool offThread = false;
  bool ended = false;
  bool HasEngineTable() const override { return true; }
  bool IsLiveEngine(int32_t) const override { return true; }
  void DispatchEngineReport(int32_t code, int32_t, const void* block) override {
    Check();
    if (!block) return;
    codes.push_back(code);
    if (code == eng::kReportHostThread)
      hostThread = static_cast<const eng::HostThreadBlock*>(block)->host_thread;
  }
  void OnEngineEnded(int32_t) override {
    Check();
    ended = true;
  }

 private:
  void Check() { offThread |= QThread::currentThread() != QCoreApplication::instance()->thread(); }
};

bool PumpUntil(const std::function<bool()>& done) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

TEST(GuiReportInbox, EngineReportsArriveOnTheGuiThreadAndTheEndAs305) {
  test::TestApp();
  GuiThreadTable table;
  ScopedHooks hooks(ShellHooks{.game = &table});
  GuiReportInbox inbox;
  eng::EngineSlotRecord slot;
  std::memset(&slot, 0, sizeof slot);
  slot.size = sizeof slot;
  slot.engine_id = 4711;
  slot.sink_token = inbox.Inbox().InstallEngineCallback();
  slot.gui_thread = 1;
  slot.hash_kb = 1024;
  slot.kind = 1;
  slot.use_count = 2;
  std::strncpy(slot.path, ZH_ZELKOHOME2_MODULE, sizeof slot.path - 1);
  Func4(&slot);
  ASSERT_TRUE(PumpUntil([&] {
    return std::find(table.codes.begin(), table.codes.end(), eng::kReportStartResult) != table.codes.end();
  }));
  EXPECT_EQ(table.codes.front(), eng::kReportHostThread);
  ASSERT_FALSE(table.ended);
  ASSERT_TRUE(enginehost::PostRequest(table.hostThread, eng::kRequestExit, slot.engine_id, 0));
  ASSERT_TRUE(PumpUntil([&] { return table.ended; }));
  EXPECT_FALSE(table.offThread);
  // The host gives up the slot record after its last report.
  EXPECT_TRUE(PumpUntil([&] { return std::atomic_ref<int32_t>(slot.use_count).load() == 1; }));
  inbox.Inbox().Close();
}

}  // namespace
}  // namespace zh

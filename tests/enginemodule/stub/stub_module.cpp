// A test-only engine module. Its search posts a nodes report every millisecond until
// it is stopped (or, in fixed-depth mode, after "depth" reports), and overwrites the
// block right after each post, as a module may.
#include <atomic>
#include <chrono>
#include <thread>

#include "enginemodule/interface/exports.h"

#define ZH_EXPORT extern "C" __attribute__((visibility("default")))

using namespace zh::eng;

namespace {

constexpr uint32_t kOverwritten = 0xDEADBEEF;
constexpr int kMaxReports = 10000;  // an unstopped search still ends after ~10 s

std::atomic<int32_t> g_in_use{0};
std::atomic<int32_t> g_searching{0};
std::atomic<bool> g_stop{false};
MainLineBlock* g_main = nullptr;
NodesBlock* g_nodes = nullptr;

void Post(int32_t code, void* block) {
  auto* header = static_cast<BlockHeader*>(block);
  Func3(code, header->gui_thread, header->engine_id, block);
}

}  // namespace

ZH_EXPORT int32_t Eng1(MainLineBlock* main, CurrentMoveBlock*, DepthBlock*, NodesBlock* nodes, HashBlock* hash,
                       int32_t kb) noexcept {
  if (g_in_use.exchange(1) != 0) return kStartInUse;
  g_main = main;
  g_nodes = nodes;
  if (hash) hash->hash_kb = kb;
  return kStartOk;
}
ZH_EXPORT void Eng2() noexcept {
  if (g_searching.load()) return;
  g_main = nullptr;
  g_nodes = nullptr;
  g_in_use.store(0);
}
ZH_EXPORT void Eng3() noexcept { g_stop.store(true); }
ZH_EXPORT int32_t Eng4() noexcept { return g_searching.load(); }
ZH_EXPORT int32_t Eng5() noexcept { return g_in_use.load(); }
ZH_EXPORT const char* Eng6() noexcept { return "Test Author"; }
ZH_EXPORT const char* Eng7() noexcept { return "Stub Engine"; }
ZH_EXPORT int32_t Eng8() noexcept { return 1000; }
ZH_EXPORT int32_t Eng9(const PositionBlock* position) noexcept {
  g_searching.store(1);
  g_stop.store(false);
  Post(kReportSearchStarted, g_main);
  int limit = position->mode == 2 ? position->depth : kMaxReports;
  int i = 1;
  for (; i <= limit && !g_stop.load(); ++i) {
    g_nodes->nodes_low = static_cast<uint32_t>(i);
    g_nodes->nodes_high = 0;
    Post(kReportNodes, g_nodes);
    g_nodes->nodes_low = kOverwritten;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  g_searching.store(0);
  return i - 1;
}
ZH_EXPORT void Eng10() noexcept {}
ZH_EXPORT int32_t Eng11() noexcept { return 0; }
#ifndef ZH_STUB_WITHOUT_ENG12
ZH_EXPORT int32_t Eng12() noexcept { return 0x10; }
#endif
ZH_EXPORT const ImageHeader* Eng19(int32_t) noexcept { return nullptr; }

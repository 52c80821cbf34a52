// A test-only engine module. Its search posts a nodes report every millisecond until
// it is stopped (or, in fixed-depth mode, after "depth" reports), and overwrites the
// block right after each post, as a module may.
// Variants: ZH_STUB_NAME names the engine; ZH_STUB_WITHOUT_ENG7 and ZH_STUB_WITH_ENG21
// change the exports; ZH_STUB_HUNG searches on after a stop (about 1.5 s);
// ZH_STUB_LOGO gives logos of both kinds.
#include <atomic>
#include <chrono>
#include <thread>

#include "enginemodule/interface/exports.h"

#define ZH_EXPORT extern "C" __attribute__((visibility("default")))

using namespace zh::eng;

namespace {

constexpr uint32_t kOverwritten = 0xDEADBEEF;
constexpr int kMaxReports = 10000;  // an unstopped search still ends after ~10 s
constexpr int kHungReports = 1500;
#ifndef ZH_STUB_NAME
#define ZH_STUB_NAME "Stub Engine"
#endif

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
#ifndef ZH_STUB_WITHOUT_ENG7
ZH_EXPORT const char* Eng7() noexcept { return ZH_STUB_NAME; }
#endif
#ifdef ZH_STUB_WITH_ENG21
ZH_EXPORT int32_t Eng21() noexcept { return 0; }
#endif
ZH_EXPORT int32_t Eng8() noexcept { return 1000; }
ZH_EXPORT int32_t Eng9(const PositionBlock* position) noexcept {
  g_searching.store(1);
  g_stop.store(false);
  Post(kReportSearchStarted, g_main);
  int limit = position->mode == 2 ? position->depth : kMaxReports;
  int i = 1;
#ifdef ZH_STUB_HUNG
  limit = kHungReports;
  for (; i <= limit; ++i) {
#else
  for (; i <= limit && !g_stop.load(); ++i) {
#endif
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
#ifdef ZH_STUB_LOGO
namespace {
// Pixel (x, y) of logo kind k is 0xFF000000 | k << 16 | y << 8 | x.
template <int W, int H>
struct Logo {
  ImageHeader header;
  uint32_t pixels[W * H];
  explicit Logo(uint32_t kind) : header{static_cast<int32_t>(sizeof(Logo)), W, H, 0}, pixels{} {
    for (uint32_t y = 0; y < H; ++y)
      for (uint32_t x = 0; x < W; ++x) pixels[y * W + x] = 0xFF000000u | kind << 16 | y << 8 | x;
  }
};
const Logo<100, 45> g_small(1);
const Logo<176, 80> g_large(2);
}  // namespace
ZH_EXPORT const ImageHeader* Eng19(int32_t kind) noexcept {
  return kind == 1 ? &g_small.header : kind == 2 ? &g_large.header : nullptr;
}
#else
ZH_EXPORT const ImageHeader* Eng19(int32_t) noexcept { return nullptr; }
#endif

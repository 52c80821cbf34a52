#include "enginemodule/pelta/library/test_hooks.h"

#include <chrono>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#define ZH_EXPORT extern "C" __attribute__((visibility("default")))

namespace zh::pelta::hooks {
namespace {

std::mutex g_mutex;
std::string g_folder;
std::vector<ScriptStep> g_script;

}  // namespace

void Record(const std::string& name, const std::string& a, const std::string& b) {
  std::lock_guard lock(g_mutex);
  if (name == "Init") g_folder = b;
  if (g_folder.empty()) return;
  std::ofstream(g_folder + "calls.log", std::ios::app) << name << (a.empty() ? "" : " ") << a
                                                         << (b.empty() ? "" : " ") << b << '\n';
}

bool InitFails() {
  std::lock_guard lock(g_mutex);
  return std::ifstream(g_folder + "fail-init").good();
}

bool Scripted() {
  std::lock_guard lock(g_mutex);
  return !g_script.empty();
}

int32_t Replay(const Callbacks& show, const std::atomic<bool>& stop) {
  std::vector<ScriptStep> script;
  {
    std::lock_guard lock(g_mutex);
    script = g_script;
  }
  for (const ScriptStep& s : script) {
    switch (s.kind) {
      case ScriptStep::kNodes: show.nodes(static_cast<uint32_t>(s.a), static_cast<uint32_t>(s.b)); break;
      case ScriptStep::kDepth: show.depth(s.a, s.b); break;
      case ScriptStep::kMove: show.move(&s.moves[0], s.a, s.b); break;
      case ScriptStep::kMainLine: show.main_line(s.b == 1 ? nullptr : s.moves, s.length, s.a); break;
      case ScriptStep::kWaitForStop: {
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!stop.load() && std::chrono::steady_clock::now() < end)
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        break;
      }
      default: break;
    }
  }
  return static_cast<int32_t>(script.size());
}

}  // namespace zh::pelta::hooks

ZH_EXPORT void PeltaScript(const zh::pelta::hooks::ScriptStep* steps, int32_t count) {
  std::lock_guard lock(zh::pelta::hooks::g_mutex);
  zh::pelta::hooks::g_script.assign(steps, steps + (steps && count > 0 ? count : 0));
}

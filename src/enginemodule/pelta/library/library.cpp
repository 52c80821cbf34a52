// The outside engine library that Pelta B22 drives: thirteen plain functions over
// a small search of its own. It finds the adapter's callbacks by name in the adapter
// that lies in the folder PeltaInit gets.
#include <dlfcn.h>

#include <algorithm>
#include <string>

#include "enginemodule/pelta/library/search.h"
#include "enginemodule/pelta/library/test_hooks.h"
#include "enginemodule/zelkohome2/core/fen.h"

#define ZH_EXPORT extern "C" __attribute__((visibility("default")))

using namespace zh;
using namespace zh::pelta;

namespace {

struct LibraryState {
  zelko2::Engine engine;
  Search search;
  Callbacks show;
  Level level;
  int32_t hash_kb = 0;
};

LibraryState& State() {
  static LibraryState state;
  return state;
}

template <typename Fn>
bool Find(void* handle, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(dlsym(handle, name));
  return fn != nullptr;
}

// The adapter is already loaded: RTLD_NOLOAD only finds it.
bool BindCallbacks(const char* folder, Callbacks& show) {
  const std::string path = std::string(folder ? folder : "") + kAdapterFile;
  void* adapter = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!adapter) return false;
  bool ok = Find(adapter, "ShowNodes", show.nodes) & Find(adapter, "ShowDepth", show.depth) &
            Find(adapter, "ShowMove", show.move) & Find(adapter, "ShowMainline", show.main_line);
  dlclose(adapter);
  return ok;
}

}  // namespace

ZH_EXPORT int32_t PeltaInit(int32_t hash_kb, const char* folder) {
  LibraryState& state = State();
  hooks::Record("Init", std::to_string(hash_kb), folder);
  if (!BindCallbacks(folder, state.show)) return -1;
  if (hooks::InitFails()) return -1;
  state.engine.SetStartPosition();
  state.engine.RecordBase();
  state.engine.ClearHistory();
  // The search keeps no table; it answers the size it would use: whole 64 KB steps
  // up to 64 MB.
  state.hash_kb = std::clamp(hash_kb, 0, 65536) / 64 * 64;
  return state.hash_kb;
}

ZH_EXPORT void PeltaExit() {
  hooks::Record("Exit");
  State().show = Callbacks{};
}

ZH_EXPORT void PeltaStopAnalyse() {
  hooks::Record("StopAnalyse");
  State().search.stop.store(true);
}

ZH_EXPORT int32_t PeltaAnalyse(int32_t lines, int32_t pondering) {
  LibraryState& state = State();
  hooks::Record("Analyse", std::to_string(lines), std::to_string(pondering));
  if (!state.show.complete()) return -1;
  state.search.stop.store(false);
  state.search.restart.store(false);
  state.search.pondering.store(pondering != 0);
  if (hooks::Scripted()) return hooks::Replay(state.show, state.search.stop);
  return state.search.Run(state.engine, state.level, lines, state.show);
}

ZH_EXPORT int32_t PeltaPonderingOff() {
  hooks::Record("PonderingOff");
  State().search.pondering.store(false);
  return 1;
}

ZH_EXPORT int32_t PeltaNextBest() {
  hooks::Record("NextBest");
  State().search.restart.store(true);
  return 1;
}

ZH_EXPORT void PeltaSetTime(int32_t moves_to_go, int32_t seconds) {
  hooks::Record("SetTime", std::to_string(moves_to_go), std::to_string(seconds));
  State().level = TimeLevel(moves_to_go, seconds);
}

ZH_EXPORT void PeltaSetInfinite() {
  hooks::Record("SetInfinite");
  State().level = Level{};
}

ZH_EXPORT void PeltaSetDepth(int32_t depth) {
  hooks::Record("SetDepth", std::to_string(depth));
  Level level;
  level.depth_limit = depth < 1 ? 1 : depth;
  State().level = level;
}

ZH_EXPORT void PeltaSetBlitz(int32_t seconds, int32_t increment) {
  hooks::Record("SetBlitz", std::to_string(seconds), std::to_string(increment));
  State().level = BlitzLevel(seconds, increment);
}

ZH_EXPORT int32_t PeltaSetPosition(const char* fen) {
  hooks::Record("SetPosition", fen ? fen : "");
  LibraryState& state = State();
  zelko2::CorePosition position;
  if (!fen || !zelko2::ParseFen(fen, position) || !state.engine.SetPosition(position)) return 0;
  state.engine.RecordBase();
  state.engine.ClearHistory();
  return 1;
}

ZH_EXPORT void PeltaSetStartPosition() {
  hooks::Record("SetStartPosition");
  LibraryState& state = State();
  state.engine.SetStartPosition();
  state.engine.RecordBase();
  state.engine.ClearHistory();
}

ZH_EXPORT int32_t PeltaEnterMove(const PeltaMove* move) {
  if (!move) return 0;
  hooks::Record("EnterMove", std::to_string(move->from) + " " + std::to_string(move->to),
                std::to_string(move->promotion));
  if (move->from < 0 || move->from > 63 || move->to < 0 || move->to > 63) return 0;
  int flags = 0;
  switch (move->promotion) {
    case 'Q': flags = zelko2::kFlagPromoQueen; break;
    case 'R': flags = zelko2::kFlagPromoRook; break;
    case 'B': flags = zelko2::kFlagPromoBishop; break;
    case 'N': flags = zelko2::kFlagPromoKnight; break;
    default: break;
  }
  return State().engine.PlayGameMove(zelko2::MakeCoreMove(move->from, move->to, 0, flags)) ? 1 : 0;
}

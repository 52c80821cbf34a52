// The exports of ZelkoHome2.
#include "enginemodule/interface/exports.h"
#include "enginemodule/zelkohome2/core/engine.h"
#include "enginemodule/zelkohome2/module/module_state.h"

#define ZH_EXPORT extern "C" __attribute__((visibility("default")))

namespace zh::zelko2 {

ModuleState& State() {
  static ModuleState state;
  return state;
}

Driver& TheDriver() {
  static Driver driver(TheEngine(), State().control);
  return driver;
}

void Post(int32_t code, void* block) {
  if (!block) return;
  const auto* header = static_cast<const eng::BlockHeader*>(block);
  Func3(code, header->gui_thread, header->engine_id, block);
}

namespace {

void Release() {
  ModuleState& state = State();
  TheEngine().tt().Free();
  state.current_move = nullptr;
  state.depth = nullptr;
  state.nodes = nullptr;
  state.hash = nullptr;
  state.main_line.store(nullptr);
  state.in_use.store(0);
}

}  // namespace
}  // namespace zh::zelko2

using namespace zh;
using namespace zh::zelko2;

ZH_EXPORT int32_t Eng1(eng::MainLineBlock* main_line, eng::CurrentMoveBlock* current_move,
                       eng::DepthBlock* depth, eng::NodesBlock* nodes, eng::HashBlock* hash,
                       int32_t hash_kb) noexcept {
  ModuleState& state = State();
  if (state.in_use.load() != 0 || state.main_line.load() != nullptr) return eng::kStartInUse;
  if (state.in_use.exchange(1) != 0) return eng::kStartInUse;
  state.current_move = current_move;
  state.depth = depth;
  state.nodes = nodes;
  state.hash = hash;
  state.main_line.store(main_line);
  size_t bytes = TtMemory::SizeForKb(hash_kb);
  if (hash) hash->hash_kb = static_cast<int32_t>(bytes / 1024);
  if (!TheEngine().tt().Allocate(bytes)) {
    Release();
    return eng::kStartNoMemory;
  }
  TheEngine().SetStartPosition();
  ResetParameters();
  state.control.state.store(0);  // no stop left from an earlier use
  return eng::kStartOk;
}

ZH_EXPORT void Eng2() noexcept {
  ModuleState& state = State();
  if (state.searching.load() != 0 || state.in_use.load() == 0) return;
  Release();
}

ZH_EXPORT void Eng3() noexcept { State().control.state.fetch_or(kStateStop); }

ZH_EXPORT int32_t Eng4() noexcept { return State().searching.load(); }

ZH_EXPORT int32_t Eng5() noexcept {
  ModuleState& state = State();
  return state.in_use.load() != 0 || state.main_line.load() != nullptr ? 1 : 0;
}

ZH_EXPORT const char* Eng6() noexcept { return "Mira Zelkova"; }

ZH_EXPORT const char* Eng7() noexcept { return "Zelko Home 2"; }

ZH_EXPORT int32_t Eng8() noexcept { return 2450; }

ZH_EXPORT int32_t Eng9(const eng::PositionBlock* block) noexcept {
  ModuleState& state = State();
  if (!block || state.in_use.load() == 0) return 0;
  state.searching.store(1);
  ReportBlocks reports;
  reports.main_line = state.main_line.load();
  reports.current_move = state.current_move;
  reports.depth = state.depth;
  reports.nodes = state.nodes;
  reports.hash = state.hash;
  reports.post = [](int32_t code, void* report) { Post(code, report); };
  TheDriver().Run(*block, CurrentParameters(), reports);
  state.searching.store(0);
  return 0;
}

ZH_EXPORT void Eng10() noexcept { TheDriver().PonderHit(); }

ZH_EXPORT int32_t Eng11() noexcept { return TheDriver().RequestNextBest() ? 1 : 0; }

ZH_EXPORT int32_t Eng12() noexcept { return 0x20F0; }

ZH_EXPORT eng::ParameterList* Eng13() noexcept { return ParameterListOfModule(); }

ZH_EXPORT int32_t Eng14(eng::ParameterList* list) noexcept { return TakeParameters(list); }

ZH_EXPORT const eng::ImageHeader* Eng19(int32_t which) noexcept { return Logo(which); }

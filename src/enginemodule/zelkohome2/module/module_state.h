// Module-wide state of ZelkoHome2: one engine per loaded module.
#pragma once

#include <atomic>
#include <cstdint>

#include "enginemodule/interface/records.h"
#include "enginemodule/zelkohome2/core/driver.h"

namespace zh::zelko2 {

// The three engine parameters in internal units.
struct Parameters {
  int32_t contempt = 40;
  int32_t aggressiveness = 0;
  int32_t selectivity = 2;
  bool defaults_applied = true;
  bool any_differs = false;
};

struct ModuleState {
  std::atomic<int32_t> in_use{0};
  std::atomic<int32_t> searching{0};
  std::atomic<eng::MainLineBlock*> main_line{nullptr};
  eng::CurrentMoveBlock* current_move = nullptr;
  eng::DepthBlock* depth = nullptr;
  eng::NodesBlock* nodes = nullptr;
  eng::HashBlock* hash = nullptr;
  Parameters parameters;
  SearchControl control;  // search state byte, time flags and the clock
};

// The search driver of the module's engine.
Driver& TheDriver();

// The parameters as the next search applies them, in internal units.
EngineParameters CurrentParameters();

ModuleState& State();

// Posts a report block through the host, taking thread and engine id from its header.
void Post(int32_t code, void* block);

// The module's parameter list (Eng13, Eng14).
eng::ParameterList* ParameterListOfModule();
int32_t TakeParameters(const eng::ParameterList* list);
void ResetParameters();

// The two logos (1 small, 2 large), built once.
const eng::ImageHeader* Logo(int32_t which);

}  // namespace zh::zelko2

#include "app/report_dispatch.h"

#include "app/shell_hooks.h"

namespace zh {

void DispatchEngineReport(int32_t code, int32_t engineId, const void* block) {
  GameHooks& game = Game();
  if (code == 0 || !game.HasEngineTable()) return;
  if (code == kEngineEndedCode) {
    game.OnEngineEnded(engineId);
  } else if (block != nullptr && game.IsLiveEngine(engineId)) {
    game.DispatchEngineReport(code, engineId, block);
  }
}

void DispatchDeviceReport(int32_t code, int32_t deviceId, const void* block) {
  GameHooks& game = Game();
  if (code == 0 || block == nullptr || !game.HasDeviceManager()) return;
  if (game.IsKnownDevice(deviceId)) game.OnDeviceMessage(code, deviceId, block);
}

}  // namespace zh

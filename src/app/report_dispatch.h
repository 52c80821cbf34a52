// Where engine and device reports go once they are on the GUI thread: the engine
// table and the device manager of the installed game hooks.
#pragma once

#include <cstdint>

namespace zh {

// The code with which the engine host tells that an engine instance has ended.
inline constexpr int32_t kEngineEndedCode = 305;

// An engine report: 305 ends the instance (a block is not needed); any other code
// goes to the engine table when the instance is live and a block came with it.
// Nothing happens without an engine table.
void DispatchEngineReport(int32_t code, int32_t engineId, const void* block);

// A device report: to the device manager when the device is known and a block came
// with it. Nothing happens without a device manager.
void DispatchDeviceReport(int32_t code, int32_t deviceId, const void* block);

}  // namespace zh

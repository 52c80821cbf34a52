// The exports of an engine module and the one host function a module imports.
#pragma once

#include <cstdint>

#include "enginemodule/interface/records.h"

namespace zh::eng {

// Signatures of the module exports Eng1 .. Eng14 and Eng19.
using Eng1Fn = int32_t (*)(MainLineBlock*, CurrentMoveBlock*, DepthBlock*, NodesBlock*, HashBlock*,
                           int32_t hash_kb) noexcept;
using Eng2Fn = void (*)() noexcept;
using Eng3Fn = void (*)() noexcept;
using Eng4Fn = int32_t (*)() noexcept;
using Eng5Fn = int32_t (*)() noexcept;
using Eng6Fn = const char* (*)() noexcept;
using Eng7Fn = const char* (*)() noexcept;
using Eng8Fn = int32_t (*)() noexcept;
using Eng9Fn = int32_t (*)(const PositionBlock*) noexcept;
using Eng10Fn = void (*)() noexcept;
using Eng11Fn = int32_t (*)() noexcept;
using Eng12Fn = int32_t (*)() noexcept;
using Eng13Fn = ParameterList* (*)() noexcept;
using Eng14Fn = int32_t (*)(ParameterList*) noexcept;
using Eng19Fn = const ImageHeader* (*)(int32_t which) noexcept;

}  // namespace zh::eng

// Posts one report of an engine module; the host copies the block before it returns.
extern "C" void Func3(int32_t code, int32_t gui_thread, int32_t engine_id, void* block) noexcept;

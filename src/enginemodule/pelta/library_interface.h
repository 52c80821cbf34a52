// What the Pelta B22 adapter and its outside engine library exchange: the thirteen
// library functions it binds by name, the four callbacks it exports for the library
// and the move record they pass.
#pragma once

#include <cstdint>

namespace zh::pelta {

// A move as the library sees it: squares rank-major (a1 = 0, b1 = 1, h8 = 63),
// promotion letter 'Q', 'R', 'B', 'N' or 0.
struct PeltaMove {
  int32_t from;
  int32_t to;
  int32_t promotion;
};
static_assert(sizeof(PeltaMove) == 12);

// Mate scores of the library: a mate in m moves is 9999 - 2m (negative when mated).
constexpr int32_t kLibraryMate = 9999;

using PeltaInitFn = int32_t (*)(int32_t hash_kb, const char* folder);
using PeltaExitFn = void (*)();
using PeltaStopAnalyseFn = void (*)();
using PeltaAnalyseFn = int32_t (*)(int32_t lines, int32_t pondering);
using PeltaPonderingOffFn = int32_t (*)();
using PeltaNextBestFn = int32_t (*)();
using PeltaSetTimeFn = void (*)(int32_t moves_to_go, int32_t seconds);
using PeltaSetInfiniteFn = void (*)();
using PeltaSetDepthFn = void (*)(int32_t depth);
using PeltaSetBlitzFn = void (*)(int32_t seconds, int32_t increment);
using PeltaSetPositionFn = int32_t (*)(const char* fen);
using PeltaSetStartPositionFn = void (*)();
using PeltaEnterMoveFn = int32_t (*)(const PeltaMove* move);

// The library's functions in the order the adapter binds them.
constexpr const char* kLibraryNames[] = {
    "PeltaInit",        "PeltaExit",    "PeltaStopAnalyse", "PeltaAnalyse",     "PeltaPonderingOff",
    "PeltaNextBest",    "PeltaSetTime", "PeltaSetInfinite", "PeltaSetDepth",    "PeltaSetBlitz",
    "PeltaSetPosition", "PeltaSetStartPosition",            "PeltaEnterMove"};
constexpr int kLibraryFunctions = 13;
static_assert(sizeof(kLibraryNames) / sizeof(kLibraryNames[0]) == kLibraryFunctions);

// The adapter's callbacks.
using ShowNodesFn = void (*)(uint32_t low, uint32_t high);
using ShowDepthFn = void (*)(int32_t depth, int32_t selective_depth);
using ShowMoveFn = void (*)(const PeltaMove* move, int32_t number, int32_t count);
using ShowMainlineFn = void (*)(const PeltaMove* line, int32_t length, int32_t score);

// File names inside the engines folder.
constexpr const char* kAdapterFile = "Pelta B22.eng";
constexpr const char* kLibraryFile = "pelta b22.so";

}  // namespace zh::pelta

// Hooks of the library's test builds (ZH_PELTA_TEST_HOOKS): every call is appended
// to "calls.log" in the folder PeltaInit got, PeltaInit fails while a file
// "fail-init" lies there, and a script set through the extra export PeltaScript
// replaces the search by a fixed sequence of callbacks. In the delivered library the
// hooks do nothing.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "enginemodule/pelta/library/search.h"

namespace zh::pelta::hooks {

// One callback of a script.
struct ScriptStep {
  enum Kind : int32_t { kNodes = 1, kDepth, kMove, kMainLine, kWaitForStop };
  int32_t kind;
  int32_t a;  // nodes low, depth, move number, score
  int32_t b;  // nodes high, selective depth, move count, 1 for a null line
  int32_t length;  // line length (may be negative)
  PeltaMove moves[40];
};
using PeltaScriptFn = void (*)(const ScriptStep* steps, int32_t count);

#ifdef ZH_PELTA_TEST_HOOKS
void Record(const std::string& name, const std::string& a = "", const std::string& b = "");
bool InitFails();
bool Scripted();
int32_t Replay(const Callbacks& show, const std::atomic<bool>& stop);
#else
inline void Record(const std::string&, const std::string& = "", const std::string& = "") {}
inline bool InitFails() { return false; }
inline bool Scripted() { return false; }
inline int32_t Replay(const Callbacks&, const std::atomic<bool>&) { return 0; }
#endif

}  // namespace zh::pelta::hooks

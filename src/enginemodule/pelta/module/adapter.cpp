// The exports of Pelta B22: an engine module that drives an outside engine library
// lying beside it and turns the library's callbacks into report blocks.
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>

#include "enginemodule/interface/exports.h"
#include "enginemodule/pelta/line_table.h"
#include "enginemodule/pelta/module/logo.h"

#define ZH_EXPORT extern "C" __attribute__((visibility("default")))

using namespace zh;
using namespace zh::pelta;

namespace {

using Clock = std::chrono::steady_clock;

struct Library {
  void* handle = nullptr;
  PeltaInitFn init = nullptr;
  PeltaExitFn exit = nullptr;
  PeltaStopAnalyseFn stop_analyse = nullptr;
  PeltaAnalyseFn analyse = nullptr;
  PeltaPonderingOffFn pondering_off = nullptr;
  PeltaNextBestFn next_best = nullptr;
  PeltaSetTimeFn set_time = nullptr;
  PeltaSetInfiniteFn set_infinite = nullptr;
  PeltaSetDepthFn set_depth = nullptr;
  PeltaSetBlitzFn set_blitz = nullptr;
  PeltaSetPositionFn set_position = nullptr;
  PeltaSetStartPositionFn set_start_position = nullptr;
  PeltaEnterMoveFn enter_move = nullptr;
};

struct AdapterState {
  Library library;
  // Eng3, Eng10 and Eng11 arrive on the control thread while PeltaAnalyse runs.
  std::atomic<int32_t> in_use{0};
  std::atomic<int32_t> searching{0};
  std::atomic<int32_t> stop{0};
  std::atomic<bool> options_asked{false};
  eng::MainLineBlock* main_line = nullptr;
  eng::CurrentMoveBlock* current_move = nullptr;
  eng::DepthBlock* depth = nullptr;
  eng::NodesBlock* nodes = nullptr;
  eng::HashBlock* hash = nullptr;
  int lines_wanted = 1;
  int last_depth = 0;
  Clock::time_point start;
  LineTable lines;
};

AdapterState& State() {
  static AdapterState state;
  return state;
}

// The folder of this module with a trailing '/', taken once at load.
const std::string& OwnFolder() {
  static const std::string folder = [] {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&OwnFolder), &info) || !info.dli_fname) return std::string();
    char resolved[PATH_MAX];
    std::string path = realpath(info.dli_fname, resolved) ? resolved : info.dli_fname;
    return path.substr(0, path.rfind('/') + 1);
  }();
  return folder;
}

void Post(int32_t code, void* block) {
  if (!block) return;
  const auto* header = static_cast<const eng::BlockHeader*>(block);
  Func3(code, header->gui_thread, header->engine_id, block);
}

template <typename Fn>
bool Bind(void* handle, int index, Fn& fn) {
  fn = reinterpret_cast<Fn>(dlsym(handle, kLibraryNames[index]));
  return fn != nullptr;
}

void Unload(Library& library) {
  if (library.handle) dlclose(library.handle);
  library = Library{};
}

// Loads the library beside the module and binds its functions; false (nothing
// loaded) when the file is missing, not loadable or lacks a name.
bool Load(Library& library) {
  const std::string path = OwnFolder() + kLibraryFile;
  library.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library.handle) return false;
  void* h = library.handle;
  bool ok = Bind(h, 0, library.init) & Bind(h, 1, library.exit) & Bind(h, 2, library.stop_analyse) &
            Bind(h, 3, library.analyse) & Bind(h, 4, library.pondering_off) & Bind(h, 5, library.next_best) &
            Bind(h, 6, library.set_time) & Bind(h, 7, library.set_infinite) & Bind(h, 8, library.set_depth) &
            Bind(h, 9, library.set_blitz) & Bind(h, 10, library.set_position) &
            Bind(h, 11, library.set_start_position) & Bind(h, 12, library.enter_move);
  if (!ok) Unload(library);
  return ok;
}

int32_t Seconds(const AdapterState& state) {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - state.start).count();
  return static_cast<int32_t>((ms + 500) / 1000);
}

void PassPosition(AdapterState& state, eng::PositionBlock& block) {
  Library& lib = state.library;
  if (block.start_position) {
    lib.set_start_position();
  } else {
    block.en_passant_file = static_cast<uint8_t>(KeptEnPassantFile(block));
    lib.set_position(FenText(block).c_str());
  }
  const int count = std::clamp<int>(block.move_count, 0, eng::kMaxGameMoves);
  for (int i = 0; i < count; ++i) {
    PeltaMove move = ToLibraryMove(block.moves[i]);
    lib.enter_move(&move);
  }
}

void PassLevel(const Library& lib, const eng::PositionBlock& block) {
  switch (block.mode) {
    case 1:
      if (block.moves_to_go == 0x7FFF)
        lib.set_blitz(block.clock_seconds, block.increment_seconds);
      else
        lib.set_time(block.moves_to_go, block.clock_seconds);
      break;
    case 2:
    case 3: lib.set_depth(block.depth); break;
    default: lib.set_infinite(); break;
  }
}

// After a stop, a callback only repeats the stop request.
bool Stopped(AdapterState& state) {
  if (state.stop.load() == 0) return false;
  if (state.library.stop_analyse) state.library.stop_analyse();
  return true;
}

}  // namespace

ZH_EXPORT int32_t Eng1(eng::MainLineBlock* main_line, eng::CurrentMoveBlock* current_move, eng::DepthBlock* depth,
                       eng::NodesBlock* nodes, eng::HashBlock* hash, int32_t hash_kb) noexcept {
  AdapterState& state = State();
  if (state.in_use.load() != 0 || state.searching.load() != 0 || state.main_line) return eng::kStartInUse;
  if (state.in_use.exchange(1) != 0) return eng::kStartInUse;
  if (!Load(state.library)) {
    state.in_use.store(0);
    return eng::kStartCannotLoad;
  }
  const int32_t used = state.library.init(hash_kb, OwnFolder().c_str());
  if (used < 0) {
    state.library.exit();
    Unload(state.library);
    state.in_use.store(0);
    return eng::kStartNoMemory;
  }
  state.main_line = main_line;
  state.current_move = current_move;
  state.depth = depth;
  state.nodes = nodes;
  state.hash = hash;
  if (hash) hash->hash_kb = used;
  return eng::kStartOk;
}

ZH_EXPORT int32_t Eng2() noexcept {
  AdapterState& state = State();
  const int32_t was = state.in_use.load();
  // Nothing while PeltaAnalyse runs: its code must stay loaded.
  if (was == 0 || state.searching.load() != 0) return was;
  if (state.library.exit) state.library.exit();
  Unload(state.library);
  state.main_line = nullptr;
  state.current_move = nullptr;
  state.depth = nullptr;
  state.nodes = nullptr;
  state.hash = nullptr;
  state.in_use.store(0);
  return was;
}

ZH_EXPORT void Eng3() noexcept {
  AdapterState& state = State();
  state.stop.store(1);
  if (state.searching.load() && state.library.stop_analyse) state.library.stop_analyse();
}

ZH_EXPORT int32_t Eng4() noexcept { return State().searching.load(); }

ZH_EXPORT int32_t Eng5() noexcept { return State().in_use.load(); }

ZH_EXPORT const char* Eng6() noexcept { return "Tomas Pelta"; }

ZH_EXPORT const char* Eng7() noexcept { return "Pelta B22"; }

ZH_EXPORT int32_t Eng8() noexcept { return 2350; }

ZH_EXPORT int32_t Eng9(const eng::PositionBlock* position) noexcept {
  AdapterState& state = State();
  if (!position || state.in_use.load() == 0 || !state.library.analyse) return 0;
  // The block is the host's own copy; the e.p. byte is cleared in it when dropped.
  auto& block = const_cast<eng::PositionBlock&>(*position);
  if (!block.start_position && !IsValidBoard(block)) {
    Post(eng::kReportSearchStarted, state.main_line);
    return 0;
  }
  state.searching.store(1);
  state.stop.store(0);
  PassPosition(state, block);
  PassLevel(state.library, block);
  Post(eng::kReportSearchStarted, state.main_line);
  state.lines.Clear();
  state.lines_wanted = std::clamp<int>(block.lines_wanted, 1, LineTable::kMaxLines);
  state.last_depth = 0;
  state.start = Clock::now();
  int32_t result = 0;
  if (state.stop.load() == 0) result = state.library.analyse(state.lines_wanted, block.ponder == 2 ? 1 : 0);
  state.searching.store(0);
  return result;
}

ZH_EXPORT void Eng10() noexcept {
  AdapterState& state = State();
  if (state.library.pondering_off) state.library.pondering_off();
}

ZH_EXPORT int32_t Eng11() noexcept {
  AdapterState& state = State();
  return state.library.next_best ? state.library.next_best() : 0;
}

ZH_EXPORT int32_t Eng12() noexcept {
  State().options_asked.store(true);
  return 0x2070;
}

ZH_EXPORT const eng::ImageHeader* Eng19(int32_t which) noexcept { return Logo(which); }

// Callbacks of the library, on the search thread inside PeltaAnalyse.

ZH_EXPORT void ShowNodes(uint32_t low, uint32_t high) noexcept {
  AdapterState& state = State();
  if (Stopped(state) || !state.nodes) return;
  state.nodes->nodes_low = low;
  state.nodes->nodes_high = high;
  state.nodes->zero = 0;
  if (state.last_depth > 4) Post(eng::kReportNodes, state.nodes);
}

ZH_EXPORT void ShowDepth(int32_t depth, int32_t selective_depth) noexcept {
  AdapterState& state = State();
  if (Stopped(state)) return;
  state.last_depth = depth;
  if (!state.depth) return;
  state.depth->depth = static_cast<int16_t>(depth);
  state.depth->selective_depth = static_cast<int16_t>(selective_depth);
  Post(eng::kReportDepth, state.depth);
}

ZH_EXPORT void ShowMove(const PeltaMove* move, int32_t number, int32_t count) noexcept {
  AdapterState& state = State();
  if (Stopped(state) || !state.current_move || !move) return;
  eng::ReportMove converted{};
  if (!ToReportMove(*move, converted)) return;
  state.current_move->index = static_cast<int16_t>(number);
  state.current_move->count = static_cast<int16_t>(count);
  state.current_move->move = converted;
  if (state.last_depth > 5) Post(eng::kReportCurrentMove, state.current_move);
}

ZH_EXPORT void ShowMainline(const PeltaMove* line, int32_t length, int32_t score) noexcept {
  AdapterState& state = State();
  eng::MainLineBlock* block = state.main_line;
  if (Stopped(state) || !block) return;
  if (state.lines_wanted <= 1) {
    block->flags = 0x10011;
    block->line_count = 0;
    block->line_length = static_cast<int16_t>(CopyLine(line, length, block->line));
    ReportScore converted = ConvertScore(score);
    block->score_value = converted.value;
    block->score_type = converted.type;
    block->seconds = Seconds(state);
    Post(eng::kReportMainLine, block);
    return;
  }
  AdapterLine entry;
  entry.count = CopyLine(line, length, entry.moves.data());
  entry.depth = state.last_depth;
  entry.raw_score = score;
  entry.seconds = Seconds(state);
  entry.score = ConvertScore(score);
  if (!state.lines.Add(entry, state.lines_wanted)) return;
  block->flags = 0x30013;
  state.lines.Fill(*block, state.last_depth, state.lines_wanted);
  Post(eng::kReportMainLine, block);
}

// The library's search: iterative deepening with alpha-beta and a capture search
// over the engine core, material and centre values, and the stop, time, ponder and
// next-best controls that the library's functions set from other threads.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <vector>

#include "enginemodule/pelta/library_interface.h"
#include "enginemodule/zelkohome2/core/engine.h"

namespace zh::pelta {

struct Callbacks {
  ShowNodesFn nodes = nullptr;
  ShowDepthFn depth = nullptr;
  ShowMoveFn move = nullptr;
  ShowMainlineFn main_line = nullptr;
  bool complete() const { return nodes && depth && move && main_line; }
};

struct Level {
  int32_t depth_limit = 0;    // 0 none
  int64_t target_ms = -1;     // -1 no time limit
  bool one_iteration = false;  // no whole second left: move after depth 1
};

// Level from the clock: seconds left with an increment, or moves to go.
Level BlitzLevel(int32_t seconds, int32_t increment);
Level TimeLevel(int32_t moves_to_go, int32_t seconds);

class Search {
 public:
  // Set from the caller's thread while Run works.
  std::atomic<bool> stop{false};
  std::atomic<bool> pondering{false};
  std::atomic<bool> restart{false};

  // Searches the engine's current position until the level says so or stop is set;
  // returns the number of completed iterations of the last run.
  int Run(zelko2::Engine& engine, const Level& level, int lines, const Callbacks& show);

 private:
  struct RootLine {
    zelko2::Move move;
    int32_t score = 0;
    std::vector<zelko2::Move> line;
  };

  int32_t AlphaBeta(zelko2::Position& p, int depth, int ply, int32_t alpha, int32_t beta);
  int32_t Quiescence(zelko2::Position& p, int ply, int32_t alpha, int32_t beta);
  bool TimeUp();
  void ReportLine(const RootLine& root, const Callbacks& show) const;
  static PeltaMove LibraryMove(const zelko2::Move& m);
  bool Interrupted() const { return out_of_time_ || stop.load() || restart.load(); }

  uint64_t nodes_ = 0;
  int selective_ = 0;
  int iteration_ = 0;  // depth 1 always completes, whatever the clock
  bool out_of_time_ = false;
  std::chrono::steady_clock::time_point start_;
  Level level_;
  std::vector<std::vector<zelko2::Move>> pv_;
};

}  // namespace zh::pelta

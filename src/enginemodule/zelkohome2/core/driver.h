// The search driver: time budget from the clock fields of a position block, the
// engine parameters, iterative deepening with its stop rules and next-best restarts,
// and the reports in the program's format.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "enginemodule/interface/records.h"
#include "enginemodule/zelkohome2/core/search.h"

namespace zh::zelko2 {

constexpr int kMaxDepth = 47;

struct TimeBudget {
  int64_t target_ms = 500;
  int64_t max_ms = 500;
  int depth = kMaxDepth;
  uint8_t time_flags = 0;
  bool pondering = false;
  int mode = 4;
};

TimeBudget AllocateTime(const eng::PositionBlock& block);

// Parameters in internal units, clamped to their ranges.
struct EngineParameters {
  int32_t contempt = 40;
  int32_t aggressiveness = 0;
  int32_t selectivity = 2;
};
// Contempt in internal units of a value in centipawns.
int32_t ContemptUnits(int32_t centipawns);

// A core score as a report score {value, type}.
struct ReportScore {
  int16_t value = 0;
  int16_t type = 0;
};
ReportScore ConvertScore(int32_t score, int32_t contempt);
eng::ReportMove ConvertMove(CoreMove move);

// Where the reports go: the blocks (any may be null) and the function that posts one.
struct ReportBlocks {
  eng::MainLineBlock* main_line = nullptr;
  eng::CurrentMoveBlock* current_move = nullptr;
  eng::DepthBlock* depth = nullptr;
  eng::NodesBlock* nodes = nullptr;
  eng::HashBlock* hash = nullptr;
  std::function<void(int32_t code, void* block)> post;
};

class Driver : public SearchListener {
 public:
  Driver(Engine& engine, SearchControl& control) : engine_(engine), control_(control), search_(engine, control) {}

  // One search request (Eng9): import, budget, parameters, runs, final nodes.
  void Run(const eng::PositionBlock& block, const EngineParameters& parameters, const ReportBlocks& reports);
  // Eng11: stop the run and restart without the moves already reported as best.
  bool RequestNextBest();
  // Eng10.
  void PonderHit();

  Search& search() { return search_; }
  const TimeBudget& budget() const { return budget_; }

  // SearchListener.
  void CurrentMove(int index) override;
  void MainLine() override;
  void Line(int index) override;
  void LinesWindow(int32_t& lowest, int32_t& highest) override;

 private:
  struct LineEntry {
    std::array<CoreMove, kPvLength + 1> moves{};
    int depth = 0;
    int32_t raw = 0;
    int32_t seconds = 0;
    ReportScore score;
  };

  bool Stopped() const { return control_.state.load() & kStateStop; }
  int32_t Seconds() const { return static_cast<int32_t>((control_.Elapsed() + 500) / 1000); }
  void Drive();
  bool PrepareRestart();
  void PostDepth(int depth);
  // The nodes, then the depth again when the selective depth grew (not after the last).
  void PostNodes(bool last = false);
  void PostHash();
  // When the search ends without having posted a line while the root has legal moves:
  // the best line so far, else the first root move.
  void PostAnswer();
  void RebuildLines();
  void PostLines();
  void FillNodes(uint32_t& low, uint32_t& high) const;

  Engine& engine_;
  SearchControl& control_;
  Search search_;
  ReportBlocks reports_;
  EngineParameters parameters_;
  TimeBudget budget_;
  int lines_wanted_ = 1;
  bool answered_ = false;  // a main line was posted in this search
  bool prepared_ = false;  // the root of this search was prepared
  int selective_seen_ = 0;
  int64_t last_current_move_ = 0;
  int64_t last_hash_ = 0;
  int last_hash_percent_ = -1;
  // Multi-line table.
  std::array<LineEntry, 64> lines_{};
  int line_count_ = 0;
  int shown_ = 0;
  int32_t lowest_ = -32688;
  int32_t highest_ = 32680;
  // Next best.
  std::atomic<int> runs_{0};
  std::atomic<int> root_moves_{0};  // read by RequestNextBest from another thread
  std::atomic<bool> restart_{false};
  std::array<CoreMove, 256> excluded_{};
  int excluded_count_ = 0;
};

}  // namespace zh::zelko2

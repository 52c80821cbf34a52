// The search: single-line and multi-line root searches with an aspiration window,
// alpha-beta below the root with null move, frontier and horizon pruning, check and
// recapture extensions, evasion nodes, a depth-0 ply with checking moves and a
// capture quiescence; the transposition table detects repetitions through entries
// marked open on the path and in the game history.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

#include "enginemodule/zelkohome2/core/engine.h"
#include "enginemodule/zelkohome2/core/root.h"
#include "enginemodule/zelkohome2/core/tt.h"

namespace zh::zelko2 {

constexpr int32_t kInfinity = 32768;
constexpr int32_t kMateValue = 32768;
constexpr int32_t kMatePerPly = 96;
constexpr int32_t kMateBound = 0x6000;  // found mates lie beyond it
constexpr int32_t kMateScoreLimit = 20480;
constexpr int kPvLength = 10;
constexpr int kHistoryDepth = 124;

// Score of the side to move when it is mated at ply p.
constexpr int32_t MatedAt(int ply) { return -(kMateValue - kMatePerPly * ply); }

// Search state bits (written by other threads) and time flags.
enum : uint8_t {
  kStatePondering = 0x01,
  kStateStop = 0x80,
  kTimeNoLimit = 0x08,
  kTimeMateSearch = 0x04,
  kTimeUsedPondering = 0x40,
  kTimeUp = 0x80,
};

inline int64_t SteadyMilliseconds() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The bytes the exports set while a search runs, and the time budget; the clock is
// injectable.
struct SearchControl {
  std::atomic<uint8_t> state{0};
  std::atomic<uint8_t> time_flags{0};
  std::atomic<int> depth{0};
  std::atomic<int64_t> start_ms{0};
  std::atomic<int64_t> target_ms{500};
  std::atomic<int64_t> max_ms{500};
  std::function<int64_t()> now = SteadyMilliseconds;
  int64_t Elapsed() const { return now() - start_ms.load(); }
};

// What the root searches tell the driver.
class SearchListener {
 public:
  virtual ~SearchListener() = default;
  virtual void CurrentMove(int /*index*/) {}
  // A new best root score (single line), or the first move's fail low.
  virtual void MainLine() {}
  // A completed line of root move index in multi-line mode.
  virtual void Line(int /*index*/) {}
  // The window of the lines shown (multi-line mode).
  virtual void LinesWindow(int32_t& lowest, int32_t& highest) { lowest = -kInfinity, highest = kInfinity; }
};

class Search {
 public:
  Search(Engine& engine, SearchControl& control) : engine_(engine), tt_(engine.tt()), control_(control) {}

  void set_listener(SearchListener* listener) { listener_ = listener; }
  // Prepares a run: table cleared and the game marked, piece history cleared, root
  // prepared, killers and lines reset. When stop answers true during the clear, the
  // clear ends there and the caller must not search.
  void PrepareRun(int selectivity, int aggressiveness, const std::function<bool()>& stop = {});
  void ApplyContempt(int32_t contempt);
  const RootInfo& root_info() const { return info_; }

  // One iteration; returns false when it was ended by time or stop.
  bool RootSingle(int depth);
  bool RootMulti(int depth, int lines_wanted);
  // Sorts the root moves, derives the shortening shift, resets root scores.
  void StartIteration();

  // The time check: true when the search must stop.
  bool TimeCheck(int64_t limit_ms);

  int32_t root_score() const { return root_score_; }
  int32_t root_start() const { return root_start_; }
  int best_index() const { return best_index_; }
  int aspiration() const { return aspiration_; }
  const std::array<CoreMove, kPvLength + 1>& pv() const { return pv_[0]; }
  const std::array<CoreMove, kPvLength + 1>& line(int index) const { return root_lines_[index]; }
  bool aborted() const { return aborted_; }
  int selective_depth() const;
  // The deepest ply reached since the reached marks were cleared.
  int deepest_ply() const;
  // Moves are extended only above this many plies per ply of iteration depth (2; the
  // tests raise it to show the ply limit).
  void set_extension_plies_per_depth(int plies) { extension_plies_per_depth_ = plies; }
  void ClearReached() { reached_.fill(false); }
  uint64_t nodes() const { return engine_.node_count(); }
  TranspositionTable& tt() { return tt_; }

  // Key of the position at a ply as the table sees it (with the e.p. component).
  uint64_t KeyAt(int ply) const;
  void MarkGameHistory();

 private:
  struct Killer {
    Square from = 0, to = 0;
    int flags = 0;
  };
  int32_t Node(int ply, int depth, int32_t alpha, int32_t beta);
  int32_t RootChild(int index, int depth, int32_t alpha, int32_t beta);
  void UpdatePv(int ply, const Move& move);
  void StoreRootLine(int index);
  void ReportMainLine();
  bool Stopped();
  void SetExtensionLimit(int depth);

  Engine& engine_;
  TranspositionTable tt_;
  SearchControl& control_;
  SearchListener* listener_ = nullptr;
  RootInfo info_;
  int32_t root_score_ = 0;
  int32_t root_start_ = 0;
  int best_index_ = 0;
  int aspiration_ = 0;
  int shortening_ = 0;
  int countdown_ = 5000;
  int extension_limit_ = kMaxPly - 1;  // plies below which a move may be extended
  int extension_plies_per_depth_ = 2;
  bool aborted_ = false;
  bool fail_low_ = false;
  std::array<Killer, kPlyRecords + 2> killers_{};
  std::array<Move, kPlyRecords + 2> best_{};
  std::array<std::array<CoreMove, kPvLength + 1>, kPvLength + 2> pv_{};
  std::array<std::array<CoreMove, kPvLength + 1>, kMaxRootMoves> root_lines_{};
  std::array<bool, kPlyRecords + 2> reached_{};
};

// Core move word of a move at the current position (before it is made).
CoreMove ToCore(const Position& position, const Move& move);

}  // namespace zh::zelko2

#include "enginemodule/zelkohome2/core/driver.h"

#include <algorithm>

namespace zh::zelko2 {
namespace {

constexpr int16_t kNoControl = 0x7FFF;
constexpr uint32_t kSingleLineFlags = 0x113011;
constexpr uint32_t kMultiLineFlags = 0x30013;
constexpr uint32_t kMultiLineDeepFlags = 0x3000 | 0x100000;
constexpr uint32_t kFailHighFlag = 0x40;
constexpr uint32_t kFailLowFlag = 0x80;
constexpr int kMultiLineReportDepth = 6;
constexpr int kCurrentMoveDepth = 7;
constexpr int64_t kCurrentMoveInterval = 350;
constexpr int64_t kHashFirst = 20000;
constexpr int64_t kHashInterval = 10000;
constexpr uint32_t kMoveIdentity = 0xFF00FFFF;  // from, to and the flags byte

int64_t AtLeastOne(int64_t v) { return std::max<int64_t>(v, 1); }

}  // namespace

TimeBudget AllocateTime(const eng::PositionBlock& block) {
  TimeBudget b;
  int mode = block.mode;
  if (mode < 1 || mode > 6) mode = 4;
  b.mode = mode;
  int64_t floor = 500;
  if (mode == 1) {
    const int64_t t = block.clock_seconds, a = block.increment_seconds, r = block.reference_seconds;
    const int64_t n = block.reference_moves;
    int64_t m = block.moves_to_go <= 0 ? kNoControl : block.moves_to_go;
    const int64_t ms = 1000 * t;
    // The floors never lift the budget above a tenth of the clock.
    floor = std::clamp<int64_t>(ms / 10, 0, 500);
    if (a <= 0 && m == kNoControl) {
      b.target_ms = 40 * t;
      b.max_ms = 80 * t;
    } else {
      int64_t moves = m;
      if (a > 0 && m > 2) {
        const int64_t k = std::min<int64_t>(m, 25);
        moves = std::max<int64_t>(1, ms / AtLeastOne(((t + (k - 1) * a) * 1000) / k));
      }
      int64_t e = moves > 1 ? ms / moves + ms / moves / 3 : ms - 1500;
      if (moves <= 5 && r > 0) {
        const int64_t f = (1000 * (t + r)) / AtLeastOne(moves + n);
        e = std::min(e, f + f / 3);
      }
      e = std::max(e, floor);
      const int64_t reserve = r > 0 ? std::max<int64_t>(3000, (1000 * (t + r)) / AtLeastOne(moves + n) / 10) : 3000;
      if (ms / moves <= reserve) b.max_ms = e;
      else b.max_ms = std::max(e, std::min(3 * e, ms - moves * reserve - 1500));
      b.target_ms = e;
    }
    b.depth = kMaxDepth;
  } else if (mode == 2 || mode == 3) {
    b.depth = std::clamp<int>(block.depth, 1, kMaxDepth);
  }
  b.target_ms = std::max(b.target_ms, floor);
  b.max_ms = std::max({b.max_ms, floor, b.target_ms});
  if (mode != 1 && mode != 2 && mode != 3) b.target_ms = b.max_ms = 500;
  b.pondering = block.ponder == 2;
  if (b.pondering) b.time_flags = 0;
  else if (mode == 2 || mode == 4) b.time_flags = kTimeNoLimit;
  else if (mode == 3) b.time_flags = kTimeMateSearch;
  return b;
}

int32_t ContemptUnits(int32_t centipawns) { return ((centipawns * 256 + 128) / 100 + 4) & ~7; }

ReportScore ConvertScore(int32_t s, int32_t contempt) {
  if (s > kMateScoreLimit) return {static_cast<int16_t>((32672 - s) / 192 + 1), 2};
  if (s < -kMateScoreLimit) return {static_cast<int16_t>(-((s + 32672) / 192) - 1), 2};
  if (s == 0) return {0, 1};
  return {static_cast<int16_t>(((s - contempt) * 100 + 128) >> 8), 1};
}

eng::ReportMove ConvertMove(CoreMove m) {
  auto file_major = [](int s) { return static_cast<uint8_t>((s & 7) * 8 + (s >> 3)); };
  uint8_t promotion = 0;
  const int flags = CoreFlags(m);
  if (IsPromotion(flags)) {
    switch (flags & kFlagKindMask) {
      case kFlagPromoRook: promotion = 5; break;
      case kFlagPromoBishop: promotion = 4; break;
      case kFlagPromoKnight: promotion = 3; break;
      default: promotion = 2; break;
    }
  }
  return {file_major(CoreFrom(m)), file_major(CoreTo(m)), 0, promotion};
}

void Driver::Run(const eng::PositionBlock& block, const EngineParameters& parameters, const ReportBlocks& reports) {
  // A stop that came with the request, before the search got here, is kept: it ends
  // this search. The stop bit is cleared when the search is over.
  control_.state.fetch_and(kStateStop);
  answered_ = false;
  prepared_ = false;
  control_.depth.store(0);
  reports_ = reports;
  engine_.Import(block);
  budget_ = AllocateTime(block);
  parameters_ = parameters;
  parameters_.contempt = std::clamp(parameters_.contempt, ContemptUnits(-200), ContemptUnits(200));
  parameters_.aggressiveness = std::clamp(parameters_.aggressiveness, -2, 2);
  parameters_.selectivity = std::clamp(parameters_.selectivity, 0, 6);
  if (budget_.pondering) control_.state.fetch_or(kStatePondering);
  control_.time_flags.store(budget_.time_flags);
  control_.target_ms.store(budget_.target_ms);
  control_.max_ms = budget_.max_ms;

  runs_ = 0;
  restart_ = false;
  excluded_count_ = 0;
  line_count_ = shown_ = 0;
  last_current_move_ = last_hash_ = 0;
  last_hash_percent_ = -1;
  selective_seen_ = 0;
  lines_wanted_ = std::clamp<int>(block.lines_wanted, 1, 64);
  lowest_ = -32688;
  highest_ = 32680;
  search_.set_listener(this);

  if (reports_.main_line) reports_.post(eng::kReportSearchStarted, reports_.main_line);
  control_.start_ms.store(control_.now());
  if (!Stopped() && budget_.mode != 3) Drive();
  if (budget_.mode != 3) PostAnswer();
  if (!Stopped()) PostNodes(true);
  control_.state.fetch_and(static_cast<uint8_t>(~kStateStop));
}

void Driver::PostAnswer() {
  eng::MainLineBlock* b = reports_.main_line;
  if (!b || answered_) return;
  // Stopped before the search ran: the root moves are generated here, in the order of
  // the generators.
  if (!prepared_) {
    Position& p = engine_.position();
    if (p.IsSquareAttacked(p.king_square(p.side() ^ 1), p.side())) return;
    engine_.GenerateRootMoves();
  }
  if (engine_.root_count() == 0) return;
  const auto& pv = search_.pv();
  int length = 0;
  if (prepared_)
    while (length < kPvLength && CoreFrom(pv[static_cast<size_t>(length)]) != CoreTo(pv[static_cast<size_t>(length)]))
      ++length;
  b->flags = kSingleLineFlags;
  FillNodes(b->nodes_low, b->nodes_high);
  b->depth = static_cast<int16_t>(control_.depth.load());
  b->selective_depth = static_cast<int16_t>(std::max(search_.selective_depth(), control_.depth.load()));
  if (length > 0) {
    b->line_length = static_cast<int16_t>(length);
    for (int i = 0; i < length; ++i) b->line[i] = ConvertMove(pv[static_cast<size_t>(i)]);
    const ReportScore score = ConvertScore(search_.root_score(), parameters_.contempt);
    b->score_value = score.value;
    b->score_type = score.type;
  } else {
    // No line yet: the first root move, without a score.
    if (prepared_) engine_.SortRootMoves();
    b->line_length = 1;
    b->line[0] = ConvertMove(engine_.root_move(0).move);
    b->score_value = 0;
    b->score_type = 0;
  }
  b->seconds = Seconds();
  answered_ = true;
  reports_.post(eng::kReportMainLine, b);
}

void Driver::Drive() {
  control_.start_ms.store(control_.now());
  engine_.position().reset_nodes();
  search_.PrepareRun(parameters_.selectivity, parameters_.aggressiveness, [this] { return Stopped(); });
  prepared_ = true;
  // A board on which the side to move could take the king is not searched.
  Position& p = engine_.position();
  if (p.IsSquareAttacked(p.king_square(p.side() ^ 1), p.side())) engine_.RemoveAllRootMoves();
  root_moves_.store(engine_.root_count());
  if (engine_.root_count() == 0 || Stopped()) return;
  runs_ = 0;
  for (;;) {
    const bool prepared = runs_ == 0 || PrepareRestart();
    if (prepared) search_.ApplyContempt(parameters_.contempt);
    restart_ = false;
    for (int depth = 1; depth <= budget_.depth; ++depth) {
      control_.depth.store(depth);
      search_.StartIteration();
      PostDepth(depth);
      if (lines_wanted_ > 1) search_.RootMulti(depth, lines_wanted_);
      else search_.RootSingle(depth);
      if (lines_wanted_ > 1 && depth < kMultiLineReportDepth) PostLines();
      if (Stopped() || (control_.time_flags.load() & kTimeUp)) break;
      if (lines_wanted_ > 1 ? (lowest_ > kMateBound && highest_ > kMateBound) ||
                                  (lowest_ < -kMateBound && highest_ < -kMateBound)
                            : search_.root_score() > kMateBound || search_.root_score() < -kMateBound)
        break;
      if (engine_.root_count() == 1 && depth >= 4 && runs_ == 0) break;
      const bool timed = !(control_.time_flags.load() & kTimeNoLimit) && !(control_.state.load() & kStatePondering);
      if (timed && budget_.target_ms == 0) break;
      if (search_.TimeCheck(control_.target_ms.load() / 2)) break;
    }
    ++runs_;
    if (!restart_) return;
  }
}

bool Driver::PrepareRestart() {
  if (engine_.root_count() <= 1 && runs_ <= 1) {
    runs_ = 0;
    control_.state.fetch_and(static_cast<uint8_t>(~kStateStop));
    return false;
  }
  engine_.SortRootMoves();
  const CoreMove best = search_.pv()[0] != 0 ? search_.pv()[0] : engine_.root_move(0).move;
  if (runs_.load() < 256 && excluded_count_ < 256) excluded_[static_cast<size_t>(excluded_count_++)] = best;
  control_.time_flags.fetch_and(static_cast<uint8_t>(~(kTimeUp | kTimeUsedPondering)));
  search_.PrepareRun(parameters_.selectivity, parameters_.aggressiveness);
  if (runs_.load() >= engine_.root_count() || runs_.load() >= 256) {
    runs_ = 0;
    excluded_count_ = 0;
  } else {
    for (int e = 0; e < excluded_count_; ++e)
      for (int i = engine_.root_count() - 1; i >= 0; --i)
        if ((engine_.root_move(i).move & kMoveIdentity) == (excluded_[static_cast<size_t>(e)] & kMoveIdentity))
          engine_.RemoveRootMove(i);
  }
  root_moves_.store(engine_.root_count());
  line_count_ = shown_ = 0;
  control_.state.fetch_and(static_cast<uint8_t>(~kStateStop));
  return true;
}

bool Driver::RequestNextBest() {
  if (root_moves_.load() <= 1 && runs_.load() == 0) return false;
  restart_ = true;
  control_.state.fetch_or(kStateStop);
  return true;
}

void Driver::PonderHit() {
  control_.state.fetch_and(static_cast<uint8_t>(~kStatePondering));
  const bool used = control_.depth.load() > 3 && (control_.time_flags.load() & kTimeUsedPondering);
  const int64_t limit = control_.target_ms.load() * 3 / 2;
  if (used || control_.Elapsed() > limit) control_.time_flags.fetch_or(kTimeUp);
  // Otherwise the search stops once 1.5 x the target has passed since it started.
  else if (limit < control_.max_ms.load()) control_.max_ms.store(limit);
}

void Driver::FillNodes(uint32_t& low, uint32_t& high) const {
  const uint64_t n = engine_.node_count();
  low = static_cast<uint32_t>(n);
  high = static_cast<uint32_t>(n >> 32);
}

void Driver::PostNodes(bool last) {
  if (eng::NodesBlock* b = reports_.nodes) {
    FillNodes(b->nodes_low, b->nodes_high);
    b->zero = 0;
    reports_.post(eng::kReportNodes, b);
  }
  if (last) return;
  const int selective = search_.selective_depth();
  if (selective > selective_seen_ && control_.depth.load() > 0) {
    selective_seen_ = selective;
    if (eng::DepthBlock* d = reports_.depth) {
      d->depth = static_cast<int16_t>(control_.depth.load());
      d->selective_depth = static_cast<int16_t>(selective);
      reports_.post(eng::kReportDepth, d);
    }
  }
}

void Driver::PostDepth(int depth) {
  search_.ClearReached();
  if (Stopped()) return;
  selective_seen_ = depth;
  last_current_move_ = 0;
  if (eng::DepthBlock* d = reports_.depth) {
    d->depth = static_cast<int16_t>(depth);
    d->selective_depth = static_cast<int16_t>(depth);
    reports_.post(eng::kReportDepth, d);
  }
}

void Driver::CurrentMove(int index) {
  if (Stopped() || control_.depth.load() < kCurrentMoveDepth) return;
  const int64_t now = control_.now();
  if (now - last_current_move_ <= kCurrentMoveInterval) return;
  last_current_move_ = now;
  if (eng::CurrentMoveBlock* c = reports_.current_move) {
    c->index = static_cast<int16_t>(index + 1);
    c->count = static_cast<int16_t>(engine_.root_count());
    c->move = ConvertMove(engine_.root_move(index).move);
    reports_.post(eng::kReportCurrentMove, c);
  }
  PostNodes();
}

void Driver::PostHash() {
  if (Stopped() || !reports_.hash) return;
  const int64_t now = control_.now();
  if (control_.Elapsed() <= kHashFirst || now - last_hash_ <= kHashInterval) return;
  last_hash_ = now;
  const int percent = search_.tt().UsagePercent();
  if (percent == last_hash_percent_) return;
  last_hash_percent_ = percent;
  reports_.hash->usage_percent = percent;
  reports_.post(eng::kReportHash, reports_.hash);
}

void Driver::MainLine() {
  eng::MainLineBlock* b = reports_.main_line;
  if (!b || (Stopped() && control_.depth.load() >= 2)) return;
  PostHash();
  const auto& pv = search_.pv();
  int length = 0;
  while (length < kPvLength && CoreFrom(pv[static_cast<size_t>(length)]) != CoreTo(pv[static_cast<size_t>(length)]))
    ++length;
  if (length == 0) return;
  b->flags = kSingleLineFlags | (search_.aspiration() > 0 ? kFailHighFlag : 0) |
             (search_.aspiration() < 0 ? kFailLowFlag : 0);
  FillNodes(b->nodes_low, b->nodes_high);
  b->depth = static_cast<int16_t>(control_.depth.load());
  b->selective_depth = static_cast<int16_t>(std::max(search_.selective_depth(), control_.depth.load()));
  b->line_length = static_cast<int16_t>(length);
  for (int i = 0; i < length; ++i) b->line[i] = ConvertMove(pv[static_cast<size_t>(i)]);
  const ReportScore score = ConvertScore(search_.root_score(), parameters_.contempt);
  b->score_value = score.value;
  b->score_type = score.type;
  b->seconds = Seconds();
  answered_ = true;
  reports_.post(eng::kReportMainLine, b);
}

void Driver::Line(int index) {
  LineEntry entry;
  entry.moves = search_.line(index);
  entry.depth = control_.depth.load();
  entry.raw = engine_.root_move(index).score;
  entry.seconds = Seconds();
  entry.score = ConvertScore(entry.raw, parameters_.contempt);
  for (int i = 0; i < line_count_; ++i) {
    if ((lines_[static_cast<size_t>(i)].moves[0] & kMoveIdentity) == (entry.moves[0] & kMoveIdentity)) {
      std::copy(lines_.begin() + i + 1, lines_.begin() + line_count_, lines_.begin() + i);
      --line_count_;
      break;
    }
  }
  int at = 0;
  while (at < line_count_ && lines_[static_cast<size_t>(at)].depth >= entry.depth &&
         lines_[static_cast<size_t>(at)].raw >= entry.raw)
    ++at;
  if (at < lines_wanted_) {
    const int count = std::min(line_count_, 63);
    std::copy_backward(lines_.begin() + at, lines_.begin() + count, lines_.begin() + count + 1);
    lines_[static_cast<size_t>(at)] = entry;
    line_count_ = count + 1;
  }
  RebuildLines();
  if (entry.depth >= kMultiLineReportDepth && shown_ > 0 && !Stopped()) {
    PostHash();
    PostLines();
  }
}

void Driver::RebuildLines() {
  const int depth = control_.depth.load();
  std::stable_partition(lines_.begin(), lines_.begin() + line_count_,
                        [&](const LineEntry& e) { return e.depth == depth; });
  shown_ = std::min(line_count_, lines_wanted_);
  if (shown_ == 0) return;
  lowest_ = highest_ = lines_[0].raw;
  for (int i = 1; i < shown_; ++i) {
    lowest_ = std::min(lowest_, lines_[static_cast<size_t>(i)].raw);
    highest_ = std::max(highest_, lines_[static_cast<size_t>(i)].raw);
  }
}

void Driver::PostLines() {
  eng::MainLineBlock* b = reports_.main_line;
  if (!b || Stopped() || shown_ == 0) return;
  const bool deep = control_.depth.load() >= kMultiLineReportDepth;
  if (!deep) PostNodes();
  b->flags = kMultiLineFlags | (deep ? kMultiLineDeepFlags : 0);
  b->line_count = static_cast<int16_t>(shown_);
  for (int i = 0; i < shown_; ++i) {
    const LineEntry& e = lines_[static_cast<size_t>(i)];
    int n = 0;
    while (n < kPvLength && CoreFrom(e.moves[static_cast<size_t>(n)]) != CoreTo(e.moves[static_cast<size_t>(n)])) {
      b->lines[i][n] = ConvertMove(e.moves[static_cast<size_t>(n)]);
      ++n;
    }
    b->line_move_counts[i] = static_cast<int16_t>(n);
    b->line_score_values[i] = e.score.value;
    b->line_score_types[i] = e.score.type;
    b->line_seconds[i] = e.seconds;
  }
  b->line_length = b->line_move_counts[0];
  std::copy(b->lines[0], b->lines[0] + b->line_length, b->line);
  b->score_value = lines_[0].score.value;
  b->score_type = lines_[0].score.type;
  b->seconds = lines_[0].seconds;
  FillNodes(b->nodes_low, b->nodes_high);
  b->depth = static_cast<int16_t>(control_.depth.load());
  b->selective_depth = static_cast<int16_t>(std::max(search_.selective_depth(), control_.depth.load()));
  answered_ = true;
  reports_.post(eng::kReportMainLine, b);
}

void Driver::LinesWindow(int32_t& lowest, int32_t& highest) {
  lowest = lowest_;
  highest = highest_;
}

}  // namespace zh::zelko2

#include "enginemodule/pelta/library/search.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "enginemodule/zelkohome2/core/perft.h"

namespace zh::pelta {
namespace {

using namespace zelko2;
using Clock = std::chrono::steady_clock;

constexpr int32_t kInfinity = 30000;
constexpr int32_t kMateValue = kLibraryMate - 1;  // mate at ply p scores kMateValue - p
constexpr int32_t kMateBound = 9000;
constexpr int kMaxSearchPly = kMaxPly - 8;
constexpr int kMaxDepth = 40;
constexpr int32_t kPieceValue[] = {100, 320, 330, 500, 900, 0};  // by type

// From the view of the side to move: material and a small pull to the centre.
int32_t Evaluate(const Position& p) {
  int32_t score = 0;
  for (int rank = 0; rank < 8; ++rank) {
    for (int file = 0; file < 8; ++file) {
      Handle h = p.board(MakeSquare(file, rank));
      if (h <= 0) continue;
      const int type = TypeOf(p.code(h));
      const int centre = 6 - (std::abs(2 * file - 7) + std::abs(2 * rank - 7)) / 2;
      int32_t value = kPieceValue[type] + (type == kTypeKing ? 0 : 2 * centre);
      if (type == kTypePawn) value += 4 * (SideOf(h) == kWhite ? rank : 7 - rank);
      score += SideOf(h) == p.side() ? value : -value;
    }
  }
  return score;
}

// Legal moves at the current ply (made and taken back while collected).
std::vector<Move> LegalMoves(Position& p) {
  std::vector<Move> moves;
  ForEachLegalMove(p, [&](const Move& m) { moves.push_back(m); });
  return moves;
}

int CaptureValue(const Position& p, const Move& m) {
  Handle target = p.board(m.to);
  int value = target > 0 ? kPieceValue[TypeOf(p.code(target))] * 16 : 0;
  if (IsPromotion(m.flags)) value += 8000;
  Handle mover = p.board(m.from);
  return value - (mover > 0 ? kPieceValue[TypeOf(p.code(mover))] / 16 : 0);
}

void OrderMoves(const Position& p, std::vector<Move>& moves, const Move* first) {
  std::stable_sort(moves.begin(), moves.end(),
                   [&](const Move& a, const Move& b) { return CaptureValue(p, a) > CaptureValue(p, b); });
  if (first) {
    auto it = std::find(moves.begin(), moves.end(), *first);
    if (it != moves.end()) std::rotate(moves.begin(), it, it + 1);
  }
}

// Library score of a search value: a mate in m moves is 9999 - 2m.
int32_t LibraryScore(int32_t value) {
  if (value > kMateBound) return kLibraryMate - 2 * ((kMateValue - value + 1) / 2);
  if (value < -kMateBound) return -(kLibraryMate - 2 * ((kMateValue + value) / 2));
  return value;
}

}  // namespace

Level BlitzLevel(int32_t seconds, int32_t increment) {
  Level level;
  if (seconds <= 0) {
    level.one_iteration = true;
    level.target_ms = 0;
    return level;
  }
  level.target_ms = int64_t{seconds} * 1000 / 30 + int64_t{std::max(increment, 0)} * 750;
  level.target_ms = std::min<int64_t>(level.target_ms, int64_t{seconds} * 1000 / 3);
  return level;
}

Level TimeLevel(int32_t moves_to_go, int32_t seconds) {
  Level level;
  if (seconds <= 0) {
    level.one_iteration = true;
    level.target_ms = 0;
    return level;
  }
  const int64_t moves = std::clamp(moves_to_go, 1, 60);
  level.target_ms = int64_t{seconds} * 1000 / (moves + 1);
  return level;
}

bool Search::TimeUp() {
  if (stop.load(std::memory_order_relaxed) || restart.load(std::memory_order_relaxed)) return true;
  if (out_of_time_) return true;
  if ((nodes_ & 1023) != 0 || level_.target_ms < 0 || iteration_ <= 1 || pondering.load(std::memory_order_relaxed)) return false;
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
  out_of_time_ = ms > 2 * level_.target_ms + 10;
  return out_of_time_;
}

PeltaMove Search::LibraryMove(const Move& m) {
  static constexpr int kLetters[] = {0, 0, 'N', 'B', 'R', 'Q'};
  const int promotion = IsPromotion(m.flags) ? kLetters[PromotionCode(m.flags)] : 0;
  return {ToSquare64(m.from), ToSquare64(m.to), promotion};
}

int32_t Search::Quiescence(Position& p, int ply, int32_t alpha, int32_t beta) {
  ++nodes_;
  pv_[ply].clear();
  selective_ = std::max(selective_, ply);
  if (ply >= kMaxSearchPly || TimeUp()) return Evaluate(p);
  const bool check = p.in_check();
  if (!check) {
    int32_t stand = Evaluate(p);
    if (stand >= beta) return stand;
    alpha = std::max(alpha, stand);
  }
  std::vector<Move> moves = LegalMoves(p);
  if (moves.empty()) return check ? -(kMateValue - ply) : 0;
  OrderMoves(p, moves, nullptr);
  int32_t best = check ? -kInfinity : alpha;
  for (const Move& m : moves) {
    if (!check && p.board(m.to) <= 0 && !IsPromotion(m.flags) && (m.flags & kFlagKindMask) != kFlagEnPassant)
      continue;
    p.MakeMove(m.from, m.to, m.flags);
    int32_t value = -Quiescence(p, ply + 1, -beta, -std::max(alpha, best));
    p.UnmakeMove();
    if (value > best) best = value;
    if (best >= beta) break;
  }
  return best;
}

int32_t Search::AlphaBeta(Position& p, int depth, int ply, int32_t alpha, int32_t beta) {
  if (depth <= 0 || ply >= kMaxSearchPly) return Quiescence(p, ply, alpha, beta);
  ++nodes_;
  if (TimeUp()) return 0;
  std::vector<Move> moves = LegalMoves(p);
  if (moves.empty()) return p.in_check() ? -(kMateValue - ply) : 0;
  const Move hint = pv_[ply].empty() ? Move{} : pv_[ply].front();
  pv_[ply].clear();
  OrderMoves(p, moves, &hint);
  int32_t best = -kInfinity;
  for (const Move& m : moves) {
    p.MakeMove(m.from, m.to, m.flags);
    int32_t value = -AlphaBeta(p, depth - 1, ply + 1, -beta, -std::max(alpha, best));
    p.UnmakeMove();
    if (Interrupted()) return best == -kInfinity ? 0 : best;
    if (value > best) {
      best = value;
      pv_[ply].assign(1, m);
      pv_[ply].insert(pv_[ply].end(), pv_[ply + 1].begin(), pv_[ply + 1].end());
      if (best >= beta) break;
    }
  }
  return best;
}

void Search::ReportLine(const RootLine& root, const Callbacks& show) const {
  std::vector<PeltaMove> line;
  for (const Move& m : root.line) line.push_back(LibraryMove(m));
  show.main_line(line.data(), static_cast<int32_t>(line.size()), LibraryScore(root.score));
}

int Search::Run(Engine& engine, const Level& level, int lines, const Callbacks& show) {
  Position& p = engine.position();
  level_ = level;
  start_ = Clock::now();
  nodes_ = 0;
  out_of_time_ = false;
  std::vector<Move> excluded;
  int completed = 0;
  for (;;) {
    restart.store(false);
    std::vector<RootLine> roots;
    for (const Move& m : LegalMoves(p))
      if (std::find(excluded.begin(), excluded.end(), m) == excluded.end()) roots.push_back({m, 0, {m}});
    if (roots.empty()) {
      show.main_line(nullptr, 0, p.in_check() ? -kLibraryMate : 0);
      return 0;
    }
    pv_.assign(kPlyRecords + 1, {});
    const int shown = std::clamp(lines, 1, static_cast<int>(roots.size()));
    completed = 0;
    for (int depth = 1; depth <= kMaxDepth; ++depth) {
      if (level.depth_limit > 0 && depth > level.depth_limit) break;
      selective_ = depth;
      iteration_ = depth;
      show.depth(depth, depth);
      int32_t alpha = -kInfinity;
      for (size_t i = 0; i < roots.size(); ++i) {
        RootLine& root = roots[i];
        PeltaMove current = LibraryMove(root.move);
        show.move(&current, static_cast<int32_t>(i + 1), static_cast<int32_t>(roots.size()));
        p.MakeMove(root.move.from, root.move.to, root.move.flags);
        pv_[1].clear();
        // With several lines wanted every root move gets the full window.
        int32_t bound = shown > 1 ? -kInfinity : alpha;
        int32_t value = -AlphaBeta(p, depth - 1, 1, -kInfinity, -bound);
        p.UnmakeMove();
        if (Interrupted()) break;
        root.score = value;
        root.line.assign(1, root.move);
        root.line.insert(root.line.end(), pv_[1].begin(), pv_[1].end());
        if (value > alpha) {
          alpha = value;
          if (shown == 1) ReportLine(root, show);
        }
      }
      if (Interrupted()) break;
      std::stable_sort(roots.begin(), roots.end(), [](const RootLine& a, const RootLine& b) { return a.score > b.score; });
      if (shown > 1)
        for (int i = 0; i < shown; ++i) ReportLine(roots[i], show);
      show.nodes(static_cast<uint32_t>(nodes_), static_cast<uint32_t>(nodes_ >> 32));
      ++completed;
      if (level.one_iteration) break;
      if (std::abs(roots[0].score) > kMateBound && !pondering.load() && level.target_ms >= 0) break;
      if (roots.size() == 1 && depth >= 4 && level.target_ms >= 0 && !pondering.load()) break;
      if (level.target_ms >= 0 && !pondering.load()) {
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
        if (ms > level.target_ms / 2) break;
      }
    }
    // Without a time limit the search waits for stop (analysis, pondering).
    while ((level.target_ms < 0 || pondering.load()) && level.depth_limit == 0 && !stop.load() && !restart.load())
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (!restart.load() || stop.load() || roots.size() + excluded.size() <= 1) return completed;
    stop.store(false);
    out_of_time_ = false;
    excluded.push_back(roots.front().move);
  }
}

}  // namespace zh::pelta

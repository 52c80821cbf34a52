#include "enginemodule/zelkohome2/core/search.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "enginemodule/zelkohome2/core/checks.h"
#include "enginemodule/zelkohome2/core/movegen.h"

namespace zh::zelko2 {
namespace {

constexpr int kTimeCountdown = 5000;
constexpr int32_t kAspiration = 80;
constexpr int32_t kFrontierMargin = 128;

// Mate scores are stored relative to the node and turned back by ply on a hit.
int16_t ToTable(int32_t v, int ply, int bound) {
  if (v > kMateScoreLimit) v += kMatePerPly * ply;
  if (v < -kMateScoreLimit) v -= kMatePerPly * ply;
  v = std::clamp<int32_t>(v, -kInfinity, kInfinity - 8);
  return static_cast<int16_t>((v & ~7) | bound);
}

int32_t FromTable(int16_t stored, int ply) {
  int32_t v = stored & ~7;
  if (v > kMateScoreLimit) v -= kMatePerPly * ply;
  if (v < -kMateScoreLimit) v += kMatePerPly * ply;
  return v;
}

bool SameSquares(const Move& a, const Move& b) { return a.from == b.from && a.to == b.to; }

}  // namespace

CoreMove ToCore(const Position& p, const Move& m) {
  const int32_t mover = p.board(m.from);
  const bool capture = p.board(m.to) > 0 || (m.flags & kFlagKindMask) == kFlagEnPassant;
  const int code = mover > 0 ? EngineCodeOf(p.code(mover)) : 0;
  return MakeCoreMove(ToSquare64(m.from), ToSquare64(m.to), code | (capture ? 0x80 : 0), m.flags & ~kFlagNodeBits);
}

uint64_t Search::KeyAt(int ply) const {
  const Position& p = engine_.position();
  const PlyRecord& r = p.record(ply);
  uint64_t key = r.key;
  if ((r.flags & kFlagKindMask) == kFlagDoubleStep && r.from != r.to) {
    for (Square s : {r.to - 1, r.to + 1}) {
      const int32_t w = p.board(s);
      if (w > 0 && SideOf(w) != SideOf(p.board(r.to)) && TypeOf(p.code(w)) == kTypePawn) {
        key ^= EnPassantKey((r.from + r.to) / 2);
        break;
      }
    }
  }
  return key;
}

void Search::MarkGameHistory() {
  const int count = engine_.history_count();
  std::vector<CoreMove> moves(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) moves[static_cast<size_t>(i)] = engine_.history_move(i);
  auto mark = [&] {
    const uint64_t key = KeyAt(0);
    const uint32_t check = TranspositionTable::CheckBits(key, engine_.position().side());
    TranspositionTable::Probe probe = tt_.Find(key, engine_.position().side(), kHistoryDepth);
    if (probe.entry) probe.entry->word = check | kDepthOpen;
  };
  engine_.TakeBackTo(0);
  mark();
  for (CoreMove m : moves) {
    engine_.PlayGameMove(m);
    mark();
  }
}

void Search::PrepareRun(int selectivity, int aggressiveness, const std::function<bool()>& stop) {
  Position& p = engine_.position();
  // A stop during the clear ends it: the search does not run on this table.
  tt_.Clear(stop);
  MarkGameHistory();
  p.ClearHistory();
  p.SortPieceOrder();
  info_ = PrepareRoot(engine_, selectivity);
  ApplyAggressiveness(p, aggressiveness);
  killers_.fill({});
  best_.fill({});
  for (auto& row : pv_) row.fill(0);
  for (auto& row : root_lines_) row.fill(0);
  countdown_ = kTimeCountdown;
  aborted_ = false;
  ApplyContempt(0);
}

void Search::ApplyContempt(int32_t contempt) {
  PlyRecord& root = engine_.position().record(0);
  root.eval -= contempt;
  root.static_value = root.eval;
  root_start_ = -root.eval;
  root_score_ = root_start_;
}

void Search::StartIteration() {
  engine_.SortRootMoves();
  const int32_t gain = root_score_ - root_start_;
  shortening_ = gain >= 768 ? 2 : gain >= 384 ? 1 : 0;
  engine_.ResetRootScores();
  engine_.position().SortPieceOrder();
}

bool Search::TimeCheck(int64_t limit) {
  const uint8_t flags = control_.time_flags.load(std::memory_order_relaxed);
  if (flags & kTimeNoLimit) return false;
  if (control_.depth.load(std::memory_order_relaxed) < 2) return false;
  if (control_.Elapsed() <= (limit >> shortening_)) return false;
  // The time is over: noted for a ponder hit, and the time-up flag unless pondering.
  // A pondering search stops all the same; the driver's check after the iteration
  // then ends the run.
  const bool pondering = control_.state.load() & kStatePondering;
  control_.time_flags.fetch_or(static_cast<uint8_t>(kTimeUsedPondering | (pondering ? 0 : kTimeUp)));
  return true;
}

bool Search::Stopped() {
  if (aborted_) return true;
  if ((control_.state.load(std::memory_order_relaxed) & kStateStop) ||
      (control_.time_flags.load(std::memory_order_relaxed) & kTimeUp))
    aborted_ = true;
  if (--countdown_ <= 0) {
    countdown_ = kTimeCountdown;
    if (TimeCheck(control_.max_ms)) aborted_ = true;
  }
  return aborted_;
}

int Search::deepest_ply() const {
  int n = static_cast<int>(reached_.size()) - 1;
  while (n > 0 && !reached_[static_cast<size_t>(n)]) --n;
  return n;
}

int Search::selective_depth() const {
  int n = 0;
  while (n + 1 < static_cast<int>(reached_.size()) && reached_[static_cast<size_t>(n + 1)]) ++n;
  return n;
}

void Search::UpdatePv(int ply, const Move& move) {
  auto& row = pv_[static_cast<size_t>(ply)];
  const auto& below = pv_[static_cast<size_t>(ply + 1)];
  row[0] = ToCore(engine_.position(), move);
  for (int j = 1; j < kPvLength; ++j) {
    row[static_cast<size_t>(j)] = below[static_cast<size_t>(j - 1)];
    if (below[static_cast<size_t>(j - 1)] == 0) break;
  }
  row[kPvLength] = 0;
}

int32_t Search::Node(int ply, int depth, int32_t alpha, int32_t beta) {
  Position& p = engine_.position();
  reached_[static_cast<size_t>(ply)] = true;
  if (ply <= kPvLength) pv_[static_cast<size_t>(ply)][0] = 0;
  if (Stopped()) return 0;
  PlyRecord& rec = p.record(ply);
  const int32_t stand = -rec.static_value;
  if (ply >= kMaxPly) return stand;
  const bool in_check = rec.check != 0;
  const bool double_check = rec.check == kDoubleCheck;
  const bool quiescence = depth < 0 && !in_check;
  const bool horizon = !in_check && (depth <= 0 || (depth == 1 && stand + kFrontierMargin < alpha));
  const bool full_width = !in_check && !horizon;
  const int side = p.side();

  // Transposition table.
  TtEntry* entry = nullptr;
  uint32_t check_bits = 0;
  Move tt_move{};
  bool has_tt = false;
  if (!quiescence) {
    const uint64_t key = KeyAt(ply);
    check_bits = TranspositionTable::CheckBits(key, side);
    TranspositionTable::Probe probe = tt_.Find(key, side, depth);
    if (probe.hit) {
      TtEntry& e = *probe.entry;
      if (e.depth() == kDepthOpen) return 0;
      if (e.depth() >= depth) {
        const int32_t v = FromTable(e.score, ply);
        const int bound = e.score & 6;
        if (bound == kBoundExact) return v;
        if (bound == kBoundLower) {
          if (v >= beta) return v;
          alpha = std::max(alpha, v);
        } else {
          if (v <= alpha) return v;
          beta = std::min(beta, v + 8);
        }
      }
      if (e.from != e.to) tt_move = Move{e.from, e.to, 0}, has_tt = true;
      entry = &e;
      e.word = check_bits | kDepthOpen;
    } else if (probe.entry) {
      entry = probe.entry;
      *entry = TtEntry{check_bits | kDepthOpen, 0, 0, 0};
    }
  }

  int32_t best = in_check ? MatedAt(ply) : horizon ? stand : -kInfinity;
  Move best_move{};
  int bound = kBoundUpper;
  bool any_legal = false;
  bool moves_tried = false;
  const Square last_to = rec.to;
  const bool has_last = rec.from != rec.to && p.board(last_to) > 0 && SideOf(p.board(last_to)) != side;
  const Killer killer = killers_[static_cast<size_t>(ply)];
  const Move killer_move{killer.from, killer.to, killer.flags};
  const Move two_up = ply >= 2 ? best_[static_cast<size_t>(ply - 2)] : Move{};

  auto search_move = [&](const Move& m) -> bool {
    const Handle mover = p.board(m.from);
    const bool quiet = p.board(m.to) == 0 && (m.flags & kFlagKindMask) != kFlagEnPassant && !IsPromotion(m.flags);
    const int32_t after = p.MakeMove(m.from, m.to, m.flags);
    if (in_check ? p.OwnKingAttacked() : p.LeavesOwnKingAttacked()) {
      p.UnmakeMove();
      return false;
    }
    any_legal = true;
    // A child that is not a quiescence node probes the table first: start loading its
    // bucket now.
    if (depth > 0 || p.current().check != 0) __builtin_prefetch(tt_.Bucket(p.current().key));
    int ext = 0;
    // Extensions stop at twice the iteration depth: where both kings stand open, a
    // check or a mate threat at nearly every node would otherwise keep the remaining
    // depth from falling and run every line down to the last ply record.
    if (ply < extension_limit_) {
      if ((rec.flags & kFlagEven) && rec.captured && m.to == last_to) ext = 1;
      else if ((in_check || (rec.flags & kFlagCheck)) && m.to != last_to) ext = 1;
    }
    const int child_depth = depth - 1 + ext;
    int32_t v;
    // At the horizon a move is searched further only when the static value after it
    // is above alpha; a move that gives check always leads to an evasion node.
    if (child_depth <= 0 && p.current().check == 0 && after <= alpha) v = after;
    else v = -Node(ply + 1, child_depth, -beta, -alpha);
    p.UnmakeMove();
    if (aborted_) return true;
    if (v > best) best = v, best_move = m;
    if (v > alpha) {
      if (quiet && !in_check) {
        uint32_t& counter = p.history(mover);
        if (counter == std::numeric_limits<uint32_t>::max()) p.HalveHistory();
        ++counter;
      }
      if (v >= beta) {
        bound = kBoundLower;
        return true;
      }
      alpha = v;
      bound = kBoundExact;
      if (ply < kPvLength) UpdatePv(ply, m);
    }
    return false;
  };
  auto try_move = [&](Move m) -> bool {
    moves_tried = true;
    if (double_check && p.board(m.from) != KingHandle(side)) return false;
    if (!IsPromotionMove(p, m)) return search_move(m);
    for (int flag : {kFlagPromoQueen, kFlagPromoRook, kFlagPromoBishop, kFlagPromoKnight}) {
      m.flags = flag;
      if (search_move(m)) return true;
    }
    return false;
  };
  auto is_tt = [&](const Move& m) { return has_tt && SameSquares(m, tt_move); };
  auto is_killer = [&](const Move& m) {
    return (killer.from != killer.to && SameSquares(m, killer_move)) || (two_up.from != two_up.to && SameSquares(m, two_up));
  };
  auto run = [&](MoveGenerator gen, auto&& skip) -> bool {
    Move m;
    while (gen.Next(p, m)) {
      if (skip(m)) continue;
      if (try_move(m)) return true;
    }
    return false;
  };

  // Null move.
  if (full_width && info_.null_reduction != 0 && !info_.null_forbidden && rec.from != rec.to &&
      (rec.signature & 0xFF) != 0 && stand + info_.eval_offset >= beta) {
    p.MakeNullMove(info_.null_offset);
    int child_depth = depth - info_.null_reduction;
    if (child_depth <= 0) child_depth = -1;
    const int32_t v = -Node(ply + 1, child_depth, -beta, -beta + 8);
    p.UnmakeNullMove();
    if (!aborted_ && v >= beta) {
      best = v;
      bound = kBoundLower;
      goto done;
    }
    if (v <= -kMateBound) rec.flags |= kFlagCheck;
  }
  if (aborted_) goto done;
  if (horizon && best >= beta) {
    bound = kBoundLower;
    goto done;
  }
  if (horizon && best > alpha) alpha = best;

  if (has_tt) {
    int flags = kFlagCastling;
    bool tactical = false;
    if (p.IsStoredMoveValid(tt_move.from, tt_move.to, flags, &tactical, quiescence)) {
      tt_move.flags = flags;
      if (try_move(tt_move)) goto done;
    }
  }
  if (in_check) {
    const Square checker = rec.check_square;
    const Square king = p.king_square(side);
    auto not_tt = [&](const Move& m) { return is_tt(m); };
    if (run(MoveGenerator(GenKind::kAttackers, p, checker), not_tt)) goto done;
    if (!double_check && (rec.check & kReachContact) == 0) {
      const int step = StepToward(checker - king);
      for (Square s = king + step; s != checker; s += step)
        if (run(MoveGenerator(GenKind::kInterposers, p, s), not_tt)) goto done;
    }
    if (run(MoveGenerator(GenKind::kKingEscapes, p),
            [&](const Move& m) { return is_tt(m) || m.to == checker; }))
      goto done;
    if ((rec.flags & kFlagKindMask) == kFlagDoubleStep && checker == rec.to)
      if (run(MoveGenerator(GenKind::kEnPassant, p), not_tt)) goto done;
    goto done;
  }

  // Captures of the piece that has just moved, least valuable attacker first.
  if (has_last) {
    if (run(MoveGenerator(GenKind::kAttackers, p, last_to),
            [&](const Move& m) { return is_tt(m) || (quiescence && !p.IsExchangeSafe(m.from, m.to)); }))
      goto done;
  }
  // Killers: this ply's, then the best move of two plies up.
  for (int k = 0; k < 2; ++k) {
    Move m = k == 0 ? killer_move : two_up;
    if (m.from == m.to || (has_last && m.to == last_to) || is_tt(m)) continue;
    if (k == 1 && (quiescence || (killer.from != killer.to && SameSquares(m, killer_move)))) continue;
    int flags = m.flags == kFlagCastling ? kFlagCastling : 0;
    bool tactical = false;
    if (!p.IsStoredMoveValid(m.from, m.to, flags, &tactical, quiescence)) continue;
    if (quiescence && !p.IsExchangeSafe(m.from, m.to)) continue;
    m.flags = flags;
    if (try_move(m)) goto done;
  }
  {
    auto skip_tried = [&](const Move& m) { return is_tt(m) || is_killer(m) || (has_last && m.to == last_to); };
    if (quiescence) {
      if (run(MoveGenerator(GenKind::kCaptures, p),
              [&](const Move& m) { return skip_tried(m) || !p.IsExchangeSafe(m.from, m.to); }))
        goto done;
    } else if (horizon) {
      CheckGenerator checks(p);
      Move m;
      while (checks.Next(p, m)) {
        if (skip_tried(m)) continue;
        if (try_move(m)) goto done;
      }
      if (run(MoveGenerator(GenKind::kEnPassant, p), skip_tried)) goto done;
    } else {
      if (run(MoveGenerator(GenKind::kCaptures, p), skip_tried)) goto done;
      if (run(MoveGenerator(GenKind::kQuiet, p), [&](const Move& m) { return is_tt(m) || is_killer(m); }))
        goto done;
    }
  }

done:
  if (aborted_) return 0;
  if (full_width && moves_tried && !any_legal) best = 0;
  if (in_check && !any_legal) best = MatedAt(ply);
  if (best_move.from != best_move.to) {
    if (!(has_last && best_move.to == last_to))
      killers_[static_cast<size_t>(ply)] = Killer{best_move.from, best_move.to, best_move.flags & kFlagKindMask};
  }
  best_[static_cast<size_t>(ply)] = best_move;
  if (entry) {
    entry->word = check_bits | static_cast<uint32_t>(std::max(depth, 0));
    entry->score = ToTable(best, ply, bound);
    entry->from = static_cast<uint8_t>(best_move.from);
    entry->to = static_cast<uint8_t>(best_move.to);
  }
  return best;
}

int32_t Search::RootChild(int index, int depth, int32_t alpha, int32_t beta) {
  Position& p = engine_.position();
  const CoreMove m = engine_.root_move(index).move;
  const Move move{ToSquare88(CoreFrom(m)), ToSquare88(CoreTo(m)), CoreFlags(m) & kFlagKindMask};
  const PlyRecord& rec = p.record(0);
  const bool ext = rec.check != 0 && move.to != rec.to;
  const int child_depth = depth - 1 + (ext ? 1 : 0);
  pv_[1][0] = 0;
  const int32_t after = p.MakeMove(move.from, move.to, move.flags);
  int32_t v;
  if (child_depth <= 0 && p.current().check == 0 && after <= alpha) v = after;
  else v = -Node(1, child_depth, -beta, -alpha);
  p.UnmakeMove();
  auto& line = root_lines_[static_cast<size_t>(index)];
  line.fill(0);
  line[0] = m;
  for (int j = 1; j < kPvLength && pv_[1][static_cast<size_t>(j - 1)] != 0; ++j)
    line[static_cast<size_t>(j)] = pv_[1][static_cast<size_t>(j - 1)];
  return v;
}

void Search::SetExtensionLimit(int depth) {
  extension_limit_ = std::min(extension_plies_per_depth_ * depth, kMaxPly - 1);
}

bool Search::RootSingle(int depth) {
  SetExtensionLimit(depth);
  int32_t alpha = std::max(root_score_ - kAspiration, -kInfinity);
  int32_t beta = std::min(root_score_ + kAspiration, kInfinity);
  bool researched_high = false;
  fail_low_ = false;
  aspiration_ = 0;
  const int32_t target = static_cast<int32_t>(control_.target_ms.load());
  auto take_best = [&](int i, int32_t v) {
    root_score_ = v;
    best_index_ = i;
    pv_[0] = root_lines_[static_cast<size_t>(i)];
    if (listener_) listener_->MainLine();
  };
  for (int i = 0; i < engine_.root_count(); ++i) {
    if (listener_) listener_->CurrentMove(i);
    RootMove& rm = engine_.root_move(i);
    bool open_beta = false;
    for (;;) {
      const int32_t v = RootChild(i, depth, alpha, beta);
      if (aborted_) return false;
      if (v > rm.score) rm.score = v;
      if (open_beta && v <= alpha) break;  // the re-search did not confirm; keep the first result
      if (i == 0 && v <= alpha && beta != v + 8) {
        rm.score = v;
        aspiration_ = -1;
        root_lines_[0].fill(0);
        root_lines_[0][0] = rm.move;
        take_best(0, v);
        beta = v + 8;
        alpha = -kInfinity;
        rm.score = kNotSearched;
        fail_low_ = true;
        continue;
      }
      if (v > alpha || i == 0) {
        aspiration_ = v >= beta ? 1 : 0;
        alpha = v;
        take_best(i, v);
        if (v >= beta && beta < kInfinity) {
          if (!fail_low_ && TimeCheck(static_cast<int64_t>(target) * 3 / 2)) return false;
          beta = kInfinity;
          open_beta = true;
          researched_high = true;
          continue;
        }
        aspiration_ = 0;
      } else {
        const bool plain = depth - 1 == 1 || alpha == -kInfinity || researched_high;
        rm.score = plain ? v : v - 8 * i;
      }
      break;
    }
    beta = alpha + 8;
    if (!fail_low_ && TimeCheck(static_cast<int64_t>(target) * 2)) return false;
  }
  return true;
}

bool Search::RootMulti(int depth, int lines_wanted) {
  SetExtensionLimit(depth);
  int32_t lowest = -kInfinity, highest = kInfinity;
  auto window = [&](bool null_window, int32_t& alpha, int32_t& beta) {
    if (listener_) listener_->LinesWindow(lowest, highest);
    if (null_window) {
      alpha = lowest, beta = lowest + 8;
    } else {
      alpha = std::max(lowest - kAspiration, -kInfinity);
      beta = std::min(highest + kAspiration, kInfinity);
    }
  };
  int32_t alpha, beta;
  window(false, alpha, beta);
  const int64_t target = control_.target_ms.load();
  for (int i = 0; i < engine_.root_count(); ++i) {
    if (listener_) listener_->CurrentMove(i);
    RootMove& rm = engine_.root_move(i);
    auto search = [&](int32_t a, int32_t b) {
      rm.score = RootChild(i, depth, a, b);
      return rm.score;
    };
    int32_t v = search(alpha, beta);
    if (aborted_) return false;
    if (v > alpha) {
      if (listener_) listener_->Line(i);
      if (v >= beta) {
        search(alpha, kInfinity);
        if (aborted_) return false;
        if (listener_) listener_->Line(i);
      }
    } else if (i < lines_wanted) {
      if (listener_) listener_->Line(i);
      search(-kInfinity, beta);
      if (aborted_) return false;
      if (listener_) listener_->Line(i);
    }
    window(i >= lines_wanted - 1, alpha, beta);
    root_score_ = highest;
    if (TimeCheck(target * 2)) return false;
  }
  return true;
}

}  // namespace zh::zelko2

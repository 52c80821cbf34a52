#include "enginemodule/zelkohome2/core/perft.h"

namespace zh::zelko2 {
namespace {

template <typename Fn>
void TryMove(Position& p, const Move& generated, bool in_check, Fn&& fn) {
  ForEachPromotion(p, generated, [&](const Move& m) {
    p.MakeMove(m.from, m.to, m.flags);
    bool illegal = in_check ? p.OwnKingAttacked() : p.LeavesOwnKingAttacked();
    if (!illegal) fn(m);
    p.UnmakeMove();
  });
}

template <typename Fn>
void Run(Position& p, GenKind kind, Square target, bool in_check, Fn&& fn) {
  MoveGenerator gen(kind, p, target);
  Move m;
  while (gen.Next(p, m)) TryMove(p, m, in_check, fn);
}

// Answers to a check in the order of the search: captures of the checking piece,
// interpositions (not against a knight, a contact piece or a double check), king
// steps, and the e.p. capture of a checking pawn that has just stepped twice.
template <typename Fn>
void ForEachEvasion(Position& p, Fn&& fn) {
  const PlyRecord& r = p.current();
  const Square checker = r.check_square;
  const uint8_t check = r.check;
  const Square king = p.king_square(p.side());
  Run(p, GenKind::kAttackers, checker, true, fn);
  if (check != kDoubleCheck && (check & kReachContact) == 0) {
    int step = StepToward(checker - king);
    for (Square s = king + step; s != checker; s += step) Run(p, GenKind::kInterposers, s, true, fn);
  }
  MoveGenerator escapes(GenKind::kKingEscapes, p);
  Move m;
  while (escapes.Next(p, m))
    if (m.to != checker) TryMove(p, m, true, fn);
  if ((r.flags & kFlagKindMask) == kFlagDoubleStep && checker == r.to) Run(p, GenKind::kEnPassant, kNoSquare, true, fn);
}

}  // namespace

void ForEachLegalMove(Position& p, const std::function<void(const Move&)>& fn) {
  if (p.in_check()) {
    ForEachEvasion(p, fn);
    return;
  }
  Run(p, GenKind::kCaptures, kNoSquare, false, fn);
  Run(p, GenKind::kQuiet, kNoSquare, false, fn);
}

uint64_t Perft(Position& p, int depth) {
  if (depth <= 0) return 1;
  uint64_t count = 0;
  auto count_move = [&](const Move&) { count += depth == 1 ? 1 : Perft(p, depth - 1); };
  if (p.in_check()) {
    ForEachEvasion(p, count_move);
  } else {
    Run(p, GenKind::kCaptures, kNoSquare, false, count_move);
    Run(p, GenKind::kQuiet, kNoSquare, false, count_move);
  }
  return count;
}

}  // namespace zh::zelko2

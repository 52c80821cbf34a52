#include "core/rules/movelist.h"

#include <array>
#include <cstring>

namespace zh {

namespace {

// Direction (king-step index + 1) from the first square to the second along a
// straight or diagonal line, 0 when they share none.
constexpr std::array<std::array<uint8_t, 64>, 64> MakeRayDirections() {
  std::array<std::array<uint8_t, 64>, 64> t{};
  for (int from = 0; from < 64; ++from) {
    for (int d = 0; d < 8; ++d) {
      const Step step = kSteps[kKingSteps + d];
      for (int s = from; CanStep(s, step);) {
        s += step.delta;
        t[from][s] = static_cast<uint8_t>(d + 1);
      }
    }
  }
  return t;
}
constexpr auto kRayDirection = MakeRayDirections();

constexpr uint64_t Bit(int s) {
  return uint64_t{1} << s;
}

// Writes the pseudo-legal moves of one colour in the fixed order.
template <bool kBlack>
class Generator {
 public:
  static constexpr int kOwn = kBlack ? kBlackBit : 0;

  Generator(const Position& p, MoveCode* out) : b_(p.board.squares), out_(out) {
    ep_ = p.epFile >= 1 && p.epFile <= 8 ? p.epFile - 1 : -1;
    rights_ = p.castling;
  }

  // Stops after the piece whose moves reach `stop`; answers the end of the list.
  MoveCode* Run(MoveCode* stop) {
    for (int s = 0; s < 64; ++s) {
      const int p = b_[s];
      if (p == kEmpty || ColourOf(p) != kOwn) continue;
      from_ = static_cast<uint8_t>(s);
      if (p > 15) unusual_ = true;  // a damaged code that still moves like its type
      switch (TypeOf(p)) {
        case kKing:
          ++kings_;
          if (kings_ == 1) king_ = s;
          Steps(kKingTargets[s]);
          Castling();
          break;
        case kQueen:
          Slides(kRays[s].data(), 8);
          break;
        case kKnight:
          Steps(kKnightTargets[s]);
          break;
        case kBishop:
          Slides(kRays[s].data(), 4);
          break;
        case kRook:
          Slides(kRays[s].data() + 4, 4);
          break;
        case kPawn:
          Pawn(s);
          break;
        default:
          break;
      }
      if (out_ >= stop) {
        unusual_ = true;
        return stop;
      }
    }
    return out_;
  }

  int kings_ = 0;
  int king_ = -1;
  // Cut off at the limit, or a piece code above 15: legality only by playing.
  bool unusual_ = false;

 private:
  static bool IsEnemy(int p) { return p != kEmpty && ColourOf(p) != kOwn; }

  void Add(int to, int kind) {
    *out_++ = MoveCode(from_, static_cast<uint8_t>(to), static_cast<uint8_t>(kind), 0);
  }
  void AddPromotions(int to, int kind) {
    kind |= kPromotion;
    for (uint8_t type : {kQueen, kRook, kBishop, kKnight})
      *out_++ = MoveCode(from_, static_cast<uint8_t>(to), static_cast<uint8_t>(kind), type);
  }

  void Steps(const SquareList8& targets) {
    for (int i = 0; i < targets.count; ++i) {
      const int to = targets.squares[i];
      const int q = b_[to];
      if (q == kEmpty)
        Add(to, 0);
      else if (ColourOf(q) != kOwn)
        Add(to, kCapture);
    }
  }

  void Slides(const SquareList8* rays, int count) {
    for (int d = 0; d < count; ++d) {
      const SquareList8& ray = rays[d];
      for (int i = 0; i < ray.count; ++i) {
        const int to = ray.squares[i];
        const int q = b_[to];
        if (q == kEmpty) {
          Add(to, 0);
          continue;
        }
        if (ColourOf(q) != kOwn) Add(to, kCapture);
        break;
      }
    }
  }

  void Castling() {
    if (kBlack) {
      if (from_ != 39) return;
      if ((rights_ & kBlackShort) && b_[63] == (kRook | kBlackBit) && !b_[47] && !b_[55])
        Add(55, kBlackShortCastle);
      if ((rights_ & kBlackLong) && b_[7] == (kRook | kBlackBit) && !b_[15] && !b_[23] && !b_[31])
        Add(23, kBlackLongCastle);
    } else {
      if (from_ != 32) return;
      if ((rights_ & kWhiteShort) && b_[56] == kRook && !b_[40] && !b_[48])
        Add(48, kWhiteShortCastle);
      if ((rights_ & kWhiteLong) && b_[0] == kRook && !b_[8] && !b_[16] && !b_[24])
        Add(16, kWhiteLongCastle);
    }
  }

  void Pawn(int s) {
    constexpr int kUp = kBlack ? -1 : 1;
    constexpr int kStartRank = kBlack ? 6 : 1;
    constexpr int kLastRank = kBlack ? 0 : 7;
    constexpr int kEpRank = kBlack ? 3 : 4;
    // Captures towards the a-file first, then towards the h-file.
    constexpr int kCaptureA = kBlack ? -9 : -7;
    constexpr int kCaptureH = kBlack ? +7 : +9;
    const int rank = RankOf(s), file = FileOf(s);
    // A pawn on its last rank has nowhere to go.
    if (rank == kLastRank) return;
    const int up = s + kUp;
    if (b_[up] == kEmpty) {
      if (rank == kStartRank) {
        if (b_[up + kUp] == kEmpty) Add(up + kUp, kDoubleStep);
        Add(up, 0);
      } else if (RankOf(up) == kLastRank) {
        AddPromotions(up, 0);
      } else {
        Add(up, 0);
      }
    }
    auto capture = [&](int to) {
      if (!IsEnemy(b_[to])) return;
      if (RankOf(to) == kLastRank)
        AddPromotions(to, kCapture);
      else
        Add(to, kCapture);
    };
    if (file > 0) capture(s + kCaptureA);
    if (file < 7) capture(s + kCaptureH);
    // En passant only onto an empty square, past an enemy pawn beside the mover.
    if (ep_ >= 0 && rank == kEpRank && (file - ep_ == 1 || ep_ - file == 1)) {
      const int target = MakeSquare(ep_, rank + kUp);
      if (b_[target] == kEmpty && b_[MakeSquare(ep_, rank)] == (kPawn | (kOwn ^ kBlackBit)))
        Add(target, kEnPassant);
    }
  }

  const uint8_t* b_;
  MoveCode* out_;
  int ep_;
  int rights_;
  uint8_t from_ = 0;
};

// What makes a move of the side to move leave its one king attacked: the pieces
// giving check and the own pieces pinned against the king.
template <bool kBlack>
struct KingSafety {
  static constexpr int kEnemy = kBlack ? 0 : kBlackBit;

  uint64_t pinned = 0;
  // Squares a non-king move must reach to meet the check; all with no check.
  uint64_t evasions = ~uint64_t{0};

  KingSafety(const uint8_t* b, int king) {
    int checkers = 0;
    uint64_t checkSquares = 0;
    for (int d = 0; d < 8; ++d) {
      const Step step = kSteps[kKingSteps + d];
      const bool diagonal =
          step.delta == -9 || step.delta == -7 || step.delta == 7 || step.delta == 9;
      const int slider = (diagonal ? kBishop : kRook) | kEnemy, queen = kQueen | kEnemy;
      uint64_t ray = 0;
      int s = king, first = -1;
      while (CanStep(s, step)) {
        s += step.delta;
        const int p = b[s];
        if (first < 0) ray |= Bit(s);
        if (p == kEmpty) continue;
        if (first >= 0) {  // the second piece on the ray
          if (p == slider || p == queen) pinned |= Bit(first);
          break;
        }
        if (ColourOf(p) == kEnemy) {
          if (p == slider || p == queen) {
            ++checkers;
            checkSquares = ray;
          }
          break;
        }
        first = s;
      }
    }
    auto leaper = [&](Step step, int code) {
      if (CanStep(king, step) && b[king + step.delta] == code) {
        ++checkers;
        checkSquares = Bit(king + step.delta);
      }
    };
    for (int i = kKnightSteps; i < kKnightSteps + 8; ++i) leaper(kSteps[i], kKnight | kEnemy);
    for (int i = kKingSteps; i < kKingSteps + 8; ++i) leaper(kSteps[i], kKing | kEnemy);
    const Step* pawnSteps = kBlack ? kWhitePawnAttackers : kBlackPawnAttackers;
    leaper(pawnSteps[0], kPawn | kEnemy);
    leaper(pawnSteps[1], kPawn | kEnemy);
    if (checkers == 1) evasions = checkSquares;
    if (checkers > 1) evasions = 0;
  }
};

// Keeps the moves that Move::IsLegal accepts, in order; answers the new count.
int FilterByPlaying(const Position& position, MoveCode* moves, int count) {
  int kept = 0;
  for (int i = 0; i < count; ++i) {
    Move m = Move::FromCode(moves[i]);
    m.CompleteFrom(position.board);
    if (m.IsLegal(position)) moves[kept++] = moves[i];
  }
  return kept;
}

// The same result for a side with exactly one king, from checks and pins.
template <bool kBlack>
int FilterBySafety(const Position& position, int king, MoveCode* moves, int count) {
  const uint8_t* b = position.board.squares;
  const KingSafety<kBlack> safety(b, king);
  Board withoutKing = position.board;
  withoutKing.squares[king] = kEmpty;
  int kept = 0;
  for (int i = 0; i < count; ++i) {
    const MoveCode m = moves[i];
    bool legal;
    if (m.from == king) {
      if (m.kind & kCastleBits) {
        // The king's square, the one it crosses and the one it reaches.
        const int cross = (m.from + m.to) / 2;
        legal = !TestSquareAttacked(position.board, m.from, !kBlack) &&
                !TestSquareAttacked(position.board, cross, !kBlack) &&
                !TestSquareAttacked(position.board, m.to, !kBlack);
      } else {
        legal = !TestSquareAttacked(withoutKing, m.to, !kBlack);
      }
    } else if (m.kind & kEnPassant) {
      Position after = position;
      after.MakeMoveSquares(m.from, m.to, 0);
      legal = !IsKingAttacked(after.board, kBlack);
    } else {
      legal = (safety.evasions & Bit(m.to)) &&
              (!(safety.pinned & Bit(m.from)) ||
               kRayDirection[king][m.to] == kRayDirection[king][m.from]);
    }
    if (legal) moves[kept++] = m;
  }
  return kept;
}

template <bool kBlack>
int GenerateLegalFor(const Position& position, MoveCode* moves) {
  Generator<kBlack> gen(position, moves);
  const int count = static_cast<int>(gen.Run(moves + MoveList::kMaxLimit) - moves);
  if (gen.kings_ == 1 && !gen.unusual_)
    return FilterBySafety<kBlack>(position, gen.king_, moves, count);
  return FilterByPlaying(position, moves, count);
}

// Whether some pseudo-legal move goes from `from` to `to` and passes the same test
// as in GenerateLegalFor; only that move is tested.
template <bool kBlack>
bool IsLegalFor(const Position& position, int from, int to, MoveCode* moves) {
  Generator<kBlack> gen(position, moves);
  const int count = static_cast<int>(gen.Run(moves + MoveList::kMaxLimit) - moves);
  for (int i = 0; i < count; ++i) {
    if (moves[i].from != from || moves[i].to != to) continue;
    // Every promotion piece of the squares is legal or none is.
    moves[0] = moves[i];
    if (gen.kings_ == 1 && !gen.unusual_) return FilterBySafety<kBlack>(position, gen.king_, moves, 1) == 1;
    return FilterByPlaying(position, moves, 1) == 1;
  }
  return false;
}

}  // namespace

bool MoveList::IsLegalMove(const Position& position, int from, int to) {
  MoveCode moves[kSlots + kOverflowRoom];
  return position.side == 1 ? IsLegalFor<true>(position, from, to, moves)
                            : IsLegalFor<false>(position, from, to, moves);
}

void MoveList::Init() {
  count_ = 0;
  std::memset(&moves_[0], 0, sizeof moves_[0]);
}

bool MoveList::Append(MoveCode code) {
  if (count_ >= kMaxLimit) return false;
  moves_[count_++] = code;
  return true;
}

void MoveList::Truncate(int n) {
  if (n >= 0 && n < count_) count_ = static_cast<int16_t>(n);
}

int MoveList::Generate(const Position& position, int limit) {
  if (limit > kMaxLimit) limit = kMaxLimit;
  if (limit < 0) limit = 0;
  MoveCode* const stop = moves_ + limit;
  MoveCode* end = position.side == 1 ? Generator<true>(position, moves_).Run(stop)
                                     : Generator<false>(position, moves_).Run(stop);
  count_ = static_cast<int16_t>(end - moves_);
  return count_;
}

int MoveList::GenerateLegal(const Position& position) {
  Init();
  count_ = static_cast<int16_t>(position.side == 1 ? GenerateLegalFor<true>(position, moves_)
                                                   : GenerateLegalFor<false>(position, moves_));
  return count_;
}

bool MoveList::Contains(const Move& move) const {
  for (const MoveCode& m : *this) {
    if (m.from != static_cast<uint8_t>(move.from) || m.to != static_cast<uint8_t>(move.to))
      continue;
    if (!(m.kind & kPromotion) || m.promotion == move.promotion) return true;
  }
  return false;
}

int MoveList::CountFromSquare(int square) const {
  int n = 0;
  for (const MoveCode& m : *this) n += m.from == square;
  return n;
}

int MoveList::CountToSquare(int square) const {
  int n = 0;
  for (const MoveCode& m : *this) n += m.to == square;
  return n;
}

int MoveList::FindFromSquare(int square, uint8_t& other) const {
  for (int i = 0; i < count_; ++i) {
    if (moves_[i].from == square) {
      other = moves_[i].to;
      return i;
    }
  }
  return count_;
}

int MoveList::FindToSquare(int square, uint8_t& other) const {
  for (int i = 0; i < count_; ++i) {
    if (moves_[i].to == square) {
      other = moves_[i].from;
      return i;
    }
  }
  return count_;
}

}  // namespace zh

#include "core/rules/retro_movelist.h"

namespace zh {

namespace {

// Men put back by an un-capture, in the order they are tried.
constexpr uint8_t kUncaptured[5] = {kQueen, kRook, kBishop, kKnight, kPawn};

constexpr int kE1 = 32, kA1 = 0, kH1 = 56, kE8 = 39, kA8 = 7, kH8 = 63;

// The corner right a rook of the given colour on `square` belongs to; 0 elsewhere.
uint8_t CornerRight(int square, int colour) {
  if (colour == 0) return square == kA1 ? kWhiteLong : square == kH1 ? kWhiteShort : 0;
  return square == kA8 ? kBlackLong : square == kH8 ? kBlackShort : 0;
}

}  // namespace

void RetroMoveList::Init() {
  for (GameMove& m : entries_) m = GameMove();
  count_ = 0;
}

void RetroMoveList::Push(const GameMove& m) {
  if (count_ >= limit_) return;
  entries_[count_++] = m;
}

void RetroMoveList::Add(int from, uint8_t kind, uint8_t captured, uint8_t promotion,
                        uint8_t rights, uint8_t epFile) {
  if (count_ >= limit_) return;
  // Replaying the move must keep the current rights: no un-move touches a square
  // whose right is still present.
  if (rights_ & ~(kCastlingMask[from] & kCastlingMask[square_])) return;
  const uint8_t* b = position_->board.squares;
  GameMove m;
  m.from = static_cast<uint8_t>(from);
  m.to = square_;
  m.kind = kind;
  m.promotion = promotion;
  m.captured = captured;
  m.piece = b[square_];
  m.epFile = epFile;
  m.castling = rights == 0xFF ? rights_ : rights;
  Push(m);
  if (rights != 0xFF || (kind & kCastleBits)) return;

  const int home = colour_ ? kE8 : kE1;
  const int enemyHome = colour_ ? kE1 : kE8;
  const uint8_t ownKing = static_cast<uint8_t>(colour_ | kKing);
  const uint8_t ownRook = static_cast<uint8_t>(colour_ | kRook);
  uint8_t joined = 0;
  // A rook put back on its corner with its king at home.
  if (TypeOf(captured) == kRook && b[enemyHome] == (ColourOf(captured) | kKing))
    joined |= CornerRight(square_, ColourOf(captured));
  // A rook going back to its corner with its king at home.
  if (TypeOf(m.piece) == kRook && !(kind & kPromotion) && b[home] == ownKing)
    joined |= CornerRight(from, colour_);
  // The king going back to its home square.
  uint8_t aSide = 0, hSide = 0;
  if (TypeOf(m.piece) == kKing && from == home) {
    const int aCorner = colour_ ? kA8 : kA1, hCorner = colour_ ? kH8 : kH1;
    if (b[aCorner] == ownRook) aSide = CornerRight(aCorner, colour_);
    if (b[hCorner] == ownRook) hSide = CornerRight(hCorner, colour_);
    joined |= aSide | hSide;
  }
  const uint8_t all = rights_ | joined;
  if (all != rights_) {
    m.castling = all;
    Push(m);
  }
  for (uint8_t alone : {hSide, aSide}) {
    const uint8_t r = rights_ | alone;
    if (alone && r != all && r != rights_) {
      m.castling = r;
      Push(m);
    }
  }
}

void RetroMoveList::AddWithUncaptures(int from) {
  Add(from, 0, 0);
  const int rank = RankOf(square_);
  const uint8_t enemy = colour_ ^ kBlackBit;
  for (uint8_t type : kUncaptured) {
    if (type == kPawn && (rank == 0 || rank == 7)) break;
    Add(from, kCapture, static_cast<uint8_t>(enemy | type));
  }
}

void RetroMoveList::Leaper(const uint8_t* targets, int n) {
  const uint8_t* b = position_->board.squares;
  for (int i = 0; i < n; ++i)
    if (b[targets[i]] == kEmpty) AddWithUncaptures(targets[i]);
}

void RetroMoveList::Slider(int firstRay, int lastRay) {
  const uint8_t* b = position_->board.squares;
  for (int d = firstRay; d <= lastRay; ++d) {
    const SquareList8& ray = kRays[square_][d];
    for (int i = 0; i < ray.count && b[ray.squares[i]] == kEmpty; ++i)
      AddWithUncaptures(ray.squares[i]);
  }
}

void RetroMoveList::Unpromotions() {
  const uint8_t* b = position_->board.squares;
  const int rank = RankOf(square_), file = FileOf(square_);
  if (rank != (colour_ ? 0 : 7)) return;
  const int behind = colour_ ? 1 : -1;
  const uint8_t type = static_cast<uint8_t>(TypeOf(b[square_]));
  const int back = square_ + behind;
  if (b[back] == kEmpty) Add(back, kPromotion, 0, type);
  const uint8_t enemy = colour_ ^ kBlackBit;
  for (int df : {-1, 1}) {
    if (file + df < 0 || file + df > 7) continue;
    const int from = back + df * 8;
    if (b[from] != kEmpty) continue;
    for (int i = 0; i < 4; ++i)
      Add(from, kPromotion | kCapture, static_cast<uint8_t>(enemy | kUncaptured[i]), type);
  }
}

void RetroMoveList::King() {
  const SquareList8& t = kKingTargets[square_];
  Leaper(t.squares, t.count);
  const uint8_t* b = position_->board.squares;
  const int r0 = colour_ ? 7 : 0;
  const uint8_t rook = static_cast<uint8_t>(colour_ | kRook);
  const uint8_t shortRight = colour_ ? kBlackShort : kWhiteShort;
  const uint8_t longRight = colour_ ? kBlackLong : kWhiteLong;
  const uint8_t shortKind = colour_ ? kBlackShortCastle : kWhiteShortCastle;
  const uint8_t longKind = colour_ ? kBlackLongCastle : kWhiteLongCastle;
  auto sq = [r0](int file) { return MakeSquare(file, r0); };
  if (square_ == sq(6) && !(rights_ & shortRight) && b[sq(5)] == rook && b[sq(4)] == kEmpty &&
      b[sq(7)] == kEmpty) {
    const uint8_t r = rights_ | shortRight | (b[sq(0)] == rook ? longRight : 0);
    Add(sq(4), shortKind, 0, 0, r);
  }
  if (square_ == sq(2) && !(rights_ & longRight) && b[sq(3)] == rook && b[sq(4)] == kEmpty &&
      b[sq(1)] == kEmpty && b[sq(0)] == kEmpty) {
    const uint8_t r = rights_ | longRight | (b[sq(7)] == rook ? shortRight : 0);
    Add(sq(4), longKind, 0, 0, r);
  }
}

void RetroMoveList::Pawn() {
  const uint8_t* b = position_->board.squares;
  // Ranks counted from the mover's side: a white pawn moved up, a black one down.
  const int up = colour_ ? -1 : 1;
  const int rank = colour_ ? 7 - RankOf(square_) : RankOf(square_);
  const int file = FileOf(square_);
  if (rank <= 1) return;
  const int below = square_ - up;
  if (b[below] == kEmpty) {
    if (rank == 3 && b[below - up] == kEmpty) Add(below - up, kDoubleStep, 0);
    Add(below, 0, 0);
  }
  const uint8_t enemy = colour_ ^ kBlackBit;
  if (rank == 5) {
    for (int df : {-1, 1}) {
      if (file + df < 0 || file + df > 7) continue;
      const int from = below + df * 8;
      // The taken pawn stood beside the from-square, below the to-square.
      if (b[from] == kEmpty && b[below] == kEmpty)
        Add(from, kEnPassant, static_cast<uint8_t>(enemy | kPawn), 0, 0xFF,
            static_cast<uint8_t>(file + 1));
    }
  }
  for (int df : {-1, 1}) {
    if (file + df < 0 || file + df > 7) continue;
    const int from = below + df * 8;
    if (b[from] != kEmpty) continue;
    for (uint8_t type : kUncaptured) Add(from, kCapture, static_cast<uint8_t>(enemy | type));
  }
}

int RetroMoveList::Generate(const Position& position, int limit) {
  count_ = 0;
  limit_ = limit > kMaxLimit ? kMaxLimit : limit < 0 ? 0 : limit;
  position_ = &position;
  colour_ = position.side == 1 ? 0 : kBlackBit;
  rights_ = position.castling;
  const uint8_t* b = position.board.squares;

  if (position.epFile >= 1 && position.epFile <= 8) {
    const int file = position.epFile - 1;
    const int r4 = colour_ ? 4 : 3, r3 = colour_ ? 5 : 2, r2 = colour_ ? 6 : 1;
    square_ = static_cast<uint8_t>(MakeSquare(file, r4));
    if (b[square_] == (colour_ | kPawn) && b[MakeSquare(file, r3)] == kEmpty &&
        b[MakeSquare(file, r2)] == kEmpty)
      Add(MakeSquare(file, r2), kDoubleStep, 0);
    return count_;
  }

  for (int s = 0; s < 64 && count_ < limit_; ++s) {
    const uint8_t code = b[s];
    if (code == kEmpty || ColourOf(code) != colour_) continue;
    square_ = static_cast<uint8_t>(s);
    switch (TypeOf(code)) {
      case kKing:
        King();
        break;
      case kQueen:
        Slider(0, 7);
        Unpromotions();
        break;
      case kKnight: {
        const SquareList8& t = kKnightTargets[s];
        Leaper(t.squares, t.count);
        Unpromotions();
        break;
      }
      case kBishop:
        Slider(0, 3);
        Unpromotions();
        break;
      case kRook:
        Slider(4, 7);
        Unpromotions();
        break;
      case kPawn:
        Pawn();
        break;
      default:
        break;
    }
  }
  return count_;
}

}  // namespace zh

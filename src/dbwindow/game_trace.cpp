#include "dbwindow/game_trace.h"

#include <cstring>
#include <new>

namespace zh {

namespace {

constexpr uint64_t Bit(int square) {
  return uint64_t{1} << square;
}

// Piece kinds the side records keep, the king to the rook.
constexpr bool IsPieceKind(int kind) {
  return kind >= kKing && kind <= kRook;
}

}  // namespace

GameTrace::GameTrace() {
  try {
    block_ = std::make_unique<Block>();
    status = kReady;
  } catch (const std::bad_alloc&) {
    status = kOutOfMemory;
  }
}

GameTrace::~GameTrace() {
  if (status == kReady) status = kFreed;
}

void GameTrace::Start(const Board& board) {
  if (status != kReady) return;
  TracePly& ply = block_->plies[0];
  std::memset(&ply, 0, sizeof ply);
  block_->moves[0] = TraceMove{};
  men_ = 0;
  for (int square = 0; square < 64; ++square) {
    const int code = board[square];
    const int kind = TypeOf(code);
    if (kind == kEmpty || kind > kPawn) continue;
    const int side = ColourOf(code) ? 1 : 0;
    ++men_;
    if (kind == kPawn) {
      ply.pawns[side].squares |= Bit(square);
      ++ply.pawns[side].count;
    } else {
      TraceSide& s = ply.pieces[side];
      s.material = static_cast<int16_t>(s.material + kPieceValue[kind]);
      s.sets[kind - 1] |= Bit(square);
      ++s.counts[kind - 1];
    }
  }
  length = 1;
  block_->plies[1] = ply;
}

void GameTrace::AppendMove(const GameMove& move, int sideToMove) {
  if (status != kReady || length <= 0 || length >= kTracePlies) return;
  const int n = length;
  TracePly& ply = block_->plies[n];
  ply = block_->plies[n - 1];
  const int promotion = (move.kind & kPromotion) ? TypeOf(move.promotion) : 0;
  block_->moves[n] = {move.from, move.to, move.kind, static_cast<uint8_t>(promotion),
                      static_cast<int16_t>(move.piece), static_cast<int16_t>(move.captured)};

  const int mover = sideToMove ? 1 : 0;
  const int from = move.from & 63, to = move.to & 63;
  const int kind = TypeOf(move.piece);
  if (kind == kPawn) {
    ply.pawns[mover].squares = (ply.pawns[mover].squares & ~Bit(from)) | Bit(to);
  } else if (IsPieceKind(kind)) {
    uint64_t& set = ply.pieces[mover].sets[kind - 1];
    set = (set & ~Bit(from)) | Bit(to);
  }

  if (move.captured) {
    const int other = 1 - mover;
    const int taken = TypeOf(move.captured);
    if (taken == kPawn) {
      // En passant takes the pawn beside the from-square, on the to-file.
      const int square = (move.kind & kEnPassant) ? MakeSquare(FileOf(to), RankOf(from)) : to;
      ply.pawns[other].squares &= ~Bit(square);
      if (ply.pawns[other].count) --ply.pawns[other].count;
    } else if (IsPieceKind(taken)) {
      TraceSide& s = ply.pieces[other];
      s.material = static_cast<int16_t>(s.material - kPieceValue[taken]);
      s.sets[taken - 1] &= ~Bit(to);
      if (s.counts[taken - 1]) --s.counts[taken - 1];
    }
    --men_;
  }

  if (promotion >= kQueen && promotion <= kRook) {
    TraceSide& s = ply.pieces[mover];
    s.material = static_cast<int16_t>(s.material + kPieceValue[promotion]);
    s.sets[promotion - 1] |= Bit(to);
    ++s.counts[promotion - 1];
    ply.pawns[mover].squares &= ~Bit(to);
    if (ply.pawns[mover].count) --ply.pawns[mover].count;
  } else if (move.kind & kCastleBits) {
    // The rook jumps over the king: from h to f, or from a to d.
    uint64_t& rooks = ply.pieces[mover].sets[kRook - 1];
    if (to >= 48 && to <= 55) {
      rooks = (rooks & ~Bit(to + 8)) | Bit(from + 8);
    } else if (to >= 16 && from >= 8) {
      rooks = (rooks & ~Bit(to - 16)) | Bit(from - 8);
    }
  }
  ++length;
}

int GameTrace::Balance(int ply) const {
  const TracePly& p = block_->plies[ply];
  return (p.pawns[0].count - p.pawns[1].count) + (p.pieces[0].material - p.pieces[1].material);
}

void GameTrace::MaterialAround(int ply, int& before, int& after) const {
  before = after = 0;
  if (status != kReady || ply < 0 || ply >= length) return;
  int j = ply;
  while (j > 1 && block_->moves[j].captured) --j;
  before = Balance(j);
  int k = ply + 1;
  while (k < length - 1 && block_->moves[k].captured) ++k;
  // A run of captures that goes on to the last ply ends after that ply's capture.
  const bool lastCaptures = k == length - 1 && block_->moves[k].captured;
  after = Balance(k < length - 1 || lastCaptures ? k : k - 1);
}

}  // namespace zh

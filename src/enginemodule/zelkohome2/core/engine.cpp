#include "enginemodule/zelkohome2/core/engine.h"

#include <algorithm>

#include "enginemodule/zelkohome2/core/movegen.h"

namespace zh::zelko2 {
namespace {

// Program piece codes (1 K 2 Q 3 N 4 B 5 R 6 P) to engine codes; 0xFF is refused.
constexpr uint8_t kBlockCodes[8] = {0, kKing, kQueen, kKnight, kBishop, kRook, kPawn, 0xFF};

uint8_t EngineCodeOfBlock(uint8_t code) {
  if (code == 0) return 0;
  if ((code & 7) == 0 || code > 14 || (code & 7) == 7) return 0xFF;
  return static_cast<uint8_t>(kBlockCodes[code & 7] | (code & 8));
}

}  // namespace

Engine& TheEngine() {
  static Engine engine;
  return engine;
}

CorePosition Engine::StartPosition() {
  CorePosition p;
  constexpr uint8_t kBackRank[8] = {kRook, kKnight, kBishop, kQueen, kKing, kBishop, kKnight, kRook};
  for (int f = 0; f < 8; ++f) {
    p.board[f] = kBackRank[f];
    p.board[8 + f] = kPawn;
    p.board[48 + f] = kPawn | kBlackBit;
    p.board[56 + f] = kBackRank[f] | kBlackBit;
  }
  p.castling = kAllCastling;
  return p;
}

void Engine::RecordBase() {
  base_ = position_.Get();
  base_key_ = position_.record(0).key;
}

void Engine::ClearHistory() {
  history_count_ = 0;
  last_irreversible_ = 0;
}

bool Engine::PlayGameMove(CoreMove wanted) {
  if (history_count_ >= eng::kMaxGameMoves) return false;
  CorePosition now = position_.Get();
  if (!position_.Set(now)) return false;
  const int from = CoreFrom(wanted), to = CoreTo(wanted);
  if (from > 63 || to > 63) return false;
  const int promotion = IsPromotion(CoreFlags(wanted)) ? CoreFlags(wanted) & kFlagKindMask : kFlagPromoQueen;
  for (GenKind kind : {GenKind::kCaptures, GenKind::kQuiet}) {
    MoveGenerator gen(kind, position_);
    Move m;
    while (gen.Next(position_, m)) {
      if (ToSquare64(m.from) != from || ToSquare64(m.to) != to) continue;
      if (position_.in_check() && (m.flags & kFlagKindMask) == kFlagCastling) continue;
      if (IsPromotionMove(position_, m)) m.flags = promotion;
      const Handle mover = position_.board(m.from);
      const int code = EngineCodeOf(position_.code(mover));
      position_.MakeMove(m.from, m.to, m.flags);
      if (position_.OwnKingAttacked()) {
        position_.UnmakeMove();
        return false;
      }
      const PlyRecord& r = position_.current();
      const bool capture = r.captured != 0;
      const bool irreversible = capture || (code & 7) == kPawn || r.castling != position_.record(0).castling;
      history_[history_count_++] = MakeCoreMove(from, to, code | (capture ? 0x80 : 0), r.flags & ~kFlagNodeBits);
      if (irreversible) last_irreversible_ = history_count_;
      CorePosition after = position_.Get();
      position_.Set(after);
      return true;
    }
  }
  return false;
}

bool Engine::TakeBackTo(int n) {
  if (n < 0 || n > history_count_) return false;
  std::array<CoreMove, eng::kMaxGameMoves> moves = history_;
  position_.Set(base_);
  ClearHistory();
  for (int i = 0; i < n; ++i)
    if (!PlayGameMove(moves[i])) return false;
  return true;
}

int Engine::GenerateRootMoves() {
  root_count_ = 0;
  const bool in_check = position_.in_check();
  for (GenKind kind : {GenKind::kCaptures, GenKind::kQuiet}) {
    MoveGenerator gen(kind, position_);
    Move generated;
    while (gen.Next(position_, generated)) {
      if (in_check && (generated.flags & kFlagKindMask) == kFlagCastling) continue;
      ForEachPromotion(position_, generated, [&](const Move& m) {
        const int code = EngineCodeOf(position_.code(position_.board(m.from)));
        int32_t value = position_.MakeMove(m.from, m.to, m.flags);
        const PlyRecord& r = position_.current();
        if (!position_.OwnKingAttacked() && root_count_ < kMaxRootMoves) {
          root_[root_count_++] = {MakeCoreMove(ToSquare64(m.from), ToSquare64(m.to),
                                               code | (r.captured ? 0x80 : 0), r.flags & ~kFlagNodeBits),
                                  value};
        }
        position_.UnmakeMove();
      });
    }
  }
  return root_count_;
}

void Engine::SortRootMoves() {
  for (int pass = root_count_ - 1; pass > 0; --pass)
    for (int i = 0; i < pass; ++i)
      if (root_[i].score < root_[i + 1].score) std::swap(root_[i], root_[i + 1]);
}

void Engine::RemoveRootMove(int index) {
  std::copy(root_.begin() + index + 1, root_.begin() + root_count_, root_.begin() + index);
  --root_count_;
}

void Engine::ResetRootScores() {
  for (int i = 0; i < root_count_; ++i) root_[i].score = kNotSearched;
}

bool Engine::ToCorePosition(const eng::PositionBlock& block, CorePosition& out) {
  if (block.start_position) {
    out = StartPosition();
    return true;
  }
  out = CorePosition{};
  for (int file = 0; file < 8; ++file)
    for (int rank = 0; rank < 8; ++rank) out.board[rank * 8 + file] = EngineCodeOfBlock(block.board[file * 8 + rank]);
  out.side = block.side_to_move ? 1 : 0;
  uint8_t c = 0;
  if (block.castling & 1) c |= kWhiteLong;
  if (block.castling & 2) c |= kWhiteShort;
  if (block.castling & 4) c |= kBlackLong;
  if (block.castling & 8) c |= kBlackShort;
  out.castling = c;  // rights without king and rook are dropped by the position
  int file = block.en_passant_file;
  if (file >= 1 && file <= 8) {
    int f = file - 1;
    // The pawn of the side that just moved must stand in front of the passed square.
    int passed = out.side ? 16 + f : 40 + f;
    int pawn_square = out.side ? 24 + f : 32 + f;
    uint8_t pawn = out.side ? kPawn : (kPawn | kBlackBit);
    if (out.board[pawn_square] == pawn) out.en_passant = static_cast<uint8_t>(passed);
  }
  return true;
}

void Engine::ToBlock(const CorePosition& p, eng::PositionBlock& block) {
  constexpr uint8_t kProgramCodes[7] = {0, 6, 3, 4, 5, 2, 1};  // by engine code
  for (int s = 0; s < 64; ++s) {
    const int c = p.board[static_cast<size_t>(s)];
    block.board[(s % 8) * 8 + s / 8] = c ? static_cast<uint8_t>(kProgramCodes[c & 7] | (c & kBlackBit)) : 0;
  }
  block.start_position = 0;
  block.side_to_move = p.side;
  block.en_passant_file = p.en_passant ? static_cast<uint8_t>(p.en_passant % 8 + 1) : 0;
  block.castling = static_cast<uint8_t>(((p.castling & kWhiteLong) ? 1 : 0) | ((p.castling & kWhiteShort) ? 2 : 0) |
                                        ((p.castling & kBlackLong) ? 4 : 0) | ((p.castling & kBlackShort) ? 8 : 0));
}

CoreMove Engine::ToCoreMove(const eng::GameMove& move) {
  auto square = [](uint8_t s) { return s > 63 ? 0xFF : (s % 8) * 8 + s / 8; };
  int flags = 0;
  if (move.kind & eng::kGameMoveCastlingMask) {
    flags = kFlagCastling;
  } else if (move.kind & eng::kGameMoveDoubleStep) {
    flags = kFlagDoubleStep;
  } else if (move.kind & eng::kGameMovePromotion) {
    switch (move.promotion) {
      case 3: flags = kFlagPromoKnight; break;
      case 4: flags = kFlagPromoBishop; break;
      case 5: flags = kFlagPromoRook; break;
      default: flags = kFlagPromoQueen; break;
    }
  } else if (move.kind & eng::kGameMoveEnPassant) {
    flags = kFlagEnPassant;
  }
  return MakeCoreMove(square(move.from), square(move.to), 0, flags);
}

bool Engine::Import(const eng::PositionBlock& block) {
  CorePosition start;
  ToCorePosition(block, start);
  if (!position_.Set(start)) {
    SetStartPosition();
    RecordBase();
    ClearHistory();
    return false;
  }
  RecordBase();
  ClearHistory();
  int count = std::clamp<int>(block.move_count, 0, eng::kMaxGameMoves);
  for (int i = 0; i < count; ++i)
    if (!PlayGameMove(ToCoreMove(block.moves[i]))) return false;
  return true;
}

}  // namespace zh::zelko2

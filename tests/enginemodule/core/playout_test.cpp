// Seeded random playouts: every make gives the key, signature and check of a fresh
// computation, every unmake restores the board and the per-piece tables, and the
// stored-move and check tests agree with the generators and with make.
#include "core_test_util.h"

namespace zh::zelko2::test {
namespace {

struct Snapshot {
  std::vector<int32_t> board;
  std::vector<int> pieces;  // square, code, attributes, routines per handle
  std::vector<uint8_t> masks;
  bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const Position& p) {
  Snapshot s;
  for (int i = -48; i < 176; ++i) s.board.push_back(p.board(i));
  for (Handle h = 0x40; h < 0xC0; h += 4) {
    s.pieces.insert(s.pieces.end(), {p.square(h), p.code(h), static_cast<int>(p.attributes(h)),
                                     p.capture_routine(h), p.quiet_routine(h)});
  }
  for (int row = 8; row < kCodeRows; ++row) {
    const uint8_t* m = p.type_file_masks(row << 2) - kMaskMargin;
    s.masks.insert(s.masks.end(), m, m + kMaskBytes);
  }
  return s;
}

// Masks rebuilt from the pieces.
std::vector<uint8_t> MasksFromPieces(const Position& p) {
  std::vector<uint8_t> masks(kCodeRows * kMaskBytes, 0);
  for (Handle h = 0x40; h < 0xC0; h += 4) {
    Square s = p.square(h);
    if (s == kNoSquare || p.code(h) == 0) continue;
    masks[(p.code(h) >> 2) * kMaskBytes + kMaskMargin + FileOf(s)] |= 1 << RankOf(s);
  }
  return std::vector<uint8_t>(masks.begin() + 8 * kMaskBytes, masks.end());
}

std::vector<Move> PseudoLegal(const Position& p) {
  std::vector<Move> moves;
  for (GenKind kind : {GenKind::kCaptures, GenKind::kQuiet}) {
    MoveGenerator gen(kind, p);
    Move m;
    while (gen.Next(p, m)) moves.push_back(m);
  }
  return moves;
}

TEST(Playouts, MakeAndUnmakeKeepEverythingInStep) {
  const char* starts[] = {
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
      "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -",
      "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
  };
  std::mt19937 random(4125);
  Position p;
  int made = 0;
  for (int game = 0; game < 40; ++game) {
    SetFen(p, starts[game % 4]);
    for (int ply = 0; ply < 60 && p.ply() < kMaxPly; ++ply) {
      std::vector<Move> legal = LegalMoves(p);
      if (legal.empty()) break;
      // Every legal move: make, check the record, unmake, compare.
      const Snapshot before = Take(p);
      for (const Move& m : legal) {
        const bool gives = (m.flags & kFlagKindMask) == 0 && !IsPromotionMove(p, m) && p.WouldGiveCheck(m.from, m.to);
        p.MakeMove(m.from, m.to, m.flags);
        ++made;
        const PlyRecord& r = p.current();
        ASSERT_EQ(r.key, p.ComputeKey());
        ASSERT_EQ(r.signature, p.ComputeSignature());
        ASSERT_EQ(Take(p).masks, MasksFromPieces(p));
        Square checker = kNoSquare;
        uint8_t check = p.ComputeCheck(&checker);
        ASSERT_EQ(r.check != 0, check != 0) << ToFen(p.Get());
        ASSERT_EQ(r.check == kDoubleCheck, check == kDoubleCheck) << ToFen(p.Get());
        if (check != 0 && check != kDoubleCheck) {
          ASSERT_EQ(r.check_square, checker);
        }
        if ((m.flags & kFlagKindMask) == 0 && !IsPromotion(r.flags)) {
          ASSERT_EQ(gives, r.check != 0) << MoveText(m) << " in " << ToFen(p.Get());
        }
        p.UnmakeMove();
        ASSERT_TRUE(Take(p) == before) << MoveText(m) << " in " << ToFen(p.Get());
      }
      // Stored moves are valid exactly when a generator produces them.
      if (!p.in_check()) {
        std::vector<Move> pseudo = PseudoLegal(p);
        for (const Move& m : pseudo) {
          int flags = m.flags == kFlagCastling ? kFlagCastling : 0;
          ASSERT_TRUE(p.IsStoredMoveValid(m.from, m.to, flags)) << MoveText(m);
          ASSERT_EQ(flags, m.flags) << MoveText(m);
        }
        for (int i = 0; i < 200; ++i) {
          Square from = ToSquare88(static_cast<int>(random() % 64)), to = ToSquare88(static_cast<int>(random() % 64));
          int flags = 0;
          bool valid = p.IsStoredMoveValid(from, to, flags);
          bool generated = false;
          for (const Move& m : pseudo) generated |= m.from == from && m.to == to && m.flags != kFlagCastling;
          ASSERT_EQ(valid, generated) << SquareText(from) << SquareText(to) << " in " << ToFen(p.Get());
        }
      }
      const Move m = legal[random() % legal.size()];
      p.MakeMove(m.from, m.to, m.flags);
    }
  }
  EXPECT_GT(made, 10000);
}

}  // namespace
}  // namespace zh::zelko2::test

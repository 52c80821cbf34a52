// Position in and out, handles, keys, signatures and the make-time flags and checks.
#include <random>

#include "core_test_util.h"
#include "enginemodule/zelkohome2/core/engine.h"

namespace zh::zelko2::test {
namespace {

TEST(CorePositionTest, RoundTripsOverFens) {
  const struct {
    const char* in;
    const char* out;  // after the drops
  } cases[] = {
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", nullptr},
      {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq -", nullptr},
      {"rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq e3", nullptr},
      {"rnbqkbnr/pppp1ppp/8/3Pp3/8/8/PPP1PPPP/RNBQKBNR w KQkq e6", nullptr},
      {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", nullptr},
      // Rights without king and rook on their squares are dropped.
      {"r3k3/8/8/8/8/8/8/4K2R w KQkq -", "r3k3/8/8/8/8/8/8/4K2R w Kq -"},
      {"1r2k2r/8/8/8/8/8/8/R4K1R w KQkq -", "1r2k2r/8/8/8/8/8/8/R4K1R w k -"},
      // An e.p. square comes back only from a double step.
      {"4k3/8/8/8/8/8/8/4K3 w - e6", "4k3/8/8/8/8/8/8/4K3 w - -"},
      {"4k3/8/8/3pP3/8/8/8/4K3 b - d6", "4k3/8/8/3pP3/8/8/8/4K3 b - -"},
  };
  Position p;
  for (const auto& c : cases) {
    SetFen(p, c.in);
    EXPECT_EQ(ToFen(p.Get()), c.out ? c.out : c.in);
  }
}

TEST(CorePositionTest, StartHandles) {
  Position p;
  ASSERT_TRUE(p.Set(Engine::StartPosition()));
  EXPECT_EQ(p.board(Sq("e1")), 0x40);
  EXPECT_EQ(p.board(Sq("d1")), 0x44);
  EXPECT_EQ(p.board(Sq("h1")), 0x48);
  EXPECT_EQ(p.board(Sq("a1")), 0x4C);
  EXPECT_EQ(p.board(Sq("f1")), 0x50);  // bishops h1 side first
  EXPECT_EQ(p.board(Sq("h2")), 0x60);
  EXPECT_EQ(p.board(Sq("a2")), 0x7C);
  EXPECT_EQ(p.board(Sq("e8")), 0x80);
  EXPECT_EQ(p.board(Sq("d8")), 0x84);
  EXPECT_EQ(p.square(0x40), Sq("e1"));
  EXPECT_EQ(p.code(0x44), 0x30);
  EXPECT_EQ(p.code(0x84), 0x50);
  EXPECT_EQ(p.list_end(kWhite), 0x80);
  EXPECT_EQ(p.list_end(kBlack), 0xC0);
  EXPECT_EQ(p.current().signature, 0x88CCu);
  EXPECT_EQ(p.current().castling, kAllCastling);
  // Guards all around: every index from -33 to 152 that is not a real square.
  for (int s = -33; s <= 152; ++s) {
    if (!(s >= 0 && s < 128 && OnBoard(s))) {
      EXPECT_EQ(p.board(s), kGuard) << s;
    }
  }
}

TEST(CorePositionTest, RefusesBoardsTheCoreCannotHold) {
  Position p;
  SetFen(p, "4k3/8/8/8/8/8/8/4K3 w - -");
  const CorePosition before = p.Get();
  auto refuse = [&](CorePosition c) {
    EXPECT_FALSE(p.Set(c));
    EXPECT_EQ(p.Get(), before);
  };
  CorePosition c;
  ASSERT_TRUE(ParseFen("4k3/8/8/8/8/P7/PPPPPPPP/RNBQKBNR w - -", c));  // 17 white pieces
  refuse(c);
  ASSERT_TRUE(ParseFen("8/8/8/8/8/8/8/4K3 w - -", c));  // no black king
  refuse(c);
  ASSERT_TRUE(ParseFen("4k3/8/8/8/8/8/8/4KK2 w - -", c));  // two kings
  refuse(c);
  ASSERT_TRUE(ParseFen("P3k3/8/8/8/8/8/8/4K3 w - -", c));  // a pawn on rank 8
  refuse(c);
  ASSERT_TRUE(ParseFen("4k3/8/8/8/8/8/8/p3K3 w - -", c));  // a pawn on rank 1
  refuse(c);
  ASSERT_TRUE(ParseFen("4k3/8/8/8/8/8/8/4K3 w - -", c));
  c.board[20] = 7;  // an unknown code
  refuse(c);
  c.board[20] = 0;
  c.side = 2;
  refuse(c);
  ASSERT_TRUE(ParseFen("4k3/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - -", c));  // 16 is fine
  EXPECT_TRUE(p.Set(c));
}

// The shift-register bytes computed a second way: registers as bit lists.
TEST(CorePositionTest, ShiftRegisterBytes) {
  std::vector<std::array<int, 16>> regs(3);
  const uint16_t seeds[3] = {0x1234, 0x5678, 0xABCD};
  for (int i = 0; i < 3; ++i)
    for (int b = 0; b < 16; ++b) regs[i][b] = (seeds[i] >> b) & 1;
  const auto& bytes = ShiftRegisterBytes();
  for (size_t n = 0; n < bytes.size(); ++n) {
    for (int i = 0; i < 3; ++i) {
      for (int k = 0; k <= i; ++k) {
        int carry_in = regs[i][15] != regs[i][8] ? 1 : 0;
        for (int b = 15; b > 0; --b) regs[i][b] = regs[i][b - 1];
        regs[i][0] = carry_in;
      }
    }
    int sum = 0;
    for (int i = 0; i < 3; ++i)
      for (int b = 0; b < 16; ++b) sum += regs[i][b] << b;
    sum %= 65536;
    ASSERT_EQ(bytes[n], (sum % 256 + sum / 256) % 256) << n;
  }
  EXPECT_EQ(PieceKey(CodeOf(kPawn), Sq("a1")) & 0xFFFFFFFF,
            uint64_t{bytes[0]} | uint64_t{bytes[1]} << 8 | uint64_t{bytes[2]} << 16 | uint64_t{bytes[3]} << 24);
}

// The high halves of the keys are the outputs of the standard library's Mersenne
// Twister seeded 0x2EB1C0DE, in key order: white pawn .. black king by a1..h8, then
// the e.p. squares of rank 3 and rank 6.
TEST(CorePositionTest, KeyHighHalvesFollowTheStandardTwister) {
  std::mt19937 twister(0x2EB1C0DEu);
  for (int engine_code : {1, 2, 3, 4, 5, 6, 9, 10, 11, 12, 13, 14})
    for (int s64 = 0; s64 < 64; ++s64)
      ASSERT_EQ(PieceKey(CodeOf(engine_code), ToSquare88(s64)) >> 32, twister()) << engine_code << " " << s64;
  for (int rank : {2, 5})
    for (int file = 0; file < 8; ++file) ASSERT_EQ(EnPassantKey(MakeSquare(file, rank)) >> 32, twister()) << rank << file;
}

TEST(MakeMove, SignatureAndEvenExchange) {
  const struct {
    const char* fen;
    const char* from;
    const char* to;
    int flags;
    uint32_t signature;
    bool even;
  } cases[] = {
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", "e2", "e4", kFlagDoubleStep, 0x88CC, false},
      // A black knight takes a white knight: 5 less.
      {"r1bqkbnr/pppppppp/8/8/8/n7/PPPPPPPP/RNBQKBNR b KQkq -", "a3", "b1", 0, 0x88C7, true},
      // A white pawn promotes to a queen without capture.
      {"1rbqkbnr/P1pppppp/pn6/1p6/8/8/1PPPPPPP/RNBQKBNR w Kk -", "a7", "a8", 0, 0x87E9, false},
      {"4k3/8/8/8/8/5n2/8/3BK3 w - -", "d1", "f3", 0, 11, true},    // bishop takes knight
      {"4k3/8/8/8/8/5n2/6P1/4K3 w - -", "g2", "f3", 0, 0x100, false},  // pawn takes knight
  };
  Position p;
  for (const auto& c : cases) {
    SetFen(p, c.fen);
    p.MakeMove(Sq(c.from), Sq(c.to), c.flags);
    EXPECT_EQ(p.current().signature, c.signature) << c.fen;
    EXPECT_EQ((p.current().flags & kFlagEven) != 0, c.even) << c.fen;
    p.UnmakeMove();
  }
}

TEST(MakeMove, CheckByte) {
  const struct {
    const char* fen;
    const char* from;
    const char* to;
    int flags;
    uint8_t check;
    const char* checker;
  } cases[] = {
      {"4k3/8/8/8/8/8/8/R3K3 w - -", "a1", "a8", 0, 0x44, "a8"},             // rook on the rank
      {"4k3/8/8/8/8/8/8/4K1N1 w - -", "g1", "f6", 0, 0x50, "f6"},            // knight
      {"4k3/8/8/8/8/8/8/4K2R w K -", "e1", "g1", kFlagCastling, 0, nullptr},
      {"5k2/8/8/8/8/8/8/4K2R w K -", "e1", "g1", kFlagCastling, 0x84, "f1"},  // the castled rook checks
      // E.p. uncovers a rook on the captured pawn's rank.
      {"8/8/8/K2pP2r/8/8/8/7k w - d6", "e5", "d6", kFlagEnPassant, 0, nullptr},
      {"8/8/8/r2pP2K/8/8/8/7k w - d6", "e5", "d6", kFlagEnPassant, 0, nullptr},
      {"8/8/8/k2pP2R/8/8/8/7K w - d6", "e5", "d6", kFlagEnPassant, 0x04, "h5"},
      // Direct and discovered at once.
      {"4k3/8/8/8/8/8/4N3/3R2K1 w - -", "e2", "d4", 0, 0, nullptr},
      {"4k3/8/8/8/8/8/4N3/4R1K1 w - -", "e2", "f4", 0, 0x04, "e1"},
      {"4k3/8/8/8/8/8/4N3/4R1K1 w - -", "e2", "d6", 0, kDoubleCheck, "d6"},
  };
  Position p;
  for (const auto& c : cases) {
    SetFen(p, c.fen);
    p.MakeMove(Sq(c.from), Sq(c.to), c.flags);
    EXPECT_EQ(p.current().check, c.check) << c.fen << " " << c.to;
    if (c.checker) {
      EXPECT_EQ(p.current().check_square, Sq(c.checker)) << c.fen;
    }
    p.UnmakeMove();
  }
}

TEST(Legality, EnPassantExposingTheKingThroughTheCapturedPawn) {
  Position p;
  SetFen(p, "8/k7/8/8/3Pp3/8/8/6BK b - d3");
  p.MakeMove(Sq("e4"), Sq("d3"), kFlagEnPassant);
  EXPECT_TRUE(p.LeavesOwnKingAttacked());
  EXPECT_TRUE(p.OwnKingAttacked());
  p.UnmakeMove();
  SetFen(p, "b6k/8/8/3pP3/8/8/8/7K w - d6");  // the captured pawn shielded the king's diagonal
  p.MakeMove(Sq("e5"), Sq("d6"), kFlagEnPassant);
  EXPECT_TRUE(p.LeavesOwnKingAttacked());
  p.UnmakeMove();
}

TEST(Legality, StoredMovesAndCastling) {
  Position p;
  int flags = 0;
  SetFen(p, "r3k2r/8/8/8/8/8/5r2/R3K2R w KQkq -");  // f1 attacked, d1 free
  flags = kFlagCastling;
  EXPECT_FALSE(p.IsStoredMoveValid(Sq("e1"), Sq("g1"), flags));
  flags = kFlagCastling | 0x06;
  EXPECT_TRUE(p.IsStoredMoveValid(Sq("e1"), Sq("c1"), flags));
  EXPECT_EQ(flags, kFlagCastling | 0x06);
  SetFen(p, "r3k2r/8/8/8/8/8/6r1/R3K2R w KQkq -");  // only g1 attacked: valid, then refused
  flags = kFlagCastling;
  EXPECT_TRUE(p.IsStoredMoveValid(Sq("e1"), Sq("g1"), flags));
  p.MakeMove(Sq("e1"), Sq("g1"), flags);
  EXPECT_TRUE(p.LeavesOwnKingAttacked());
  p.UnmakeMove();
  // Kind bits come from the move itself.
  SetFen(p, "4k3/8/8/8/3pP3/8/6P1/4K3 b - e3");
  flags = 0;
  bool tactical = false;
  EXPECT_TRUE(p.IsStoredMoveValid(Sq("d4"), Sq("e3"), flags, &tactical, true));
  EXPECT_EQ(flags, kFlagEnPassant);
  EXPECT_TRUE(tactical);
  flags = 0;
  EXPECT_FALSE(p.IsStoredMoveValid(Sq("d4"), Sq("d3"), flags, &tactical, true));  // quiet in quiescence
  EXPECT_TRUE(p.IsStoredMoveValid(Sq("d4"), Sq("d3"), flags, &tactical));
  EXPECT_FALSE(p.IsStoredMoveValid(Sq("g2"), Sq("g4"), flags));  // not the side to move
}

TEST(Legality, ExchangeTest) {
  const struct {
    const char* fen;
    const char* from;
    const char* to;
    bool safe;
  } cases[] = {
      {"4k3/8/8/3p4/8/8/8/3QK3 w - -", "d1", "d5", true},        // undefended pawn
      {"4k3/8/4p3/3p4/8/8/8/3QK3 w - -", "d1", "d5", false},     // the pawn defends it
      {"4k3/8/8/3r4/8/8/8/3QK3 w - -", "d1", "d5", true},        // target worth the mover? no, but undefended
      {"3rk3/8/8/3n4/8/8/8/3RK3 w - -", "d1", "d5", false},      // rook for knight, rook defends
      {"3rk3/8/8/3n4/8/8/3R4/3RK3 w - -", "d2", "d5", true},     // a second rook behind counts
      {"4k3/8/8/3n4/4P3/8/8/4K3 w - -", "e4", "d5", true},       // worth more than the mover
  };
  Position p;
  for (const auto& c : cases) {
    SetFen(p, c.fen);
    EXPECT_EQ(p.IsExchangeSafe(Sq(c.from), Sq(c.to)), c.safe) << c.fen;
  }
}

}  // namespace
}  // namespace zh::zelko2::test

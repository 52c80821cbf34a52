// The difference tables and the square scans.
#include "core_test_util.h"

namespace zh::zelko2::test {
namespace {

// Entries derived from every pair of real squares by the bit rules.
std::array<uint32_t, kDiffCount> ExpectedAttackTable() {
  std::array<uint32_t, kDiffCount> table{};
  for (int piece = 0; piece < 64; ++piece) {
    for (int target = 0; target < 64; ++target) {
      int pf = piece % 8, pr = piece / 8, tf = target % 8, tr = target / 8;
      int d = (pr * 16 + pf) - (tr * 16 + tf);
      int df = pf - tf, dr = pr - tr;
      int adf = df < 0 ? -df : df, adr = dr < 0 ? -dr : dr;
      uint32_t b0 = 0, b1 = 0;
      if (dr == 0 && df != 0) b0 |= 1;
      if (adf == adr && df != 0) b0 |= (df == dr) ? 3 : 2;
      if (dr == -1 && df == 0) b0 |= 0x04;
      if (dr == 1 && df == 0) b0 |= 0x08;
      if (dr == -2 && df == 0) b0 |= 0x10;
      if (dr == 2 && df == 0) b0 |= 0x20;
      if (dr == 0 && adf == 2) b0 |= 0x40;
      bool king = (adf | adr) != 0 && adf <= 1 && adr <= 1;
      bool knight = (adf == 1 && adr == 2) || (adf == 2 && adr == 1);
      if (king || knight) b0 |= 0x80;
      if (dr == -1 && adf == 1) b1 |= 0x01;
      if (dr == 1 && adf == 1) b1 |= 0x02;
      if ((dr == 0) != (df == 0)) b1 |= 0x04;
      if (adf == adr && df != 0) b1 |= 0x08;
      if (knight) b1 |= 0x10;
      if (king) b1 |= 0x20;
      if (df == 0 && dr != 0) b1 |= 0x80; else b1 |= 0x40;
      table[d + kDiffOffset] = b0 | b1 << 8;
    }
  }
  return table;
}

TEST(AttackTable, AllEntriesFollowTheBitRules) {
  auto expected = ExpectedAttackTable();
  const auto& table = AttackTableEntries();
  for (int i = 0; i < kDiffCount; ++i) EXPECT_EQ(table[i], expected[i]) << "d = " << i - kDiffOffset;
  EXPECT_EQ(table[0], 0u);  // -120 never occurs
  // The examples: d, byte 0, byte 1.
  const struct {
    int d;
    uint32_t b0, b1;
  } examples[] = {{17, 0x83, 0x6a}, {-16, 0x84, 0xa4}, {2, 0x41, 0x44}, {14, 0x80, 0x50}, {33, 0x80, 0x50},
                  {34, 0x03, 0x48}, {-45, 0x02, 0x48}, {-64, 0x00, 0x84}};
  for (const auto& e : examples) {
    EXPECT_EQ(StepBits(e.d), e.b0) << e.d;
    EXPECT_EQ(ReachBits(e.d), e.b1) << e.d;
  }
}

TEST(AttackTable, StepsLeadFromTargetToPiece) {
  for (int piece = 0; piece < 64; ++piece) {
    for (int target = 0; target < 64; ++target) {
      Square p = ToSquare88(piece), t = ToSquare88(target);
      int step = StepToward(p - t);
      bool line = p != t && (ReachBits(p - t) & kReachLines);
      if (!line) {
        EXPECT_EQ(step, 0);
        continue;
      }
      Square s = t;
      for (int n = 0; n < 7 && s != p; ++n) {
        s += step;
        ASSERT_TRUE(OnBoard(s));
      }
      EXPECT_EQ(s, p);
    }
  }
}

TEST(AttackTable, PieceAttributes) {
  const struct {
    int code;
    uint32_t word;
  } cases[] = {{kPawn, 0x01010114}, {kPawn | kBlackBit, 0x01020228}, {kKnight, 0x03101000},
               {kBishop, 0x03080800}, {kRook, 0x05040400},           {kQueen, 0x090C0C00},
               {kKing | kBlackBit, 0x14002040}};
  for (const auto& c : cases) EXPECT_EQ(Attributes(CodeOf(c.code)), c.word) << c.code;
}

TEST(SquareScans, AttackersInOrderLeastValuableFirst) {
  Position p;
  // Target d5 attacked by pawn e4, knight f4, queen d1, king... and a rook behind its own pawn.
  SetFen(p, "4k3/8/8/3p4/4PN2/8/3P4/3QK2R w - -");
  EXPECT_EQ(Generated(p, GenKind::kAttackers, Sq("d5")), (std::vector<std::string>{"e4d5", "f4d5"}));
  SetFen(p, "4k3/8/8/3p4/4PN2/8/8/3QK2R w - -");
  EXPECT_EQ(Generated(p, GenKind::kAttackers, Sq("d5")), (std::vector<std::string>{"e4d5", "f4d5", "d1d5"}));
  SetFen(p, "4k3/8/8/8/1N6/3p4/2K1P3/3Q4 w - -");
  EXPECT_EQ(Generated(p, GenKind::kAttackers, Sq("d3")),
            (std::vector<std::string>{"e2d3", "b4d3", "d1d3", "c2d3"}));
  // None on the square of the opponent king, though pieces attack it.
  SetFen(p, "R3k3/8/8/8/8/8/8/4K3 w - -");
  EXPECT_TRUE(Generated(p, GenKind::kAttackers, Sq("e8")).empty());
  // A knight jumps over pieces; a rook behind its own pawn does not reach beyond it.
  SetFen(p, "4k3/8/8/8/8/3PPP2/3PNP2/4R1K1 w - -");
  EXPECT_TRUE(p.Attacks(Sq("e2"), Sq("d4")));
  EXPECT_FALSE(p.Attacks(Sq("e1"), Sq("e4")));
}

TEST(SquareScans, InterposersNeverTheKing) {
  Position p;
  const struct {
    const char* fen;
    const char* target;
    std::vector<std::string> moves;
  } cases[] = {
      {"4k3/8/8/8/8/8/3P4/4K3 w - -", "e3", {}},                 // beside and below: only a capture
      {"4k3/8/8/8/8/8/4P3/4K3 w - -", "e3", {"e2e3"}},           // directly below
      {"4k3/8/8/8/8/8/4P3/4K3 w - -", "e4", {"e2e4/64"}},        // double step from rank 2
      {"4k3/8/8/8/8/4P3/8/4K3 w - -", "e5", {}},                 // not from rank 3
      {"4k3/8/8/8/8/4n3/4P3/4K3 w - -", "e4", {}},               // the square between is taken
      {"4k3/8/8/8/8/8/8/R3K1N1 w - -", "e2", {"g1e2"}},          // the king next to it is not returned
      {"4k3/8/8/8/8/8/8/R3K3 w - -", "d1", {"a1d1"}},
  };
  for (const auto& c : cases) {
    SetFen(p, c.fen);
    EXPECT_EQ(Generated(p, GenKind::kInterposers, Sq(c.target)), c.moves) << c.fen << " " << c.target;
  }
}

TEST(SquareScans, KingEscapes) {
  Position p;
  SetFen(p, "4k3/8/8/8/8/8/1r6/K7 w - -");
  EXPECT_EQ(Generated(p, GenKind::kKingEscapes), (std::vector<std::string>{"a1b2", "a1b1", "a1a2"}));
  SetFen(p, "4k3/8/8/8/8/8/PP6/KN6 w - -");
  EXPECT_TRUE(Generated(p, GenKind::kKingEscapes).empty());
}

}  // namespace
}  // namespace zh::zelko2::test

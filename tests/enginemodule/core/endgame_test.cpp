// Endgame recognisers on core positions: the known cases as one table, the mended
// faults, colour mirrors on random material of every index, and the hook in MakeMove.
#include <gtest/gtest.h>

#include <random>

#include "enginemodule/zelkohome2/core/endgame.h"
#include "enginemodule/zelkohome2/core/tables.h"
#include "core_test_util.h"

namespace zh::zelko2::test {
namespace {

constexpr int32_t kValue = 1000;

// The recogniser's value for the position as reached by a move of the side not to move.
int32_t Recognised(const std::string& fen, int32_t value = kValue) {
  Position p;
  SetFen(p, fen);
  return EvaluateEndgame(p, p.ComputeSignature(), p.side() ^ 1, value);
}

TEST(Endgame, KnownCases) {
  const struct {
    const char* fen;
    int32_t expected;
  } cases[] = {
      // Two knights against a bare king: lowered by 1440 for white.
      {"4k3/8/8/8/8/8/8/1NN1K3 b - -", kValue - 1440},
      {"4k3/8/8/8/8/8/8/1nn1K3 w - -", kValue - 1440},  // from black's view
      {"4k3/p7/8/8/8/8/8/1NN1K3 b - -", kValue - 1056},
      // Queen against a7: the white king on a8 with the queen on c8 keeps the value,
      // on b8 (black king far) the position is a draw.
      {"K1q5/P7/8/8/8/8/8/7k b - -", kValue},
      {"1Kq5/P7/8/8/8/8/8/7k b - -", 0},
      {"1K6/P7/8/8/8/8/8/q1k5 w - -", 0},       // black king on c1: too far
      {"1K6/P7/2k5/8/8/8/8/q7 w - -", kValue},  // black king on c6: inside, no draw
      // Wrong bishop: h-pawn, light bishop, black king in the corner.
      {"7k/8/8/7P/8/8/8/1B2K3 b - -", 0},
      {"7k/8/8/7P/8/8/8/2B1K3 b - -", kValue},  // the right bishop
      {"8/8/8/7P/8/8/k7/1B2K3 b - -", kValue},  // the black king too far
      // A lone minor and no pawns: a draw.
      {"4k3/8/8/8/8/8/8/2B1K3 b - -", 0},
      {"4k3/8/8/8/8/8/8/2n1K3 w - -", 0},
      // Two knights each share index 24 with the named pairs: unchanged.
      {"4k3/8/8/8/8/8/8/nn2NN1K b - -", kValue},
      // Rook against knight, knight against rook.
      {"4k3/8/8/8/8/8/8/3nR2K b - -", kValue + 288},
      {"4k3/8/8/8/8/8/8/3Nr2K w - -", kValue + 288},
      // Pawn race: white's passer queens two moves earlier, only its value counts;
      // one rank further back both count.
      {"8/P7/8/3p3k/3P3p/8/8/K7 b - -", kValue + 1536},
      {"8/8/P7/3p3k/3P3p/8/8/K7 b - -", kValue + 64},
      // A white passer is unstoppable with white to move when 7 - r < D0 (black king e8).
      {"4k3/7p/8/P7/8/8/8/K7 w - -", kValue - 1344},
      // KPK: won with black to move is 1152 + 128 r for the side that moved.
      {"k7/8/1PK5/8/8/8/8/8 b - -", 1792},
      {"8/8/8/8/8/1pk5/8/K7 w - -", 1792},
      // KPK with the pawn's side to move: the mover (the lone king) reads -(1216 + 64 r).
      {"4k3/8/4K3/4P3/8/8/8/8 w - -", -(1216 + 64 * 4)},
      {"k7/8/1PK5/8/8/8/8/8 w - -", 0},  // b7+ Kb8 or Kc7 stalemate
      {"8/8/8/8/8/k7/P7/K7 w - -", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(Recognised(c.fen), c.expected) << c.fen;
}

// The stalemate b6 c8 a8 is a draw; b6 c6 a8 is a win (mate in 5).
TEST(Endgame, KpkStalemateIsTestedNotListed) {
  EXPECT_EQ(Recognised("k1K5/8/1P6/8/8/8/8/8 b - -"), 0);
  EXPECT_EQ(Recognised("k7/8/1PK5/8/8/8/8/8 b - -"), 1792);
  EXPECT_EQ(Recognised("8/8/8/8/8/1p6/8/K1k5 w - -"), 0);  // the same stalemate with colours exchanged
  EXPECT_EQ(Recognised("k7/P7/1K6/8/8/8/8/8 b - -"), 0);   // a7 b6 a8
}

// Two black bishops against a knight get the shift their mirror gets.
TEST(Endgame, TwoMinorsAgainstAMinorBothColours) {
  EXPECT_EQ(Recognised("4k3/8/8/8/8/8/8/1BB1n2K b - -"), kValue - 640);
  EXPECT_EQ(Recognised("4K3/8/8/8/8/8/8/1bb1N2k w - -"), kValue - 640);
  EXPECT_EQ(Recognised("4k3/8/8/8/8/8/8/1bb1N2K w - -"), kValue - 640);
}

// The colour mirror of a position (ranks flipped, colours exchanged, the other side
// moved) gets the same value from the mover's view.
std::string Mirror(const std::string& fen) {
  CorePosition cp;
  EXPECT_TRUE(ParseFen(fen, cp));
  CorePosition m;
  for (int s = 0; s < 64; ++s)
    if (cp.board[s]) m.board[s ^ 56] = static_cast<uint8_t>(cp.board[s] ^ kBlackBit);
  m.side = static_cast<uint8_t>(cp.side ^ 1);
  return ToFen(m);
}

TEST(Endgame, ColourMirrorsAgree) {
  std::mt19937 random(4128);
  // Weights of the signature: white N B R Q, black N B R Q.
  constexpr int kWeights[8] = {5, 11, 17, 29, 7, 13, 19, 31};
  constexpr char kLetters[8] = {'N', 'B', 'R', 'Q', 'n', 'b', 'r', 'q'};
  int checked = 0;
  for (int index = 0; index <= 43; ++index) {
    // Every piece multiset (at most two of a kind) whose weights sum to the index.
    std::vector<std::string> sets;
    for (int code = 0; code < 6561; ++code) {
      int c = code, sum = 0;
      std::string pieces;
      for (int i = 0; i < 8; ++i, c /= 3) {
        sum += (c % 3) * kWeights[i];
        pieces.append(c % 3, kLetters[i]);
      }
      if (sum == index) sets.push_back(pieces);
    }
    for (const std::string& pieces : sets) {
      for (int trial = 0; trial < 40; ++trial) {
        std::string placed = pieces + "Kk" + std::string(random() % 3, 'P') + std::string(random() % 3, 'p');
        CorePosition cp;
        std::array<bool, 64> used{};
        bool ok = true;
        for (char letter : placed) {
          const bool pawn = letter == 'P' || letter == 'p';
          int s, tries = 0;
          do {
            s = pawn ? 8 + static_cast<int>(random() % 48) : static_cast<int>(random() % 64);
          } while (used[s] && ++tries < 100);
          used[s] = true;
          static const std::string kCodes = "?PNBRQK";
          int code = static_cast<int>(kCodes.find(static_cast<char>(std::toupper(letter))));
          cp.board[s] = static_cast<uint8_t>(code | (std::islower(letter) ? kBlackBit : 0));
        }
        cp.side = static_cast<uint8_t>(random() % 2);
        Position p;
        if (!ok || !p.Set(cp)) continue;
        const std::string fen = ToFen(cp);
        const int32_t value = static_cast<int32_t>(random() % 2001) - 1000;
        EXPECT_EQ(Recognised(fen, value), Recognised(Mirror(fen), value)) << fen;
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 2000);
}

// MakeMove hands its value to the recogniser: taking the last black piece leaves two
// knights against a bare king.
TEST(Endgame, MakeMoveAppliesTheRecogniser) {
  Position p;
  SetFen(p, "4k3/8/8/8/8/8/3r4/1NN1K3 w - -");
  const int32_t value = p.MakeMove(Sq("e1"), Sq("d2"), 0);
  EXPECT_EQ(value, p.current().eval - 1440);
}

}  // namespace
}  // namespace zh::zelko2::test

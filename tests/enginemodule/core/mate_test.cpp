// Mates in 1 to 4 for either side, confirmed by the reference engine: searched to
// depth 2N + 1 the engine reports mate in N, and after its first move the reference
// engine finds the other side mated in N - 1.
#include "search_support.h"
#include "stockfish.h"

namespace zh::zelko2::test {
namespace {

struct MateCase {
  const char* fen;
  int n;
};

// Quiet first moves among them, and a mate by promotion to a knight.
constexpr MateCase kMates[] = {
    {"6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", 1},
    {"7b/5Ppk/7p/8/2B5/8/8/K7 w - - 0 1", 1},
    {"6rk/6pp/7N/8/8/8/8/6K1 w - - 0 1", 1},
    {"4k3/8/4K3/8/8/8/8/R7 w - - 0 1", 1},
    {"k7/8/2K5/8/8/8/8/1R6 w - - 0 1", 2},
    {"7k/8/5K2/8/8/8/8/6R1 w - - 0 1", 2},
    {"k7/8/8/2K5/8/8/8/5Q2 w - - 0 1", 2},
    {"7k/8/8/8/4K3/8/8/6Q1 w - - 0 1", 3},
    {"k7/8/8/8/2K5/8/8/5Q2 w - - 0 1", 4},
    {"k7/3R4/8/3K4/8/8/8/8 w - - 0 1", 4},
};

TEST(Mate, FoundAtTheRightDistanceForBothColours) {
  Stockfish stockfish;
  ASSERT_TRUE(stockfish.ok());
  RecordingDriver d;
  for (const MateCase& c : kMates) {
    for (const std::string& fen : {std::string(c.fen), MirrorFen(c.fen)}) {
      SCOPED_TRACE(fen);
      ASSERT_EQ(stockfish.MateIn(fen, "", c.n), c.n);
      d.Run(BlockOf(fen, 2, 2 * c.n + 1));
      const Recorded* main = d.LastMainLine();
      ASSERT_NE(main, nullptr);
      const auto block = main->as<eng::MainLineBlock>();
      EXPECT_EQ(block.score_type, 2);
      EXPECT_EQ(block.score_value, c.n);
      const std::string first = ReportMoveText(block.line[0]);
      EXPECT_EQ(stockfish.MateIn(fen, first, c.n), c.n == 1 ? -0x7FFF : -(c.n - 1)) << first;
    }
  }
}

}  // namespace
}  // namespace zh::zelko2::test

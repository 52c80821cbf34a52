// Pawn structure by files: fixed cases and the incremental scores against a full
// recomputation along random games.
#include "enginemodule/zelkohome2/core/pawn_files.h"
#include "enginemodule/zelkohome2/core/root.h"
#include "search_support.h"

namespace zh::zelko2::test {
namespace {

int ScoreOf(const std::string& fen, int file) {
  Position p;
  CorePosition cp;
  EXPECT_TRUE(ParseFen(fen, cp));
  EXPECT_TRUE(p.Set(cp));
  return FileScore(p, file);
}

TEST(PawnFiles, FixedCases) {
  for (int f = 0; f < 8; ++f) EXPECT_EQ(ScoreOf("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", f), 0);
  // Passed on e6 beside black pawns on d7 and f7: the rank-6 value 6; a black knight
  // in front takes the blocked value 6 off.
  EXPECT_EQ(ScoreOf("4k3/3p1p2/4P3/8/8/8/8/4K3 w - - 0 1", 4), 6);
  EXPECT_EQ(ScoreOf("4k3/3pnp2/4P3/8/8/8/8/4K3 w - - 0 1", 4), 0);
  // A rook on a file without pawns: R[f] and 4 more.
  EXPECT_EQ(ScoreOf("4k3/8/8/8/8/8/8/R3K3 w - - 0 1", 0) - ScoreOf("4k3/8/8/8/8/8/8/4K3 w - - 0 1", 0), 2 + 4);
  // Not passed: a black pawn on the next file two ranks ahead; isolated, -3.
  EXPECT_EQ(ScoreOf("4k3/8/3p4/8/4P3/8/8/4K3 w - - 0 1", 4), -3);
  EXPECT_EQ(ScoreOf("4k3/8/8/4p3/8/3P4/8/4K3 w - - 0 1", 4), 3);
  // Backward d3 behind c4 with its stop square guarded by e5: -1 and the weak value 3.
  EXPECT_EQ(ScoreOf("4k3/8/8/4p3/2P5/3P4/8/4K3 w - - 0 1", 3), -4);
  // Rammed on d4/d5: white's pawn isolated (-2) and rammed (-1); black's, backed by
  // c6, rammed only.
  EXPECT_EQ(ScoreOf("4k3/8/2p5/3p4/3P4/8/8/4K3 w - - 0 1", 3), -2);
  // The colour-mirrored position scores the negative.
  const std::string fen = "r3k2r/pp3ppp/2p5/3P4/1P4P1/8/P4P1P/R3K2R w KQkq - 0 1";
  for (int f = 0; f < 8; ++f) EXPECT_EQ(ScoreOf(fen, f), -ScoreOf(MirrorFen(fen), f)) << f;
}

// With the endgame bit the kings race for a passed pawn: a5 passed (5) against a king
// beyond the pawn's seventh-rank square on h8 (+23), or one that stands before it
// on b6 while the own king is far (+2 - 6); N[a] of black's empty file is -1.
TEST(PawnFiles, KingRaceOfPassedPawns) {
  struct Case {
    const char* fen;
    int score;
  };
  for (const Case& c : {Case{"7k/8/8/P7/8/8/8/7K w - - 0 1", 29}, Case{"8/8/1k6/P7/8/8/8/7K w - - 0 1", 2}}) {
    Engine engine;
    CorePosition cp;
    ASSERT_TRUE(ParseFen(c.fen, cp));
    ASSERT_TRUE(engine.SetPosition(cp));
    EXPECT_EQ(FileScore(engine.position(), 0), 6) << c.fen;  // no endgame bit yet
    PrepareRoot(engine, 2);
    EXPECT_EQ(FileScore(engine.position(), 0), c.score) << c.fen;
  }
}

// The scores of the moves are looked up in a cache of file scores: in the endgame a
// king move changes only the kings' race of a cached file, and a run with other
// no-pawn-file rows does not reuse the scores of the last.
TEST(PawnFiles, CachedScoresFollowTheKingsAndTheRows) {
  Engine engine;
  CorePosition cp;
  ASSERT_TRUE(ParseFen("8/8/1k6/P6p/8/8/6K1/8 w - - 0 1", cp));
  ASSERT_TRUE(engine.SetPosition(cp));
  PrepareRoot(engine, 2);
  Position& p = engine.position();
  ASSERT_TRUE(p.current().castling & kEndgameBit);
  auto every_move = [&] {
    for (const Move& m : LegalMoves(p)) {
      p.MakeMove(m.from, m.to, m.flags);
      for (int f = 0; f < 8; ++f)
        EXPECT_EQ(p.current().file_scores[static_cast<size_t>(f)], FileScore(p, f)) << MoveText(m) << " file " << f;
      p.UnmakeMove();
    }
  };
  every_move();
  p.eval_setup().no_pawn_file[kWhite] = {5, 4, 3, 2, 2, 3, 4, 5};
  for (int f = 0; f < 8; ++f) p.record(0).file_scores[static_cast<size_t>(f)] = static_cast<int8_t>(FileScore(p, f));
  every_move();
}

// Without the terms that depend on the order of the moves, along random games the
// scores kept in the records equal a recomputation, and so does the evaluation (less
// the tempo of the side that moved): every piece term is counted alike by both
// pieces it joins.
TEST(PawnFiles, IncrementalScoresMatchRecomputation) {
  std::mt19937 random(4127);
  Engine engine;
  const char* starts[] = {
      "r3k2r/pp1n1ppp/2pbpn2/3p4/2PP4/2NBPN2/PP3PPP/R3K2R w KQkq - 0 1",
      "r1bq1rk1/pp2bppp/2n1pn2/2pp4/2PP4/2NBPN2/PPQ2PPP/R1B2RK1 w - - 0 1",
      "2r2rk1/1b1nqppp/p2bpn2/1p6/3P4/P1NBPN2/1PQ2PPP/2BR1RK1 w - - 0 1",
      "2r3k1/1p3ppp/p3p3/3pP3/3P4/P4N2/1P3PPP/2R3K1 w - - 0 1",
  };
  for (int game = 0; game < 48; ++game) {
    CorePosition cp;
    ASSERT_TRUE(ParseFen(starts[game % 4], cp));
    ASSERT_TRUE(engine.SetPosition(cp));
    engine.position().eval_setup().order_terms = false;
    PrepareRoot(engine, 2);
    Position& p = engine.position();
    for (int ply = 0; ply < 60 && ply + 1 < kMaxPly; ++ply) {
      std::vector<Move> legal = LegalMoves(p);
      if (legal.empty()) break;
      const Move m = legal[random() % legal.size()];
      // A second bishop of one colour is beyond the bad-bishop term's bookkeeping.
      if ((m.flags & kFlagKindMask) == kFlagPromoBishop) break;
      p.MakeMove(m.from, m.to, m.flags);
      for (int f = 0; f < 8; ++f) ASSERT_EQ(p.current().file_scores[static_cast<size_t>(f)], FileScore(p, f));
      const int32_t white_view = EvaluateFromScratch(p);
      const bool white_moved = p.side() == kBlack;
      ASSERT_EQ(p.current().eval, white_moved ? white_view - 16 : -white_view) << MoveText(m) << " to " << ToFen(p.Get()) << " ply " << ply;
    }
  }
}

}  // namespace
}  // namespace zh::zelko2::test

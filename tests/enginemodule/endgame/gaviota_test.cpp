// The king-and-pawn table and the pawn-ending recogniser against the three-man
// endgame tablebase (Gaviota, Debian's gaviotatb) on every legal KPK position.
#include <gtest/gtest.h>
#include <gtb-probe.h>

#include "enginemodule/zelkohome2/core/endgame.h"
#include "enginemodule/zelkohome2/core/endgame_tables.h"

namespace zh::zelko2 {
namespace {

class Tablebase : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    paths_ = tbpaths_init();
    paths_ = tbpaths_add(paths_, ZH_GAVIOTA_DIR);
    tb_init(0, tb_CP4, paths_);
    tbcache_init(1 << 20, 50);
  }
  static void TearDownTestSuite() {
    tbcache_done();
    tb_done();
    paths_ = tbpaths_done(paths_);
  }
  // Tablebase result for a white king, black king and one pawn: tb_DRAW, tb_WMATE or tb_BMATE.
  static unsigned Probe(int wk, int bk, int pawn, bool white_pawn, bool white_to_move) {
    unsigned wsq[3] = {static_cast<unsigned>(wk), tb_NOSQUARE, tb_NOSQUARE};
    unsigned bsq[3] = {static_cast<unsigned>(bk), tb_NOSQUARE, tb_NOSQUARE};
    unsigned char wpc[3] = {tb_KING, tb_NOPIECE, tb_NOPIECE};
    unsigned char bpc[3] = {tb_KING, tb_NOPIECE, tb_NOPIECE};
    (white_pawn ? wsq : bsq)[1] = static_cast<unsigned>(pawn);
    (white_pawn ? wpc : bpc)[1] = tb_PAWN;
    unsigned info = 0;
    EXPECT_TRUE(tb_probe_WDL_hard(white_to_move ? tb_WHITE_TO_MOVE : tb_BLACK_TO_MOVE, tb_NOSQUARE, tb_NOCASTLE, wsq,
                                  bsq, wpc, bpc, &info));
    return info;
  }
  static const char** paths_;
};
const char** Tablebase::paths_ = nullptr;

bool Adjacent(int a, int b) { return a != b && std::abs((a & 7) - (b & 7)) <= 1 && std::abs((a >> 3) - (b >> 3)) <= 1; }
bool PawnAttacks(int pawn, bool white, int s) {
  return (s >> 3) == (pawn >> 3) + (white ? 1 : -1) && std::abs((s & 7) - (pawn & 7)) == 1;
}

TEST_F(Tablebase, KpkBitsEqualTheTablebase) {
  int legal = 0, won = 0;
  for (int pawn = 8; pawn < 56; ++pawn) {
    if ((pawn & 7) > 3) continue;
    for (int wk = 0; wk < 64; ++wk)
      for (int bk = 0; bk < 64; ++bk) {
        if (wk == bk || wk == pawn || bk == pawn || Adjacent(wk, bk) || PawnAttacks(pawn, true, bk)) continue;
        const bool tb_won = Probe(wk, bk, pawn, true, true) == tb_WMATE;
        ASSERT_EQ(KpkWon(pawn, wk, bk), tb_won) << pawn << " " << wk << " " << bk;
        ++legal;
        won += tb_won;
      }
  }
  EXPECT_EQ(legal, 81664);
  EXPECT_EQ(won, 62480);
}

// The recogniser's verdict: a win for the pawn's side or a draw, either side to
// move, pawns of either colour on any file.
TEST_F(Tablebase, RecogniserVerdictEqualsTheTablebase) {
  int checked = 0;
  Position p;
  for (bool white_pawn : {true, false})
    for (bool white_to_move : {true, false})
      for (int pawn = 8; pawn < 56; ++pawn)
        for (int wk = 0; wk < 64; ++wk)
          for (int bk = 0; bk < 64; ++bk) {
            if (wk == bk || wk == pawn || bk == pawn || Adjacent(wk, bk)) continue;
            // The side not to move is not in check.
            const int idle_king = white_to_move ? bk : wk;
            if (white_pawn == white_to_move && PawnAttacks(pawn, white_pawn, idle_king)) continue;
            CorePosition cp;
            cp.board[wk] = kKing;
            cp.board[bk] = kKing | kBlackBit;
            cp.board[pawn] = white_pawn ? kPawn : kPawn | kBlackBit;
            cp.side = white_to_move ? 0 : 1;
            ASSERT_TRUE(p.Set(cp));
            const int mover = white_to_move ? kBlack : kWhite;
            const int32_t value = EvaluateEndgame(p, p.ComputeSignature(), mover, 77);
            const int pawn_side = white_pawn ? kWhite : kBlack;
            const bool ours = value != 0;
            if (ours) {
              ASSERT_EQ(value > 0, mover == pawn_side) << pawn << " " << wk << " " << bk;
            }
            const unsigned tb = Probe(wk, bk, pawn, white_pawn, white_to_move);
            ASSERT_EQ(ours, tb == (white_pawn ? tb_WMATE : tb_BMATE))
                << "pawn " << pawn << " wk " << wk << " bk " << bk << " white pawn " << white_pawn << " wtm "
                << white_to_move;
            ++checked;
          }
  EXPECT_GT(checked, 300000);
}

}  // namespace
}  // namespace zh::zelko2

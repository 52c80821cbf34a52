// The piece routines of the incremental evaluation: a routine undone in the other
// frame restores everything, the terms of fixed cases, the castling penalties, and
// one evaluation along two move orders where the two sides of a term read the same
// value.
#include "enginemodule/zelkohome2/core/root.h"
#include "search_support.h"

namespace zh::zelko2::test {
namespace {

void Prepare(Engine& engine, const std::string& fen) {
  CorePosition cp;
  ASSERT_TRUE(ParseFen(fen, cp)) << fen;
  ASSERT_TRUE(engine.SetPosition(cp)) << fen;
  PrepareRoot(engine, 2);
}

std::vector<uint8_t> AllMasks(const Position& p) {
  std::vector<uint8_t> out;
  for (int row = 8; row < kCodeRows; ++row) {
    const uint8_t* m = p.type_file_masks(row << 2) - kMaskMargin;
    out.insert(out.end(), m, m + kMaskBytes);
  }
  return out;
}

// On boards reached by random games, every piece's routine run for a random square in
// its owner's frame and then in the opponent's leaves evaluation, key and masks as
// they were.
TEST(PieceTerms, RoutineUndoneInTheOtherFrameRestoresEverything) {
  std::mt19937 random(4126);
  Engine engine;
  int runs = 0;
  for (int game = 0; game < 20; ++game) {
    Prepare(engine, game % 2 ? "r1bqk2r/pp1n1ppp/2pbpn2/3p4/2PP4/2NBPN2/PP3PPP/R1BQK2R w KQkq - 0 1"
                             : "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    Position& p = engine.position();
    for (int ply = 0; ply < 40; ++ply) {
      std::vector<Move> legal = LegalMoves(p);
      if (legal.empty()) break;
      const Move m = legal[random() % legal.size()];
      p.MakeMove(m.from, m.to, m.flags);
    }
    for (int side = 0; side < 2; ++side) {
      for (Handle h = KingHandle(side); h < p.list_end(side); h += 4) {
        if (p.square(h) == kNoSquare) continue;
        const bool pawn = TypeOf(p.code(h)) == kTypePawn;
        const Square s = ToSquare88(static_cast<int>(pawn ? 8 + random() % 48 : random() % 64));
        const std::vector<uint8_t> masks = AllMasks(p);
        const int32_t eval0 = static_cast<int32_t>(random() % 2000) - 1000;
        const uint64_t key0 = p.current().key;
        int32_t eval = eval0;
        uint64_t key = key0;
        p.PieceRoutine(h, s, eval, key);
        eval = -eval;
        p.PieceRoutine(h, s, eval, key);
        eval = -eval;
        ASSERT_EQ(eval, eval0) << ToFen(p.Get()) << " handle " << h << " square " << SquareText(s);
        ASSERT_EQ(key, key0);
        ASSERT_EQ(AllMasks(p), masks);
        ++runs;
      }
    }
  }
  EXPECT_GT(runs, 300);
}

// What a piece adds beyond its square value, read as the routine takes it away.
int32_t TermsOf(Engine& engine, const char* square_name) {
  Position& p = engine.position();
  const Square s = Sq(square_name);
  const Handle h = p.board(s);
  int32_t v = 0;
  uint64_t key = 0;
  p.PieceRoutine(h, s, v, key);
  // Run on its own square the routine takes the piece away; the routine adds its
  // value either way, the frame alone tells the direction.
  return v - p.piece_square()[static_cast<size_t>(p.code(h) >> 2)][static_cast<size_t>(s)];
}

TEST(PieceTerms, TermsOfFixedCases) {
  struct Case {
    const char* fen;
    const char* square;
    int32_t terms;
  };
  const Case kCases[] = {
      // Rook on the seventh while the enemy king stands on the eighth.
      {"7k/R7/8/8/8/8/8/4K3 w - - 0 1", "a7", 80},
      {"8/R5k1/8/8/8/8/8/4K3 w - - 0 1", "a7", 0},
      {"4k3/8/8/8/8/8/r7/7K b - - 0 1", "a2", 80},
      // Knight on c3 before its c-pawn, a black pawn on d5.
      {"4k3/8/8/3p4/8/2N5/2P5/4K3 w - - 0 1", "c3", -40},
      {"4k3/2p5/2n5/8/3P4/8/8/4K3 b - - 0 1", "c6", -40},
      // Supported knight, no black pawn on its file or able to drive it: 8 + 8 + the
      // outpost value of d5 (5 x 8).
      {"4k3/8/8/3N4/2P5/8/8/4K3 w - - 0 1", "d5", 56},
      {"4k3/4p3/8/3N4/2P5/8/8/4K3 w - - 0 1", "d5", 16},
      // Own pawn one step before the bishop: 8 and the blockage value of d4 (16), and
      // 16 more with d5 taken; an enemy knight two steps ahead gives 16.
      {"4k3/8/8/8/3P4/2B5/8/4K3 w - - 0 1", "c3", -24},
      {"4k3/8/8/3p4/3P4/2B5/8/4K3 w - - 0 1", "c3", -40},
      {"4k3/8/8/4n3/8/2B5/8/4K3 w - - 0 1", "c3", 16},
      // A queen on a file without enemy pawns (endgame: +16) and no own pawn ahead.
      {"4k3/8/8/8/8/8/8/3QK3 w - - 0 1", "d1", 32},
      {"4k3/3p4/8/8/8/8/3P4/3QK3 w - - 0 1", "d1", 0},
  };
  for (const Case& c : kCases) {
    Engine engine;
    Prepare(engine, c.fen);
    EXPECT_EQ(TermsOf(engine, c.square), c.terms) << c.fen;
  }
}

TEST(PieceTerms, CastlingPenalties) {
  struct Case {
    const char* fen;
    int side;
    bool king_side;
    int32_t penalty;
  };
  const Case kCases[] = {
      {"4k3/6pp/8/8/8/8/5PPP/4K2R w K - 0 1", kWhite, true, 0},
      {"4k3/6pp/8/8/8/8/5PP1/4K2R w K - 0 1", kWhite, true, -48},
      {"4k3/6p1/8/8/8/8/5PPP/4K2R w K - 0 1", kWhite, true, -64},
      {"4k1r1/7p/8/8/8/8/5PPP/4K2R w K - 0 1", kWhite, true, -128},
      {"r3k3/ppp5/8/8/8/8/PPP5/4K3 b q - 0 1", kBlack, false, 0},
      {"r3k3/p1p5/8/8/8/8/1PP5/4K3 b q - 0 1", kBlack, false, -96 - 64},
  };
  for (const Case& c : kCases) {
    Engine engine;
    Prepare(engine, c.fen);
    EXPECT_EQ(engine.position().CastlingPenalty(c.side, c.king_side), c.penalty) << c.fen;
  }
}

int32_t EvalAfter(const std::string& fen, const std::vector<const char*>& moves) {
  Engine engine;
  Prepare(engine, fen);
  Position& p = engine.position();
  for (const char* text : moves) {
    bool found = false;
    for (const Move& m : LegalMoves(p)) {
      if (MoveText(m) != text) continue;
      p.MakeMove(m.from, m.to, m.flags);
      found = true;
      break;
    }
    EXPECT_TRUE(found) << text << " in " << ToFen(p.Get());
  }
  return p.current().eval;
}

// The pawn that makes an enemy knight's outpost void takes the value read at the
// knight's square, which the knight added; and a pawn counts every own bishop behind
// it, as each bishop counts the pawn. Either order of the same moves then gives one
// evaluation.
TEST(PieceTerms, TwoMoveOrdersGiveOneEvaluation) {
  const std::string outpost = "6k1/4p3/3B4/8/1P6/1N6/8/6K1 w - - 0 1";
  EXPECT_EQ(EvalAfter(outpost, {"b3c5", "g8h8", "g1h1", "e7d6"}),
            EvalAfter(outpost, {"g1h1", "e7d6", "b3c5", "g8h8"}));
  const std::string bishops = "k7/8/8/8/8/8/3P4/B5BK w - - 0 1";
  EXPECT_EQ(EvalAfter(bishops, {"a1c3", "a8b8", "g1e3", "b8a8", "d2d4", "a8b8"}),
            EvalAfter(bishops, {"d2d4", "a8b8", "a1c3", "b8a8", "g1e3", "a8b8"}));
}

}  // namespace
}  // namespace zh::zelko2::test

// Root preparation, the checking-move generator, the transposition table and the
// search's own behaviour.
#include <set>

#include "enginemodule/zelkohome2/core/checks.h"
#include "enginemodule/zelkohome2/core/eval_tables.h"
#include "search_support.h"

namespace zh::zelko2::test {
namespace {

RootInfo Prepare(Engine& engine, const std::string& fen, int selectivity = 2) {
  CorePosition cp;
  EXPECT_TRUE(ParseFen(fen, cp));
  EXPECT_TRUE(engine.SetPosition(cp));
  return PrepareRoot(engine, selectivity);
}

TEST(Root, PhaseSumsAndNullMoveReduction) {
  Engine engine;
  const RootInfo start = Prepare(engine, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  EXPECT_EQ(start.phase_sum, 96);
  EXPECT_FALSE(start.endgame);
  EXPECT_EQ(start.null_reduction, 3);
  EXPECT_EQ(PhaseOf(96, 15, 0).null_reduction, 0);
  EXPECT_EQ(PhaseOf(96, 15, 6).null_reduction, 7);
  EXPECT_EQ(PhaseOf(30, 15, 2).null_reduction, 2);
  const RootInfo heavy = Prepare(engine, "3qr1k1/8/8/8/8/8/8/3QR1K1 w - - 0 1");
  EXPECT_EQ(heavy.phase_sum, 56);
  EXPECT_FALSE(heavy.endgame);
  EXPECT_EQ(heavy.null_offset, 96);
  const RootInfo krpk = Prepare(engine, "4k3/8/8/8/8/8/4P3/R3K3 w - - 0 1");
  EXPECT_EQ(krpk.phase_sum, 8);
  EXPECT_TRUE(krpk.endgame);
  EXPECT_TRUE(krpk.null_forbidden);
  EXPECT_EQ(krpk.null_reduction, 0);
}

TEST(Root, KbnkBuildsKingTablesOnly) {
  Engine engine;
  const RootInfo info = Prepare(engine, "4k3/8/8/8/8/8/8/2B1KN2 w - - 0 1");
  EXPECT_TRUE(info.kbnk);
  auto& pst = engine.position().piece_square();
  for (int code : {1, 4, 5, 9, 12, 13}) {  // pawns, rooks and queens of both colours
    const auto& row = pst[static_cast<size_t>(CodeOf(code) >> 2)];
    for (int s = 0; s < 64; ++s) EXPECT_EQ(row[static_cast<size_t>(ToSquare88(s))], row[0]) << code;
  }
}

// The tables built for the colour-mirrored position are the mirror of the original's.
TEST(Root, MirroredPositionGivesMirroredTables) {
  for (const char* fen : {"r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP2BPPP/R2QKB1R w KQ - 0 1",
                          "6k1/5ppp/8/3Pp3/8/8/5PPP/2R3K1 w - - 0 1", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1"}) {
    Engine a, b;
    Prepare(a, fen);
    Prepare(b, MirrorFen(fen));
    for (int type = kPawn; type <= kKing; ++type)
      for (int s = 0; s < 64; ++s)
        EXPECT_EQ(a.position().piece_square()[static_cast<size_t>(CodeOf(type) >> 2)][static_cast<size_t>(ToSquare88(s))],
                  b.position().piece_square()[static_cast<size_t>(CodeOf(type | kBlackBit) >> 2)]
                                             [static_cast<size_t>(ToSquare88(s ^ 56))])
            << fen << " type " << type << " square " << s;
  }
}

TEST(Root, StartPositionEvaluatesEven) {
  Engine engine;
  Prepare(engine, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  EXPECT_EQ(EvaluateFromScratch(engine.position()), 0);
  EXPECT_EQ(engine.root_count(), 20);
}

// White castled short, black long, a white rook on the f-file: white's pawns before
// its own king gain, those before the black king count less (a wedge on c6 keeps its
// value), and the shield rows follow the kings.
TEST(Root, ShieldAndStormFollowTheKings) {
  Engine castled, centre;
  Prepare(castled, "2kqrr2/8/8/8/8/8/8/3QRRK1 w - - 0 1");
  Prepare(centre, "3qkrr1/8/8/8/8/8/8/3QKRR1 w - - 0 1");
  auto pawn = [](Engine& e, const char* square) {
    const int s = (square[1] - '1') * 8 + (square[0] - 'a');
    return e.position().piece_square()[static_cast<size_t>(CodeOf(kPawn) >> 2)][static_cast<size_t>(ToSquare88(s))];
  };
  const struct {
    const char* square;
    int gain;
  } cases[] = {{"g2", 56}, {"h3", 48}, {"g5", 24}, {"f2", -40}, {"f6", 0},
               {"a2", -40}, {"c6", 24}, {"c5", -24}, {"b4", -32}, {"d4", 0}};
  for (const auto& c : cases) EXPECT_EQ(pawn(castled, c.square) - pawn(centre, c.square), c.gain) << c.square;

  const EvalSetup& setup = castled.position().eval_setup();
  std::array<int8_t, 8> white_row = tables::kShieldKingWing;
  white_row[5] = static_cast<int8_t>(white_row[5] + tables::kShieldRookOnF / 8);
  EXPECT_EQ(setup.no_pawn_file[kWhite], white_row);
  EXPECT_EQ(setup.no_pawn_file[kBlack], tables::kShieldQueenWing);
  EXPECT_EQ(centre.position().eval_setup().no_pawn_file[kWhite], tables::kNoPawnFile);
}

// Frozen: the tables of our own choice change only with a match result.
TEST(Root, OwnTablesAreFrozen) {
  auto sum = [](const tables::SquareTable& t) {
    int s = 0;
    for (int i = 0; i < 64; ++i) s += t[static_cast<size_t>(i)] * (i + 1);
    return s;
  };
  EXPECT_EQ(sum(tables::kKnightOutpost), 1666);
  EXPECT_EQ(sum(tables::kBishopBlockage), 1061);
  EXPECT_EQ(sum(tables::kKingWingAttack), 796);
  EXPECT_EQ(sum(tables::kQueenWingAttack), 647);
  EXPECT_EQ(tables::kNearKing, (std::array<int8_t, 8>{6, 5, 3, 2, 1, 0, 0, 0}));
  EXPECT_EQ(sum(tables::kPhalanx), 1316);
  EXPECT_EQ(tables::kPawnMoveBonus, (std::array<int8_t, 8>{0, 0, 1, 2, 2, 0, -1, -1}));
  EXPECT_EQ(tables::kNoPawnFile, (std::array<int8_t, 8>{-1, 0, 0, 0, 0, 0, 0, -1}));
  EXPECT_EQ(tables::kRookFile, (std::array<int8_t, 8>{2, 2, 3, 4, 4, 3, 2, 2}));
  EXPECT_EQ(tables::kShieldKingWing, (std::array<int8_t, 8>{-1, 0, 0, 0, 0, -2, -5, -4}));
  EXPECT_EQ(tables::kShieldQueenWing, (std::array<int8_t, 8>{-4, -5, -2, 0, 0, 0, 0, -1}));
  EXPECT_EQ(tables::kShieldRookOnF, 40);
  EXPECT_EQ(tables::kKingShield, (std::array<int8_t, 8>{0, 2, 1, -1, -2, -2, -2, 0}));
  EXPECT_EQ(tables::kPawnStorm, (std::array<int8_t, 8>{0, 0, 0, 1, 2, 3, 0, 0}));
  EXPECT_EQ(sum(tables::kShieldStorm), 0);
  EXPECT_EQ(sum(tables::kRammed), -813);
}

std::set<std::string> Checks(Position& p) {
  std::set<std::string> out;
  CheckGenerator gen(p);
  Move m;
  while (gen.Next(p, m)) out.insert(MoveText(m));
  return out;
}

bool Has(const std::set<std::string>& s, const char* m) { return s.count(m) != 0; }

TEST(Checks, EdgeCases) {
  Position p;
  struct Case {
    const char* fen;
    std::vector<const char*> present, absent;
  };
  const Case kCases[] = {
      {"3k4/8/4P3/8/8/8/8/K7 w - - 0 1", {"e6e7"}, {}},
      {"5k2/8/4P3/8/8/8/8/K7 w - - 0 1", {"e6e7"}, {}},
      {"4k3/8/4P3/8/8/8/8/K7 w - - 0 1", {}, {"e6e7"}},
      {"k7/1P6/8/8/8/8/8/4K3 w - - 0 1", {"b7b8"}, {}},
      {"k7/8/8/8/8/8/1P6/4K3 w - - 0 1", {}, {"b2b4", "b2b3"}},
      {"k7/8/8/8/8/8/8/1R2K3 w - - 0 1", {"b1a1", "b1b8"}, {"b1c1", "b1b2", "b1b7", "e1e2"}},
      {"k7/8/8/p7/8/8/8/1R2K3 w - - 0 1", {"b1b8"}, {"b1a1"}},
      {"7k/8/8/8/3N4/8/1B6/K7 w - - 0 1", {"d4b3", "d4b5", "d4c2", "d4c6", "d4e2", "d4e6", "d4f3", "d4f5"}, {}},
      {"R2N3k/8/8/8/8/8/8/K7 w - - 0 1", {"d8f7"}, {"d8b7", "d8c6", "d8e6"}},
      {"4k3/8/8/8/8/8/4K3/4R3 w - - 0 1", {"e2d2", "e2f2", "e2d3", "e2f3", "e2d1", "e2f1"}, {"e2e3"}},
      {"6k1/8/8/8/8/8/8/N6K w - - 0 1", {}, {"a1b3", "a1c2"}},
      {"8/8/8/8/4k3/8/8/K6N w - - 0 1", {"h1g3", "h1f2"}, {}},
      {"k7/8/8/8/4pP2/8/8/K7 b - f3 0 1", {}, {"e4f3"}},
      {"4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", {"a1a8", "h1h8"}, {"e1g1", "e1c1"}},
      {"5k2/8/8/8/8/8/8/4K2R w K - 0 1", {"e1g1"}, {}},
      {"3k4/8/8/8/8/8/8/R3K3 w Q - 0 1", {"e1c1"}, {}},
  };
  for (const Case& c : kCases) {
    SetFen(p, c.fen);
    p.InstallSearchVariants();
    const auto moves = Checks(p);
    for (const char* m : c.present) EXPECT_TRUE(Has(moves, m)) << c.fen << " " << m;
    for (const char* m : c.absent) EXPECT_FALSE(Has(moves, m)) << c.fen << " " << m;
  }
}

// On random positions: every quiet move that checks directly is produced, and every
// quiet move produced checks or uncovers a line through the enemy king.
TEST(Checks, RandomPositionsProduceTheDirectChecks) {
  std::mt19937 random(20261210);
  Position p;
  int direct_seen = 0;
  for (int game = 0; game < 40; ++game) {
    SetFen(p, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    for (int ply = 0; ply < 60; ++ply) {
      std::vector<Move> legal = LegalMoves(p);
      if (legal.empty()) break;
      if (!p.in_check()) {
        const CorePosition now = p.Get();
        const auto produced = Checks(p);
        for (const Move& m : legal) {
          const int kind = m.flags & kFlagKindMask;
          if (p.board(m.to) != 0 || IsPromotion(m.flags) || kind == kFlagEnPassant || kind == kFlagCastling) continue;
          p.MakeMove(m.from, m.to, m.flags);
          const bool direct = p.current().check != 0 && p.current().check_square == m.to;
          p.UnmakeMove();
          if (direct) {
            ++direct_seen;
            EXPECT_TRUE(produced.count(MoveText(m))) << ToFen(now) << " " << MoveText(m);
          }
          if (!produced.count(MoveText(m))) continue;
          const Square king = p.king_square(p.side() ^ 1);
          bool uncovers = false;
          if (const int step = StepToward(m.from - king)) {
            Square x = king + step;
            while (p.board(x) == 0 || x == m.from) x += step;
            uncovers = p.board(x) > 0 && SideOf(p.board(x)) == p.side() &&
                       (AttrReach(p.code(p.board(x))) & ReachBits(x - king) & kReachLines);
          }
          EXPECT_TRUE(p.WouldGiveCheck(m.from, m.to) || uncovers) << ToFen(now) << " " << MoveText(m);
        }
      }
      const Move pick = legal[random() % legal.size()];
      p.MakeMove(pick.from, pick.to, pick.flags);
      const CorePosition next = p.Get();
      ASSERT_TRUE(p.Set(next));
    }
  }
  EXPECT_GT(direct_seen, 100);
}

TEST(Table, SegmentsOfSmallTables) {
  TtMemory one, three;
  ASSERT_TRUE(one.Allocate(TtMemory::SizeForKb(256)));
  ASSERT_TRUE(three.Allocate(TtMemory::SizeForKb(768)));
  for (int slot = 0; slot < TtMemory::kSegmentSlots; ++slot) {
    EXPECT_EQ(one.segment(slot), one.segment(0));
    EXPECT_EQ(three.segment(slot), three.segment(0) + (slot % 3) * TtMemory::kSegmentBytes);
  }
  // Buckets are 32-byte aligned and every key finds one.
  TranspositionTable table(three);
  table.Clear();
  std::mt19937_64 random(7);
  for (int i = 0; i < 1000; ++i) {
    const uint64_t key = random();
    EXPECT_EQ(reinterpret_cast<uintptr_t>(table.Bucket(key)) % 32, 0u);
    EXPECT_NE(table.Find(key, 0, 1).entry, nullptr);
  }
}

// The root and the game positions are marked open: a line that comes back to them
// hits an open entry and scores as a draw.
TEST(Table, GamePositionsAndTheRootAreMarkedOpen) {
  Engine engine;
  ASSERT_TRUE(engine.tt().Allocate(TtMemory::SizeForKb(1024)));
  engine.SetStartPosition();
  engine.RecordBase();
  engine.ClearHistory();
  SearchControl control;
  Search search(engine, control);
  search.PrepareRun(2, 0);
  Position& p = engine.position();
  const uint64_t root_key = search.KeyAt(0);
  for (const char* m : {"g1f3", "g8f6", "f3g1", "f6g8"})
    p.MakeMove(MakeSquare(m[0] - 'a', m[1] - '1'), MakeSquare(m[2] - 'a', m[3] - '1'), 0);
  EXPECT_EQ(search.KeyAt(4), root_key);
  const TranspositionTable::Probe probe = search.tt().Find(search.KeyAt(4), p.side(), 3);
  ASSERT_TRUE(probe.hit);
  EXPECT_EQ(probe.entry->depth(), kDepthOpen);
  EXPECT_FALSE(search.tt().Find(search.KeyAt(2), p.side() ^ 1, 3).hit);
}

TEST(SearchRuns, FixedDepthIsDeterministic) {
  RecordingDriver d;
  const auto block = BlockOf("r1bqk2r/pppp1ppp/2n2n2/2b1p3/2B1P3/3P1N2/PPP2PPP/RNBQK2R w KQkq - 1 5", 2, 5);
  d.Run(block);
  const uint64_t first = d.engine.node_count();
  d.Run(block);
  EXPECT_EQ(d.engine.node_count(), first);
  EXPECT_GT(first, 1000u);
}

// Long series of checks run into the ply limit without leaving the stack.
TEST(SearchRuns, SeriesOfChecksStayInsideTheStack) {
  RecordingDriver d;
  for (const char* fen : {"6k1/5ppp/8/8/8/8/q4PPP/3Q2K1 b - - 0 1", "k7/8/2QQ4/8/8/8/8/6K1 b - - 0 1",
                          "3q3k/8/8/8/8/8/8/1Q4K1 w - - 0 1"}) {
    d.Run(BlockOf(fen, 2, 7));
    EXPECT_NE(d.LastMainLine(), nullptr) << fen;
  }
  // A board whose side not to move stands in check is not searched.
  d.Run(BlockOf("3q3k/8/8/8/8/8/8/Q5K1 w - - 0 1", 2, 3));
  EXPECT_EQ(d.LastMainLine(), nullptr);
}

// Both kings stand open: nearly every node has a check or a mate threat to extend.
constexpr const char* kExtendingPosition = "3rkb2/pp3R1R/8/2p1P3/3pKB2/6P1/PrP2P2/8 w - - 0 1";

// Iterations 1 to depth of the search on a position, with a clock that counts a
// millisecond for every thousand nodes, so that a node budget ends it.
struct DeepSearch {
  Engine engine;
  SearchControl control;
  Search search{engine, control};
  int completed = 0;

  DeepSearch(const char* fen, int extension_plies_per_depth, int64_t node_budget) {
    EXPECT_TRUE(engine.tt().Allocate(TtMemory::SizeForKb(4096)));
    CorePosition cp;
    EXPECT_TRUE(ParseFen(fen, cp));
    engine.SetPosition(cp);
    engine.RecordBase();
    engine.ClearHistory();
    control.now = [this] { return static_cast<int64_t>(engine.node_count() / 1000); };
    control.start_ms = 0;
    control.target_ms = 1'000'000'000;
    control.max_ms = node_budget / 1000;
    search.PrepareRun(2, 0);
    search.set_extension_plies_per_depth(extension_plies_per_depth);
  }
  // The deepest ply reached over all iterations.
  int Run(int depth) {
    int deepest = 0;
    for (int d = 1; d <= depth; ++d) {
      control.depth = d;
      search.StartIteration();
      search.ClearReached();
      const bool done = search.RootSingle(d);
      deepest = std::max(deepest, search.deepest_ply());
      if (!done) break;
      completed = d;
    }
    return deepest;
  }
};

// Extended without end, the lines of this position run to the last ply record and end
// there; with extensions stopping at twice the iteration depth the same iterations
// finish quickly and stay far above it.
TEST(SearchRuns, ExtendedLinesEndAtTheLastPly) {
  DeepSearch unbounded(kExtendingPosition, 100, 1'000'000);
  EXPECT_EQ(unbounded.Run(6), kMaxPly);
  EXPECT_EQ(unbounded.completed, 5);  // the sixth iteration does not end within the budget

  DeepSearch bounded(kExtendingPosition, 2, 1'000'000);
  const int deepest = bounded.Run(6);
  EXPECT_EQ(bounded.completed, 6);
  EXPECT_GT(deepest, 12);  // extended beyond the iteration depth
  EXPECT_LT(deepest, 40);
}

// A line that comes back to the root position scores 0: far behind in material, white
// holds the draw by checking from g5 and f6 (the reference engine gives 0 and the same
// line).
TEST(SearchRuns, RepeatedRootPositionScoresZero) {
  RecordingDriver d;
  d.Run(BlockOf("5rk1/q4p1p/5Q2/8/8/8/5PPP/6K1 w - - 0 1", 2, 6));
  const Recorded* main = d.LastMainLine();
  ASSERT_NE(main, nullptr);
  const auto block = main->as<eng::MainLineBlock>();
  EXPECT_EQ(ReportMoveText(block.line[0]), "f6g5");
  EXPECT_EQ(block.score_value, 0);
}

// In double check only king moves are searched: the bishop could take the checking
// knight, but that leaves the other bishop's check.
TEST(SearchRuns, DoubleCheckSearchesKingMovesOnly) {
  RecordingDriver d;
  d.Run(BlockOf("4k3/8/8/8/1b6/3n4/8/4KB2 w - - 0 1", 2, 3));
  const Recorded* main = d.LastMainLine();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(ReportMoveText(main->as<eng::MainLineBlock>().line[0]).substr(0, 2), "e1");
  // The moves searched: Kd1 and Ke2, nothing else.
  int searched = 0;
  for (int i = 0; i < d.engine.root_count(); ++i) {
    const RootMove& rm = d.engine.root_move(i);
    if (rm.score == kNotSearched) continue;
    ++searched;
    EXPECT_EQ(CoreFrom(rm.move), 4) << CoreTo(rm.move);
  }
  EXPECT_EQ(searched, 2);
}

}  // namespace
}  // namespace zh::zelko2::test

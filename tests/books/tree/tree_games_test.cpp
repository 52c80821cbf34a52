// Whole games into opening trees: repeated games, variation points, deep nesting and
// the ply limit; the write cache against single writes, with a full disk, a read
// error and a busy tree; merging trees.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

#include "app/message_ids.h"
#include "books/tree/opening_tree.h"
#include "books/tree/tree_games_util.h"
#include "books/tree/tree_test_util.h"
#include "database/game/move_tree.h"
#include "database/random_trees.h"
#include "support/recording_services.h"

namespace zh {
namespace {

using test::GameOf;
using test::RecordSet;
using test::ScratchFolder;

int Sq(const char* name) {
  return MakeSquare(name[0] - 'a', name[1] - '1');
}

std::string Bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The positions of a game's main line, from its start.
std::vector<Position> MainLinePositions(const TQGame& game) {
  std::vector<Position> out{game.body.start.start.position};
  for (const GameMove& m : game.body.mainLine) {
    out.push_back(out.back());
    out.back().DoGameMove(m);
  }
  return out;
}

std::vector<TQGame> RandomGames(int count, uint32_t seed, bool variations) {
  std::vector<TQGame> games(static_cast<size_t>(count));
  test::RandomTreeOptions options;
  options.nullMoves = false;
  options.annotations = true;
  options.branchPercent = variations ? 20 : 0;
  options.mainLength = 40;
  for (int i = 0; i < count; ++i) {
    test::GrowRandomGame(games[static_cast<size_t>(i)], seed + static_cast<uint32_t>(i), options);
    games[static_cast<size_t>(i)].header.SetResult(static_cast<int>((seed + i) % 4));
  }
  return games;
}

// The tree of the games written position by position, or through the cache.
void AddAll(OpeningTree& tree, const std::vector<TQGame>& games, bool variations, bool cache) {
  tree.includeVariations = variations;
  if (cache) tree.EnableCache();
  for (const TQGame& g : games) ASSERT_EQ(tree.AddGameToTree(g), 0);
}

class TreeGamesTest : public ::testing::Test {
 protected:
  test::RecordingServices services_;
  ScratchFolder folder_;
  std::string Base(const char* name) const { return (folder_.Path() / name).string(); }
};

TEST_F(TreeGamesTest, TheSameGameTwiceDoublesEveryStatisticAndKeepsTheMoveLists) {
  const TQGame game = GameOf("e2e4 e7e5 g1f3 ( f2f4 e5f4 ) b8c6 f1b5 a7a6", 2);
  OpeningTree tree(Base("twice"));
  ASSERT_EQ(tree.AddGameToTree(game), 0);
  std::vector<Position> positions = MainLinePositions(game);
  Position f4 = positions[2];
  f4.MakeMoveSquares(Sq("f2"), Sq("f4"), 0);  // f2-f4 from the variation
  positions.push_back(f4);
  std::vector<StatisticItem> once;
  std::vector<TreeMoveList> lists;
  for (const Position& p : positions) {
    StatisticItem s;
    TreeMoveList list;
    ASSERT_TRUE(tree.FindPosition(p, &s, nullptr, nullptr, &list));
    once.push_back(s);
    lists.push_back(list);
  }
  EXPECT_EQ(lists[2].count, 2);  // Nf3 and the variation's f4
  EXPECT_NE(positions.back(), positions[2]);
  ASSERT_EQ(tree.AddGameToTree(game), 0);
  EXPECT_EQ(tree.Files().Pages().GameCount(), 2u);
  for (size_t i = 0; i < positions.size(); ++i) {
    StatisticItem s;
    TreeMoveList list;
    ASSERT_TRUE(tree.FindPosition(positions[i], &s, nullptr, nullptr, &list));
    EXPECT_EQ(s.games, 2 * once[i].games) << i;
    EXPECT_EQ(s.whiteWins, 2 * once[i].whiteWins) << i;
    EXPECT_EQ(s.blackWins, 2 * once[i].blackWins) << i;
    EXPECT_EQ(s.whitePoints, 2 * once[i].whitePoints) << i;
    ASSERT_EQ(list.count, lists[i].count) << i;
    for (int m = 0; m < list.count; ++m) {
      EXPECT_EQ(list.moves[m].from, lists[i].moves[m].from);
      EXPECT_EQ(list.moves[m].to, lists[i].moves[m].to);
    }
  }
  EXPECT_EQ(once[1].whiteWins, 1u);  // seen from White, though stored mirrored
  EXPECT_EQ(once.back().whitePoints, 5u);  // a variation without symbols
}

TEST_F(TreeGamesTest, AVariationsPointsFollowThePositionSymbolOfItsFirstSymbolMove) {
  struct Case {
    int symbol;
    int onMove;  // 0 Black's first move of the variation, 1 White's reply
    uint32_t points;
  };
  const Case cases[] = {{14, 0, 6}, {15, 0, 4}, {16, 1, 7}, {17, 0, 3}, {18, 0, 9},
                        {19, 1, 1}, {32, 1, 6}, {32, 0, 4}, {36, 0, 4}, {40, 1, 6},
                        {20, 0, 5}, {0, 0, 5}};
  int n = 0;
  for (const Case& c : cases) {
    TQGame game = GameOf("e2e4 e7e5 ( d7d5 e4d5 ) g1f3", 1);
    GameMove* move = game.body.mainLine.GetMove(1)->variations->GetLine(0)->GetMove(c.onMove);
    if (c.symbol) SetSymbols(*move, MoveSymbols{0, static_cast<uint8_t>(c.symbol), 0, 0});
    OpeningTree tree(Base(("points" + std::to_string(n++)).c_str()));
    ASSERT_EQ(tree.AddGameToTree(game), 0);
    Position p = MainLinePositions(game)[1];
    p.MakeMoveSquares(Sq("d7"), Sq("d5"), 0);  // d7-d5
    StatisticItem s;
    ASSERT_TRUE(tree.FindPosition(p, &s)) << c.symbol;
    EXPECT_EQ(s.games, 1u);
    EXPECT_EQ(s.whitePoints, c.points) << c.symbol << " on move " << c.onMove;
  }
}

TEST_F(TreeGamesTest, VariationsNestedBeyondTheStackAreLeftOutAndTheRestIsAdded) {
  TQGame game = GameOf("e2e4 e7e5 g1f3 b8c6 ( g8f6 ) f1c4", 3);
  // Alternatives to 1.e4 nested 700 deep: each line's first move holds the next line.
  const Position start;
  MoveLine chain;
  for (int depth = 0; depth < 700; ++depth) {
    GameMove first = GameMove::FromSquares(Sq(depth % 2 ? "d2" : "c2"), Sq(depth % 2 ? "d4" : "c4"));
    first.Complete(start);
    MoveLine line;
    ASSERT_EQ(line.Append(first), 0);
    if (depth > 0) {
      ASSERT_EQ(AddVariation(*line.GetMove(0), chain), 0);
    }
    chain = std::move(line);
  }
  ASSERT_EQ(AddVariation(*game.body.mainLine.GetMove(0), chain), 0);
  OpeningTree tree(Base("deep"));
  ASSERT_EQ(tree.AddGameToTree(game), 0);
  EXPECT_GT(tree.SkippedVariations(), 0u);
  Position d4, c4, nf6 = MainLinePositions(game)[3];
  d4.MakeMoveSquares(Sq("d2"), Sq("d4"), 0);
  c4.MakeMoveSquares(Sq("c2"), Sq("c4"), 0);
  nf6.MakeMoveSquares(Sq("g8"), Sq("f6"), 0);
  EXPECT_TRUE(tree.FindPosition(d4));
  EXPECT_TRUE(tree.FindPosition(c4));
  EXPECT_TRUE(tree.FindPosition(nf6));  // a variation after the deep ones
  for (const Position& p : MainLinePositions(game)) EXPECT_TRUE(tree.FindPosition(p));
  // Every record the tree holds is a position of the game: nothing popped wrongly.
  EXPECT_EQ(tree.Files().Pages().PositionCount(), 9u);
}

TEST_F(TreeGamesTest, ThePlyLimitEndsTheLineWithAnEmptyMove) {
  const TQGame game = GameOf("d2d4 d7d5 c2c4 e7e6 b1c3", 2);
  OpeningTree tree(Base("limit"));
  tree.plyLimit = 2;
  ASSERT_EQ(tree.AddGameToTree(game), 0);
  const std::vector<Position> p = MainLinePositions(game);
  TreeMoveList list;
  ASSERT_TRUE(tree.FindPosition(p[2], nullptr, nullptr, nullptr, &list));
  EXPECT_EQ(list.count, 0);
  EXPECT_FALSE(tree.FindPosition(p[3]));
  EXPECT_EQ(tree.Files().Pages().PositionCount(), 3u);
}

TEST_F(TreeGamesTest, CachedTreesEqualTheTreeWrittenPositionByPosition) {
  for (const bool variations : {false, true}) {
    const std::vector<TQGame> games = RandomGames(400, variations ? 7000 : 9000, variations);
    const std::string tag = variations ? "v" : "n";
    OpeningTree direct(Base(("direct" + tag).c_str()));
    AddAll(direct, games, variations, false);
    const uint32_t positions = direct.Files().Pages().PositionCount();
    ASSERT_GT(positions, 5000u);

    OpeningTree cached(Base(("cached" + tag).c_str()));
    AddAll(cached, games, variations, true);
    ASSERT_EQ(cached.DisableCache(), 0);
    EXPECT_EQ(RecordSet(cached), RecordSet(direct)) << tag;
    EXPECT_EQ(cached.Files().Pages().PositionCount(), positions);

    // A cache a twentieth of the positions' size flushes about twenty times.
    OpeningTree small(Base(("small" + tag).c_str()));
    int writes = 0;
    small.memoryBudget = [&](uint32_t) { return uint64_t{positions / 20} * 44; };
    small.freeDiskSpaceKB = [&](const std::filesystem::path&) {
      ++writes;
      return uint64_t{1} << 30;
    };
    AddAll(small, games, variations, true);
    ASSERT_EQ(small.DisableCache(), 0);
    EXPECT_GE(writes, 20) << tag;
    EXPECT_EQ(RecordSet(small), RecordSet(direct)) << tag;
    EXPECT_EQ(small.Files().Pages().PositionCount(), positions);
  }
}

TEST_F(TreeGamesTest, AFullDiskOrAReadErrorKeepsTheCacheForTheNextFlush) {
  services_.texts[msg::M_TREE_WRITE_CACHE_ERROR] = "Write Cache error";
  const std::vector<TQGame> games = RandomGames(60, 300, true);
  OpeningTree direct(Base("direct"));
  AddAll(direct, games, true, false);

  OpeningTree tree(Base("full"));
  ASSERT_EQ(tree.Flush(), 0);
  uint64_t free = 511;
  tree.freeDiskSpaceKB = [&](const std::filesystem::path&) { return free; };
  AddAll(tree, games, true, true);
  const uint32_t waiting = tree.CachedCount();
  ASSERT_GT(waiting, 1000u);
  const std::string ctg = Bytes(folder_.Path() / "full.ctg");
  services_.calls.clear();
  EXPECT_EQ(tree.WriteCache(), OpeningTree::kWriteFailed);
  EXPECT_EQ(services_.CallsStartingWith("Status: Write Cache error").size(), 1u);
  EXPECT_EQ(tree.CachedCount(), waiting);
  EXPECT_EQ(Bytes(folder_.Path() / "full.ctg"), ctg);
  // Switching the cache off fails the same way and keeps it, naming what waits.
  EXPECT_EQ(tree.DisableCache(), OpeningTree::kWriteFailed);
  EXPECT_TRUE(tree.HasCache());
  EXPECT_EQ(services_.CallsStartingWith("Log: ").size(), 1u);

  // The index cannot be read: the run stops at once and keeps every entry.
  free = 1 << 20;
  const std::string cto = Bytes(folder_.Path() / "full.cto");
  ASSERT_EQ(truncate((folder_.Path() / "full.cto").c_str(), 16), 0);
  EXPECT_EQ(tree.WriteCache(), OpeningTree::kWriteFailed);
  EXPECT_EQ(tree.CachedCount(), waiting);
  std::ofstream(folder_.Path() / "full.cto", std::ios::binary) << cto;

  EXPECT_EQ(tree.DisableCache(), 0);
  EXPECT_FALSE(tree.HasCache());
  EXPECT_EQ(RecordSet(tree), RecordSet(direct));
}

// An event pump that runs a step while the tree's job lets events through.
class PumpingApp final : public AppService {
 public:
  std::function<void()> onEvent;
  int pending = 0;
  void SetWaitCursor(bool) override {}
  void Reschedule() override {
    --pending;
    if (onEvent) onEvent();
  }
  bool IsInputPending() override { return pending > 0; }
  bool BeginProcess(std::string_view) override { return true; }
  void EndProcess() override {}
  bool ProcessShouldStop() override { return false; }
};

TEST_F(TreeGamesTest, ATreeLettingEventsRunRefusesOtherWrites) {
  const std::vector<TQGame> games = RandomGames(200, 40, false);
  OpeningTree tree(Base("busy"));
  PumpingApp app;
  int refused = 0;
  app.onEvent = [&] {
    EXPECT_TRUE(tree.IsBusy());
    const Position p;
    if (tree.AddPosition(p, nullptr) == OpeningTree::kBusy) ++refused;
    if (tree.WriteCache() == OpeningTree::kBusy) ++refused;
    const uint8_t z[2] = {0, 9};
    if (tree.SetZelko(p, z) == OpeningTree::kBusy) ++refused;
  };
  ScopedServices installed(Services{.app = &app});
  AddAll(tree, games, false, true);
  ASSERT_GT(tree.CachedCount(), 5000u);
  app.pending = 1;
  ASSERT_EQ(tree.WriteCache(), 0);
  EXPECT_EQ(refused, 3);
  EXPECT_FALSE(tree.IsBusy());
  OpeningTree direct(Base("direct"));
  AddAll(direct, games, false, false);
  EXPECT_EQ(RecordSet(tree), RecordSet(direct));
}

TEST_F(TreeGamesTest, MergingIntoAnEmptyTreeReproducesEveryRecord) {
  const std::vector<TQGame> games = RandomGames(200, 500, true);
  OpeningTree source(Base("source"));
  AddAll(source, games, true, false);
  TreePageFile& pages = source.Files().Pages();
  ASSERT_EQ(pages.ReadPage(0), 0);
  ASSERT_GT(TreePageRecords::Count(pages.Buffer()), 0u);
  ASSERT_GT(pages.PageCount(), 10u);
  OpeningTree target(Base("target"));
  ASSERT_EQ(target.MergeTree(source), 0);
  EXPECT_EQ(RecordSet(target), RecordSet(source));
  EXPECT_EQ(target.Files().Pages().PositionCount(), pages.PositionCount());
}

TEST_F(TreeGamesTest, MergingTwoTreesEqualsTheTreeOfBothSetsOfGames) {
  const std::vector<TQGame> a = RandomGames(150, 800, false);
  const std::vector<TQGame> b = RandomGames(150, 850, false);  // overlaps a
  OpeningTree treeA(Base("a"));
  AddAll(treeA, a, false, false);
  OpeningTree treeB(Base("b"));
  AddAll(treeB, b, false, false);
  OpeningTree both(Base("both"));
  AddAll(both, a, false, false);
  AddAll(both, b, false, false);
  ASSERT_EQ(treeA.MergeTree(treeB), 0);
  EXPECT_EQ(RecordSet(treeA), RecordSet(both));
}

TEST_F(TreeGamesTest, ATreeIsNeverMergedIntoItself) {
  const std::vector<TQGame> games = RandomGames(30, 1, true);
  {
    OpeningTree tree(Base("self"));
    AddAll(tree, games, true, false);
  }
  for (const char* e : {"ctg", "ctb", "cto"})
    std::filesystem::create_symlink(folder_.Path() / (std::string("self.") + e),
                                    folder_.Path() / (std::string("alias.") + e));
  const std::string ctg = Bytes(folder_.Path() / "self.ctg");
  {
    OpeningTree tree(Base("self"));
    EXPECT_EQ(tree.MergeTree(tree), OpeningTree::kSameTree);
    OpeningTree alias(Base("alias"));
    EXPECT_EQ(tree.MergeTree(alias), OpeningTree::kSameTree);
  }
  EXPECT_EQ(Bytes(folder_.Path() / "self.ctg"), ctg);
}

}  // namespace
}  // namespace zh

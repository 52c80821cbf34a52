// A PGN database imported into trees against pgn-extract: the statistics of every
// position within the ply limit equal counts made from pgn-extract's FENs, and the
// cache gives the records that single writes give, with variations or without.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "books/learning/tree_learning.h"
#include "books/tree/opening_tree.h"
#include "books/tree/pgn_replay.h"
#include "books/tree/tree_games_util.h"
#include "books/tree/tree_test_util.h"
#include "database/pgn/pgn_database.h"
#include "support/pgn_corpus.h"
#include "support/recording_services.h"

namespace zh {
namespace {

using test::RecordSet;
using test::ScratchFolder;

constexpr int kGames = 5000;
constexpr int kLength = 30;

class TreeImportReferenceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new ScratchFolder;
    const std::string coordinates = (folder_->Path() / "coordinates.pgn").string();
    ASSERT_TRUE(test::WritePgnCorpus(ZH_PGN_EXTRACT, coordinates, Pgn() + ".pgn", kGames, 51,
                                     false));
  }
  static void TearDownTestSuite() { delete folder_; }
  static std::string Pgn() { return (folder_->Path() / "games").string(); }

  // The tree written game by game through single writes.
  void Direct(OpeningTree& tree, PgnDatabase& db, bool variations) {
    tree.includeVariations = variations;
    tree.plyLimit = kLength;
    for (int i = 1; i <= db.GetCount(); ++i) {
      TQGame game;
      if (db.ReadGame(i, game, false) != 0) continue;
      ASSERT_EQ(tree.AddGameToTree(game), 0) << i;
    }
  }

  TreeSettings Settings(bool variations) {
    TreeSettings s;
    s.length = kLength;
    s.ecoLength = false;
    s.inclVars = variations;
    return s;
  }

  test::RecordingServices services_;
  ScratchFolder scratch_;
  static ScratchFolder* folder_;
};

ScratchFolder* TreeImportReferenceTest::folder_ = nullptr;

TEST_F(TreeImportReferenceTest, StatisticsEqualCountsFromPgnExtractsPositions) {
  const std::string replay = test::RunCommand(
      std::string(ZH_PGN_EXTRACT) + " -Wuci --fencomments -V -C -N --quiet -w2000 " + Pgn() +
      ".pgn 2>/dev/null");
  const std::vector<test::ReplayedGame> games = test::ParseReplay(replay);
  ASSERT_EQ(games.size(), static_cast<size_t>(kGames));
  struct Tally {
    uint32_t games = 0, whiteWins = 0, blackWins = 0, draws = 0;
  };
  std::map<std::string, Tally> tallies;
  for (const test::ReplayedGame& game : games) {
    for (size_t ply = 0; ply < game.fens.size() && ply <= kLength; ++ply) {
      const test::TextKey k = test::NormalKey(game.fens[ply]);
      if (k.key.empty()) continue;
      Tally& t = tallies[k.key];
      ++t.games;
      if (game.result == "1/2-1/2") ++t.draws;
      if (game.result == "1-0") ++(k.mirrored ? t.blackWins : t.whiteWins);
      if (game.result == "0-1") ++(k.mirrored ? t.whiteWins : t.blackWins);
    }
  }

  PgnDatabase db(Pgn(), false, false);
  ASSERT_EQ(db.ErrorState(), 0);
  ASSERT_EQ(db.GetCount(), kGames);
  OpeningTree tree(scratch_.Base());
  NullTreeViews views;
  ASSERT_EQ(AddDatabaseToTree(tree, views, db, 1, kGames, Settings(false)), 0);
  EXPECT_EQ(tree.Files().Pages().GameCount(), static_cast<uint32_t>(kGames));

  size_t compared = 0;
  for (const test::ReplayedGame& game : games) {
    for (size_t ply = 0; ply < game.fens.size() && ply <= kLength; ++ply) {
      const test::TextKey k = test::NormalKey(game.fens[ply]);
      if (k.key.empty()) continue;
      const Tally& t = tallies[k.key];
      StatisticItem s;
      ASSERT_TRUE(tree.FindPosition(test::FromFen(game.fens[ply]), &s)) << game.fens[ply];
      EXPECT_EQ(s.games, t.games) << game.fens[ply];
      EXPECT_EQ(s.whiteWins, k.mirrored ? t.blackWins : t.whiteWins) << game.fens[ply];
      EXPECT_EQ(s.blackWins, k.mirrored ? t.whiteWins : t.blackWins) << game.fens[ply];
      EXPECT_EQ(s.draws, t.draws) << game.fens[ply];
      ++compared;
    }
  }
  EXPECT_GT(compared, 100'000u);
}

TEST_F(TreeImportReferenceTest, TheCacheGivesTheRecordsOfSingleWrites) {
  PgnDatabase db(Pgn(), false, false);
  ASSERT_EQ(db.ErrorState(), 0);
  NullTreeViews views;
  for (const bool variations : {false, true}) {
    const std::string tag = variations ? "-v" : "-n";
    OpeningTree direct(scratch_.Base() + "direct" + tag);
    Direct(direct, db, variations);
    const auto expected = RecordSet(direct);

    OpeningTree cached(scratch_.Base() + "cached" + tag);
    ASSERT_EQ(AddDatabaseToTree(cached, views, db, 1, kGames, Settings(variations)), 0);
    EXPECT_EQ(RecordSet(cached), expected) << tag;

    if (!variations) continue;
    // A cache a twentieth of the positions written flushes twenty times or more.
    OpeningTree small(scratch_.Base() + "small" + tag);
    int flushes = 0;
    small.memoryBudget = [&](uint32_t) {
      return uint64_t{direct.Files().Pages().PositionCount() / 20} * 44;
    };
    small.freeDiskSpaceKB = [&](const std::filesystem::path&) {
      ++flushes;
      return uint64_t{1} << 30;
    };
    ASSERT_EQ(AddDatabaseToTree(small, views, db, 1, kGames, Settings(variations)), 0);
    EXPECT_GE(flushes, 20);
    EXPECT_EQ(RecordSet(small), expected);
  }
}

}  // namespace
}  // namespace zh

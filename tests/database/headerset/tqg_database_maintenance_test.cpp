// Maintenance through the header-set database: kept list, sort and reorganisation
// on a set made by the database itself, and the names of new media files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/temp_dir.h"
#include "database/game/game_item.h"
#include "database/headerset/tqg_database.h"
#include "database/game_test_util.h"
#include "database/random_trees.h"
#include "support/recording_services.h"

namespace zh {
namespace {

namespace fs = std::filesystem;

TEST(TqgDatabaseMaintenance, CollectSortAndReorganiseKeepEveryItemThatIsNotDeleted) {
  test::RecordingServices services;
  test::TempDir dir;
  const std::string base = (dir / "db").string();
  std::vector<std::string> games;
  {
    TqgDatabase db(base, true);
    ASSERT_EQ(db.ErrorState(), 0);
    for (int i = 0; i < 12; ++i) {
      TQGame game;
      test::RandomTreeOptions options;
      options.mainLength = 20;
      test::GrowRandomGame(game, static_cast<uint32_t>(i), options);
      game.header.white = TQPlayer("Player" + std::to_string(i % 4), "");
      int16_t round = 0, sub = 0;
      game.header.tournament = TQTournament("Event" + std::to_string(i % 3), 1990 + i % 2, round, sub);
      ASSERT_EQ(db.AppendGame(game), 0);
      games.push_back(test::DumpTree(game));
    }
    for (int n : {2, 5, 9}) ASSERT_EQ(db.SetDeleted(n, true), 0);
    std::vector<int32_t> kept;
    PathList media;
    ASSERT_EQ(db.CollectDeleted(kept, media), 0);
    EXPECT_EQ(kept.size(), 9u);
    EXPECT_EQ(media.Count(), 0);
    // Run files of a killed sort are removed by the next maintenance call.
    std::ofstream(dir / "__TMP$SORT.99.1") << "left behind";
    std::ofstream(dir / "temp.0") << "a user's file";
    const auto order = db.Sort(1);
    EXPECT_FALSE(fs::exists(dir / "__TMP$SORT.99.1"));
    EXPECT_TRUE(fs::exists(dir / "temp.0"));
    ASSERT_TRUE(order);
    EXPECT_EQ(order->size(), 12u);
    ASSERT_EQ(db.ReorganiseItems(kept), 0);
  }
  TqgDatabase db(base, false);
  ASSERT_EQ(db.ErrorState(), 0);
  ASSERT_EQ(db.GetCount(), 9);
  int m = 1;
  for (int n = 1; n <= 12; ++n) {
    if (n == 2 || n == 5 || n == 9) continue;
    TQGame back;
    ASSERT_EQ(db.ReadGame(m, back, false), 0) << m;
    EXPECT_EQ(test::DumpTree(back), games[static_cast<size_t>(n - 1)]) << n;
    ++m;
  }
  EXPECT_EQ(db.TournamentEdge(1, 1), 1);
  for (const auto& e : fs::directory_iterator(dir.Path()))
    EXPECT_NE(e.path().filename().string().rfind("__TMP$", 0), 0u);
}

TEST(TqgDatabaseMaintenance, NewMediaNamesSkipFilesInUse) {
  test::TempDir dir;
  TqgDatabase db((dir / "db").string(), true);
  std::string path, name;
  ASSERT_TRUE(db.LocateMediaFile(path, name, TqgDatabase::kPicture));
  for (int i = 0; i < 7; ++i) ASSERT_EQ(db.CountMediaObject(TqgDatabase::kPicture), 0);
  std::ofstream(dir / "db.bmp" / "7.bmp") << "a user's picture";
  ASSERT_TRUE(db.LocateMediaFile(path, name, TqgDatabase::kPicture));
  EXPECT_EQ(name, "8");
  EXPECT_EQ(path, (dir / "db.bmp" / "8.bmp").string());
}

}  // namespace
}  // namespace zh

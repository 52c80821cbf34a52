// Keys and boosters of a file database, opened by kind over real key files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/temp_dir.h"
#include "database/game/game_cursor.h"
#include "database/game/game_item.h"
#include "database/keys/key_file.h"
#include "database/keys/position_tree.h"
#include "database/keys/search_booster.h"
#include "database/headerset/tqg_database.h"
#include "database/game_test_util.h"
#include "database/memory_database.h"
#include "support/recording_services.h"

namespace zh {
namespace {

using test::MemoryDatabase;

class FileDatabaseKeys : public ::testing::Test {
 protected:
  FileDatabaseKeys() { services.settings.keyNodeCacheLimit = 100; }
  std::string Base() const { return (dir / "games").string(); }

  // An openings key with one entry per line, filed under the line's last position.
  std::vector<uint32_t> MakeOpeningsKey(const std::vector<std::string>& lines) {
    KeyFile key(Base(), true, KeyFile::kWriteBack, 4);
    PositionTree tree(Base(), true, 2, 4);
    std::vector<uint32_t> entries;
    for (const std::string& line : lines) {
      uint32_t entry, node;
      EXPECT_EQ(key.AddEntry(0, line, entry), 0);
      TQGame game;
      GameCursor cursor(&game);
      test::Enter(cursor, line);
      EXPECT_EQ(tree.AddPosition(cursor.GetPosition().board, static_cast<int32_t>(entry), node), 0);
      entries.push_back(entry);
    }
    return entries;
  }

  std::vector<uint32_t> Items(KeyFile& key, uint32_t entry) {
    std::vector<uint32_t> items;
    EXPECT_EQ(key.ReadItems(entry, items), 0);
    return items;
  }

  test::TempDir dir;
  test::RecordingServices services;
};

TEST_F(FileDatabaseKeys, OpensKeysByKind) {
  MemoryDatabase db(Base());
  EXPECT_EQ(db.OpenKey(256), kDbNotSupported);  // a key kind the database does not keep
  EXPECT_EQ(db.OpenKey(0x200000), PagedFile::kMissing);
  EXPECT_EQ(db.Key(0x200000), nullptr);
  { KeyFile made(Base(), true, KeyFile::kWriteBack, 0x200000); }
  EXPECT_FALSE(db.EnsureKeyOpen(0x200000));  // the mask companion .cpn is missing
  std::ofstream(dir / "games.cpn").put('\0');
  EXPECT_TRUE(db.EnsureKeyOpen(0x200000));
  ASSERT_NE(db.Key(0x200000), nullptr);
  EXPECT_EQ(db.Key(0x200000)->Path(), Base() + ".ckn");
  EXPECT_EQ(db.CloseKey(0x200000), 0);  // only the openings key closes
  EXPECT_NE(db.Key(0x200000), nullptr);

  MemoryDatabase pgn(Base(), TQFileDatabase::kPgn);
  EXPECT_FALSE(pgn.EnsureKeyOpen(0x200000));
}

TEST_F(FileDatabaseKeys, UsableOpeningsKeyNeedsEntries) {
  MemoryDatabase db(Base());
  db.keysSupported = true;
  EXPECT_EQ(db.GetUsableKeys(4), 0);  // no .cko
  { KeyFile empty(Base(), true, KeyFile::kWriteBack, 4); PositionTree tree(Base(), true, 2, 4); }
  EXPECT_EQ(db.GetUsableKeys(4), 0);  // the root alone
  EXPECT_NE(db.Key(4), nullptr);
  db.CloseKey(4);
  std::filesystem::remove(dir / "games.cko");
  std::filesystem::remove(dir / "games.cpo");
  MakeOpeningsKey({"e2e4"});
  EXPECT_EQ(db.GetUsableKeys(4), 4);
  EXPECT_EQ(db.GetUsableKeys(16), 0);
  EXPECT_EQ(db.CloseKey(4), 0);
  EXPECT_EQ(db.Key(4), nullptr);
  EXPECT_EQ(db.OpeningsIndex(), nullptr);

  MemoryDatabase pgn(Base(), TQFileDatabase::kPgn);
  EXPECT_EQ(pgn.GetUsableKeys(4), 0);
}

TEST_F(FileDatabaseKeys, ClassifiesUnderTheDeepestKnownPosition) {
  MemoryDatabase db(Base());
  TQGame game;
  EXPECT_EQ(db.ClassifyGame(game, 1), -100);
  const auto entries = MakeOpeningsKey({"e2e4", "e2e4 c7c5", "d2d4 g8f6"});
  ASSERT_EQ(db.OpenKey(4), 0);
  EXPECT_EQ(db.KeyIndexPlies(), 600);

  struct Case {
    const char* moves;
    int game;
    int result;
    int entry;  // index into entries, -1 none
  } cases[] = {
      {"e2e4 c7c5 g1f3 d7d6", 3, 0, 1},
      {"e2e4 e7e5", 5, 0, 0},
      {"e2e4 c7c5", 2, 0, 1},
      {"a2a3 a7a6", 4, 1, -1},
      {"d2d4 g8f6 c2c4", 7, 0, 2},
  };
  for (const Case& c : cases) {
    TQGame g;
    GameCursor cursor(&g);
    test::Enter(cursor, c.moves);
    EXPECT_EQ(db.ClassifyGame(g, c.game), c.result) << c.moves;
    GameCursor again(&g);
    EXPECT_EQ(db.FindKeyEntry(again), c.entry < 0 ? kNoKeyEntry : static_cast<int>(entries[c.entry]))
        << c.moves;
  }
  KeyFile& key = *db.Key(4);
  EXPECT_EQ(Items(key, entries[0]), (std::vector<uint32_t>{5}));
  EXPECT_EQ(Items(key, entries[1]), (std::vector<uint32_t>{2, 3}));
  // From a ply of the cursor's line: after 1.e4 c5 2.Nf3 taken at ply 1.
  TQGame g;
  GameCursor cursor(&g);
  test::Enter(cursor, "e2e4 c7c5 g1f3");
  EXPECT_EQ(db.ClassifyGame(cursor, 1, 9), 0);
  EXPECT_EQ(Items(key, entries[0]), (std::vector<uint32_t>{5, 9}));

  // The games are in the file once the database lets the key go.
  db.CloseKey(4);
  KeyFile reread(Base(), false, KeyFile::kNoCache, 4);
  EXPECT_EQ(Items(reread, entries[1]), (std::vector<uint32_t>{2, 3}));
}

TEST_F(FileDatabaseKeys, RenumbersEveryKeyAfterAReorganisation) {
  MemoryDatabase db(Base());
  for (int i = 0; i < 5; ++i) db.AddGame("Player, A");
  const auto entries = MakeOpeningsKey({"e2e4"});
  uint32_t theme;
  {
    KeyFile key(Base(), false, KeyFile::kWriteBack, 4);
    for (uint32_t n : {1, 2, 4, 5}) ASSERT_EQ(key.AddToKey(entries[0], n, 1), 0);
    KeyFile themes(Base(), true, KeyFile::kWriteBack, 0x400000);
    ASSERT_EQ(themes.AddEntry(0, "Attack", theme), 0);
    for (uint32_t n : {2, 3, 5}) ASSERT_EQ(themes.AddToKey(theme, n, 1), 0);
  }
  // Items 2 and 4 (indexes 1 and 3) go.
  EXPECT_EQ(db.RenumberKeys({0, 2, 4}), 0);
  EXPECT_EQ(services.CallsStartingWith("Status"),
            (std::vector<std::string>{"Status: Rebuild openings key", "Status: Rebuild strategy key"}));
  EXPECT_EQ(Items(*db.Key(4), entries[0]), (std::vector<uint32_t>{1, 3}));
  EXPECT_EQ(Items(*db.Key(0x400000), theme), (std::vector<uint32_t>{2, 3}));
}

// In a header set the filing is one transaction of the set: committed with the key's
// nodes written back, no journal left.
TEST_F(FileDatabaseKeys, HeaderSetFilesGamesInTransactions) {
  const auto entries = MakeOpeningsKey({"e2e4", "d2d4"});
  TqgDatabase db(Base(), true);
  ASSERT_EQ(db.ErrorState(), 0);
  EXPECT_EQ(db.GetUsableKeys(4), 4);
  TQGame game;
  GameCursor cursor(&game);
  test::Enter(cursor, "d2d4 d7d5");
  ASSERT_EQ(db.AppendGame(game), 0);
  EXPECT_EQ(db.ClassifyGame(game, 1), 0);
  EXPECT_FALSE(std::filesystem::exists(dir / "games.tqj"));
  db.CloseKey(4);  // the files are opened exclusively
  KeyFile reread(Base(), false, KeyFile::kNoCache, 4);
  EXPECT_EQ(Items(reread, entries[1]), (std::vector<uint32_t>{1}));
}

TEST_F(FileDatabaseKeys, BoostersOpenByFormat) {
  MemoryDatabase db(Base());
  EXPECT_EQ(db.OpenSearchBooster(false), kDbBoosterError);
  EXPECT_EQ(db.GetSearchBooster(), nullptr);
  EXPECT_EQ(db.OpenSearchBooster(true), 0);
  EXPECT_TRUE(std::filesystem::exists(dir / "games.tqb"));
  EXPECT_EQ(db.GetSearchBooster()->Kind(), SearchBooster::kScanKind);
  EXPECT_EQ(db.OpenOpeningsBooster(false), kDbBoosterError);
  EXPECT_EQ(db.OpenOpeningsBooster(true), 0);
  EXPECT_TRUE(db.GetOpeningsBooster()->IsUsable());

  MemoryDatabase old((dir / "old").string(), TQFileDatabase::kOldFormat);
  EXPECT_EQ(old.OpenSearchBooster(true), 0);
  EXPECT_TRUE(std::filesystem::exists(dir / "old.cgi"));
  EXPECT_EQ(old.OpenOpeningsBooster(true), kDbBoosterError);  // header sets only

  // A file of another format is refused.
  std::ofstream(dir / "bad.tqb") << "not a booster";
  MemoryDatabase bad((dir / "bad").string());
  EXPECT_EQ(bad.OpenSearchBooster(false), kDbBoosterError);
}

}  // namespace
}  // namespace zh

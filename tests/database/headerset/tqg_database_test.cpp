// The header-set database: games and texts appended, read back after reopening, the
// record toggles, media paths, a change that fails late leaving every file as it
// was, extensions found in any case, and the manager opening real sets.
#include "database/headerset/tqg_database.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/temp_dir.h"
#include "database/game/annotation_set.h"
#include "database/database_manager.h"
#include "database/storage/game_file.h"
#include "database/storage/header_file.h"
#include "database/headerset/header_library.h"
#include "database/random_trees.h"
#include "support/file_bytes.h"
#include "support/recording_services.h"

namespace zh {
namespace {

namespace fs = std::filesystem;

// Every file of the set, by file name, with its bytes.
std::map<std::string, std::vector<uint8_t>> SetBytes(const fs::path& folder) {
  std::map<std::string, std::vector<uint8_t>> out;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.is_regular_file())
      out[entry.path().filename().string()] = test::FileBytes(entry.path());
  return out;
}

TQGame RandomGame(uint32_t seed, bool annotations) {
  TQGame game;
  test::RandomTreeOptions options;
  options.mainLength = 30;
  options.annotations = annotations;
  test::GrowRandomGame(game, seed, options);
  if (annotations) {
    std::mt19937 rng(seed);
    test::AddRandomAnnotations(*game.body.GetGameAnnotations(), rng);
  }
  game.header.white = TQPlayer("Müller", "Jürgen " + std::to_string(seed % 3));
  game.header.black = TQPlayer("Ødegaard", "");
  game.header.SetWhiteElo(2000 + static_cast<int>(seed));
  return game;
}

TQTextItem Text(const std::string& title, const std::string& body) {
  TQTextItem item;
  item.header.record = HeaderRecord::Text();
  item.SetTitle(0, title);
  item.SetFormattedText(0, body);
  return item;
}

TEST(TqgDatabase, GamesAndTextsReadBackAfterReopening) {
  test::TempDir dir;
  test::RecordingServices services;
  const std::string base = (dir / "games").string();
  std::vector<std::string> dumps;
  {
    TqgDatabase db(base, true);
    ASSERT_EQ(db.ErrorState(), 0);
    for (uint32_t i = 0; i < 12; ++i) {
      TQGame game = RandomGame(i, i % 3 == 0);
      ASSERT_EQ(db.AppendGame(game), 0);
      EXPECT_EQ(game.number, static_cast<int>(i + 1));
      EXPECT_EQ(game.database, &db);
      dumps.push_back(test::DumpBody(game.body));
    }
    TQTextItem text = Text("Round one", "Some text");
    ASSERT_EQ(db.AppendText(text), 0);
    EXPECT_EQ(text.number, 13);
  }
  for (const char* ext : {"tqg", "tqh", "tqa", "tqp", "tqt", "tqc", "tqs"})
    EXPECT_TRUE(fs::exists(dir / ("games." + std::string(ext)))) << ext;
  EXPECT_FALSE(fs::exists(dir / "games.tqj"));

  TqgDatabase db(base, false);
  ASSERT_EQ(db.ErrorState(), 0);
  ASSERT_EQ(db.GetCount(), 13);
  for (int n = 1; n <= 12; ++n) {
    TQGame game;
    ASSERT_EQ(db.ReadGame(n, game, false), 0) << n;
    EXPECT_EQ(test::DumpBody(game.body), dumps[static_cast<size_t>(n - 1)]) << n;
    EXPECT_EQ(game.header.white.LastName(), "Müller");
    EXPECT_EQ(game.header.black.LastName(), "Ødegaard");
    EXPECT_EQ(game.header.GetWhiteElo(), 2000 + n - 1);
    EXPECT_EQ(game.number, n);
    EXPECT_EQ(db.GetItemKind(n), 1);
  }
  EXPECT_EQ(db.Players()->Count(), 4) << "three Müllers and one Ødegaard";
  EXPECT_EQ(db.Players()->GetGameCount(static_cast<int32_t>([&] {
              GameHeader h;
              db.ReadHeaderRecord(1, h);
              return h.record.black;
            }())),
            12);
  GameHeader header;
  ASSERT_EQ(db.ReadHeader(13, header), 0);
  EXPECT_EQ(header.text, "Round one");
  TQTextItem text;
  ASSERT_EQ(db.ReadText(13, text), 0);
  EXPECT_EQ(text.FormattedText(0), "Some text");
  EXPECT_EQ(db.GetItemKind(13), 3);
  EXPECT_EQ(db.GetItemKind(14), 5);
  TQGame none;
  EXPECT_NE(db.ReadGame(14, none, false), 0);
  EXPECT_NE(db.ReadGame(0, none, false), 0);
}

TEST(TqgDatabase, RecordTogglesAndMediaCounters) {
  test::TempDir dir;
  TqgDatabase db((dir / "db").string(), true);
  for (uint32_t i = 0; i < 2; ++i) {
    TQGame game = RandomGame(i, false);
    ASSERT_EQ(db.AppendGame(game), 0);
  }
  TQTextItem text = Text("t", "x");
  ASSERT_EQ(db.AppendText(text), 0);
  auto record = [&](int n) {
    GameHeader h;
    EXPECT_EQ(db.ReadHeaderRecord(n, h), 0);
    return h.record;
  };
  ASSERT_EQ(db.SetDeleted(1, true), 0);
  EXPECT_TRUE(record(1).IsDeleted());
  EXPECT_EQ(db.GetItemKind(1), 1);
  ASSERT_EQ(db.ToggleDeleted(1), 0);
  EXPECT_FALSE(record(1).IsDeleted());
  ASSERT_EQ(db.ToggleMark(2), 0);
  EXPECT_EQ(record(2).medals & 0x8000, 0x8000);
  ASSERT_EQ(db.ToggleMark(3), 0) << "a text is written unchanged";
  EXPECT_EQ(record(3).type, kTextRecord);
  EXPECT_EQ(db.SetDeleted(4, true), kDbReadError);

  std::string path, name;
  ASSERT_TRUE(db.LocateMediaFile(path, name, TqgDatabase::kPicture));
  EXPECT_TRUE(fs::is_directory(dir / "db.bmp"));
  EXPECT_EQ(name, "0");
  EXPECT_EQ(path, (dir / "db.bmp" / "0.bmp").string());
  ASSERT_EQ(db.CountMediaObject(TqgDatabase::kPicture), 0);
  ASSERT_TRUE(db.LocateMediaFile(path, name, TqgDatabase::kPicture));
  EXPECT_EQ(name, "1");
  EXPECT_EQ(db.MediaFilePath("7", TqgDatabase::kVideo), (dir / "db.avi" / "7.avi").string());
  EXPECT_EQ(db.MediaFilePath("7", 3), (dir / "db.wav" / "7.wav").string());
  EXPECT_NE(db.CountMediaObject(3), 0);
  EXPECT_EQ(db.EstimateSize(1000000), 220000000);

  db.FlushAll();
  int64_t onDisk = 0;
  for (const char* ext : {"tqg", "tqh", "tqa", "tqp", "tqt", "tqc", "tqs"})
    onDisk += static_cast<int64_t>(fs::file_size(dir / ("db." + std::string(ext))));
  EXPECT_EQ(db.TotalFileSize(), onDisk);
  EXPECT_EQ(db.GetAccess(), 3);
}

// A change that fails once its data is in the files is rolled back whole, and the
// database goes on from the restored files.
TEST(TqgDatabase, AFailedChangeLeavesEveryFileAsItWas) {
  test::TempDir dir;
  test::RecordingServices services;
  TqgDatabase db((dir / "db").string(), true);
  TQGame first = RandomGame(1, true);
  ASSERT_EQ(db.AppendGame(first), 0);
  const auto before = SetBytes(dir.Path());

  db.faultHook = [](std::string_view step) { return step == "names" ? 11 : 0; };
  TQGame second = RandomGame(2, true);
  second.header.white = TQPlayer("Newcomer", "");
  EXPECT_EQ(db.AppendGame(second), 11);
  EXPECT_EQ(SetBytes(dir.Path()), before);
  EXPECT_EQ(db.GetCount(), 1);

  TQGame third = RandomGame(3, true);
  EXPECT_EQ(db.ReplaceGame(1, third), 11);
  EXPECT_EQ(SetBytes(dir.Path()), before);

  db.faultHook = nullptr;
  ASSERT_EQ(db.AppendGame(second), 0);
  EXPECT_EQ(db.GetCount(), 2);
  TQGame back;
  ASSERT_EQ(db.ReadGame(2, back, false), 0);
  EXPECT_EQ(test::DumpBody(back.body), test::DumpBody(second.body));
  int32_t entry = -1;
  EXPECT_EQ(db.Players()->Find(TQPlayer("Newcomer", ""), entry), 0);
  EXPECT_EQ(db.Players()->GetGameCount(entry), 1);
}

// In an update the changes wait in one transaction until 1,000 have gathered or the
// update ends; a failure inside it rolls back to the last commit.
TEST(TqgDatabase, AnUpdateCommitsInBatches) {
  test::TempDir dir;
  test::RecordingServices services;
  TqgDatabase db((dir / "db").string(), true);
  TqgDatabase other((dir / "other").string(), true);
  const fs::path journal = dir / "db.tqj";
  ASSERT_EQ(db.CheckDiskSpace(other, 10), 0);
  TQGame game = RandomGame(1, false);
  for (int i = 1; i < TqgDatabase::kBatchSize; ++i) ASSERT_EQ(db.AppendGame(game), 0);
  EXPECT_TRUE(fs::exists(journal)) << "999 changes wait";
  ASSERT_EQ(db.AppendGame(game), 0);
  EXPECT_FALSE(fs::exists(journal)) << "the 1,000th commits";
  ASSERT_EQ(db.AppendGame(game), 0);
  db.faultHook = [](std::string_view step) { return step == "names" ? 11 : 0; };
  EXPECT_EQ(db.AppendGame(game), 11);
  db.faultHook = nullptr;
  EXPECT_EQ(db.GetCount(), TqgDatabase::kBatchSize) << "back to the last commit";
  ASSERT_EQ(db.AppendGame(game), 0);
  db.EndUpdate();
  EXPECT_FALSE(fs::exists(journal));
  EXPECT_FALSE(db.IsUpdating());
  EXPECT_EQ(db.GetCount(), TqgDatabase::kBatchSize + 1);
  TQGame back;
  ASSERT_EQ(db.ReadGame(db.GetCount(), back, false), 0);
  EXPECT_EQ(test::DumpBody(back.body), test::DumpBody(game.body));
}

TEST(TqgDatabase, ExtensionsAreFoundInAnyCaseAndLeftoversRemoved) {
  test::TempDir dir;
  const std::string base = (dir / "db").string();
  {
    TqgDatabase db(base, true);
    TQGame game = RandomGame(5, false);
    ASSERT_EQ(db.AppendGame(game), 0);
  }
  for (const char* ext : {"tqg", "tqh", "tqa"}) {
    std::string upper = ext;
    for (char& c : upper) c = static_cast<char>(std::toupper(c));
    fs::rename(dir / ("db." + std::string(ext)), dir / ("db." + upper));
  }
  test::WriteFileBytes(dir / "db.cyg", {1, 2, 3});
  TqgDatabase db(base, false);
  ASSERT_EQ(db.ErrorState(), 0);
  EXPECT_EQ(db.GetCount(), 1);
  EXPECT_EQ(db.GetFilePath(), (dir / "db.TQH").string());
  EXPECT_FALSE(fs::exists(dir / "db.cyg"));
  EXPECT_FALSE(fs::exists(dir / "db.tqg")) << "nothing made beside the upper-case file";

  EXPECT_NE(TqgDatabase((dir / "missing").string(), false).ErrorState(), 0);
}

TEST(TqgDatabase, TheManagerSharesOneObjectPerSet) {
  test::TempDir dir;
  const fs::path folder = fs::weakly_canonical(dir.Path());
  for (int i = 0; i < 41; ++i) TqgDatabase((folder / ("db" + std::to_string(i))).string(), true);

  DatabaseManager manager;
  std::vector<int> countsSeen;
  manager.AddReleaseObserver([&](Database& d) { countsSeen.push_back(d.GetCount()); });
  TQFileDatabase* a = manager.Open((folder / "db0.tqh").string(), 0);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(a->AsTqgDatabase(), nullptr);
  EXPECT_EQ(manager.Open((folder / "db0.tqg").string(), 0), a);
  EXPECT_EQ(manager.Open(fs::relative(folder / "db0.tqh").string(), 0), a);
  EXPECT_EQ(manager.UseCount(a), 3);
  EXPECT_EQ(manager.Open((folder / "nothing.tqh").string(), 0), nullptr);

  std::vector<TQFileDatabase*> open;
  for (int i = 1; i < 41; ++i) {
    open.push_back(manager.Open((folder / ("db" + std::to_string(i) + ".tqh")).string(), 0));
    ASSERT_NE(open.back(), nullptr) << i;
  }
  EXPECT_EQ(manager.OpenCount(), 41u);
  for (TQFileDatabase* d : open) EXPECT_TRUE(manager.Release(d));
  EXPECT_FALSE(manager.Release(a));
  EXPECT_FALSE(manager.Release(a));
  EXPECT_TRUE(manager.Release(a));
  EXPECT_EQ(manager.OpenCount(), 0u);
  EXPECT_EQ(countsSeen.size(), 41u) << "each database reached the observers before deletion";
}

}  // namespace
}  // namespace zh

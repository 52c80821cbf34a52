// A PGN file as a database: counting, appending, replacing, the requests a PGN
// database ignores, and files that cannot be written.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/toolbox/path_list.h"
#include "core/temp_dir.h"
#include "database/game/game_item.h"
#include "database/pgn/pgn_database.h"
#include "database/pgn/pgn_reader.h"
#include "support/file_bytes.h"
#include "support/pgn_corpus.h"
#include "support/recording_services.h"

namespace zh {
namespace {

namespace fs = std::filesystem;

std::string UciLine(PgnDatabase& db, int n) {
  TQGame game;
  EXPECT_EQ(db.ReadGame(n, game, false), kDbDone);
  std::string s;
  for (const GameMove& m : game.body.mainLine) {
    std::string t = m.LongText();
    t.erase(std::remove_if(t.begin(), t.end(),
                           [](char c) { return c == '-' || c == 'x' || std::isupper(c); }),
            t.end());
    s += (s.empty() ? "" : " ") + t;
  }
  return s;
}

class PgnDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = scratch_.Path();
    base_ = (dir_ / "games").string();
    std::ofstream(base_ + ".pgn", std::ios::binary)
        << "[Event \"one\"]\n\n1. e4 e5 *\n\n[Event \"two\"]\n\n1. d4 d5 2. c4 *\n\n[Event "
           "\"three\"]\n\n1. c4 *\n";
  }
  void TearDown() override { fs::permissions(dir_, fs::perms::owner_all); }

  static TQGame Game(const std::string& pgn) {
    TQGame game;
    ReadPgnGame(pgn, game, {"t", 1, false});
    return game;
  }

  test::RecordingServices services_;
  test::TempDir scratch_;
  fs::path dir_;
  std::string base_;
};

TEST_F(PgnDatabaseTest, AppendAndReplaceKeepTheOtherGames) {
  PgnDatabase db(base_, false);
  ASSERT_EQ(db.ErrorState(), 0);
  ASSERT_EQ(db.GetCount(), 3);
  TQGame added = Game("[Event \"four\"]\n1. Nf3 Nf6 2. g3 *");
  ASSERT_EQ(db.AppendGame(added), kDbDone);
  EXPECT_EQ(added.number, 4);
  ASSERT_EQ(db.GetCount(), 4);
  EXPECT_EQ(UciLine(db, 4), "g1f3 g8f6 g2g3");

  // Longer: the later games move by the growth and read back unchanged.
  FilePgn& file = *db.GetFile();
  const int64_t third = file.GetGameOffset(3), fourth = file.GetGameOffset(4);
  const int64_t oldSpan = file.GetGameOffset(3) - file.GetGameOffset(2);
  TQGame longer = Game("[Event \"two, longer\"]\n1. d4 d5 2. c4 e6 3. Nc3 Nf6 4. Bg5 Be7 *");
  ASSERT_EQ(db.ReplaceGame(2, longer), kDbDone);
  const int64_t growth = file.GetGameOffset(3) - file.GetGameOffset(2) - oldSpan;
  EXPECT_GT(growth, 0);
  EXPECT_EQ(file.GetGameOffset(3), third + growth);
  EXPECT_EQ(file.GetGameOffset(4), fourth + growth);
  EXPECT_EQ(UciLine(db, 3), "c2c4");
  EXPECT_EQ(UciLine(db, 4), "g1f3 g8f6 g2g3");

  // Shorter, then one past the last: pgn-extract reads the same five games.
  TQGame shorter = Game("[Event \"x\"]\n1. b3 *");
  ASSERT_EQ(db.ReplaceGame(2, shorter), kDbDone);
  ASSERT_EQ(db.ReplaceGame(5, shorter), kDbDone);
  ASSERT_EQ(db.GetCount(), 5);
  EXPECT_EQ(db.ReplaceGame(0, shorter), 1);
  const std::string uci = test::RunCommand(std::string(ZH_PGN_EXTRACT) +
                                           " -Wuci --quiet -s --nocomments " + base_ + ".pgn 2>&1");
  EXPECT_EQ(uci.find("Warning"), std::string::npos) << uci;
  size_t at = 0;
  for (int n = 1; n <= 5; ++n) {
    at = uci.find("\n\n", uci.find("[Event ", at));
    ASSERT_NE(at, std::string::npos) << uci;
    EXPECT_EQ(uci.substr(at + 2, uci.find(" *", at) - at - 2), UciLine(db, n)) << n;
  }
}

TEST_F(PgnDatabaseTest, MarksDeletionsAndSortsChangeNothing) {
  PgnDatabase db(base_, false);
  const auto before = test::FileBytes(base_ + ".pgn");
  EXPECT_EQ(db.SetDeleted(1, true), kDbDone);
  EXPECT_EQ(db.ToggleMark(2), kDbDone);
  EXPECT_EQ(db.ToggleDeleted(3), kDbDone);
  std::vector<int32_t> kept;
  PathList media;
  EXPECT_EQ(db.CollectDeleted(kept, media), kDbDone);
  EXPECT_FALSE(db.Sort(0));
  GameHeader header;
  ASSERT_EQ(db.ReadHeader(1, header), kDbDone);
  EXPECT_EQ(db.WriteHeader(1, header), kDbDone);
  EXPECT_FALSE(header.record.IsDeleted());
  EXPECT_EQ(test::FileBytes(base_ + ".pgn"), before);
  EXPECT_EQ(db.GetUsableKeys(4), 0);
  EXPECT_EQ(db.EstimateSize(3), 3072);
  EXPECT_EQ(db.TotalFileSize(), static_cast<int64_t>(before.size()));
}

// Another program reading the file holds a shared lock, so no write lock can be had;
// unlike permission bits this holds for root too. The file still opens for reading,
// and a writing request is refused without touching it.
TEST_F(PgnDatabaseTest, FileHeldByAnotherReaderOpensForReading) {
  const int holder = open((base_ + ".pgn").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(flock(holder, LOCK_SH | LOCK_NB), 0);
  const auto before = test::FileBytes(base_ + ".pgn");
  {
    PgnDatabase db(base_, false);
    ASSERT_EQ(db.ErrorState(), 0);
    EXPECT_EQ(db.GetAccess(), 1);
    EXPECT_EQ(db.GetCount(), 3);
    EXPECT_EQ(UciLine(db, 2), "d2d4 d7d5 c2c4");
    TQGame game = Game("1. e4 *");
    EXPECT_NE(db.AppendGame(game), kDbDone);
    EXPECT_EQ(db.GetCount(), 3);
  }
  EXPECT_EQ(test::FileBytes(base_ + ".pgn"), before);
  close(holder);
  // Without the holder it is writable again.
  PgnDatabase db(base_, false);
  EXPECT_EQ(db.GetAccess(), 3);
}

TEST_F(PgnDatabaseTest, FilesThatCannotBeWrittenOpenForReading) {
  fs::permissions(base_ + ".pgn", fs::perms::owner_read | fs::perms::group_read);
  fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
  PgnDatabase db(base_, false);
  ASSERT_EQ(db.ErrorState(), 0);
  EXPECT_EQ(db.GetCount(), 3);
  EXPECT_EQ(UciLine(db, 2), "d2d4 d7d5 c2c4");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);

  PgnDatabase reading(base_, false, false);
  ASSERT_EQ(reading.ErrorState(), 0);
  EXPECT_EQ(reading.GetAccess(), 1);
  TQGame game = Game("1. e4 *");
  EXPECT_EQ(reading.AppendGame(game), 1);
  EXPECT_EQ(reading.GetCount(), 3);

  PgnDatabase missing((dir_ / "none").string(), false);
  EXPECT_NE(missing.ErrorState(), 0);
  EXPECT_EQ(missing.GetCount(), 0);
}

}  // namespace
}  // namespace zh

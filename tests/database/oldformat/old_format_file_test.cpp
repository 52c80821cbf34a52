// The data file and index of the old single-file format.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "database/game/game_item.h"
#include "database/oldformat/old_format_file.h"
#include "database/pgn/pgn_file.h"
#include "database/pgn/pgn_reader.h"
#include "support/eco_lines.h"
#include "support/recording_services.h"

namespace zh {
namespace {

namespace fs = std::filesystem;

class OldFormatFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) / ("old_format_file_" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    base_ = (dir_ / "games").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_;
  std::string base_;
};

std::string Moves(const TQGame& game) {
  std::string s;
  for (const GameMove& m : game.body.mainLine) s += m.LongText() + " ";
  return s;
}

TEST_F(OldFormatFileTest, EcoGamesAppendAndReadBack) {
  FilePgn pgn(test::kEcoFile, false);
  ASSERT_EQ(pgn.GameCount(), 2014);
  {
    FileTqf file(base_, true);
    ASSERT_EQ(file.GetError(), PagedFile::kCreated);
    EXPECT_EQ(file.GameCount(), 0);
    for (int64_t k = 1; k <= 2014; ++k) {
      TQGame game;
      ASSERT_EQ(pgn.ReadGame(k, game), 0);
      ASSERT_EQ(file.AppendGame(game), 0) << k;
      EXPECT_EQ(file.GetGameOffset(k + 1) - file.GetGameOffset(k), file.GetLastRecordSize());
    }
    ASSERT_EQ(file.Flush(), 0);
  }
  EXPECT_TRUE(fs::exists(base_ + ".tqi"));
  FileTqf file(base_, false);
  ASSERT_EQ(file.GetError(), 0);
  ASSERT_EQ(file.GameCount(), 2014);
  EXPECT_EQ(file.GetGameOffset(1), 0);
  for (int64_t k = 1; k <= 2014; k += 37) {
    TQGame original, back, body;
    ASSERT_EQ(pgn.ReadGame(k, original), 0);
    ASSERT_EQ(file.ReadGame(k, back), 0);
    ASSERT_EQ(file.ReadGameBody(k, body), 0);
    EXPECT_EQ(Moves(back), Moves(original)) << k;
    EXPECT_EQ(Moves(body), Moves(original)) << k;
    EXPECT_EQ(back.header.GetEco(), original.header.GetEco());
    GameHeader header;
    ASSERT_EQ(file.ReadHeader(k, header), 0);
    EXPECT_EQ(header.GetEco(), original.header.GetEco());
  }
  TQGame none;
  EXPECT_EQ(file.ReadGame(0, none), 1);
  EXPECT_EQ(file.ReadGame(2015, none), 1);
}

TEST_F(OldFormatFileTest, FlagsIndexLimitAndDamage) {
  FileTqf file(base_, true);
  TQGame game;
  ReadPgnGame("[White \"W\"]\n[Date \"1775.??.??\"]\n1. e4 e5 *", game, {"t", 1, false});
  ASSERT_EQ(file.AppendGame(game), 0);
  ASSERT_EQ(file.AppendGame(game), 0);
  ASSERT_EQ(file.SetFlags(2, true, true), 0);
  TqfRecord r;
  std::vector<uint8_t> bytes;
  ASSERT_EQ(file.ReadRecord(2, bytes, &r), 0);
  EXPECT_TRUE(r.marked);
  EXPECT_TRUE(r.deleted);
  GameHeader header;
  ASSERT_EQ(file.ReadHeader(2, header), 0);
  EXPECT_TRUE(header.record.IsDeleted());
  EXPECT_EQ(header.white.LastName(), "W");
  ASSERT_EQ(file.ReadRecord(1, bytes, &r), 0);
  EXPECT_FALSE(r.marked);
  EXPECT_EQ(file.SetFlags(3, true, false), 1);

  // The index's entries are 32-bit: an append whose end would not fit is refused.
  test::RecordingServices services;
  ASSERT_EQ(file.SetGameOffset(3, 0xFFFFFFF0ll - 3), 0);
  EXPECT_EQ(file.AppendGame(game), 1);
  EXPECT_EQ(file.GameCount(), 2);
  EXPECT_EQ(file.SetGameOffset(3, 0xFFFFFFFFll), -1);

  // A game that has no record form is refused, naming its move.
  TQGame null;
  ReadPgnGame("1. e4 -- *", null, {"t", 1, false});
  ASSERT_EQ(file.SetGameOffset(3, file.GetGameOffset(2) + file.GetLastRecordSize()), 0);
  EXPECT_EQ(file.AppendGame(null), 1);
  const auto logs = services.CallsStartingWith("Log: ");
  ASSERT_FALSE(logs.empty());
  EXPECT_NE(logs.back().find("move 1..."), std::string::npos) << logs.back();
}

}  // namespace
}  // namespace zh

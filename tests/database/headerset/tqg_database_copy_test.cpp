// The fast copy between header sets against the item-by-item copy: both must give the
// same database, also with items without a body, bodies out of order, an unreadable
// name, many games of one player and a stop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/temp_dir.h"
#include "database/storage/game_file.h"
#include "database/headerset/header_library.h"
#include "database/headerset/tqg_database.h"
#include "database/random_trees.h"
#include "support/recording_services.h"

namespace zh {
namespace {

TQGame Game(uint32_t seed) {
  TQGame game;
  test::RandomTreeOptions options;
  options.mainLength = 8 + static_cast<int>(seed % 9);
  options.annotations = seed % 4 == 0;
  test::GrowRandomGame(game, seed, options);
  // Player "Many" has most games, more than 20.
  game.header.white = TQPlayer(seed % 5 ? "Many" : "Rare", std::to_string(seed % 2));
  game.header.black = TQPlayer("Opponent", std::to_string(seed % 7));
  game.header.annotator.SetName(seed % 3 ? "Ann" : "");
  return game;
}

// Each item as the database reads it: names, result, body.
std::vector<std::string> Contents(TqgDatabase& db) {
  std::vector<std::string> out;
  for (int n = 1; n <= db.GetCount(); ++n) {
    TQGame game;
    const int rc = db.ReadGame(n, game, false);
    out.push_back(std::to_string(rc) + " " + game.header.white.FullName() + " - " +
                  game.header.black.FullName() + " / " + game.header.annotator.Name() + " " +
                  std::to_string(game.header.record.type) + " " + test::DumpBody(game.body));
  }
  return out;
}

struct Fixture {
  test::TempDir dir;
  test::RecordingServices services;
  TqgDatabase source{(dir / "source").string(), true};

  explicit Fixture(int games) {
    for (int i = 1; i <= games; ++i) {
      if (i % 17 == 5) {  // a game record without a body
        GameHeader header;
        header.record = HeaderRecord::Game();
        header.white = TQPlayer("Many", "1");
        int n = 0;
        EXPECT_EQ(source.AppendHeader(n, header), 0);
        continue;
      }
      TQGame game = Game(static_cast<uint32_t>(i));
      EXPECT_EQ(source.AppendGame(game), 0);
    }
    EXPECT_EQ(source.SetDeleted(3, true), 0);
  }

  // Copies first..last into a new set, fast or item by item.
  struct Copy {
    int rc;
    int last;
    std::vector<std::string> contents;
    int64_t playerCount;
  };
  Copy Run(const char* name, int first, int last, bool fast) {
    TqgDatabase target((dir / name).string(), true);
    TQGame seed = Game(999);
    EXPECT_EQ(target.AppendGame(seed), 0) << "the target is not empty";
    CopyOptions options;
    options.mediaMode = 2;  // both copies keep media references as they are
    const int rc = fast ? target.CopyGameRange(source, first, last, options)
                        : target.CopyGeneric(source, first, last, options);
    target.EndUpdate();
    int32_t entry = -1;
    target.Players()->Find(TQPlayer("Many", "1"), entry);
    return {rc, last, Contents(target), entry < 0 ? -1 : target.Players()->GetGameCount(entry)};
  }
};

TEST(TqgFastCopy, GivesWhatTheItemByItemCopyGives) {
  Fixture f(70);
  const auto fast = f.Run("fast", 2, 60, true);
  const auto slow = f.Run("slow", 2, 60, false);
  EXPECT_EQ(fast.rc, 0);
  EXPECT_EQ(slow.rc, 0);
  EXPECT_EQ(fast.contents, slow.contents);
  EXPECT_GT(fast.playerCount, 20);
  EXPECT_EQ(fast.playerCount, slow.playerCount);
  EXPECT_TRUE(f.services.CallsStartingWith("Log: Load game error").empty());

  // The fast copy kept the bodiless record without a body, and the block of bodies
  // holds exactly the copied ones.
  TqgDatabase target((f.dir / "fast").string(), false);
  int bodiless = 0;
  for (int n = 2; n <= target.GetCount(); ++n) {
    GameHeader h;
    ASSERT_EQ(target.ReadHeaderRecord(n, h), 0);
    bodiless += h.record.tqgOffset == 0;
  }
  EXPECT_EQ(bodiless, 4);  // items 5, 22, 39 and 56
}

TEST(TqgFastCopy, OddSourcesGiveTheSameAsWell) {
  struct Case {
    const char* name;
    std::function<void(TqgDatabase&)> damage;
  };
  const std::vector<Case> cases = {
      {"bodies out of order",
       [](TqgDatabase& db) {
         GameHeader a, b;
         ASSERT_EQ(db.ReadHeaderRecord(7, a), 0);
         ASSERT_EQ(db.ReadHeaderRecord(8, b), 0);
         std::swap(a.record.tqgOffset, b.record.tqgOffset);
         ASSERT_EQ(db.WriteHeaderRecord(7, a), 0);
         ASSERT_EQ(db.WriteHeaderRecord(8, b), 0);
       }},
      {"player number beyond the library",
       [](TqgDatabase& db) {
         GameHeader a;
         ASSERT_EQ(db.ReadHeaderRecord(9, a), 0);
         a.record.white = 5000;
         ASSERT_EQ(db.WriteHeaderRecord(9, a), 0);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f(30);
    c.damage(f.source);
    const auto fast = f.Run("fast", 1, 30, true);
    const auto slow = f.Run("slow", 1, 30, false);
    EXPECT_EQ(fast.rc, 0);
    EXPECT_EQ(fast.contents, slow.contents);
  }
}

TEST(TqgFastCopy, AStopEndsTheCopyAtARunsEnd) {
  Fixture f(250);
  f.services.stopAnswers = {true};
  const auto fast = f.Run("fast", 1, 250, true);
  EXPECT_EQ(fast.rc, kDbStopped);
  EXPECT_EQ(fast.last, 100);
  f.services.stopAnswers = {};
  const auto slow = f.Run("slow", 1, 100, false);
  EXPECT_EQ(fast.contents, slow.contents);
}

}  // namespace
}  // namespace zh

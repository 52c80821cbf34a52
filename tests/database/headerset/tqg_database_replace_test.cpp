// Replacing games and texts in place: what moves and what stays, items without a
// body, the annotation block's number, names swapped in the libraries, a failure in
// the scratch files and a booster that must not keep judging the replaced game.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/toolbox/big_endian.h"
#include "core/toolbox/int_array.h"
#include "core/temp_dir.h"
#include "database/storage/annotation_file.h"
#include "database/game/annotation_set.h"
#include "database/game/game_cursor.h"
#include "database/storage/game_file.h"
#include "database/headerset/header_library.h"
#include "database/keys/search_booster.h"
#include "database/headerset/tqg_database.h"
#include "database/position_mask.h"
#include "database/game_test_util.h"
#include "database/random_trees.h"
#include "support/recording_services.h"

namespace zh {
namespace {

namespace fs = std::filesystem;

TQGame Game(uint32_t seed, int plies, bool annotations, const char* white = "White") {
  TQGame game;
  test::RandomTreeOptions options;
  options.mainLength = plies;
  options.branchPercent = plies > 10 ? 20 : 0;
  options.annotations = annotations;
  test::GrowRandomGame(game, seed, options);
  game.header.white = TQPlayer(white, "");
  game.header.black = TQPlayer("Black", std::to_string(seed));
  return game;
}

// Items 1-6: games, but item 3 is a game record without a body and item 4 a text.
struct Fixture {
  test::TempDir dir;
  test::RecordingServices services;
  TqgDatabase db{(dir / "db").string(), true};
  std::vector<std::string> dumps;  // expected bodies, empty for item 3 and the text

  Fixture() {
    for (uint32_t i = 1; i <= 6; ++i) {
      if (i == 3) {
        GameHeader header;
        header.record = HeaderRecord::Game();
        header.white = TQPlayer("Bodiless", "");
        int n = 0;
        EXPECT_EQ(db.AppendHeader(n, header), 0);
        dumps.emplace_back();
      } else if (i == 4) {
        TQTextItem text;
        text.header.record = HeaderRecord::Text();
        text.SetTitle(0, "Notes");
        text.SetFormattedText(0, "short");
        EXPECT_EQ(db.AppendText(text), 0);
        dumps.emplace_back();
      } else {
        TQGame game = Game(i, 30, i % 2 == 0);
        EXPECT_EQ(db.AppendGame(game), 0);
        dumps.push_back(test::DumpBody(game.body));
      }
    }
  }

  HeaderRecord Record(int n) {
    GameHeader h;
    EXPECT_EQ(db.ReadHeaderRecord(n, h), 0);
    return h.record;
  }
  std::vector<uint32_t> GameOffsets() {
    std::vector<uint32_t> out;
    for (int n = 1; n <= db.GetCount(); ++n) out.push_back(Record(n).tqgOffset);
    return out;
  }
  void ExpectAllReadBack() {
    for (int n = 1; n <= db.GetCount(); ++n) {
      if (dumps[static_cast<size_t>(n - 1)].empty()) continue;
      TQGame back;
      ASSERT_EQ(db.ReadGame(n, back, false), 0) << n;
      EXPECT_EQ(test::DumpBody(back.body), dumps[static_cast<size_t>(n - 1)]) << n;
    }
  }
};

TEST(TqgReplace, OnlyWhatDoesNotFitMoves) {
  struct Case {
    const char* name;
    int n;
    int plies;
    bool laterMove;
  };
  for (const Case& c : {Case{"last game grown", 6, 90, false},
                        Case{"shorter game", 2, 2, false},
                        Case{"longer game", 2, 90, true},
                        Case{"body for a bodiless record", 3, 20, true}}) {
    SCOPED_TRACE(c.name);
    Fixture f;
    const std::vector<uint32_t> before = f.GameOffsets();
    const uint32_t endBefore = f.db.GameFile()->GetEnd();
    const uint32_t wasteBefore = f.db.GameFile()->GetWaste();
    TQGame game = Game(100, c.plies, false);
    ASSERT_EQ(f.db.ReplaceGame(c.n, game), 0);
    f.dumps[static_cast<size_t>(c.n - 1)] = test::DumpBody(game.body);
    EXPECT_EQ(game.number, c.n);
    const std::vector<uint32_t> after = f.GameOffsets();
    const int64_t newLength = f.db.GameFile()->RecordLength(after[static_cast<size_t>(c.n - 1)]);

    for (size_t k = 0; k < before.size(); ++k) {
      if (static_cast<int>(k) + 1 == c.n) continue;
      if (before[k] == 0) {
        EXPECT_EQ(after[k], 0u) << "no body stays no body, item " << k + 1;
      } else if (static_cast<int>(k) + 1 < c.n || !c.laterMove) {
        EXPECT_EQ(after[k], before[k]) << k + 1;
      } else {
        EXPECT_GT(after[k], before[k]) << k + 1;
        EXPECT_EQ(after[k] - before[k], after[5] - before[5]) << "one shift for all, item " << k + 1;
      }
    }
    if (c.n == 6) {
      EXPECT_EQ(after[5], before[5]);
      EXPECT_EQ(f.db.GameFile()->GetEnd(), after[5] + newLength) << "only the end moved";
      EXPECT_EQ(f.db.GameFile()->GetWaste(), wasteBefore);
    }
    if (c.plies == 2) {
      const int64_t oldLength = before[2 + 1] - before[1];
      EXPECT_EQ(f.db.GameFile()->GetWaste(), wasteBefore + oldLength - newLength);
      EXPECT_EQ(f.db.GameFile()->GetEnd(), endBefore);
    }
    if (c.n == 3) {
      EXPECT_LT(after[2], after[3]) << "the body goes before the next one";
    }
    f.ExpectAllReadBack();
    TQTextItem text;
    ASSERT_EQ(f.db.ReadText(4, text), 0);
    EXPECT_EQ(text.FormattedText(0), "short");
  }
}

TEST(TqgReplace, AnnotationsNamesAndAppending) {
  Fixture f;
  const int32_t count = f.db.GetCount();
  // Game 2 has annotations; the new game 1 gets some, in front of them.
  TQGame annotated = Game(7, 40, true, "Newcomer");
  ASSERT_EQ(f.db.ReplaceGame(1, annotated), 0);
  f.dumps[0] = test::DumpBody(annotated.body);
  const HeaderRecord first = f.Record(1);
  ASSERT_NE(first.tqaOffset, 0u);
  EXPECT_LT(first.tqaOffset, f.Record(2).tqaOffset) << "the block went before game 2's";
  f.ExpectAllReadBack();  // reading annotations checks each block's game number

  int32_t entry = -1;
  ASSERT_EQ(f.db.Players()->Find(TQPlayer("Newcomer", ""), entry), 0);
  EXPECT_EQ(f.db.Players()->GetGameCount(entry), 1);
  f.db.Players()->Find(TQPlayer("Black", "1"), entry);
  EXPECT_EQ(entry, -1) << "the old game's only name left the library";
  const uint32_t white = f.Record(2).white;
  TQGame same = Game(8, 10, false);
  ASSERT_EQ(f.db.ReplaceGame(2, same), 0);
  f.dumps[1] = test::DumpBody(same.body);
  EXPECT_EQ(f.Record(2).white, white) << "a name both games share keeps its entry";
  EXPECT_EQ(f.Record(2).tqaOffset, 0u);
  EXPECT_EQ(f.db.Players()->GetGameCount(static_cast<int32_t>(white)), 3);

  TQGame extra = Game(9, 10, false);
  ASSERT_EQ(f.db.ReplaceGame(count + 1, extra), 0);
  EXPECT_EQ(f.db.GetCount(), count + 1);
  f.dumps.push_back(test::DumpBody(extra.body));
  f.ExpectAllReadBack();
}

// A record whose offsets point past the ends of the files is replaced as one without
// data; the other items keep theirs.
TEST(TqgReplace, OffsetsPastTheEndCountAsNoData) {
  // Past the end of the files, and inside their 10-byte headers.
  for (const bool pastEnd : {true, false}) {
    SCOPED_TRACE(pastEnd);
    Fixture f;
    GameHeader damaged;
    ASSERT_EQ(f.db.ReadHeaderRecord(2, damaged), 0);
    damaged.record.tqgOffset = pastEnd ? f.db.GameFile()->GetEnd() + 1000 : 5;
    damaged.record.tqaOffset = pastEnd ? f.db.AnnotationFile()->End() + 1000 : 5;
    ASSERT_EQ(f.db.WriteHeaderRecord(2, damaged), 0);
    const uint32_t end = f.db.GameFile()->GetEnd();
    TQGame game = Game(14, 20, true);
    ASSERT_EQ(f.db.ReplaceGame(2, game), 0);
    f.dumps[1] = test::DumpBody(game.body);
    EXPECT_LT(f.Record(2).tqgOffset, end) << "the body went before the text's";
    EXPECT_GE(f.Record(2).tqgOffset, 10u);
    f.ExpectAllReadBack();
  }
}

TEST(TqgReplace, AScratchFailureChangesNoFile) {
  Fixture f;
  f.db.FlushAll();
  std::map<std::string, std::vector<uint8_t>> before;
  for (const auto& e : fs::directory_iterator(f.dir.Path()))
    before[e.path().filename().string()] = test::FileBytes(e.path());
  f.db.scratchEndLimit = 40;
  TQGame game = Game(11, 60, true, "Nobody");
  EXPECT_NE(f.db.ReplaceGame(2, game), 0);
  std::map<std::string, std::vector<uint8_t>> after;
  for (const auto& e : fs::directory_iterator(f.dir.Path()))
    after[e.path().filename().string()] = test::FileBytes(e.path());
  EXPECT_EQ(after, before);
  f.ExpectAllReadBack();
}

TEST(TqgReplace, BoostersStopJudgingTheReplacedGame) {
  Fixture f;
  const std::string base = (f.dir / "db").string();
  {
    SearchBooster booster(base, "tqb", true, 0);
    ASSERT_EQ(booster.Status(), 0);
    std::vector<uint8_t> records(static_cast<size_t>(booster.RecordSize()) * 6, 0xFF);
    ASSERT_EQ(booster.WriteRecords(1, 6, records.data()), 0);
    ASSERT_EQ(booster.RecordCount(), 7u);
  }
  TQGame game = Game(12, 20, false);
  ASSERT_EQ(f.db.ReplaceGame(5, game), 0);
  const std::vector<uint8_t> bytes = test::FileBytes(f.dir / "db.tqb");
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(GetBigEndian(bytes.data(), 4), 5u) << "games 1-4 keep their records, 5 on are searched";
}

// A scanning booster over games 1-6 that refuses every game for a motif square: once
// game 5 is replaced, a position search finds the new game 5 and still not the others.
TEST(TqgReplace, AFixtureBoosterDoesNotHideTheNewGame) {
  Fixture f;
  {
    SearchBooster booster((f.dir / "db").string(), "tqb", true, SearchBooster::kScanKind);
    ASSERT_EQ(booster.Status(), 0);
    std::vector<uint8_t> bytes(6 * 52);
    for (int n = 0; n < 6; ++n) booster.Pack(BoosterRecord(), bytes.data() + n * 52);
    ASSERT_EQ(booster.WriteRecords(1, 6, bytes.data()), 0);
  }
  ASSERT_EQ(f.db.OpenSearchBooster(false), 0);
  TQGame game;
  GameCursor cursor(&game);
  test::Enter(cursor, "e2e4 e7e5 g1f3 b8c6");
  test::PositionMask mask;
  mask.motifOn = true;
  mask.squares[0] = 1;
  mask.SetTarget("e2e4 e7e5 g1f3");
  EXPECT_EQ(f.db.Search(mask, nullptr)->Count(), 0u);
  ASSERT_EQ(f.db.ReplaceGame(5, game), 0);
  const auto hits = f.db.Search(mask, nullptr);
  ASSERT_EQ(hits->Count(), 1u);
  EXPECT_EQ(hits->Get(0), 5);
}

TEST(TqgReplace, TextsGrowInPlace) {
  Fixture f;
  const uint32_t waste = f.db.GameFile()->GetWaste();
  TQTextItem text;
  text.header.record = HeaderRecord::Text();
  text.SetTitle(0, "Notes");
  text.SetFormattedText(0, std::string(500, 'x'));
  ASSERT_EQ(f.db.WriteText(4, text), 0);
  TQTextItem back;
  ASSERT_EQ(f.db.ReadText(4, back), 0);
  EXPECT_EQ(back.FormattedText(0), std::string(500, 'x'));
  EXPECT_EQ(f.db.GameFile()->GetWaste(), waste);
  f.ExpectAllReadBack();
}

}  // namespace
}  // namespace zh

// The old single-file format as a database: reading through the interface, flags,
// replacing, range copies, sorting and the games kept by a reorganisation.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/toolbox/int_array.h"
#include "core/toolbox/path_list.h"
#include "core/temp_dir.h"
#include "database/database_manager.h"
#include "database/storage/file_set_journal.h"
#include "database/game/game_item.h"
#include "database/pgn/pgn_database.h"
#include "database/pgn/pgn_reader.h"
#include "database/oldformat/tqf_database.h"
#include "database/killed_child.h"
#include "database/position_mask.h"
#include "support/file_bytes.h"
#include "support/recording_services.h"

namespace zh {
namespace {

namespace fs = std::filesystem;

std::string Moves(const TQGame& game) {
  std::string s;
  for (const GameMove& m : game.body.mainLine) s += m.LongText() + " ";
  return s;
}

class TqfDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = scratch_.Path();
    base_ = (dir_ / "games").string();
  }

  static void Append(TqfDatabase& db, const std::string& pgn) {
    TQGame game;
    ReadPgnGame(pgn, game, {"t", 1, false});
    ASSERT_EQ(db.AppendGame(game), kDbDone) << pgn;
  }
  // Makes the stored header of game k unreadable: its move count exceeds what its move
  // data can hold.
  void DamageHeader(TqfDatabase& db, int k) {
    db.FlushAll();
    const int64_t at = db.GetFile()->GetGameOffset(k);
    auto bytes = test::FileBytes(base_ + ".tqf");
    bytes[static_cast<size_t>(at) + 12] ^= 0xF0;
    test::WriteFileBytes(base_ + ".tqf", bytes);
  }

  test::RecordingServices services_;
  test::TempDir scratch_;
  fs::path dir_;
  std::string base_;
};

TEST_F(TqfDatabaseTest, ReadsThroughTheInterfaceAndChangesFlags) {
  TqfDatabase db(base_, true);
  ASSERT_EQ(db.ErrorState(), 0);
  EXPECT_EQ(db.GetCount(), 0);
  Append(db, "[White \"A\"]\n[Black \"B\"]\n[Result \"1-0\"]\n1. e4 e5 2. Nf3 Nc6 3. Bb5 1-0");
  Append(db, "[White \"C\"]\n1. d4 (1. c4) d5 *");
  ASSERT_EQ(db.GetCount(), 2);

  TQGame game;
  ASSERT_EQ(db.ReadGame(2, game, false), kDbDone);
  EXPECT_EQ(game.database, &db);
  EXPECT_EQ(game.number, 2);
  EXPECT_EQ(Moves(game), "d2-d4 d7-d5 ");
  ASSERT_EQ(db.ReadGameBody(1, game, 3, false), kDbDone);
  EXPECT_EQ(Moves(game), "e2-e4 e7-e5 Ng1-f3 ");
  MainLineTrace trace;
  ASSERT_EQ(db.ReadGameTrace(1, trace, game, 4), kDbDone);
  ASSERT_EQ(trace.moves.size(), 4u);
  EXPECT_EQ(trace.sides, (std::vector<int>{0, 1, 0, 1}));
  GameHeader header;
  ASSERT_EQ(db.ReadHeaderRecord(1, header), kDbDone);
  EXPECT_EQ(header.white.LastName(), "A");
  EXPECT_EQ(db.ReadGame(3, game, false), 1);

  // Numbers outside the games change nothing.
  const auto before = test::FileBytes(base_ + ".tqf");
  for (int n : {0, 3}) {
    EXPECT_EQ(db.ToggleMark(n), 1);
    EXPECT_EQ(db.ToggleDeleted(n), 1);
    EXPECT_EQ(db.SetDeleted(n, true), 1);
  }
  db.FlushAll();
  EXPECT_EQ(test::FileBytes(base_ + ".tqf"), before);

  bool marked = false, deleted = false;
  ASSERT_EQ(db.ToggleMark(2), kDbDone);
  ASSERT_EQ(db.ToggleDeleted(2), kDbDone);
  ASSERT_EQ(db.GetFile()->GetFlags(2, marked, deleted), 0);
  EXPECT_TRUE(marked && deleted);
  ASSERT_EQ(db.SetDeleted(2, false), kDbDone);
  ASSERT_EQ(db.GetFile()->GetFlags(2, marked, deleted), 0);
  EXPECT_TRUE(marked && !deleted);
  ASSERT_EQ(db.SetDeleted(1, true), kDbDone);
  std::vector<int32_t> kept;
  PathList media;
  ASSERT_EQ(db.CollectDeleted(kept, media), kDbDone);
  EXPECT_EQ(kept, (std::vector<int32_t>{1}));

  EXPECT_EQ(db.WriteHeader(1, header), 1);
  EXPECT_EQ(db.EstimateSize(10), 2000);
  EXPECT_EQ(db.GetAccess(), 3);
  EXPECT_EQ(db.GetFilePath(), base_ + ".TQF");
  EXPECT_EQ(db.GetFullFilePath(), base_ + ".tqf");
}

TEST_F(TqfDatabaseTest, ReplacedGamesAndNewHeadersMoveTheLaterGames) {
  TqfDatabase db(base_, true);
  Append(db, "[White \"One\"]\n1. e4 e5 *");
  Append(db, "[White \"Two\"]\n1. d4 d5 *");
  Append(db, "[White \"Three\"]\n1. c4 c5 *");
  const int64_t third = db.GetFile()->GetGameOffset(3);

  TQGame longer;
  ReadPgnGame("[White \"Two, longer\"]\n1. d4 d5 2. c4 e6 3. Nc3 Nf6 4. Bg5 Be7 *", longer,
              {"t", 1, false});
  ASSERT_EQ(db.ReplaceGame(2, longer), kDbDone);
  EXPECT_GT(db.GetFile()->GetGameOffset(3), third);
  TQGame game;
  ASSERT_EQ(db.ReadGame(3, game, false), kDbDone);
  EXPECT_EQ(Moves(game), "c2-c4 c7-c5 ");
  ASSERT_EQ(db.ReadGame(2, game, false), kDbDone);
  EXPECT_EQ(game.body.mainLine.Count(), 8);

  // A shorter record keeps the later offsets; one past the last appends.
  TQGame shorter;
  ReadPgnGame("[White \"S\"]\n1. b3 *", shorter, {"t", 1, false});
  const int64_t moved = db.GetFile()->GetGameOffset(3);
  ASSERT_EQ(db.ReplaceGame(2, shorter), kDbDone);
  EXPECT_EQ(db.GetFile()->GetGameOffset(3), moved);
  ASSERT_EQ(db.ReadGame(2, game, false), kDbDone);
  EXPECT_EQ(Moves(game), "b2-b3 ");
  ASSERT_EQ(db.ReplaceGame(4, shorter), kDbDone);
  EXPECT_EQ(db.GetCount(), 4);
  EXPECT_EQ(db.ReplaceGame(0, shorter), 1);

  // A header with longer texts rewrites the record; the moves and later games stay.
  GameHeader header;
  ASSERT_EQ(db.ReadHeader(1, header), kDbDone);
  header.white = TQPlayer("Onewithamuchlongername", "First");
  header.tournament.SetTitle("Somewhere open");
  header.SetWhiteElo(2600);
  ASSERT_EQ(db.GetFile()->WriteHeader(1, header, false), 0);
  ASSERT_EQ(db.ReadGame(1, game, false), kDbDone);
  EXPECT_EQ(game.header.white.LastName(), "Onewithamuchlongername");
  EXPECT_EQ(game.header.white.FirstName(), "First");
  EXPECT_EQ(game.header.tournament.Title(), "Somewhere open");
  EXPECT_EQ(game.header.GetWhiteElo(), 2600);
  EXPECT_EQ(Moves(game), "e2-e4 e7-e5 ");
  ASSERT_EQ(db.ReadGame(3, game, false), kDbDone);
  EXPECT_EQ(Moves(game), "c2-c4 c7-c5 ");
}

TEST_F(TqfDatabaseTest, RangeCopyBetweenOldFormatDatabasesRebasesTheIndex) {
  TqfDatabase source(base_, true);
  for (const char* moves : {"1. e4 *", "1. d4 Nf6 *", "1. c4 e5 2. Nc3 *", "1. f4 *"})
    Append(source, std::string("[White \"W\"]\n") + moves);
  TqfDatabase target((dir_ / "target").string(), true);
  Append(target, "[White \"First\"]\n1. g3 *");
  int last = 3;
  CopyOptions options;
  ASSERT_EQ(target.CopyGameRange(source, 2, last, options), kDbDone);
  ASSERT_EQ(target.GetCount(), 3);
  for (int k = 2; k <= 3; ++k) {
    TQGame a, b;
    ASSERT_EQ(source.ReadGame(k, a, false), kDbDone);
    ASSERT_EQ(target.ReadGame(k, b, false), kDbDone);
    EXPECT_EQ(Moves(a), Moves(b));
    EXPECT_EQ(target.GetFile()->GetGameOffset(k + 1) - target.GetFile()->GetGameOffset(k),
              source.GetFile()->GetGameOffset(k + 1) - source.GetFile()->GetGameOffset(k));
  }
  // Nothing was decoded and appended one by one: the bytes are the source's.
  target.FlushAll();
  const auto s = test::FileBytes(base_ + ".tqf"), t = test::FileBytes(dir_ / "target.tqf");
  const auto from = source.GetFile()->GetGameOffset(2), to = source.GetFile()->GetGameOffset(4);
  EXPECT_TRUE(
      std::equal(s.begin() + from, s.begin() + to, t.begin() + target.GetFile()->GetGameOffset(2)));
}

class SmallDiskTqf final : public TqfDatabase {
 public:
  using TqfDatabase::TqfDatabase;

 protected:
  uint64_t FreeDiskSpaceKB() const override { return 0; }
};

TEST_F(TqfDatabaseTest, SortCriteriaRunsAndUnreadableHeaders) {
  struct Game {
    const char *date, *event, *round, *white, *black, *eco;
  };
  const Game games[] = {
      {"1990", "B", "1", "Zeta", "Alpha", "C20"},     {"1985", "A", "2", "Kilo", "Lima", "A00"},
      {"1990", "A", "1", "Mike", "November", "C20"},  {"2001", "C", "1", "Bravo", "Charlie", "B12"},
      {"1990", "A", "1", "Alpha", "Bravo", "C20"},    {"1985", "A", "1", "Xray", "Yankee", "B12"},
      {"1850", "Old", "1", "Papa", "Quebec", "E99"},  {"2001", "C", "1", "Bravo", "Alpha", "B12"},
      {"1990", "A", "1.2", "Alpha", "Bravo", "C20"},  {"1985", "A", "2", "Echo", "Fox", "A00"},
      {"????", "Z", "1", "Golf", "Hotel", "A00"},     {"2001", "C", "1", "Bravo", "Alpha", "B12"},
      {"1995", "A", "1", "Damaged", "Header", "A00"},
  };
  {
    TqfDatabase db(base_, true);
    for (const Game& g : games)
      Append(db, std::string("[Event \"") + g.event + "\"]\n[Date \"" + g.date +
                     ".??.??\"]\n[Round \"" + g.round + "\"]\n[White \"" + g.white +
                     "\"]\n[Black \"" + g.black + "\"]\n[ECO \"" + g.eco +
                     "\"]\n[Result \"1-0\"]\n1. e4 e5 1-0");
    DamageHeader(db, 13);
  }
  // A user's file of the name that run files once had stays as it is.
  std::ofstream(dir_ / "temp.0") << "the user's own file";
  const auto listing = [this] {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  };
  const auto before = listing();

  TqfDatabase db(base_, false);
  ASSERT_EQ(db.ErrorState(), 0);
  GameHeader header;
  EXPECT_NE(db.ReadHeader(13, header), kDbDone);
  // Two headers a run: seven runs, merged as 0-4, then 5, 6 and the first merge.
  db.SetSortRunLength(2);
  const std::vector<std::pair<int, std::vector<int32_t>>> expected = {
      {0, {10, 6, 5, 9, 1, 4, 2, 8, 0, 7, 11, 3, 12}},
      {7, {7, 11, 3, 4, 2, 8, 0, 5, 9, 1, 6, 10, 12}},
      {1, {9, 10, 1, 7, 11, 3, 5, 4, 8, 2, 0, 6, 12}},
  };
  for (const auto& [criterion, order] : expected) {
    for (int runLength : {2, 0}) {
      db.SetSortRunLength(runLength);
      const auto sorted = db.Sort(criterion);
      ASSERT_TRUE(sorted) << criterion;
      EXPECT_EQ(*sorted, order) << "criterion " << criterion << ", run length " << runLength;
    }
  }
  EXPECT_EQ(listing(), before);
  std::ifstream user(dir_ / "temp.0");
  std::string text;
  std::getline(user, text);
  EXPECT_EQ(text, "the user's own file");

  // The unreadable game is kept, and the log says so.
  std::vector<int32_t> kept;
  PathList media;
  ASSERT_EQ(db.CollectDeleted(kept, media), kDbDone);
  EXPECT_EQ(kept.size(), 13u);
  const auto logs = services_.CallsStartingWith("Log: ");
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_NE(logs[0].find("game 13"), std::string::npos) << logs[0];
}

TEST_F(TqfDatabaseTest, SortNeedsRoomForItsRunFiles) {
  {
    TqfDatabase db(base_, true);
    for (int i = 0; i < 13; ++i) Append(db, "[White \"W\"]\n1. e4 *");
  }
  SmallDiskTqf small(base_, false);
  EXPECT_FALSE(small.Sort(0));
  EXPECT_EQ(services_.CallsStartingWith("ErrorBox: "),
            std::vector<std::string>{"ErrorBox: Not enough disk space. You need a further 1MB"});
  TqfDatabase empty((dir_ / "empty").string(), true);
  EXPECT_FALSE(empty.Sort(0));
}

TEST_F(TqfDatabaseTest, ReorganiseKeepsTheListedGamesAndUnreadableRecords) {
  std::vector<std::string> lines;
  std::vector<uint8_t> damaged;
  {
    TqfDatabase db(base_, true);
    for (const char* moves :
         {"1. e4 e5 *", "1. d4 *", "1. c4 c5 2. Nc3 *", "1. f4 *", "1. b3 e5 *"}) {
      Append(db, std::string("[White \"W\"]\n[Date \"1980.??.??\"]\n{before} ") + moves);
      TQGame game;
      ASSERT_EQ(db.ReadGame(db.GetCount(), game, false), kDbDone);
      lines.push_back(Moves(game));
    }
    ASSERT_EQ(db.SetDeleted(2, true), kDbDone);
    ASSERT_EQ(db.SetDeleted(4, true), kDbDone);
    DamageHeader(db, 5);
  }
  TqfDatabase db(base_, false);
  ASSERT_EQ(db.GetFile()->ReadSpan(5, damaged), 0);
  std::vector<int32_t> kept;
  PathList media;
  ASSERT_EQ(db.CollectDeleted(kept, media), kDbDone);
  ASSERT_EQ(kept, (std::vector<int32_t>{0, 2, 4}));
  ASSERT_EQ(db.Reorganise(kept, false, false), kDbDone);
  ASSERT_EQ(db.ErrorState(), 0);
  ASSERT_EQ(db.GetCount(), 3);
  TQGame game;
  for (int k : {1, 2}) {
    ASSERT_EQ(db.ReadGame(k, game, false), kDbDone);
    EXPECT_EQ(Moves(game), lines[size_t(k == 1 ? 0 : 2)]);
  }
  std::vector<uint8_t> moved;
  ASSERT_EQ(db.GetFile()->ReadSpan(3, moved), 0);
  EXPECT_EQ(moved, damaged);
  EXPECT_EQ(services_.CallsStartingWith("Log: ").size(), 2u);

  // All kept, in a new order: the same games, the offsets consecutive.
  ASSERT_EQ(db.Reorganise({1, 0}, false, false), kDbDone);
  ASSERT_EQ(db.GetCount(), 2);
  // A kept index past the games is refused before anything is written.
  EXPECT_EQ(db.Reorganise({0, 2}, false, false), kDbReadError);
  ASSERT_EQ(db.GetCount(), 2);
  ASSERT_EQ(db.ReadGame(1, game, false), kDbDone);
  EXPECT_EQ(Moves(game), lines[2]);
  ASSERT_EQ(db.ReadGame(2, game, false), kDbDone);
  EXPECT_EQ(Moves(game), lines[0]);
  std::vector<uint8_t> first;
  ASSERT_EQ(db.GetFile()->ReadSpan(1, first), 0);
  EXPECT_EQ(db.GetFile()->GetGameOffset(1), 0);
  EXPECT_EQ(db.GetFile()->GetGameOffset(2), static_cast<int64_t>(first.size()));
  for (const auto& e : fs::directory_iterator(dir_))
    EXPECT_EQ(e.path().filename().string().find("__TMP"), std::string::npos) << e.path();
}

// The generic search reads the main lines through both game-file databases.
TEST_F(TqfDatabaseTest, PositionSearchThroughOldFormatAndPgn) {
  const char* games[] = {"1. e4 e5 2. Nf3 *", "1. d4 d5 *", "1. e4 c5 *", "1. e4 e5 *"};
  TqfDatabase tqf(base_, true);
  std::ofstream pgnText(base_ + ".pgn");
  for (const char* g : games) {
    Append(tqf, g);
    pgnText << "[Event \"e\"]\n\n" << g << "\n\n";
  }
  pgnText.close();
  PgnDatabase pgn(base_, false);
  test::PositionMask mask;
  mask.motifOn = true;
  mask.SetTarget("e2e4 e7e5");
  for (TQFileDatabase* db :
       {static_cast<TQFileDatabase*>(&tqf), static_cast<TQFileDatabase*>(&pgn)}) {
    for (const auto& [limit, expected] :
         std::vector<std::pair<int, std::vector<int32_t>>>{{600, {1, 4}}, {1, {}}}) {
      mask.plyLimit = limit;
      const auto hits = db->Search(mask, nullptr);
      std::vector<int32_t> got;
      for (uint32_t i = 0; i < hits->Count(); ++i) got.push_back(hits->Get(i));
      EXPECT_EQ(got, expected) << db->GetFilePath() << " limit " << limit;
    }
  }
}

// Five games of different lines; the moves of each game of a database.
void WriteFive(const std::string& base) {
  TqfDatabase db(base, true);
  for (const char* moves :
       {"1. e4 *", "1. d4 d5 *", "1. c4 e5 2. Nc3 *", "1. f4 *", "1. b3 e6 *"}) {
    TQGame game;
    ReadPgnGame(moves, game, {"t", 1, false});
    db.AppendGame(game);
  }
}
std::vector<std::string> Describe(const std::string& base) {
  TqfDatabase db(base, false);
  std::vector<std::string> out;
  for (int k = 1; k <= db.GetCount(); ++k) {
    TQGame game;
    out.push_back(db.ReadGame(k, game, false) == kDbDone ? Moves(game) : "?");
  }
  return out;
}

TEST(TqfReorganise, KilledOrRefusedAnywhereLeavesTheOldOrTheNewGames) {
  const std::vector<int32_t> kept = {4, 0, 2};
  test::TempDir probe;
  const std::string probeBase = (probe / "db").string();
  WriteFive(probeBase);
  const std::vector<std::string> before = Describe(probeBase);
  const std::vector<std::string> after = {before[4], before[0], before[2]};
  int64_t changes = 0;
  {
    test::RecordingServices services;
    TqfDatabase db(probeBase, false);
    ArmKillAtFileChange(0);
    db.Reorganise(kept, false, false);
    changes = FileChangeCount();
  }
  ASSERT_EQ(Describe(probeBase), after);
  ASSERT_GT(changes, 3);

  int sawNew = 0, runs = 0;
  for (int64_t killAt = 1; killAt <= changes + 1; killAt += std::max<int64_t>(1, changes / 30)) {
    SCOPED_TRACE(killAt);
    ++runs;
    test::TempDir dir;
    const std::string base = (dir / "db").string();
    WriteFive(base);
    const test::ChildOutcome child = test::RunChild([&](const auto& report) {
      test::RecordingServices services;
      TqfDatabase db(base, false);
      ArmKillAtFileChange(killAt);
      db.Reorganise(kept, false, false);
      if (db.GetCount() != 3) _exit(2);
      report(1);
    });
    ASSERT_TRUE(child.ok);
    // Opening finishes what the killed process committed.
    const std::vector<std::string> now = Describe(base);
    EXPECT_TRUE(now == before || now == after);
    sawNew += now == after;
    for (const auto& e : fs::directory_iterator(dir.Path())) {
      const std::string name = e.path().filename().string();
      EXPECT_NE(name.rfind("__TMP$", 0), 0u) << name;
      EXPECT_NE(name, "db.tqr");
    }
  }
  EXPECT_GT(sawNew, 0);
  EXPECT_LT(sawNew, runs);

  // A write refused as on a full disk at any point leaves the old games.
  test::TempDir full;
  const std::string base = (full / "db").string();
  WriteFive(base);
  for (int64_t failAt = 1; failAt < 1000; ++failAt) {
    SCOPED_TRACE(failAt);
    int count = 0;
    int rc = 0;
    {
      test::RecordingServices services;
      TqfDatabase db(base, false);
      ArmFailAtFileChange(failAt);
      rc = db.Reorganise(kept, false, false);
      ArmFailAtFileChange(0);
      count = db.GetCount();
    }
    if (count == 3) break;  // the failure point lay past the whole run
    EXPECT_NE(rc, kDbDone);
    EXPECT_EQ(Describe(base), before);
  }
  EXPECT_EQ(Describe(base), after);
}

TEST_F(TqfDatabaseTest, ManagerMakesOldFormatAndPgnDatabases) {
  { TqfDatabase created(base_, true); }
  std::ofstream(dir_ / "games.pgn") << "[Event \"e\"]\n\n1. e4 *\n";
  DatabaseManager manager;
  TQFileDatabase* tqf = manager.Open(base_ + ".tqf", 0);
  ASSERT_TRUE(tqf);
  EXPECT_TRUE(tqf->AsTqfDatabase());
  TQFileDatabase* pgn = manager.Open(base_ + ".pgn", 0);
  ASSERT_TRUE(pgn);
  EXPECT_TRUE(pgn->AsPgnDatabase());
  EXPECT_EQ(pgn->GetCount(), 1);
  EXPECT_FALSE(manager.Open((dir_ / "none.tqf").string(), 0));
}

}  // namespace
}  // namespace zh

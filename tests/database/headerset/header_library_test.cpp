#include "database/headerset/header_library.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/toolbox/little_endian.h"
#include "core/python_runner.h"
#include "core/temp_dir.h"
#include "support/recording_services.h"

namespace zh {
namespace {

TQPlayer Player(const char* last, const char* first = "") { return TQPlayer(last, first); }

TQTournament Tournament(const char* title, int year, const char* place = "") {
  TQTournament t;
  t.SetTitle(title);
  t.SetPlace(place);
  t.date = static_cast<uint32_t>(year) << 9;
  return t;
}

// The independent reader's verdict on a library file.
std::string ReadLibrary(const std::filesystem::path& path, const char* kind) {
  std::string out;
  const int rc = test::RunPythonScript("../tools/tree_reader.py",
                                       {path.string(), "--library", kind}, &out);
  return rc == 0 ? "ok" : out;
}

class HeaderLibTest : public testing::Test {
 protected:
  test::TempDir dir;
  std::string base = (dir / "games").string();
};

TEST_F(HeaderLibTest, NewLibraryIsEmptyAndCountsReferences) {
  PlayerLib lib(base, DiskTree::kOpenOrCreate);
  ASSERT_EQ(lib.Status(), 0);
  EXPECT_EQ(lib.Path(), base + ".tqp");
  EXPECT_EQ(lib.Count(), 0);
  EXPECT_EQ(lib.NodeCount(), 0);

  TQPlayer miller = Player("Miller", "Anna");
  int32_t first = -1, second = -1;
  ASSERT_EQ(lib.AddGame(miller, first, 7), 0);
  TQPlayer again = Player("Miller", "Anna");
  ASSERT_EQ(lib.AddGame(again, second, 3), 0);
  EXPECT_EQ(first, second);
  EXPECT_EQ(lib.Count(), 1);
  int32_t firstGame = 0, games = 0;
  ASSERT_EQ(lib.GetGameRange(first, firstGame, games), 0);
  EXPECT_EQ(firstGame, 3);
  EXPECT_EQ(games, 2);

  TQPlayer other = Player("Adams");
  int32_t adams = -1;
  ASSERT_EQ(lib.AddGame(other, adams, 9), 0);
  EXPECT_EQ(lib.Count(), 2);
  EXPECT_EQ(lib.EntryText(first), "Miller,A");

  ASSERT_EQ(lib.RemoveGame(Player("Miller", "Anna")), 0);
  EXPECT_EQ(lib.GetGameCount(first), 1);
  ASSERT_EQ(lib.GetGameRange(first, firstGame, games), 0);
  EXPECT_EQ(firstGame, 3);  // removing never moves the first game
  ASSERT_EQ(lib.RemoveGame(Player("Miller", "Anna")), 0);
  EXPECT_EQ(lib.Count(), 1);
  EXPECT_EQ(lib.RemoveGame(Player("Miller", "Anna")), 9);
  // The deleted entry's number names nothing any more.
  auto item = lib.NewItem();
  EXPECT_EQ(lib.ReadEntry(*item, first), 6);
  EXPECT_EQ(lib.ReadEntry(*item, lib.NodeCount()), 6);
  EXPECT_EQ(lib.ReadEntry(*item, -1), 6);
  EXPECT_EQ(lib.GetGameCount(first), -1);
  EXPECT_EQ(lib.EntryText(first), "?");
  int32_t found;
  EXPECT_EQ(lib.Find(Player("Adams"), found), 0);
  EXPECT_EQ(found, adams);
  // Rewriting an entry keeps its key: another name is refused.
  TQPlayer renamed = Player("Adams");
  renamed.gameCount = 5;
  EXPECT_EQ(lib.ReplaceEntry(renamed, adams), 0);
  EXPECT_EQ(lib.GetGameCount(adams), 5);
  EXPECT_EQ(lib.ReplaceEntry(Player("Baker"), adams), 9);
}

TEST_F(HeaderLibTest, TournamentKeepsItsNumberAndTakesNewerDetails) {
  TournamentLib lib(base, DiskTree::kOpenOrCreate);
  TQTournament t = Tournament("Linares", 1994, "Spain");
  t.detailA = 1;
  t.detailC = 0xF1;
  int32_t entry = -1;
  ASSERT_EQ(lib.AddGame(t, entry, 5), 0);
  TQTournament newer = Tournament("Linares", 1994, "Spain");
  newer.type = 3;
  newer.detailA = 4;
  newer.detailB = 5;
  newer.detailC = 0x02;
  newer.detailD = 600;
  int32_t same = -1;
  ASSERT_EQ(lib.AddGame(newer, same, 6), 0);
  EXPECT_EQ(same, entry);
  TQTournament stored;
  ASSERT_EQ(lib.ReadEntry(stored, entry), 0);
  EXPECT_EQ(stored.type, 0);  // the kind is not taken
  EXPECT_EQ(stored.detailA, 4);
  EXPECT_EQ(stored.detailB, 5);
  EXPECT_EQ(stored.detailC, 0xF2);  // upper six bits stay
  EXPECT_EQ(stored.detailD, 600);
  EXPECT_EQ(stored.gameCount, 2);
  // Another year is another entry, and the later year sorts first.
  TQTournament later = Tournament("Linares", 1995, "Spain");
  int32_t other = -1;
  ASSERT_EQ(lib.AddGame(later, other, 8), 0);
  EXPECT_NE(other, entry);
  SortedLONGArr all;
  ASSERT_EQ(lib.CollectRange(all, Tournament("", 0x7FFFFF), Tournament("zzzz", 0)), 0);
  ASSERT_EQ(all.Count(), 2u);
  EXPECT_EQ(all.Get(0), other);
  // An item of another class is never read into or stored.
  TQPlayer player;
  EXPECT_EQ(lib.ReadEntry(player, entry), 6);
}

// A player library in a sparse file of `count` unlinked nodes that are not free (all
// bytes 0), with the given free-list head.
void WriteSparseLibrary(const std::string& base, int32_t count, int32_t freeHead) {
  const std::string path = base + ".tqp";
  { PlayerLib lib(base, DiskTree::kOpenOrCreate); }
  std::vector<uint8_t> header(28);
  {
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(header.data()), 28);
  }
  PutLE32(header.data(), count);
  PutLE32(header.data() + 4, -1);
  PutLE32(header.data() + 16, freeHead);
  {
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    out.write(reinterpret_cast<const char*>(header.data()), 28);
  }
  ASSERT_EQ(truncate(path.c_str(), 28 + int64_t{count} * (9 + 58)), 0);
}

// Entry numbers live in 24 bits of a game record: the library refuses to go beyond.
TEST_F(HeaderLibTest, AddGameStopsAtTheLastEntryNumber) {
  // Slots 0 .. 0xFFFFFE are all taken.
  WriteSparseLibrary(base, 0xFFFFFF, -1);
  PlayerLib lib(base, DiskTree::kOpenExisting);
  ASSERT_EQ(lib.Status(), 0);
  TQPlayer last = Player("Last");
  int32_t entry = -1;
  ASSERT_EQ(lib.AddGame(last, entry, 1), 0);
  EXPECT_EQ(entry, 0xFFFFFF);
  TQPlayer beyond = Player("Beyond");
  EXPECT_EQ(lib.AddGame(beyond, entry, 2), 15);
  EXPECT_EQ(entry, -1);
  EXPECT_EQ(lib.NodeCount(), 0x1000000);
  EXPECT_EQ(lib.Find(Player("Beyond"), entry), 9);
  TQPlayer known = Player("Last");
  EXPECT_EQ(lib.AddGame(known, entry, 3), 0);  // a known name still counts its game
  EXPECT_EQ(lib.GetGameCount(0xFFFFFF), 2);
}

// A damaged free head (a node that is not free) does not let a new entry past the
// last number either.
TEST_F(HeaderLibTest, DamagedFreeHeadAtTheLastEntryNumberInsertsNothing) {
  WriteSparseLibrary(base, 0x1000000, 5);
  PlayerLib lib(base, DiskTree::kOpenExisting);
  ASSERT_EQ(lib.Status(), 0);
  TQPlayer beyond = Player("Beyond");
  int32_t entry = 0;
  EXPECT_EQ(lib.AddGame(beyond, entry, 1), 15);
  EXPECT_EQ(entry, -1);
  EXPECT_EQ(lib.NodeCount(), 0x1000000);
  EXPECT_EQ(lib.Tree()->FreeHead(), 5);
}

// Five survivors: root 2 over 1 (over 0) and 4 (over 3), every balance true.
TEST_F(HeaderLibTest, BuildBinTreeOverFiveEntriesIsBalanced) {
  PlayerLib lib(base, DiskTree::kOpenOrCreate);
  const char* names[] = {"Eve", "Bob", "Dan", "Ann", "Cid", "Fay"};
  std::vector<int32_t> entry(6);
  for (int i = 0; i < 6; ++i) {
    TQPlayer p = Player(names[i]);
    ASSERT_EQ(lib.AddGame(p, entry[static_cast<size_t>(i)], i), 0);
  }
  ASSERT_EQ(lib.InitCounting(), 0);
  for (int i = 0; i < 6; ++i)
    if (i != 5) lib.CountGame(entry[static_cast<size_t>(i)], 100 + i);  // Fay is dropped
  lib.CountGame(-1, 1);
  lib.CountGame(99, 1);
  ASSERT_EQ(lib.BuildBinTree(true), 0);
  EXPECT_EQ(lib.MapEntry(entry[5]), -1);
  EXPECT_EQ(lib.MapEntry(99), 0);
  // Ann Bob Cid Dan Eve in order.
  EXPECT_EQ(lib.MapEntry(entry[3]), 0);
  EXPECT_EQ(lib.MapEntry(entry[1]), 1);
  EXPECT_EQ(lib.MapEntry(entry[4]), 2);
  EXPECT_EQ(lib.MapEntry(entry[2]), 3);
  EXPECT_EQ(lib.MapEntry(entry[0]), 4);
  lib.FreeScratch();
  DiskTree index(base + ".cxp", 58, &TQPlayer::CompareRecords, DiskTree::kOpenExisting);
  ASSERT_EQ(index.GetStatus(), 0);
  EXPECT_EQ(index.Root(), 2);
  EXPECT_EQ(index.UserValue(), 5);
  struct Link {
    int32_t left, right, balance;
  };
  const Link expected[] = {{-1, -1, 0}, {0, -1, -1}, {1, 4, 0}, {-1, -1, 0}, {3, -1, -1}};
  for (int32_t k = 0; k < 5; ++k) {
    AVLNode node;
    ASSERT_EQ(index.ReadNode(node, k), 0);
    EXPECT_EQ(node.left, expected[k].left) << k;
    EXPECT_EQ(node.right, expected[k].right) << k;
    EXPECT_EQ(node.balance, expected[k].balance) << k;
    EXPECT_EQ(TQPlayer(node.key.Bytes()).gameCount, 1);
  }
}

TEST_F(HeaderLibTest, BuildBinTreeCompactsTenThousandEntries) {
  PlayerLib lib(base, DiskTree::kOpenOrCreate);
  std::vector<int32_t> entry(10000);
  for (int i = 0; i < 10000; ++i) {
    TQPlayer p = Player(("N" + std::to_string((i * 7919) % 10000)).c_str());
    ASSERT_EQ(lib.AddGame(p, entry[static_cast<size_t>(i)], i), 0);
  }
  // Every third of the first 9000 entries is dropped: 3000 of them.
  ASSERT_EQ(lib.InitCounting(), 0);
  for (int i = 0; i < 10000; ++i)
    if (i >= 9000 || i % 3 != 0) lib.CountGame(entry[static_cast<size_t>(i)], 20000 + i);
  ASSERT_EQ(lib.LoadSortOrder(), 0);
  std::vector<std::pair<int32_t, int32_t>> survivors;  // sorted position, entry
  for (int i = 0; i < 10000; ++i)
    if (i >= 9000 || i % 3 != 0)
      survivors.emplace_back(lib.SortPosition(entry[static_cast<size_t>(i)]), entry[static_cast<size_t>(i)]);
  lib.FreeSortOrder();
  std::sort(survivors.begin(), survivors.end());
  ASSERT_EQ(survivors.size(), 7000u);
  ASSERT_EQ(lib.BuildBinTree(true), 0);
  for (int i = 0; i < 9000; i += 3) EXPECT_EQ(lib.MapEntry(entry[static_cast<size_t>(i)]), -1);
  EXPECT_EQ(lib.MapEntry(10000), 0);
  {
    DiskTree index(base + ".cxp", 58, &TQPlayer::CompareRecords, DiskTree::kOpenExisting);
    ASSERT_EQ(index.GetEntryCount(), 7000);
    for (int32_t k = 0; k < 7000; ++k) {
      const int32_t old = survivors[static_cast<size_t>(k)].second;
      ASSERT_EQ(lib.MapEntry(old), k);
      AVLNode node;
      ASSERT_EQ(index.ReadNode(node, k), 0);
      TQPlayer stored;
      ASSERT_EQ(lib.ReadEntry(stored, old), 0);
      const TQPlayer copied(node.key.Bytes());
      ASSERT_EQ(copied.LastNameBytes(), stored.LastNameBytes());
      ASSERT_EQ(copied.gameCount, 1);
      ASSERT_EQ(copied.firstGame, lib.CountedFirsts()[static_cast<size_t>(old)]);
    }
  }
  EXPECT_EQ(ReadLibrary(base + ".cxp", "player"), "ok");
}

// Counts gathered from the game file against the stored ones.
TEST_F(HeaderLibTest, CheckConsistencyRepairsCounts) {
  PlayerLib lib(base, DiskTree::kOpenOrCreate);
  int32_t a, b, c;
  TQPlayer pa = Player("Alpha"), pb = Player("Beta"), pc = Player("Gamma");
  ASSERT_EQ(lib.AddGame(pa, a, 10), 0);
  ASSERT_EQ(lib.AddGame(pb, b, 11), 0);
  ASSERT_EQ(lib.AddGame(pc, c, 12), 0);
  std::vector<int32_t> firsts(3), counts(3);
  firsts[static_cast<size_t>(a)] = 10, counts[static_cast<size_t>(a)] = 1;  // sound
  firsts[static_cast<size_t>(b)] = 4, counts[static_cast<size_t>(b)] = 3;   // both wrong
  firsts[static_cast<size_t>(c)] = 20, counts[static_cast<size_t>(c)] = 1;  // first game later
  test::RecordingServices services;
  CheckRecord look{.report = true, .detail = true};
  ASSERT_EQ(lib.CheckConsistency(look, firsts, counts, "Players"), 0);
  EXPECT_EQ(look.defects, 2);  // b's count and first game; c's later first game is no defect
  const std::string prefix = "Players index entry " + std::to_string(b) + ": ";
  EXPECT_EQ(services.CallsStartingWith("Log: "),
            (std::vector<std::string>{
                "Log: " + prefix + "number of games not consistent [Beta|]",
                "Log: " + prefix + " => games=1 count=3",
                "Log: " + prefix + "error in first game of [Beta|]",
                "Log: " + prefix + " => FirstGame=11 First=4"}));
  EXPECT_EQ(lib.GetGameCount(b), 1);  // looking changes nothing

  CheckRecord mend{.repair = true};
  ASSERT_EQ(lib.CheckConsistency(mend, firsts, counts, "Players"), 0);
  int32_t first, games;
  ASSERT_EQ(lib.GetGameRange(b, first, games), 0);
  EXPECT_EQ(first, 4);
  EXPECT_EQ(games, 3);
  ASSERT_EQ(lib.GetGameRange(c, first, games), 0);
  EXPECT_EQ(first, 20);  // mended in either direction
  CheckRecord again;
  ASSERT_EQ(lib.CheckConsistency(again, firsts, counts, "Players"), 0);
  EXPECT_EQ(again.defects, 0);
  // An entry that no game uses any more is freed by a repair.
  firsts[static_cast<size_t>(c)] = -1;
  counts[static_cast<size_t>(c)] = 0;
  CheckRecord drop{.repair = true};
  ASSERT_EQ(lib.CheckConsistency(drop, firsts, counts, "Players"), 0);
  EXPECT_EQ(lib.Count(), 2);
  EXPECT_EQ(lib.GetGameCount(c), -1);
  EXPECT_EQ(lib.Tree()->FreeHead(), c);
}

TEST_F(HeaderLibTest, BuildBinTreeWithoutCompactionRewritesCountsInPlace) {
  PlayerLib lib(base, DiskTree::kOpenOrCreate);
  int32_t a, b;
  TQPlayer pa = Player("Alpha"), pb = Player("Beta");
  ASSERT_EQ(lib.AddGame(pa, a, 10), 0);
  ASSERT_EQ(lib.AddGame(pb, b, 11), 0);
  ASSERT_EQ(lib.InitCounting(), 0);
  lib.CountGame(a, 2);
  lib.CountGame(a, 5);
  ASSERT_EQ(lib.BuildBinTree(false), 0);
  int32_t first, games;
  ASSERT_EQ(lib.GetGameRange(a, first, games), 0);
  EXPECT_EQ(first, 2);
  EXPECT_EQ(games, 2);
  ASSERT_EQ(lib.GetGameRange(b, first, games), 0);
  EXPECT_EQ(first, -1);
  EXPECT_EQ(games, 0);
}

TEST_F(HeaderLibTest, SelectEntryByPrefix) {
  PlayerLib players(base, DiskTree::kOpenOrCreate);
  TournamentLib tournaments(base, DiskTree::kOpenOrCreate);
  int32_t e;
  int32_t smith, smythe, kasp;
  for (auto [name, out] : {std::pair{"Smith", &smith}, {"Smythe", &smythe}, {"Kasparov", &kasp}}) {
    TQPlayer p = Player(name, "John");
    ASSERT_EQ(players.AddGame(p, *out, 1), 0);
  }
  int32_t future, past;
  TQTournament f = Tournament("Future Open", 2051);
  ASSERT_EQ(tournaments.AddGame(f, future, 1), 0);
  TQTournament p = Tournament("Past Open", 1990);
  ASSERT_EQ(tournaments.AddGame(p, past, 2), 0);

  test::RecordingServices services;
  // One match, after shortening "Kasx" to "Kas": no dialog.
  EXPECT_EQ(players.SelectEntry("Kasx"), kasp);
  EXPECT_TRUE(services.CallsStartingWith("ListDialog").empty());
  // Two matches: the dialog, the second line chosen.
  services.listChoices = {1};
  EXPECT_EQ(players.SelectEntry("Sm"), smythe);
  EXPECT_EQ(services.calls, (std::vector<std::string>{"ListDialog: Select player", "  Smith,J",
                                                      "  Smythe,J"}));
  // Cancel.
  EXPECT_EQ(players.SelectEntry("Sm"), -1);
  // Nothing at all: an empty library gives -1 without a dialog.
  services.calls.clear();
  AnnotatorLib annotators(base, DiskTree::kOpenOrCreate);
  EXPECT_EQ(annotators.SelectEntry("x"), -1);
  PlayerLib none((dir / "empty").string(), DiskTree::kOpenOrCreate);
  EXPECT_EQ(none.SelectEntry("Zed"), -1);
  EXPECT_TRUE(services.calls.empty());

  // Tournaments: the dialog opens for a single line, and a year after 2050 is offered.
  services.listChoices = {0};
  EXPECT_EQ(tournaments.SelectEntry("Future"), future);
  EXPECT_EQ(services.calls, (std::vector<std::string>{"ListDialog: Select tournament",
                                                      "  Future Open 2051", "  Past Open 1990"}));
  TournamentLib single((dir / "single").string(), DiskTree::kOpenOrCreate);
  TQTournament only = Tournament("Only", 2100);
  ASSERT_EQ(single.AddGame(only, e, 1), 0);
  services.calls.clear();
  services.listChoices = {0};
  EXPECT_EQ(single.SelectEntry("Only"), e);
  EXPECT_EQ(services.calls, (std::vector<std::string>{"ListDialog: Select tournament", "  Only 2100"}));
}

}  // namespace
}  // namespace zh

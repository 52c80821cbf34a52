// Kill test of the header-set database: a child appends and replaces games and dies by
// SIGKILL at a random file change or at a random moment by the parent. Reopened, the set holds every
// game whose call returned, the one in flight whole in its old or its new form, no
// library defect, and takes the next game.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/temp_dir.h"
#include "database/storage/file_set_journal.h"
#include "database/headerset/header_library.h"
#include "database/headerset/tqg_database.h"
#include "database/killed_child.h"
#include "database/random_trees.h"
#include "support/recording_services.h"

namespace zh {
namespace {

constexpr int kInitialGames = 4;
constexpr int kSteps = 12;

TQGame Game(uint32_t seed) {
  TQGame game;
  test::RandomTreeOptions options;
  options.mainLength = 6 + static_cast<int>(seed % 13);
  options.annotations = seed % 3 == 0;
  test::GrowRandomGame(game, seed, options);
  game.header.white = TQPlayer("P" + std::to_string(seed % 5), "");
  game.header.black = TQPlayer("Q" + std::to_string(seed % 7), "");
  return game;
}

std::string Describe(const TQGame& game) {
  return game.header.white.LastName() + "-" + game.header.black.LastName() + " " +
         test::DumpBody(game.body);
}

// The database's contents as the steps leave them: one description per item.
struct State {
  std::vector<std::string> items;
};

// Step t (from 1) of run `run`: append game t, or replace a game chosen by the seed.
struct Step {
  uint32_t run;
  int t = 0;
  void operator()(State& s) {
    ++t;
    const uint32_t seed = run * 1000 + static_cast<uint32_t>(t);
    const int n = Target(seed, static_cast<int>(s.items.size()));
    const std::string d = Describe(Game(seed));
    if (n > static_cast<int>(s.items.size()))
      s.items.push_back(d);
    else
      s.items[static_cast<size_t>(n - 1)] = d;
  }
  static int Target(uint32_t seed, int count) {
    std::mt19937 rng(seed);
    return rng() % 2 ? count + 1 : static_cast<int>(rng() % static_cast<uint32_t>(count)) + 1;
  }
};

State Initial() {
  State s;
  for (int i = 1; i <= kInitialGames; ++i) s.items.push_back(Describe(Game(static_cast<uint32_t>(i))));
  return s;
}

// Library counts gathered from the records, checked against the libraries.
void ExpectLibrariesClean(TqgDatabase& db) {
  HeaderLib* libs[4] = {db.Players(), db.Tournaments(), db.Annotators(), db.Sources()};
  std::vector<int32_t> firsts[4], counts[4];
  for (int i = 0; i < 4; ++i) {
    firsts[i].assign(static_cast<size_t>(libs[i]->NodeCount()) + 1, -1);
    counts[i].assign(firsts[i].size(), 0);
  }
  auto count = [&](int lib, uint32_t entry, int n) {
    ASSERT_LT(entry, firsts[lib].size());
    if (firsts[lib][entry] < 0) firsts[lib][entry] = n;
    ++counts[lib][entry];
  };
  for (int n = 1; n <= db.GetCount(); ++n) {
    GameHeader h;
    ASSERT_EQ(db.ReadHeaderRecord(n, h), 0);
    count(0, h.record.white, n);
    count(0, h.record.black, n);
    count(1, h.record.tournament, n);
    count(2, h.record.annotator, n);
    count(3, h.record.source, n);
  }
  for (int i = 0; i < 4; ++i) {
    CheckRecord length;
    EXPECT_EQ(libs[i]->CheckFile(length), 0) << i;
    CheckRecord look;
    EXPECT_EQ(libs[i]->CheckConsistency(look, firsts[i], counts[i], "lib"), 0) << i;
    EXPECT_EQ(look.defects, 0) << "library " << i;
  }
}

TEST(TqgDatabaseKill, EveryReturnedChangeSurvivesAKill) {
  test::RecordingServices services;
  std::mt19937 rng(20261210);
  int killed = 0;
  for (uint32_t run = 1; run <= 200; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    test::TempDir dir;
    const std::string base = (dir / "db").string();
    {
      TqgDatabase db(base, true);
      for (int i = 1; i <= kInitialGames; ++i) {
        TQGame game = Game(static_cast<uint32_t>(i));
        ASSERT_EQ(db.AppendGame(game), 0);
      }
    }
    const bool byHook = run % 2 == 0;
    const int64_t changes = 1 + static_cast<int64_t>(rng() % 400);
    const int micros = static_cast<int>(rng() % 20000);
    const test::ChildOutcome out = test::RunChild([&](const std::function<void(int)>& report) {
      TqgDatabase db(base, false);
      if (db.ErrorState() != 0) _exit(4);
      if (byHook) ArmKillAtFileChange(FileChangeCount() + changes);
      for (int t = 1; t <= kSteps; ++t) {
        const uint32_t seed = run * 1000 + static_cast<uint32_t>(t);
        const int n = Step::Target(seed, db.GetCount());
        TQGame game = Game(seed);
        if (db.ReplaceGame(n, game) != 0) _exit(5);
        report(t);
      }
      // Outlived the hook or the parent's timer: die anyway, the database still open.
      kill(getpid(), SIGKILL);
    }, byHook ? -1 : micros);
    ASSERT_TRUE(out.ok) << "the child failed on its own";
    killed += out.killed;

    const auto [done, inFlight] = test::StatesAround(Initial(), out.reported, kSteps, Step{run});
    TqgDatabase db(base, false);
    ASSERT_EQ(db.ErrorState(), 0);
    State found;
    for (int n = 1; n <= db.GetCount(); ++n) {
      TQGame game;
      ASSERT_EQ(db.ReadGame(n, game, false), 0) << n;
      found.items.push_back(Describe(game));
    }
    EXPECT_TRUE(found.items == done.items || found.items == inFlight.items)
        << "reported " << out.reported << ", found " << found.items.size() << " items";
    ExpectLibrariesClean(db);
    TQGame next = Game(run);
    ASSERT_EQ(db.AppendGame(next), 0);
    TQGame back;
    ASSERT_EQ(db.ReadGame(db.GetCount(), back, false), 0);
    EXPECT_EQ(Describe(back), Describe(next));
  }
  EXPECT_EQ(killed, 200);
}

}  // namespace
}  // namespace zh

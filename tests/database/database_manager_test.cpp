#include "database/database_manager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/services.h"
#include "core/temp_dir.h"
#include "database/game/game_item.h"
#include "database/memory_database.h"

namespace zh {
namespace {

namespace fs = std::filesystem;

// A manager whose factories make in-memory databases and record what they were asked.
struct Fixture {
  struct Made {
    int kind;
    std::string base;
    bool create;
  };
  test::TempDir dir;
  fs::path folder = fs::weakly_canonical(dir.Path());
  std::vector<Made> made;
  std::vector<std::string> released;  // base paths, seen by the observer before deletion
  DatabaseManager manager;

  Fixture() {
    for (int kind : {1, 3}) {
      manager.SetFactory(kind, [this, kind](const std::string& base, bool create) {
        made.push_back({kind, base, create});
        return std::make_unique<test::MemoryDatabase>(base, kind);
      });
    }
    manager.AddReleaseObserver([this](Database& d) {
      EXPECT_FALSE(manager.Contains(&d));
      released.push_back(d.BasePath());
    });
  }
  std::string Path(const std::string& name) const { return (folder / name).string(); }
};

TEST(DatabaseManager, OnePathOpenedManyWaysIsOneDatabase) {
  Fixture f;
  TQFileDatabase* first = f.manager.Open(f.Path("games.tqh"), 1);
  ASSERT_NE(first, nullptr);
  const std::string relative = fs::relative(f.Path("games.tqg")).string();
  for (const auto& [path, kind] :
       std::vector<std::pair<std::string, int>>{{f.Path("games.tqg"), 0},
                                                {f.Path("sub/../games.TQH"), 0},
                                                {f.Path("games"), 1},
                                                {relative, 0}}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(f.manager.Open(path, kind), first);
    EXPECT_EQ(f.manager.Find(path), first);
  }
  ASSERT_EQ(f.made.size(), 1u);
  EXPECT_EQ(f.made[0].base, f.Path("games"));
  EXPECT_FALSE(f.made[0].create);
  EXPECT_EQ(f.manager.UseCount(first), 5);

  for (int i = 0; i < 4; ++i) EXPECT_FALSE(f.manager.Release(first));
  EXPECT_TRUE(f.released.empty());
  EXPECT_TRUE(f.manager.Release(first));
  EXPECT_EQ(f.released, std::vector<std::string>{f.Path("games")});
  EXPECT_EQ(f.manager.OpenCount(), 0u);
  EXPECT_EQ(f.manager.Find(f.Path("games.tqh")), nullptr);
}

TEST(DatabaseManager, KindsByPathAndExtension) {
  struct Case {
    const char* path;
    int kind;
  };
  for (const Case& c : {Case{"a.tqg", 1}, Case{"a.TQH", 1}, Case{"a.tqf", 2}, Case{"a.Pgn", 3},
                        Case{"a.ctg", 4}, Case{"a.txt", 0}, Case{"a", 0}, Case{"dir.pgn/a", 0}}) {
    EXPECT_EQ(DatabaseManager::KindOfPath(c.path), c.kind) << c.path;
  }
  EXPECT_EQ(DatabaseManager::KindOfDatabase(nullptr), 0);

  Fixture f;
  // A PGN path of kind 0 opens a PGN database over the base path; games of kind 1
  // looks for games.tqh. Both are different databases.
  TQFileDatabase* pgn = f.manager.Open(f.Path("games.pgn"), 0);
  TQFileDatabase* set = f.manager.Open(f.Path("games"), 1);
  ASSERT_TRUE(pgn && set);
  EXPECT_NE(pgn, set);
  EXPECT_EQ(DatabaseManager::KindOfDatabase(pgn), 3);
  EXPECT_EQ(DatabaseManager::KindOfDatabase(set), 1);
  EXPECT_EQ(f.made[0].base, f.Path("games"));
  EXPECT_EQ(f.manager.Find(f.Path("games.PGN")), pgn);
  EXPECT_EQ(f.manager.Find(f.Path("games.tqg")), set);
  EXPECT_EQ(DatabaseManager::NormalisedPath(f.Path("games"), 1), f.Path("games.tqh"));

  // No factory for the old format yet; a factory that fails enters nothing.
  EXPECT_EQ(f.manager.Open(f.Path("old.tqf"), 0), nullptr);
  f.manager.SetFactory(1, [](const std::string&, bool) { return nullptr; });
  EXPECT_EQ(f.manager.Open(f.Path("other.tqh"), 0), nullptr);
  EXPECT_EQ(f.manager.OpenCount(), 2u);
}

TEST(DatabaseManager, ManyDatabasesEnterAndLeave) {
  Fixture f;
  constexpr int kCount = 41;
  std::vector<TQFileDatabase*> open;
  for (int i = 0; i < kCount; ++i)
    open.push_back(f.manager.Open(f.Path("db" + std::to_string(i)), 1));
  EXPECT_EQ(f.manager.OpenCount(), static_cast<size_t>(kCount));
  for (int i = 0; i < kCount; ++i) {
    ASSERT_NE(open[i], nullptr);
    EXPECT_EQ(f.manager.Open(f.Path("db" + std::to_string(i) + ".tqg"), 0), open[i]);
  }
  EXPECT_EQ(f.made.size(), static_cast<size_t>(kCount));
  // Releasing from the middle keeps the others found.
  for (int i = kCount / 2; i < kCount + kCount / 2; ++i) {
    TQFileDatabase* d = open[i % kCount];
    EXPECT_FALSE(f.manager.Release(d));
    EXPECT_TRUE(f.manager.Release(d));
    EXPECT_FALSE(f.manager.Release(d));  // no longer in the table: nothing deleted twice
    if (i + 1 < kCount + kCount / 2) {
      const int next = (i + 1) % kCount;
      EXPECT_EQ(f.manager.Find(f.Path("db" + std::to_string(next))), open[next]);
    }
  }
  EXPECT_EQ(f.manager.OpenCount(), 0u);
  EXPECT_EQ(f.released.size(), static_cast<size_t>(kCount));
}

TEST(DatabaseManager, ObserversLearnOfEachDatabaseBeforeItIsDeleted) {
  Fixture f;
  TQFileDatabase* a = f.manager.Open(f.Path("a"), 1);
  TQFileDatabase* b = f.manager.Open(f.Path("b"), 1);
  // A holder that keeps one database forgets only its own.
  Database* held = a;
  std::vector<std::string> order;
  const int holder = f.manager.AddReleaseObserver([&](Database& d) {
    order.push_back("holder " + d.BasePath());
    if (&d == held) held = nullptr;
  });
  EXPECT_FALSE(f.manager.Release(nullptr));
  test::MemoryDatabase stranger("stranger");
  EXPECT_FALSE(f.manager.Release(&stranger));
  EXPECT_TRUE(f.manager.Release(b));
  EXPECT_EQ(held, a);
  EXPECT_TRUE(f.manager.Release(a));
  EXPECT_EQ(held, nullptr);
  EXPECT_EQ(order, (std::vector<std::string>{"holder " + f.Path("b"), "holder " + f.Path("a")}));
  EXPECT_EQ(f.released, (std::vector<std::string>{f.Path("b"), f.Path("a")}));

  f.manager.RemoveReleaseObserver(holder);
  EXPECT_TRUE(f.manager.Release(f.manager.Open(f.Path("c"), 1)));
  EXPECT_EQ(order.size(), 2u);
  EXPECT_EQ(f.released.size(), 3u);
}

// A game keeps its link to the database it came from until that database is deleted;
// then the link, also a copy's, reads as none.
TEST(DatabaseManager, ItemsLinkedToAReleasedDatabaseReadItAsNone) {
  Fixture f;
  TQFileDatabase* a = f.manager.Open(f.Path("a"), 1);
  TQFileDatabase* b = f.manager.Open(f.Path("b"), 1);
  ASSERT_TRUE(a && b);
  TQGame game;
  ASSERT_EQ(a->AppendGame(game), 0);
  TQGame read;
  ASSERT_EQ(a->ReadGame(1, read, false), 0);
  EXPECT_EQ(read.database, a);
  const TQGame copy(read);
  TQTextItem other;
  other.database = b;
  ASSERT_TRUE(f.manager.Release(a));
  EXPECT_EQ(read.database, nullptr);
  EXPECT_EQ(copy.database, nullptr);
  EXPECT_EQ(other.database, b);
  read.database = b;
  EXPECT_EQ(read.database, b);
}

TEST(DatabaseManager, AddedDatabasesAndUses) {
  Fixture f;
  Database* d =
      f.manager.Add(std::make_unique<test::MemoryDatabase>(f.Path("x"), 1), f.Path("x.tqg"));
  EXPECT_EQ(f.manager.Find(f.Path("x.tqh")), d);
  EXPECT_TRUE(f.manager.AddUse(f.Path("x.tqh")));
  EXPECT_TRUE(f.manager.AddUse(d));
  EXPECT_FALSE(f.manager.AddUse(f.Path("y.tqh")));
  EXPECT_EQ(f.manager.UseCount(d), 3);
  EXPECT_TRUE(f.made.empty());
}

TEST(DatabaseManager, ConfiguredDatabaseIsCreatedWithItsFolders) {
  Fixture f;
  AppSettings settings;
  settings.engineMatchDatabase = f.Path("sub/folder/match");
  Services services;
  services.settings = &settings;
  ScopedServices scoped(services);

  EXPECT_EQ(f.manager.OpenConfiguredDatabase(0), nullptr);  // no path configured
  TQFileDatabase* d = f.manager.OpenConfiguredDatabase(1);
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(fs::is_directory(f.Path("sub/folder")));
  ASSERT_EQ(f.made.size(), 1u);
  EXPECT_TRUE(f.made[0].create);
  EXPECT_EQ(f.made[0].base, f.Path("sub/folder/match"));
  EXPECT_EQ(f.manager.OpenConfiguredDatabase(1), d);
  EXPECT_EQ(f.manager.Open(f.Path("sub/folder/match.tqg"), 0), d);
  EXPECT_EQ(f.manager.UseCount(d), 3);
}

}  // namespace
}  // namespace zh

#include "database/headerset/database_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <tuple>

#include "core/temp_dir.h"

namespace zh {
namespace {

namespace fs = std::filesystem;

struct Tournament {
  uint32_t date;
  std::string title, place;
};

// A database in memory: records by number (a missing one cannot be read), the
// tournaments and the players; sorted positions follow the libraries' orders (year
// descending, title, place; players by name).
class FakeSource : public SortSource {
 public:
  std::vector<std::optional<HeaderRecord>> records;  // [0] unused
  std::vector<Tournament> tournaments;
  std::vector<std::string> players;
  std::map<int, std::string> titles;
  int loads = 0, frees = 0;

  int Count() override { return static_cast<int>(records.size()) - 1; }
  bool ReadRecord(int n, HeaderRecord& record) override {
    if (!records[n]) return false;
    record = *records[n];
    return true;
  }
  int TournamentCount() override { return static_cast<int>(tournaments.size()); }
  uint32_t TournamentDate(uint32_t t) override { return tournaments.at(t).date; }
  bool LoadSortOrders() override {
    ++loads;
    return true;
  }
  void FreeSortOrders() override { ++frees; }
  uint32_t TournamentPosition(uint32_t t) override {
    auto key = [&](uint32_t i) {
      const Tournament& x = tournaments[i];
      return std::make_tuple(-static_cast<int>(x.date >> 9), x.title, x.place);
    };
    uint32_t pos = 0;
    for (uint32_t i = 0; i < tournaments.size(); ++i) pos += key(i) < key(t);
    return pos;
  }
  uint32_t PlayerPosition(uint32_t p) override {
    uint32_t pos = 0;
    for (const auto& name : players) pos += name < players.at(p);
    return pos;
  }
  std::pair<std::string, std::string> TournamentPlaceAndTitle(uint32_t t) override {
    return {tournaments.at(t).place, tournaments.at(t).title};
  }
  std::string TextTitle(int n) override { return titles[n]; }

  void AddGame(uint32_t t, int round, int subRound, uint32_t white, uint32_t black, int eco,
               int year = 0) {
    HeaderRecord r = HeaderRecord::Game();
    r.tournament = t;
    r.round = static_cast<uint16_t>(round);
    r.subRound = static_cast<uint16_t>(subRound);
    r.white = white;
    r.black = black;
    r.eco = static_cast<uint16_t>(eco);
    r.date = static_cast<uint32_t>(year) << 9;
    records.emplace_back(r);
  }
  void AddText(uint32_t t, int round, const std::string& title) {
    HeaderRecord r = HeaderRecord::Text();
    r.tournament = t;
    r.round = static_cast<uint16_t>(round);
    titles[static_cast<int>(records.size())] = title;
    records.emplace_back(r);
  }
};

// Two dated tournaments and two undated ones whose games are of 2000.
FakeSource Fixture() {
  FakeSource s;
  s.records.emplace_back();
  s.tournaments = {{2001u << 9, "Alpha", "Z"}, {1999u << 9, "Beta", "A"}, {0, "Gamma", "B"},
                   {0, "Delta", "A"}};
  s.players = {"Adams", "Carlsen", "Botvinnik"};
  s.AddGame(0, 2, 0, 1, 0, 300);        // 1
  s.AddGame(1, 1, 0, 0, 1, 100);        // 2
  s.AddGame(2, 1, 0, 2, 0, 100, 2000);  // 3
  s.AddText(0, 2, "Report");            // 4: before the games of its round
  s.AddGame(0, 1, 0, 0, 2, 200);        // 5
  s.records.emplace_back();             // 6: unreadable, always last
  s.AddGame(3, 1, 0, 0, 1, 100, 2000);  // 7
  s.AddGame(0, 2, 1, 0, 1, 300);        // 8
  return s;
}

std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
  return names;
}

TEST(DatabaseSort, CriteriaOrderTheFixtureAndLeaveOnlyTheirResult) {
  const struct {
    int criterion;
    std::vector<int32_t> items;  // numbers
  } cases[] = {
      {kSortByTournament, {2, 7, 3, 5, 4, 1, 8, 6}},
      {kSortNewestFirst, {5, 4, 1, 8, 7, 3, 2, 6}},
      {kSortByEco, {2, 7, 3, 5, 8, 1, 4, 6}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.criterion);
    for (const uint64_t budget : {uint64_t{0}, uint64_t{16 + 2 * sizeof(SortKey)}}) {
      test::TempDir dir;
      std::ofstream(dir / "temp.0") << "user";
      FakeSource source = Fixture();
      int runs = 0;
      SortOptions options;
      options.memoryBudget = budget;
      options.onRun = [&](const std::string&) { ++runs; };
      const auto order = SortItems(source, dir.Path().string(), c.criterion, options);
      ASSERT_TRUE(order);
      std::vector<int32_t> numbers;
      for (int32_t i : *order) numbers.push_back(i + 1);
      EXPECT_EQ(numbers, c.items);
      EXPECT_EQ(runs, budget ? 5 : 1);  // 4 runs and one merge, or a single run
      EXPECT_EQ(Names(dir.Path()), std::set<std::string>{"temp.0"});
      EXPECT_EQ(source.loads, 1);
      EXPECT_EQ(source.frees, 1);
    }
  }
}

TEST(DatabaseSort, SevenRunsMergeFiveThenThreeAndMatchAnInMemorySort) {
  std::mt19937 rng(7);
  FakeSource source;
  source.records.emplace_back();
  for (int t = 0; t < 6; ++t)
    source.tournaments.push_back(
        {t % 3 ? static_cast<uint32_t>((1990 + t % 2) * 512 + 33) : 0u, "T" + std::to_string(t % 4),
         "P" + std::to_string(t % 2)});
  source.players = {"a", "b", "c", "d"};
  for (int i = 0; i < 70; ++i) {
    if (rng() % 10 == 0)
      source.AddText(rng() % 6, rng() % 3, "x" + std::to_string(rng() % 3));
    else
      source.AddGame(rng() % 6, rng() % 3, rng() % 2, rng() % 4, rng() % 4, rng() % 3,
                     1990 + rng() % 2);
  }
  for (const int criterion : {kSortByTournament, kSortByEco, kSortNewestFirst}) {
    SCOPED_TRACE(criterion);
    test::TempDir dir;
    std::vector<std::pair<std::vector<int>, int>> merges;
    SortOptions options;
    options.memoryBudget = 4 * 6 + 10 * sizeof(SortKey);  // a seventh of the items
    options.onMerge = [&](const std::vector<int>& group, int into) {
      merges.emplace_back(group, into);
    };
    const auto order = SortItems(source, dir.Path().string(), criterion, options);
    ASSERT_TRUE(order);
    EXPECT_EQ(merges, (std::vector<std::pair<std::vector<int>, int>>{{{0, 1, 2, 3, 4}, 7},
                                                                      {{5, 6, 7}, 8}}));
    const auto whole = SortItems(source, dir.Path().string(), criterion);
    ASSERT_TRUE(whole);
    EXPECT_EQ(*order, *whole);
    EXPECT_TRUE(fs::is_empty(dir.Path()));
  }
}

// With tournaments dated on 1 January, dated and undated keys share date keys: the
// comparison must still be a strict order, or a sort may run off its range.
TEST(DatabaseSort, KeyOrderIsStrictAcrossDatedAndUndatedTournaments) {
  FakeSource source;
  source.tournaments = {{1990 * 512 + 33, "B", "x"}, {1990 * 512 + 33, "A", "y"},
                        {0, "A", "a"},                {0, "C", "z"},
                        {0, "A", "a"}};
  source.players = {"a", "b"};
  std::mt19937 rng(3);
  std::vector<SortKey> keys;
  for (int i = 1; i <= 30; ++i) {
    SortKey k;
    k.item = i;
    k.tournament = rng() % 5;
    k.dated = source.tournaments[k.tournament].date != 0;
    k.dateKey = 1990 * 512 + 33;
    k.tournamentPosition = source.TournamentPosition(k.tournament);
    k.round = static_cast<int8_t>(rng() % 2);
    k.whitePosition = rng() % 2;
    k.blackPosition = rng() % 2;
    keys.push_back(k);
  }
  for (const int criterion : {kSortByTournament, kSortByEco, kSortNewestFirst}) {
    const SortKeyOrder less(source, criterion);
    for (const auto& a : keys) {
      EXPECT_FALSE(less(a, a));
      for (const auto& b : keys) {
        if (a.item != b.item) {
          EXPECT_NE(less(a, b), less(b, a));
        }
        for (const auto& c : keys)
          if (less(a, b) && less(b, c)) {
            EXPECT_TRUE(less(a, c));
          }
      }
    }
  }
}

TEST(DatabaseSort, EmptyDatabaseOrTooLittleMemoryGivesNull) {
  test::TempDir dir;
  FakeSource empty;
  empty.records.emplace_back();
  EXPECT_FALSE(SortItems(empty, dir.Path().string(), kSortByTournament));
  EXPECT_EQ(empty.loads, 0);
  FakeSource source = Fixture();
  SortOptions options;
  options.memoryBudget = 16;  // the tournament dates alone
  EXPECT_FALSE(SortItems(source, dir.Path().string(), kSortByTournament, options));
  EXPECT_TRUE(fs::is_empty(dir.Path()));
}

}  // namespace
}  // namespace zh

// The name pre-filter over real libraries, and the booster criteria of a mask.
#include "database/headerset/name_filter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/rules/board.h"
#include "core/temp_dir.h"
#include "database/keys/booster_criteria.h"
#include "database/headerset/header_library.h"
#include "database/storage/header_record.h"
#include "database/position_mask.h"
#include "support/recording_services.h"

namespace zh {
namespace {

class NameFilterTest : public ::testing::Test {
 protected:
  NameFilterTest()
      : players(Base(), DiskTree::kOpenOrCreate),
        tournaments(Base(), DiskTree::kOpenOrCreate),
        annotators(Base(), DiskTree::kOpenOrCreate),
        sources(Base(), DiskTree::kOpenOrCreate) {
    // "Last, First" with the number of their first game.
    const std::pair<const char*, int> names[] = {
        {"Lasker, Emanuel", 40}, {"Müller, Karl", 12}, {"Mayer, Anna", 30}, {"Mzz, Z", 50},
        {"Meyer, Otto", 7},      {"Nunn, John", 3},    {"Zölle, Eva", 60},  {"Zz, Top", 70},
    };
    for (const auto& [name, game] : names) {
      TQPlayer player = TQPlayer::FromText(name);
      int32_t entry;
      EXPECT_EQ(players.AddGame(player, entry, game), 0);
      numbers[name] = entry;
    }
    int16_t round = 0, sub = 0;
    for (const auto& [title, game] : {std::pair{"Wijk Open", 5}, {"Linares", 9}}) {
      TQTournament t(title, 1999, round, sub);
      int32_t entry;
      EXPECT_EQ(tournaments.AddGame(t, entry, game), 0);
      numbers[title] = entry;
    }
    TQAnnotator a;
    a.SetName("Kasparov");
    int32_t entry;
    EXPECT_EQ(annotators.AddGame(a, entry, 20), 0);
    numbers["Kasparov"] = entry;
  }
  std::string Base() const { return (dir / "names").string(); }

  std::vector<int32_t> Listed(const SortedLONGArr* list) {
    return list ? std::vector<int32_t>(list->Data(), list->Data() + list->Count()) : std::vector<int32_t>{};
  }
  std::vector<int32_t> Entries(std::initializer_list<const char*> names) {
    std::vector<int32_t> out;
    for (const char* n : names) out.push_back(numbers[n]);
    std::sort(out.begin(), out.end());
    return out;
  }

  test::TempDir dir;
  test::RecordingServices services;
  PlayerLib players;
  TournamentLib tournaments;
  AnnotatorLib annotators;
  SourceLib sources;
  std::map<std::string, int32_t> numbers;
};

TEST_F(NameFilterTest, CapitalisedPrefixTakesALibraryRange) {
  struct Case {
    const char* last;
    const char* first;
    std::initializer_list<const char*> players;
    int smallest;
  } cases[] = {
      // Names that go on with a letter above 'z' are in the range.
      {"M", "", {"Müller, Karl", "Mayer, Anna", "Mzz, Z", "Meyer, Otto"}, 7},
      {"Mü", "", {"Müller, Karl"}, 12},
      {"Z", "", {"Zölle, Eva", "Zz, Top"}, 60},
      {"Müller", "K", {"Müller, Karl"}, 12},
      {"Q", "", {}, NameFilter::kNoGame},
  };
  for (const Case& c : cases) {
    test::PositionMask mask;
    mask.header.SetPlayers(c.last, c.first, "", "", false);
    NameFilter filter(mask, &players, &tournaments, &annotators, &sources);
    services.calls.clear();
    ASSERT_EQ(filter.Build(), 0);
    EXPECT_EQ(Listed(filter.Players()), Entries(c.players)) << c.last;
    EXPECT_EQ(filter.SmallestFirstGame(), c.smallest) << c.last;
    EXPECT_EQ(filter.ScannedEntries(), 0u) << c.last;
    EXPECT_EQ(services.CallsStartingWith("Status"), std::vector<std::string>{});
  }
}

TEST_F(NameFilterTest, PatternsScanTheLibraries) {
  test::PositionMask mask;
  mask.header.SetPlayers("*yer", "", "n?nn", "", false);
  mask.header.tournamentText = "Lin";
  NameFilter filter(mask, &players, &tournaments, &annotators, &sources);
  ASSERT_EQ(filter.Build(), 0);
  EXPECT_EQ(Listed(filter.Players()), Entries({"Mayer, Anna", "Meyer, Otto"}));
  EXPECT_EQ(Listed(filter.Tournaments()), Entries({"Linares"}));
  EXPECT_EQ(filter.Annotators(), nullptr);
  EXPECT_EQ(filter.SmallestFirstGame(), 7);
  EXPECT_EQ(filter.ScannedEntries(), 8u + 8u + 2u);
  EXPECT_EQ(services.CallsStartingWith("Status"),
            (std::vector<std::string>{"Status: Scanning library for: *yer", "Status: Scanning library for: n?nn",
                                      "Status: Scanning library for: Lin"}));

  // A game record passes on any listed name; other records always.
  HeaderRecord record = HeaderRecord::Game();
  record.white = static_cast<uint32_t>(numbers["Nunn, John"]);
  record.black = static_cast<uint32_t>(numbers["Lasker, Emanuel"]);
  EXPECT_FALSE(filter.Passes(record));
  record.tournament = static_cast<uint32_t>(numbers["Linares"]);
  EXPECT_TRUE(filter.Passes(record));
  record.tournament = 0;
  record.black = static_cast<uint32_t>(numbers["Meyer, Otto"]);
  EXPECT_TRUE(filter.Passes(record));
  EXPECT_TRUE(filter.Passes(HeaderRecord::Text()));
}

TEST_F(NameFilterTest, WithoutNamesEveryGameIsACandidate) {
  test::PositionMask mask;
  NameFilter filter(mask, &players, &tournaments, &annotators, &sources);
  ASSERT_EQ(filter.Build(), 0);
  EXPECT_FALSE(filter.HasLists());
  EXPECT_EQ(filter.SmallestFirstGame(), 1);
  EXPECT_TRUE(filter.Passes(HeaderRecord::Game()));
  EXPECT_TRUE(services.calls.empty());

  mask.header.annotatorText = "Kasp";
  NameFilter annotated(mask, &players, &tournaments, &annotators, &sources);
  ASSERT_EQ(annotated.Build(), 0);
  EXPECT_EQ(Listed(annotated.Annotators()), Entries({"Kasparov"}));
  EXPECT_EQ(annotated.SmallestFirstGame(), 20);
}

TEST(BoosterCriteria, TakesGroupsSquaresAndOptionsFromTheMask) {
  test::PositionMask mask;
  mask.materialOn = true;
  mask.minimum[0][kPawn] = 5;
  mask.minimum[0][kKnight] = 1;
  mask.minimum[0][kBishop] = 2;
  mask.minimum[1][kRook] = 6;
  mask.minimum[1][kQueen] = 3;  // capped at 7
  mask.exact[1] = true;
  BoosterCriteria c = BoosterCriteriaOf(mask);
  EXPECT_TRUE(c.material);
  EXPECT_FALSE(c.motif);
  EXPECT_EQ(std::vector<int>(c.minimum[0], c.minimum[0] + 3), (std::vector<int>{5, 3, 0}));
  EXPECT_EQ(std::vector<int>(c.minimum[1], c.minimum[1] + 3), (std::vector<int>{0, 0, 7}));
  EXPECT_FALSE(c.exact[0][0]);
  EXPECT_TRUE(c.exact[1][2]);
  EXPECT_FALSE(c.reversedColours || c.mirrored);

  mask.materialOn = false;
  mask.motifOn = true;
  mask.squares[0] = 0x0000000100000200ull;
  mask.squares[1] = 0x8000000000000001ull;
  mask.firstMove = 3;
  mask.lastMove = 12;
  mask.options[0] = true;
  c = BoosterCriteriaOf(mask);
  EXPECT_FALSE(c.material);
  EXPECT_EQ(c.minimum[0][0], 0);
  EXPECT_TRUE(c.motif);
  EXPECT_EQ(c.firstMove, 3);
  EXPECT_EQ(c.lastMove, 12);
  // Record words 8-11: the two sets, low half first.
  EXPECT_EQ(c.placement[6], 0x200u);
  EXPECT_EQ(c.placement[7], 1u);
  EXPECT_EQ(c.placement[8], 1u);
  EXPECT_EQ(c.placement[9], 0x80000000u);
  EXPECT_TRUE(c.reversedColours);
  EXPECT_FALSE(c.mirrored);
  mask.mirrored = true;
  EXPECT_TRUE(BoosterCriteriaOf(mask).mirrored);
  mask.mirrored = false;
  mask.options[1] = true;
  EXPECT_TRUE(BoosterCriteriaOf(mask).mirrored);
}

}  // namespace
}  // namespace zh

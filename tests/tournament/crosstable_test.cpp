// Crosstables from small events: kind detection, the texts of every kind, names and
// titles, and the limits that large or odd events reach.
#include "tournament/crosstable_builder.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tournament/crosstable_events.h"
#include "tournament/crosstable_text.h"

namespace zh {
namespace {

using test::EventDatabase;
using test::EventGame;

class Crosstable : public ::testing::Test {
 protected:
  Crosstable() { test::LoadEnglishMessages(services_); }

  std::unique_ptr<CrosstableBuilder> Build(EventDatabase& e, int tolerance = kStrictRoundRobin) {
    return std::make_unique<CrosstableBuilder>(e.db, GameNumberRange::FromRange(1, e.Count()), tolerance);
  }

  test::RecordingServices services_;
};

std::string Name(int i, const char* prefix = "P") {
  return std::string(prefix) + std::to_string(i) + ", X";
}

// Every pair of the players meets `cycles` times, colours alternating; result(i, j, c)
// is the result of the c-th game of i against j from white's view.
template <typename Result>
void AllPlayAll(EventDatabase& e, int players, int cycles, Result result, const std::vector<int>& elos = {}) {
  int round = 0;
  for (int c = 0; c < cycles; ++c)
    for (int i = 0; i < players; ++i)
      for (int j = i + 1; j < players; ++j) {
        const bool swap = c % 2;
        const int w = swap ? j : i, b = swap ? i : j;
        EventGame g{Name(w), Name(b), result(w, b, c), ++round % 100 + 1};
        if (!elos.empty()) g.whiteElo = elos[static_cast<size_t>(w)], g.blackElo = elos[static_cast<size_t>(b)];
        e.Add(g);
      }
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// --- kind detection ---------------------------------------------------------------

TEST_F(Crosstable, RoundRobinToleranceFindsTheCycles) {
  auto draw = [](int, int, int) { return 1; };
  struct Case {
    const char* name;
    std::vector<int> dropped;  // games left out (0-based, in creation order)
    int tolerance;
    bool roundRobin;
  };
  // Games 0..5 are the first cycle, 6..11 the second; pairs of games k and k + 6 meet.
  const std::vector<Case> cases = {
      {"complete", {}, kStrictRoundRobin, true},
      {"one game missing", {7}, kStrictRoundRobin, true},
      {"four pairs short", {6, 7, 8, 9}, kStrictRoundRobin, false},
      {"four pairs short, loose", {6, 7, 8, 9}, kLooseRoundRobin, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EventDatabase full;
    AllPlayAll(full, 4, 2, draw);
    EventDatabase e;
    for (size_t i = 0; i < full.db.items.size(); ++i)
      if (std::find(c.dropped.begin(), c.dropped.end(), static_cast<int>(i)) == c.dropped.end())
        e.db.items.push_back(full.db.items[i]);
    const auto b = Build(e, c.tolerance);
    ASSERT_NE(b->Kind(), nullptr);
    EXPECT_EQ(b->Kind()->GetKind() == kRoundRobinKind, c.roundRobin);
    if (c.roundRobin) {
      EXPECT_EQ(static_cast<const RibbenTournament*>(b->Kind())->Cycles(), 2);
    }
  }
}

TEST_F(Crosstable, TextsAloneMakeAnEmptyRoundRobin) {
  EventDatabase e;
  e.AddText("Introduction");
  e.AddText("Report");
  const auto b = Build(e);
  ASSERT_NE(b->Kind(), nullptr);
  EXPECT_EQ(b->Kind()->GetKind(), kRoundRobinKind);
  EXPECT_EQ(b->Manager().RowCount(), 0);
  EXPECT_EQ(static_cast<const RibbenTournament*>(b->Kind())->Cycles(), 1);
}

// An 8-player knock-out, rounds 1 to 3; a game with round 0 or a round byte above 120
// spoils the knock-out test.
void SmallKnockOut(EventDatabase& e, int firstRound) {
  e.Add({Name(1), Name(2), 2, firstRound});
  e.Add({Name(3), Name(4), 0, 1});
  e.Add({Name(5), Name(6), 2, 1});
  e.Add({Name(7), Name(8), 2, 1});
  e.Add({Name(1), Name(4), 2, 2});
  e.Add({Name(5), Name(7), 0, 2});
  e.Add({Name(1), Name(7), 1, 3});
}

TEST_F(Crosstable, KnockOutNeedsEveryRound) {
  for (const auto& [round, kind] : std::vector<std::pair<int, int>>{{1, kKnockOutKind}, {0, kOpenKind}, {121, kOpenKind}}) {
    SCOPED_TRACE(round);
    EventDatabase e;
    SmallKnockOut(e, round);
    const auto b = Build(e);
    ASSERT_NE(b->Kind(), nullptr);
    EXPECT_EQ(b->Kind()->GetKind(), kind);
  }
}

TEST_F(Crosstable, RefusalsAnswerTheirMessage) {
  EventDatabase e;
  e.Add({Name(1), Name(2), 2, 1});
  e.Add({Name(1), Name(3), 2, 1}, "Another Cup");
  e.Add({Name(2), Name(3), 2, 1});
  const auto b = Build(e);
  EXPECT_EQ(b->Kind(), nullptr);
  EXPECT_EQ(b->Message(), "Games from different tournaments");
  EXPECT_EQ(b->Manager().GameCount(), 2);  // the other games were still read

  // A player table that is full: the manager's own limit.
  CTourManager m;
  ASSERT_TRUE(m.Allocate(4, 2));
  EXPECT_GE(m.AddPlayer("A", 0), 0);
  EXPECT_GE(m.AddPlayer("B", 0), 0);
  EXPECT_EQ(m.AddPlayer("C", 0), -1);
  EXPECT_GE(m.AddPlayer("A", 0), 0);
}

// --- texts -------------------------------------------------------------------------

TEST_F(Crosstable, MatchOfTwoPlayers) {
  EventDatabase e("Title Match", 2024);
  for (int g = 0; g < 12; ++g)
    e.Add({g % 2 ? "Bee, Bo" : "Ant, Al", g % 2 ? "Ant, Al" : "Bee, Bo", g % 3 == 0 ? 2 : g % 3 == 1 ? 1 : 0, g + 1,
           g % 2 ? 2500 : 2600, g % 2 ? 2600 : 2500});
  const auto b = Build(e);
  ASSERT_NE(b->Kind(), nullptr);
  ASSERT_EQ(b->Kind()->GetKind(), kRoundRobinKind);
  // Game numbers modulo 10 head the columns; no diagonal, no performance, no category.
  // The tie shows each row's Sonneborn-Berger (4 wins and 4 draws against 6 points).
  EXPECT_EQ(b->Kind()->WriteTextTable(false),
            "Title Match  2024\n\n"
            "                  123456789012\n"
            "1   Ant,Al  2600  1\u00BD00\u00BD11\u00BD00\u00BD1  6.0/12  36.00\n"
            "2   Bee,Bo  2500  0\u00BD11\u00BD00\u00BD11\u00BD0  6.0/12  36.00\n\n");
  EXPECT_EQ(b->Kind()->WriteTextTable(true),
            "Title Match  2024\n\n"
            "\t123456789012\n"
            "1\tAnt,Al\t2600\t1\u00BD00\u00BD11\u00BD00\u00BD1\t6.0/12\t36.00\n"
            "2\tBee,Bo\t2500\t0\u00BD11\u00BD00\u00BD11\u00BD0\t6.0/12\t36.00\n\n");
}

TEST_F(Crosstable, RoundRobinShowsSonnebornBergerOnlyForTiedRows) {
  // P0 beats everyone; P1 and P2 tie on 2 points with different Sonneborn-Berger.
  EventDatabase e;
  int results[5][5] = {};
  for (int j = 1; j < 5; ++j) results[0][j] = 2;
  results[1][2] = 1, results[1][3] = 2, results[1][4] = 1;
  results[2][3] = 1, results[2][4] = 2;
  results[3][4] = 2;
  AllPlayAll(e, 5, 1, [&](int w, int b, int) { return w < b ? results[w][b] : 2 - results[b][w]; });
  const auto b = Build(e);
  ASSERT_EQ(b->Kind()->GetKind(), kRoundRobinKind);
  const auto lines = Lines(b->Kind()->WriteTextTable(false));
  ASSERT_GE(lines.size(), 8u);
  EXPECT_EQ(lines[2], "          1 2 3 4 5 ");
  EXPECT_EQ(lines[3], "1   P0,X  * 1 1 1 1   4.0/4");
  // P1: ½ x 2 + 1 x 1.5 + ½ x 0.5; P2: ½ x 2 + ½ x 1.5 + 1 x 0.5.
  EXPECT_EQ(lines[4], "2   P1,X  0 * \u00BD 1 \u00BD   2.0/4  2.75");
  EXPECT_EQ(lines[5], "3   P2,X  0 \u00BD * \u00BD 1   2.0/4  2.25");
  EXPECT_EQ(lines[6], "4   P3,X  0 0 \u00BD * 1   1.5/4");
  EXPECT_EQ(lines[7], "5   P4,X  0 \u00BD 0 0 *   0.5/4");
}

TEST_F(Crosstable, CategoryAndNormLinesByAverage) {
  auto draw = [](int, int, int) { return 1; };
  struct Case {
    std::vector<int> elos;
    bool category, norms;
    const char* line;
  };
  const std::vector<Case> cases = {
      {{2301, 2301, 2301, 2301}, true, false, "Average elo: 2301 <=> Category: 3 "},
      {{2300, 2300, 2300, 2300}, false, false, ""},
      // An unrated player counts 2200: (2467 * 3 + 2200) / 4 = 2400.
      {{2467, 2467, 2467, 0}, true, false, "Average elo: 2400 <=> Category: 6 "},
      {{2468, 2468, 2468, 0}, true, true, "Average elo: 2401 <=> Category: 7 "},
  };
  for (const Case& c : cases) {
    EventDatabase e;
    AllPlayAll(e, 4, 1, draw, c.elos);
    const auto b = Build(e);
    const std::string text = b->Kind()->WriteTextTable(false);
    SCOPED_TRACE(text);
    EXPECT_EQ(Contains(text, "Average elo:"), c.category);
    if (c.category) {
      EXPECT_TRUE(Contains(text, std::string(c.line) + "\n"));
    }
    // Category 7, 3 games each: 76 % and 56 % of 3.
    EXPECT_EQ(Contains(text, "gm = 2.28 m = 1.68\n"), c.norms);
  }
}

TEST_F(Crosstable, OpenGridAndNoGridWhenAPairMetTwice) {
  EventDatabase e;
  // Four players, three rounds of a Swiss without repeats.
  e.Add({Name(1), Name(2), 2, 1});
  e.Add({Name(3), Name(4), 1, 1});
  e.Add({Name(3), Name(1), 0, 2});
  e.Add({Name(2), Name(4), 2, 2});
  e.Add({Name(1), Name(4), 1, 3});
  e.Add({Name(5), Name(6), 2, 3});  // two more players keep it from being a round robin
  e.Add({Name(2), Name(3), 1, 3});
  const auto b = Build(e);
  ASSERT_EQ(b->Kind()->GetKind(), kOpenKind);
  const auto& open = static_cast<const OpenTournament&>(*b->Kind());
  EXPECT_TRUE(open.HasGrid());
  const auto lines = Lines(open.WriteTextTable(false));
  EXPECT_EQ(lines[2], "          1  2  3  ");
  // P1: 2.5 points, first; won against row 3 (P2) with white, then with black, then drew.
  EXPECT_EQ(lines[3].substr(0, 9), "  1 P1,X ");
  EXPECT_TRUE(lines[3].ends_with("+1 -1 +\u00BD  2.5/3")) << lines[3];

  EventDatabase twice;
  twice.Add({Name(1), Name(2), 2, 1});
  twice.Add({Name(3), Name(4), 1, 1});
  twice.Add({Name(2), Name(1), 0, 2});
  twice.Add({Name(5), Name(6), 1, 2});
  const auto b2 = Build(twice);
  ASSERT_EQ(b2->Kind()->GetKind(), kOpenKind);
  EXPECT_FALSE(static_cast<const OpenTournament&>(*b2->Kind()).HasGrid());
}

TEST_F(Crosstable, KnockOutLabelsAndPairings) {
  EventDatabase e("Cup");
  std::vector<int> alive;
  for (int i = 1; i <= 16; ++i) alive.push_back(i);
  for (int round = 1; alive.size() > 1; ++round) {
    std::vector<int> next;
    for (size_t i = 0; i < alive.size(); i += 2) {
      e.Add({Name(alive[i]), Name(alive[i + 1]), 1, round});
      e.Add({Name(alive[i + 1]), Name(alive[i]), 0, round});  // the first player wins 1.5-0.5
      next.push_back(alive[i]);
    }
    alive = next;
  }
  const auto b = Build(e);
  ASSERT_EQ(b->Kind()->GetKind(), kKnockOutKind);
  const std::string text = b->Kind()->WriteTextTable(false);
  EXPECT_TRUE(text.starts_with("Cup  2023\n\nFinal\n-----\n\nP1,X 1.5\nP9,X 0.5\n\nSemifinal\n---------\n\n"
                               "P1,X 1.5\nP5,X 0.5\n\nP9,X 1.5\nP13,X 0.5\n\nQuarterfinal\n------------\n\n"))
      << text;
  EXPECT_TRUE(Contains(text, "Round 1\n-------\n\nP1,X 1.5\nP2,X 0.5\n\n")) << text;
  EXPECT_TRUE(b->Kind()->WriteTextTable(true).starts_with("Cup\t2023\n\n"));
}

TEST_F(Crosstable, SimulResultsFromTheGiversView) {
  EventDatabase e("Simul");
  e.Add({"Giver, G", "Guest, A", 2, 1, 2400});  // giver wins with white
  e.Add({"Guest, B", "Giver, G", 0, 1, 0, 2400});  // giver wins with black
  e.Add({"Giver, G", "Guest, C", 0, 1, 2400});  // giver loses with white
  e.Add({"Giver, G", "Guest, D", 3, 1, 2400});  // unfinished
  const auto b = Build(e);
  ASSERT_EQ(b->Kind()->GetKind(), kSimulKind);
  EXPECT_EQ(b->Kind()->WriteTextTable(false),
            "Simul  2023\n\n"
            "Giver,G    2400 - Guest,A     1-0\n"
            "Giver,G    2400 - Guest,B     *1-0\n"
            "Giver,G    2400 - Guest,C     0-1\n"
            "Giver,G    2400 - Guest,D     V\n");
}

TEST_F(Crosstable, TwoTeamsStaircaseHead) {
  EventDatabase e("Duel");
  const char* a[] = {"Ash, A", "Oak, O"};
  const char* z[] = {"Elm, E", "Fir, F"};
  int round = 0;
  for (int j = 0; j < 2; ++j)
    for (int i = 0; i < 2; ++i) {
      e.Add({a[i], z[j], 2, ++round});
      e.Add({z[j], a[i], 1, ++round});
    }
  const auto b = Build(e);
  ASSERT_EQ(b->Kind()->GetKind(), kMultiKind);
  EXPECT_EQ(b->Kind()->WriteTextTable(false),
            "Duel  2023\n\n"
            "          -------  Ash,A     3.0/4\n"
            "          |   ---  Oak,O     3.0/4\n"
            "          |   |   \n"
            " 1 Elm,E  0\u00BD  0\u00BD     1.0/4\n"
            " 2 Fir,F  0\u00BD  0\u00BD     1.0/4\n");
}

TEST_F(Crosstable, TeamMatchOfBoards) {
  EventDatabase e("Match");
  e.Add({"Home, A", "Away, A", 2, 1});
  e.Add({"Away, B", "Home, B", 1, 1});
  e.Add({"Home, C", "Away, C", 0, 1});
  const auto b = Build(e);
  ASSERT_EQ(b->Kind()->GetKind(), kTeamKind);
  EXPECT_EQ(b->Kind()->WriteTextTable(false),
            "Match  2023\n\n"
            "Away,A   - Home,A    *0-1 \n"
            "Home,B   - Away,B    *\u00BD-\u00BD \n"
            "Away,C   - Home,C    *1-0 \n");
}

// --- names and titles ----------------------------------------------------------------

TEST(CrosstableNames, TrimmingAndCutting) {
  const std::vector<std::pair<std::string, std::string>> names = {
      {"  Carlsen,Magnus  ", "Carlsen,Magnus"},
      {"Carlsen,Magnus (NOR)", "Carlsen,Magnus"},
      {"Carlsen,Magnus (NOR)   ", "Carlsen,Magnus"},
      {"Odd (x) name", "Odd (x) name"},
      {")", ")"},
      {"", ""},
  };
  for (const auto& [in, out] : names) EXPECT_EQ(TrimPlayerName(in), out) << in;
  const std::vector<std::pair<std::string, std::string>> titles = {
      {"Wijk Open 2023", "Wijk Open"}, {"Wijk Open #3", "Wijk Open"}, {"Wijk Open (open)", "Wijk Open"},
      {"Wijk Open ;x", "Wijk Open"},   {"Wijk Open [B]", "Wijk Open"}, {"Wijk Open", "Wijk Open"},
      {"Wijk Open B", "Wijk Open B"},  {"Wijk2023", "Wijk2023"},
  };
  for (const auto& [in, out] : titles) EXPECT_EQ(CutTournamentTitle(in), out) << in;
}

TEST_F(Crosstable, PlayersRatingsAndAccentedNames) {
  EventDatabase e;
  // First names beyond 20 characters differing later are one player; the rating is
  // that of the first game in list order.
  e.Add({"Long, Maximilianalexanderus1", "Müller, Jörg", 2, 1, 2100, 2300});
  e.Add({"Müller, Jörg", "Long, Maximilianalexanderus2", 0, 2, 2350, 2200});
  e.Add({"Ng, Li", "Long, Maximilianalexanderus3", 1, 3, 0, 2000});
  e.Add({"Müller, Jörg", "Ng, Li", 1, 4, 0, 0});
  e.Add({"Ng, Li", "Müller, Jörg", 1, 5, 0, 0});
  e.Add({"Long, Maximilianalexanderus", "Ng, Li", 1, 6, 0, 0});
  const auto b = Build(e);
  ASSERT_NE(b->Kind(), nullptr);
  const CTourManager& m = b->Manager();
  EXPECT_EQ(m.RowCount(), 3);
  for (const StandingRow& row : m.Rows()) {
    const std::string& name = m.Player(row.player).name;
    if (name.starts_with("Long")) {
      EXPECT_EQ(m.Player(row.player).elo, 2100);
    } else if (name.starts_with("M")) {
      EXPECT_EQ(m.Player(row.player).elo, 2300);
    }
  }
  // In the blank form the column after a name starts at the same character in every row.
  const auto lines = Lines(b->Kind()->WriteTextTable(false));
  ASSERT_GE(lines.size(), 6u);
  int column = -1;
  for (size_t i = 3; i < 6; ++i) {
    size_t at = std::string::npos;
    for (const char* rating : {"2100", "2300", "xxxx"}) at = std::min(at, lines[i].find(rating));
    ASSERT_NE(at, std::string::npos) << lines[i];
    const int chars = TextWidth(std::string_view(lines[i]).substr(0, at));
    if (column < 0) column = chars;
    EXPECT_EQ(chars, column) << lines[i];
  }
}

// --- limits --------------------------------------------------------------------------

TEST_F(Crosstable, LargeAndOddEventsBuild) {
  {  // 400 boards of a simul: 401 players
    EventDatabase e("Big Simul");
    for (int i = 0; i < 400; ++i) e.Add({"Giver, G", Name(i), 2, 1});
    const auto b = Build(e);
    ASSERT_NE(b->Kind(), nullptr) << b->Message();
    EXPECT_EQ(b->Kind()->GetKind(), kSimulKind);
  }
  {  // 40,000 games of one open: 8,000 players, 10 rounds
    EventDatabase e("Huge Open");
    for (int round = 1; round <= 10; ++round)
      for (int i = 0; i < 4000; ++i) e.Add({Name(2 * i), Name((2 * i + 2 * round - 1) % 8000), (i + round) % 3, round});
    const auto b = Build(e);
    ASSERT_NE(b->Kind(), nullptr) << b->Message();
    EXPECT_EQ(b->Manager().GameCount(), 40000);
    EXPECT_EQ(b->Manager().RowCount(), 8000);
    EXPECT_EQ(b->Kind()->GetKind(), kOpenKind);
  }
  {  // 25 against 25, every pair once
    EventDatabase e("Duel");
    int round = 0;
    for (int i = 0; i < 25; ++i)
      for (int j = 0; j < 25; ++j) e.Add({Name(i, "A"), Name(j, "B"), (i + j) % 3, ++round % 100 + 1});
    const auto b = Build(e);
    ASSERT_NE(b->Kind(), nullptr);
    EXPECT_EQ(b->Kind()->GetKind(), kMultiKind);
    EXPECT_EQ(Lines(b->Kind()->WriteTextTable(false)).size(), 2u + 26u + 25u);
  }
}

TEST_F(Crosstable, LongNamesAndManyCyclesWriteWholeTexts) {
  // Names of 200 characters do not fit a header; the table takes them all the same.
  CTourManager m;
  ASSERT_TRUE(m.Allocate(60, 600));
  const std::string a = std::string(200, 'a'), z = std::string(199, 'z') + "\u00E9";
  const int32_t pa = m.AddPlayer(a, 2500), pz = m.AddPlayer(z, 2400);
  for (int c = 0; c < 60; ++c) m.AddGame(c % 2 ? pz : pa, c % 2 ? pa : pz, 2, c + 1, false, c + 1);
  m.ScoreGames();
  int cycles = 0;
  ASSERT_TRUE(m.IsRoundRobin(kStrictRoundRobin, cycles));
  EXPECT_EQ(cycles, 60);
  m.SonnebornBerger();
  RibbenTournament table(m, cycles);
  table.ComputeOrder();
  for (bool tabs : {false, true}) {
    const auto lines = Lines(table.WriteTextTable(tabs));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_TRUE(Contains(lines[3], a)) << lines[3];
    EXPECT_TRUE(Contains(lines[4], z)) << lines[4];
    EXPECT_TRUE(Contains(lines[3], "30.0/60")) << lines[3];
    EXPECT_TRUE(Contains(lines[4], "30.0/60")) << lines[4];
  }
  // Each row's cells end the same number of characters after its name.
  const auto blank = Lines(table.WriteTextTable(false));
  EXPECT_EQ(TextWidth(blank[3]), TextWidth(blank[4]));
}

TEST(CrosstableManager, TwoRoundKnockOutIsJudgedWithinItsRounds) {
  CTourManager m;
  ASSERT_TRUE(m.Allocate(3, 8));
  const int32_t a = m.AddPlayer("A", 0), b = m.AddPlayer("B", 0), c = m.AddPlayer("C", 0), d = m.AddPlayer("D", 0);
  m.AddGame(a, b, 2, 1, false, 1);
  m.AddGame(c, d, 0, 1, false, 2);
  m.AddGame(a, d, 2, 2, false, 3);
  m.ScoreGames();
  EXPECT_TRUE(m.IsKnockOut());
  EXPECT_EQ(m.RoundPlayers(), (std::vector<int32_t>{4, 2}));
  m.AddGame(a, c, 2, 2, false, 4);  // beyond the table's three games: dropped
  EXPECT_EQ(m.GameCount(), 3);
}

TEST_F(Crosstable, PerformanceCountsOnlyTheFirstCyclesGames) {
  // A 1-cycle round robin of 10, all draws, where P0 and P1 met twice more: P0 lost the
  // first game and won the others. The points count every game; the performance only
  // the first against each opponent: 4.0 of 9 at a 2400 average.
  EventDatabase e;
  AllPlayAll(e, 10, 1, [](int w, int b, int) { return w == 0 && b == 1 ? 0 : 1; },
             std::vector<int>(10, 2400));
  e.Add({Name(0), Name(1), 2, 99, 2400, 2400});
  e.Add({Name(1), Name(0), 0, 99, 2400, 2400});
  const auto b = Build(e, kStrictRoundRobin);
  ASSERT_EQ(b->Kind()->GetKind(), kRoundRobinKind);
  ASSERT_EQ(static_cast<const RibbenTournament*>(b->Kind())->Cycles(), 1);
  const CTourManager& m = b->Manager();
  bool found = false;
  for (const StandingRow& row : m.Rows()) {
    if (m.Player(row.player).name != "P0,X") continue;
    found = true;
    EXPECT_EQ(row.points, 12);
    EXPECT_EQ(row.gamesCounted, 11);
    // 2400 - 418 log10(9/4 - 1) = 2359.5, truncated.
    EXPECT_EQ(row.performanceDelta, -41);
  }
  EXPECT_TRUE(found);
}

}  // namespace
}  // namespace zh

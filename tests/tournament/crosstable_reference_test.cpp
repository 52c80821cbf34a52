// Seeded events of every kind, written as PGN by an independent script and imported
// into a header-set database: the table's kind, standings figures and tab-filled text
// against the script's own count from the PGN.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "core/temp_dir.h"
#include "database/headerset/tqg_database.h"
#include "database/pgn/pgn_database.h"
#include "tournament/crosstable_builder.h"
#include "tournament/crosstable_events.h"

namespace zh {
namespace {

std::string RunScript(const std::string& arguments) {
  const std::string command = std::string(ZH_PYTHON3) + " " + ZH_SOURCE_DIR +
                              "/tests/tournament/crosstable_reference.py " + arguments;
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    pclose(pipe);
  }
  return output;
}

struct ReferenceEvent {
  const char* file;
  int kind;
  const char* check;  // the script's text check, or null
};

class CrosstableReference : public ::testing::TestWithParam<ReferenceEvent> {
 protected:
  static void SetUpTestSuite() {
    folder_ = new test::TempDir;
    RunScript("generate " + folder_->Path().string());
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static test::TempDir* folder_;
};
test::TempDir* CrosstableReference::folder_ = nullptr;

TEST_P(CrosstableReference, KindFiguresAndTextAgreeWithTheScript) {
  const ReferenceEvent& event = GetParam();
  test::RecordingServices services;
  test::LoadEnglishMessages(services);
  const std::string base = (folder_->Path() / event.file).string();
  const std::string pgn = base + ".pgn";
  ASSERT_TRUE(std::filesystem::exists(pgn));

  TqgDatabase set(base + "-set", true);
  {
    PgnDatabase source(base, false, false);
    int last = source.GetCount();
    CopyOptions options;
    ASSERT_EQ(set.CopyGameRange(source, 1, last, options), kDbDone);
  }
  ASSERT_GT(set.GetCount(), 0);
  const CrosstableBuilder builder(set, GameNumberRange::FromRange(1, set.GetCount()), kStrictRoundRobin);
  ASSERT_NE(builder.Kind(), nullptr) << builder.Message();
  EXPECT_EQ(builder.Kind()->GetKind(), event.kind);

  // Per player: half points, games with a result, and the kind's tie-breaks.
  const CTourManager& m = builder.Manager();
  std::map<std::string, const StandingRow*> rows;
  for (const StandingRow& row : m.Rows()) rows[m.Player(row.player).name] = &row;
  std::istringstream figures(RunScript("figures " + pgn));
  int players = 0;
  std::map<std::string, std::string> totals;
  for (std::string line; std::getline(figures, line);) {
    std::istringstream cells(line);
    std::string name;
    std::getline(cells, name, '\t');
    if (name == "average" || name == "category" || name == "gm" || name == "im") {
      cells >> totals[name];
      continue;
    }
    int points, counted, sb, buchholz, extended, elo;
    cells >> points >> counted >> sb >> buchholz >> extended >> elo;
    ++players;
    ASSERT_TRUE(rows.count(name)) << name;
    const StandingRow& row = *rows[name];
    EXPECT_EQ(row.points, points) << name;
    EXPECT_EQ(row.gamesCounted, counted) << name;
    EXPECT_EQ(m.Player(row.player).elo, elo) << name;
    if (event.kind == kRoundRobinKind) {
      EXPECT_EQ(row.tieBreak1, sb) << name;
    }
    if (event.kind == kOpenKind) {
      EXPECT_EQ(row.tieBreak1, buchholz) << name;
      EXPECT_EQ(row.tieBreak2, extended) << name;
    }
  }
  EXPECT_EQ(players, m.RowCount());
  if (event.kind == kRoundRobinKind) {
    const auto& rr = static_cast<const RibbenTournament&>(*builder.Kind());
    EXPECT_EQ(rr.Cycles(), 2);
    EXPECT_EQ(std::to_string(rr.Average()), totals["average"]);
    EXPECT_EQ(std::to_string(rr.Category()), totals["category"]);
    char gm[32], im[32];
    std::snprintf(gm, sizeof gm, "%.2f", rr.GrandmasterNorm());
    std::snprintf(im, sizeof im, "%.2f", rr.MasterNorm());
    EXPECT_EQ(gm, totals["gm"]);
    EXPECT_EQ(im, totals["im"]);
  }
  if (event.check) {
    const std::string table = base + ".txt";
    std::ofstream(table) << builder.Kind()->WriteTextTable(true);
    EXPECT_EQ(RunScript(std::string("check ") + event.check + " " + pgn + " " + table), "ok\n");
  }
}

INSTANTIATE_TEST_SUITE_P(Events, CrosstableReference,
                         ::testing::Values(ReferenceEvent{"roundrobin", kRoundRobinKind, "roundrobin"},
                                           ReferenceEvent{"swiss", kOpenKind, "open"},
                                           ReferenceEvent{"knockout", kKnockOutKind, nullptr},
                                           ReferenceEvent{"simul", kSimulKind, nullptr},
                                           ReferenceEvent{"team", kTeamKind, nullptr},
                                           ReferenceEvent{"multi", kMultiKind, nullptr}),
                         [](const auto& info) { return std::string(info.param.file); });

}  // namespace
}  // namespace zh

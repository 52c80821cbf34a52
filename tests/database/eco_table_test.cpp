// ECO codes as text, and the ECO table that the build generates from the opening lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "core/temp_dir.h"
#include "database/eco_table.h"
#include "database/eco_text.h"
#include "database/game/game_item.h"
#include "database/pgn/pgn_reader.h"
#include "support/eco_lines.h"
#include "support/recording_services.h"

namespace zh {
namespace {

TEST(EcoText, TextToValueRanges) {
  struct Case {
    const char* text;
    uint16_t lower, upper;
  } cases[] = {
      {"b12", MakeEco(112, 0), MakeEco(112, 127)}, {"F00", 0, 0},
      {"", 0, 0},                                  {"C", MakeEco(200, 0), 38527},
      {"A", MakeEco(0, 0), MakeEco(99, 127)},      {"A0", MakeEco(0, 0), MakeEco(9, 127)},
      {"A00", MakeEco(0, 0), MakeEco(0, 127)},     {"A00x", MakeEco(0, 0), MakeEco(0, 127)},
      {"A00/5", MakeEco(0, 50), MakeEco(0, 59)},   {"A00/57", MakeEco(0, 57), MakeEco(0, 57)},
      {"E99-99xyz", MakeEco(499, 99), MakeEco(499, 99)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextToEco(c.text, false), c.lower) << c.text;
    EXPECT_EQ(TextToEco(c.text, true), c.upper) << c.text;
  }
  for (uint16_t v = 128; v < 64128; v += 37) {
    if ((v & 127) < 100) {
      EXPECT_EQ(TextToEco(EcoToText(v), false), v) << v;
    }
  }
}

struct DataLine {
  uint16_t code;
  std::string pgn;
  std::string where;
};

std::vector<DataLine> ReadDataLines() {
  std::vector<DataLine> lines;
  for (char letter = 'a'; letter <= 'e'; ++letter) {
    const std::string path = std::string(ZH_OPENINGS_DIR) + "/" + letter + ".tsv";
    std::ifstream in(path);
    std::string row;
    std::getline(in, row);
    for (int n = 2; std::getline(in, row); ++n) {
      const size_t t1 = row.find('\t'), t2 = row.find('\t', t1 + 1);
      if (t2 == std::string::npos) continue;
      lines.push_back({TextToEco(row.substr(0, t1), false), row.substr(t2 + 1),
                       std::string(1, letter) + ".tsv:" + std::to_string(n)});
    }
  }
  return lines;
}

TEST(EcoTable, GeneratedTableClassifiesEveryLine) {
  EcoTable table(ZH_ECO_TABLE);
  table.Load();
  ASSERT_EQ(table.Status(), 0);
  ASSERT_GT(table.Count(), 3000);
  for (int i = 1; i < table.Count(); ++i)
    ASSERT_LT(ComparePackedPositions(table.Entry(i - 1).board, table.Entry(i).board), 0);

  // Lines whose final board a shorter line of another code ends on (transpositions):
  // C10 "... 3. Nc3 dxe4 4. Nxe4 e5" and C33 "... 2. f4 exf4 3. Nc3".
  const std::set<std::string> expectedExceptions = {"c.tsv:103", "c.tsv:457"};
  const std::vector<DataLine> lines = ReadDataLines();
  ASSERT_GT(lines.size(), 3000u);
  std::set<std::string> exceptions;
  for (const DataLine& line : lines) {
    TQGame game;
    ReadPgnGame(line.pgn, game, {"line", 0, true});
    GameCursor cursor(&game);
    cursor.GoToPly(kPlyLimit);
    ASSERT_EQ(cursor.Ply(), game.body.mainLine.Count());
    if (table.Classify(cursor, true) != line.code) exceptions.insert(line.where);
    EXPECT_EQ(cursor.Ply(), game.body.mainLine.Count());
    EXPECT_EQ(table.ClassifyPosition(cursor.GetPosition()), table.LastCode());
  }
  EXPECT_EQ(exceptions, expectedExceptions);
}

TEST(EcoTable, ClassifyWalksBackFromTheStartPly) {
  EcoTable table(ZH_ECO_TABLE);
  TQGame game;
  // The Ruy Lopez, then moves that leave the table.
  ReadPgnGame("1. e4 e5 2. Nf3 Nc6 3. Bb5 h6 4. h3 a5 5. a3 b6 *", game, {"g", 1, false});
  GameCursor cursor(&game);
  const uint16_t code = table.Classify(cursor, true);
  EXPECT_EQ(EcoToText(code), "C60");
  EXPECT_EQ(cursor.Ply(), 0);
  EXPECT_EQ(table.ClassifyLine(cursor), 5);
  EXPECT_EQ(cursor.Ply(), 5);
  // The start position is in no line of the data set.
  EXPECT_EQ(table.ClassifyPosition(Position()), 0);
  EXPECT_EQ(table.Find(Position()), -1);
}

class EcoFileTest : public ::testing::Test {
 protected:
  void Write(const std::string& bytes) {
    std::ofstream(path_, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  test::TempDir scratch_;
  std::string path_ = (scratch_ / "eco_table_test.cod").string();
  test::RecordingServices services_;
};

TEST_F(EcoFileTest, ScanFileBesideADatabaseIsDeleted) {
  const std::string base = (scratch_ / "eco_scan_test").string();
  std::ofstream(base + ".scn") << "scan";
  EXPECT_TRUE(DeleteScanFile(base));
  EXPECT_FALSE(std::filesystem::exists(base + ".scn"));
  EXPECT_TRUE(DeleteScanFile(base));
}

TEST_F(EcoFileTest, MissingFileWarnsOnce) {
  EcoTable table(path_ + ".missing");
  Position start;
  EXPECT_EQ(table.ClassifyPosition(start), 0);
  EXPECT_EQ(table.ClassifyPosition(start), 0);
  EXPECT_EQ(services_.CallsStartingWith("ErrorBox").size(), 1u);
  EXPECT_EQ(table.Status(), 12);
}

TEST_F(EcoFileTest, DamagedFilesLoadNothing) {
  Board start(true), e4(true), crowded(true);
  e4[MakeSquare(4, 1)] = kEmpty;
  e4[MakeSquare(4, 3)] = kPawn;
  const std::string good = BuildEcoFile({{start, MakeEco(0, 0)}, {e4, MakeEco(400, 0)}}, 3);
  Write(good + "\x01\x02\x03");  // a partial entry at the end is not counted
  EcoTable table(path_);
  table.Load();
  EXPECT_EQ(table.Count(), 2);
  EXPECT_EQ(table.StartPly(), 3);
  EXPECT_EQ(table.ClassifyPosition(Position()), MakeEco(0, 0));

  // The same two entries the other way round: not ascending.
  std::string swapped = good.substr(0, 2) + good.substr(2 + kEcoEntrySize) +
                        good.substr(2, kEcoEntrySize);
  Write(swapped);
  EcoTable unordered(path_);
  unordered.Load();
  EXPECT_EQ(unordered.Count(), 0);
  EXPECT_EQ(unordered.ClassifyPosition(Position()), 0);
  EXPECT_EQ(services_.CallsStartingWith("Log: ").size(), 1u);

  // A board whose bits decode to more than 32 men.
  std::string many = good.substr(0, 2) + std::string("\x00\x80", 2) + std::string(24, '\xFF');
  Write(many);
  EcoTable overfull(path_);
  overfull.Load();
  EXPECT_EQ(overfull.Count(), 0);
}

// Our classification beside pgn-extract's own (its ECO file, its classifier) on every
// prefix of its ECO lines. Two different data sets: the figure is printed, not held.
TEST(EcoTable, AgreementWithPgnExtract) {
  const auto lines = test::EcoLinesUci(ZH_PGN_EXTRACT);
  ASSERT_EQ(lines.size(), 2014u);
  const test::TempDir scratch;
  const std::string dir = scratch.Path().string();
  const std::string input = dir + "/eco_prefixes.pgn";
  {
    std::ofstream out(input);
    for (const auto& line : lines)
      for (size_t n = 1; n <= line.size(); ++n) {
        out << "[Event \"?\"]\n\n";
        for (size_t i = 0; i < n; ++i) out << line[i] << ' ';
        out << "*\n\n";
      }
  }
  const std::string command = std::string(ZH_PGN_EXTRACT) + " -e" + test::kEcoFile +
                              " -s --quiet -Wsan -w2000 " + input + " 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  ASSERT_TRUE(pipe);
  std::string all;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe.get())) all.append(buffer, n);
  const std::vector<uint64_t> starts = FindPgnGames(all);
  EcoTable table(ZH_ECO_TABLE);
  int agree = 0, total = 0;
  for (size_t g = 0; g + 1 < starts.size(); ++g) {
    TQGame game;
    ReadPgnGame(std::string_view(all).substr(starts[g], starts[g + 1] - starts[g]), game,
                {"eco", static_cast<int64_t>(g + 1), false});
    GameCursor cursor(&game);
    cursor.GoToPly(kPlyLimit);
    ++total;
    agree += EcoToText(table.Classify(cursor, true)).substr(0, 3) == game.header.GetEcoText().substr(0, 3);
  }
  EXPECT_GT(total, 10000);
  std::printf("ECO classification agrees with pgn-extract -e on %d of %d prefixes (%.1f%%)\n",
              agree, total, 100.0 * agree / std::max(total, 1));
}

}  // namespace
}  // namespace zh

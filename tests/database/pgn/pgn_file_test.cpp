// A PGN file as a game file: counting, reading, appending and replacing games.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "database/game/annotation_set.h"
#include "database/game/game_item.h"
#include "database/pgn/pgn_file.h"
#include "database/pgn/pgn_reader.h"
#include "support/eco_lines.h"
#include "support/pgn_corpus.h"
#include "support/recording_services.h"

namespace zh {
namespace {

namespace fs = std::filesystem;

class PgnFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) / ("pgn_file_" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static std::string MainLine(FilePgn& file, int64_t k) {
    TQGame game;
    EXPECT_EQ(file.ReadGame(k, game), 0);
    std::string out;
    for (const GameMove& m : game.body.mainLine) out += m.LongText() + " ";
    return out;
  }

  fs::path dir_;
};

TEST_F(PgnFileTest, EcoFileHasAllItsGames) {
  FilePgn file(test::kEcoFile, false);
  ASSERT_EQ(file.GetError(), 0);
  EXPECT_EQ(file.GameCount(), 2014);
  EXPECT_EQ(file.GetGameOffset(0), 2015);
  TQGame game;
  ASSERT_EQ(file.ReadGame(2014, game), 0);
  EXPECT_GT(game.body.mainLine.Count(), 0);
  EXPECT_EQ(file.ReadGame(2015, game), 1);
  EXPECT_EQ(file.ReadGame(0, game), 1);
}

TEST_F(PgnFileTest, AppendReplaceAndReadAgain) {
  const std::string path = Write("a.pgn",
                                 "[Event \"one\"]\n\n1. e4 e5 *\n\n[Event \"two\"]\n\n1. d4 d5 2. c4 *\n\n"
                                 "[Event \"three\"]\n\n1. c4 *");
  const size_t before = std::distance(fs::directory_iterator(dir_), fs::directory_iterator());
  FilePgn file(path, true);
  ASSERT_EQ(file.GetError(), 0);
  ASSERT_EQ(file.GameCount(), 3);
  // Nothing appears beside the user's file.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), long(before));

  TQGame added;
  ReadPgnGame("[Event \"four\"]\n1. Nf3 Nf6 2. g3 *", added, {"t", 1, false});
  ASSERT_EQ(file.AppendGame(added), 0);
  ASSERT_EQ(file.GameCount(), 4);
  EXPECT_EQ(MainLine(file, 4), "Ng1-f3 Ng8-f6 g2-g3 ");
  EXPECT_EQ(MainLine(file, 3), "c2-c4 ");

  // Longer: the later games move and read back unchanged.
  const int64_t third = file.GetGameOffset(3);
  TQGame longer;
  ReadPgnGame("[Event \"two, longer\"]\n1. d4 d5 2. c4 e6 3. Nc3 Nf6 4. Bg5 Be7 *", longer, {"t", 1, false});
  ASSERT_EQ(file.ReplaceGame(2, longer), 0);
  EXPECT_GT(file.GetGameOffset(3), third);
  EXPECT_EQ(MainLine(file, 3), "c2-c4 ");
  EXPECT_EQ(MainLine(file, 4), "Ng1-f3 Ng8-f6 g2-g3 ");
  TQGame header;
  ASSERT_EQ(file.ReadGame(2, header), 0);
  EXPECT_EQ(header.header.tournament.Title(), "two, longer");

  // Shorter: padded with blanks; pgn-extract reads the same four games.
  TQGame shorter;
  ReadPgnGame("[Event \"x\"]\n1. b3 *", shorter, {"t", 1, false});
  const int64_t fourth = file.GetGameOffset(4);
  ASSERT_EQ(file.ReplaceGame(2, shorter), 0);
  EXPECT_EQ(file.GetGameOffset(4), fourth);
  EXPECT_EQ(MainLine(file, 2), "b2-b3 ");
  const std::string uci = test::RunCommand(std::string(ZH_PGN_EXTRACT) + " -Wuci --quiet -s " + path + " 2>&1");
  size_t games = 0;
  for (size_t at = 0; (at = uci.find("[Event ", at)) != std::string::npos; ++at) ++games;
  EXPECT_EQ(games, 4u) << uci;
  EXPECT_NE(uci.find("\nb2b3 *"), std::string::npos) << uci;
  EXPECT_EQ(uci.find("Warning"), std::string::npos) << uci;

  // One past the last appends; reading the file again gives the same games.
  ASSERT_EQ(file.ReplaceGame(5, shorter), 0);
  EXPECT_EQ(file.GameCount(), 5);
  FilePgn again(path, false);
  ASSERT_EQ(again.GameCount(), 5);
  for (int64_t k = 1; k <= 5; ++k) EXPECT_EQ(MainLine(again, k), MainLine(file, k)) << k;
}

TEST_F(PgnFileTest, MissingReadOnlyAndUnterminatedFiles) {
  FilePgn missing((dir_ / "none.pgn").string(), false);
  EXPECT_NE(missing.GetError(), 0);
  EXPECT_EQ(missing.GameCount(), 0);

  // A last line without its end: the appended game still starts a line of its own.
  const std::string path = Write("b.pgn", "1. e4 e5");
  FilePgn file(path, true);
  ASSERT_EQ(file.GameCount(), 1);
  TQGame game;
  ReadPgnGame("[Event \"e\"]\n1. d4 *", game, {"t", 1, false});
  ASSERT_EQ(file.AppendGame(game), 0);
  EXPECT_EQ(file.GameCount(), 2);
  EXPECT_EQ(MainLine(file, 1), "e2-e4 e7-e5 ");

  // Opened for reading only, a file cannot be written.
  FilePgn readOnly(path, false);
  ASSERT_EQ(readOnly.GetError(), 0);
  EXPECT_EQ(readOnly.AppendGame(game), 1);
  EXPECT_EQ(Read(path).size(), static_cast<size_t>(file.GetGameOffset(3)));

  FilePgn created((dir_ / "new.pgn").string(), true, true);
  EXPECT_EQ(created.GetError(), 2);
  EXPECT_EQ(created.GameCount(), 0);
  ASSERT_EQ(created.AppendGame(game), 0);
  EXPECT_EQ(created.GameCount(), 1);
}

// Game 17 of 40 has an illegal 12...Nf6: it keeps 23 plies and the rest as comment,
// one log line names it, and the other games equal pgn-extract's moves.
TEST_F(PgnFileTest, IllegalMoveInOneGameOfForty) {
  const std::string coordinates = (dir_ / "coord.pgn").string(), original = (dir_ / "forty.pgn").string();
  ASSERT_TRUE(test::WritePgnCorpus(ZH_PGN_EXTRACT, coordinates, original, 40, 7, false));
  std::string text = Read(original);
  FilePgn plain(original, false);
  ASSERT_EQ(plain.GameCount(), 40);
  // Replace game 17 by a game whose black move 12 is an illegal Nf6.
  const std::string bad =
      "[Event \"bad\"]\n\n1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 4. Ba4 Nf6 5. O-O Be7 6. Re1 b5 7. Bb3 d6 "
      "8. c3 O-O 9. h3 Nb8 10. d4 Nbd7 11. Nbd2 Bb7 12. Bc2 Nf6 13. Nf1 Re8 14. Ng3 g6 *\n\n";
  text = text.substr(0, plain.GetGameOffset(17)) + bad + text.substr(plain.GetGameOffset(18));
  const std::string path = Write("forty_bad.pgn", text);
  test::RecordingServices services;
  FilePgn file(path, false);
  ASSERT_EQ(file.GameCount(), 40);
  TQGame game;
  ASSERT_EQ(file.ReadGame(17, game), 0);
  EXPECT_EQ(game.body.mainLine.Count(), 23);
  EXPECT_EQ(game.body.mainLine.GetMove(22)->annotations->GetTextAfter(kAllLanguages),
            "Nf6 13. Nf1 Re8 14. Ng3 g6");
  const std::vector<std::string> logs = services.CallsStartingWith("Log: ");
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_NE(logs[0].find("game 17, move 12...Nf6"), std::string::npos) << logs[0];

  // pgn-extract rejects that game too; every other game has its moves.
  const std::string uci = test::RunCommand(std::string(ZH_PGN_EXTRACT) + " -Wuci -C -N -V --quiet -s -w100000 " +
                                           path + " 2>/dev/null");
  std::vector<std::string> lines;
  std::istringstream in(uci);
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] != '[') lines.push_back(line);
  ASSERT_EQ(lines.size(), 39u);
  size_t next = 0;
  for (int64_t k = 1; k <= 40; ++k) {
    if (k == 17) continue;
    TQGame g;
    ASSERT_EQ(file.ReadGame(k, g), 0);
    std::string moves;
    for (const GameMove& m : g.body.mainLine) {
      moves += std::string(1, char('a' + FileOf(m.from))) + char('1' + RankOf(m.from)) +
               char('a' + FileOf(m.to)) + char('1' + RankOf(m.to));
      if (m.kind & kPromotion) moves += "?kqnbrp"[m.promotion];
      moves += ' ';
    }
    std::istringstream words(lines[next++]);
    std::string expected, word;
    while (words >> word) {
      if (word == "*" || word == "1-0" || word == "0-1" || word == "1/2-1/2") continue;
      for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      expected += word + ' ';
    }
    EXPECT_EQ(moves, expected) << k;
  }
}

}  // namespace
}  // namespace zh

#include "database/keys/epd_import.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/rules/fen.h"
#include "core/temp_dir.h"
#include "database/game/annotation_set.h"
#include "database/game/move_tree.h"
#include "support/recording_services.h"

namespace zh {
namespace {

std::string FirstFields(const std::string& fen, int n = 4) {
  std::istringstream in(fen);
  std::string out, word;
  for (int i = 0; i < n && in >> word; ++i) out += (i ? " " : "") + word;
  return out;
}

// What an imported game keeps, for comparison.
struct Stored {
  std::string fen;
  std::vector<std::string> main;  // "from-to/symbol" of the main line
  int variations = 0;             // at the first move
  std::string white;
  std::string comment;
  std::string tournament;
};

std::string MoveText(const GameMove& m) {
  return std::to_string(m.from) + "-" + std::to_string(m.to) + "/" + std::to_string(GetSymbols(m).move);
}

class EpdImportTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
    return (dir / name).string();
  }
  GameAppender Collect() {
    return [this](TQGame& game) {
      Stored s;
      s.fen = FormatFen(game.body.start);
      for (const GameMove& m : game.body.mainLine) s.main.push_back(MoveText(m));
      if (game.body.mainLine.Count() > 0 && game.body.mainLine.GetMove(0)->variations)
        s.variations = game.body.mainLine.GetMove(0)->variations->Count();
      s.white = game.header.white.DisplayText(99);
      if (game.body.GameAnnotations()) s.comment = game.body.GameAnnotations()->GetTextAfter(kAllLanguages);
      s.tournament = game.header.tournament.Title();
      stored.push_back(s);
      return refuse.count(static_cast<int>(stored.size())) ? 1 : 0;
    };
  }

  test::TempDir dir;
  test::RecordingServices services;
  std::vector<Stored> stored;
  std::set<int> refuse;
};

// EPD lines written by pgn-extract for the positions along the ECO lines come back as
// the same first four FEN fields.
TEST_F(EpdImportTest, PositionsOfAnotherToolWriteBackAsTheirFields) {
  const std::string epd = (dir / "eco.epd").string();
  const std::string command = "/usr/games/pgn-extract -s -Wepd -o" + epd +
                              " /usr/share/pgn-extract/eco.pgn 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::vector<std::string> lines;
  {
    std::ifstream in(epd);
    for (std::string line; std::getline(in, line);)
      if (!line.empty()) lines.push_back(line);
  }
  ASSERT_GT(lines.size(), 10000u);
  int count = 0;
  EXPECT_EQ(EpdImport((dir / "eco").string(), Collect(), &count), 1);
  ASSERT_EQ(count, static_cast<int>(lines.size()));
  for (size_t i = 0; i < lines.size(); ++i)
    ASSERT_EQ(FirstFields(stored[i].fen), FirstFields(lines[i])) << "line " << i + 1;
  EXPECT_EQ(stored[0].tournament, "eco");
  EXPECT_TRUE(services.CallsStartingWith("Log").empty());
}

TEST_F(EpdImportTest, OperationsBecomeMovesVariationsPlayersAndComments) {
  const std::string spanish = "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq -";
  const std::string lines[] = {
      spanish + " bm Bb5 Bc4; id \"Morphy, Paul\"; c0 \"main line\"; c1 \"\";",
      spanish + " am Nxe5; id \"trap\";",
      spanish + " pv Bb5 a6 Ba4; bm Bb5;",
      spanish + " bm Lb5 Sc3 De2; c0 \"German\";",
      "8/8/8/8/8/8/8/8 w - - bm e4;",  // no kings: invalid
      spanish + " Bb5",                 // a bare move behind the fields
      "4k3/1P6/8/8/8/8/8/4K2R w K - bm b8=Q+ O-O; id \"promotion\";",
  };
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  Write("tests.v2.epd", text);
  EXPECT_EQ(EpdImport((dir / "tests.v2.epd").string(), Collect()), 1);
  ASSERT_EQ(stored.size(), 6u);
  // Bb5 is f1 (40) to b5 (12), Bc4 f1 to c4 (19), Nxe5 f3 (42) to e5 (36).
  EXPECT_EQ(stored[0].main, (std::vector<std::string>{"40-12/0"}));
  EXPECT_EQ(stored[0].variations, 1);
  EXPECT_EQ(stored[0].white, "Morphy,Paul");
  EXPECT_EQ(stored[0].comment, "main line");
  EXPECT_EQ(stored[0].tournament, "tests");
  EXPECT_EQ(stored[1].main, (std::vector<std::string>{"42-36/2"}));
  EXPECT_EQ(stored[1].white, "trap");
  EXPECT_EQ(stored[2].main.size(), 3u);
  EXPECT_EQ(stored[2].variations, 0);  // bm names the move the pv begins with
  EXPECT_EQ(stored[3].main, (std::vector<std::string>{"40-12/0"}));
  EXPECT_EQ(stored[3].variations, 2);  // Sc3 from b1, De2 from d1
  EXPECT_EQ(stored[3].comment, "German");
  EXPECT_EQ(stored[4].main, (std::vector<std::string>{"40-12/0"}));
  EXPECT_EQ(stored[5].main, (std::vector<std::string>{"14-15/0"}));  // b7-b8
  EXPECT_EQ(stored[5].variations, 1);
  EXPECT_EQ(services.CallsStartingWith("Log"), std::vector<std::string>{"Log: EPD line 5: invalid position"});
}

TEST_F(EpdImportTest, RefusedGamesAreLoggedAndTheRestStored) {
  Write("three.epd",
        "4k3/8/8/8/8/8/8/4K3 w - - id \"a\";\n4k3/8/8/8/8/8/8/3K4 w - - id \"b\";\n"
        "4k3/8/8/8/8/8/8/2K5 b - - id \"c\";\n");
  refuse = {2};
  int count = 0;
  EXPECT_EQ(EpdImport((dir / "three").string(), Collect(), &count), 1);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(services.CallsStartingWith("Log"), std::vector<std::string>{"Log: EPD line 2: game not stored"});
  EXPECT_EQ(EpdImport((dir / "three").string(), nullptr, &count), 1);
  EXPECT_EQ(count, 0);
}

TEST_F(EpdImportTest, MoveTextsNameOneLegalMove) {
  TQGame game;
  StartRecord record;
  ParseFen(record, "r3k2r/8/8/3pP3/8/2N3N1/8/R3K2R w KQkq d6 0 1");
  game.body.SetSetUpStart(record.start.position, 1);
  const struct {
    const char* text;
    int result;
    int from, to, symbol;
  } cases[] = {
      {"12.Nf5!?", 0, 50, 44, 5},  // g3-f5
      {"Ne2", -1, 0, 0, 0},        // both knights reach e2
      {"N3e2", -1, 0, 0, 0},
      {"Nce2", 0, 18, 33, 0},
      {"Sge2!", 0, 50, 33, 1},
      {"O-O-O", 0, 32, 16, 0},  // e1-c1
      {"0-0", 0, 32, 48, 0},    // e1-g1
      {"exd6 e.p.", 0, 36, 29, 0},
      {"e5xd6??", 0, 36, 29, 4},
      {"Qd1", -1, 0, 0, 0},
      {"Kd2?!", 0, 32, 25, 6},
      {"Kd3", -1, 0, 0, 0},
      {"Th1-h7", 0, 56, 62, 0},
      {"Ra7!!", 0, 0, 6, 3},
      {"xyz", -1, 0, 0, 0},
  };
  for (const auto& c : cases) {
    GameCursor cursor(&game);
    cursor.Rewind();
    game.body.ClearMoves();
    EXPECT_EQ(AddMoveText(cursor, c.text, 1), c.result) << c.text;
    if (c.result != 0) {
      EXPECT_EQ(game.body.mainLine.Count(), 0) << c.text;
      continue;
    }
    ASSERT_EQ(game.body.mainLine.Count(), 1) << c.text;
    const GameMove& m = *game.body.mainLine.GetMove(0);
    EXPECT_EQ(MoveText(m), std::to_string(c.from) + "-" + std::to_string(c.to) + "/" + std::to_string(c.symbol))
        << c.text;
  }
}

}  // namespace
}  // namespace zh

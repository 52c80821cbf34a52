// EPD files imported into a header set read back as the games they describe.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/rules/fen.h"
#include "core/temp_dir.h"
#include "database/game/annotation_set.h"
#include "database/keys/epd_import.h"
#include "database/game/game_item.h"
#include "database/headerset/tqg_database.h"
#include "support/recording_services.h"

namespace zh {
namespace {

std::string FirstFields(const std::string& fen) {
  std::istringstream in(fen);
  std::string out, word;
  for (int i = 0; i < 4 && in >> word; ++i) out += (i ? " " : "") + word;
  return out;
}

TEST(TqgEpdImport, PositionsOfAnotherToolAndOperationsReadBack) {
  test::RecordingServices services;
  test::TempDir dir;
  const std::string epd = (dir / "eco.epd").string();
  const std::string command = std::string(ZH_PGN_EXTRACT) + " -s -Wepd -o" + epd +
                              " /usr/share/pgn-extract/eco.pgn 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  // The first 3000 positions, then operations, German letters and an invalid position
  // (skipped).
  std::vector<std::string> lines;
  {
    std::ifstream in(epd);
    for (std::string line; lines.size() < 3000 && std::getline(in, line);)
      if (!line.empty()) lines.push_back(line);
  }
  const std::string spanish = "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq -";
  {
    std::ofstream out(epd, std::ios::trunc);
    for (const std::string& line : lines) out << line << "\n";
    out << spanish << " bm Bb5 Bc4; id \"Morphy, Paul\"; c0 \"main line\";\n"
        << "8/8/8/8/8/8/8/8 w - - bm e4;\n"
        << spanish << " pv Lb5 a6 La4; am Sxe5;\n";
  }

  TqgDatabase db((dir / "games").string(), true);
  ASSERT_EQ(db.ErrorState(), 0);
  int stored = 0;
  EXPECT_EQ(EpdImport((dir / "eco").string(),
                      [&](TQGame& g) { return db.AsFileDatabase()->AppendGame(g); }, &stored), 1);
  ASSERT_EQ(stored, static_cast<int>(lines.size()) + 2);
  ASSERT_EQ(db.GetCount(), stored);
  EXPECT_EQ(services.CallsStartingWith("Log"),
            std::vector<std::string>{"Log: EPD line " + std::to_string(lines.size() + 2) + ": invalid position"});

  TQGame game;
  for (size_t i = 0; i < lines.size(); ++i) {
    ASSERT_EQ(db.ReadGame(static_cast<int>(i) + 1, game, false), 0);
    ASSERT_EQ(FirstFields(FormatFen(game.body.start)), FirstFields(lines[i])) << "line " << i + 1;
  }
  EXPECT_EQ(game.header.tournament.Title(), "eco");

  ASSERT_EQ(db.ReadGame(stored - 1, game, false), 0);
  EXPECT_EQ(FirstFields(FormatFen(game.body.start)), FirstFields(spanish));
  EXPECT_EQ(game.header.white.LastName() + ", " + game.header.white.FirstName(), "Morphy, Paul");
  ASSERT_EQ(game.body.mainLine.Count(), 1);
  EXPECT_EQ(game.body.mainLine.GetMove(0)->to, 12);  // Bb5, Bc4 its variation
  ASSERT_NE(game.body.mainLine.GetMove(0)->variations, nullptr);
  ASSERT_NE(game.body.GameAnnotations(), nullptr);
  EXPECT_EQ(game.body.GameAnnotations()->GetTextAfter(kAllLanguages), "main line");

  ASSERT_EQ(db.ReadGame(stored, game, false), 0);
  EXPECT_EQ(game.body.mainLine.Count(), 3);  // Lb5 a6 La4
}

}  // namespace
}  // namespace zh

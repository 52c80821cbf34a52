// Every line of pgn-extract's ECO file entered through the cursor: the position after
// each ply must match pgn-extract's FEN, walking back to the start and forward again.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "game_test_util.h"

namespace zh {
namespace {

constexpr char kEcoFile[] = "/usr/share/pgn-extract/eco.pgn";

struct Ply {
  std::string move;
  std::string fen4;
};
using Line = std::vector<Ply>;

// pgn-extract's coordinate moves, each followed by its FEN comment.
std::vector<Line> ReadLines() {
  const std::string command =
      std::string(ZH_PGN_EXTRACT) + " -Wuci --fencomments -s " + kEcoFile + " 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::vector<Line> lines;
  if (!pipe) return lines;
  std::string text;
  char buffer[4096];
  while (fgets(buffer, sizeof buffer, pipe.get())) {
    if (buffer[0] == '[') {
      if (std::string(buffer).rfind("[Event ", 0) == 0) lines.emplace_back();
      continue;
    }
    if (lines.empty()) continue;
    std::istringstream in(buffer);
    std::string token;
    while (in >> token) {
      if (token == "{") {
        std::string fields[6];
        for (auto& f : fields) in >> f;
        in >> token;  // "}"
        if (!lines.back().empty())
          lines.back().back().fen4 = fields[0] + " " + fields[1] + " " + fields[2] + " " + fields[3];
      } else if (token != "*" && token != "1-0" && token != "0-1" && token != "1/2-1/2") {
        lines.back().push_back({token, ""});
      }
    }
  }
  return lines;
}

TEST(EcoLinesReference, CursorPositionsMatchPgnExtract) {
  const std::vector<Line> lines = ReadLines();
  ASSERT_EQ(lines.size(), 2014u);
  int mismatches = 0;
  auto check = [&](const GameCursor& cursor, const Line& line, int ply, const char* walk) {
    const std::string expected = ply == 0 ? "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -"
                                          : line[ply - 1].fen4;
    if (test::Fen4(cursor.GetPosition()) == expected) return;
    if (++mismatches <= 5)
      ADD_FAILURE() << walk << " ply " << ply << " of line starting " << line[0].move << ": "
                    << test::Fen4(cursor.GetPosition()) << " != " << expected;
  };
  size_t plies = 0;
  for (const Line& line : lines) {
    TQGame game;
    GameCursor cursor(&game);
    for (size_t i = 0; i < line.size(); ++i) {
      int from = 0, to = 0, promotion = 0;
      ASSERT_TRUE(test::ParseCoordinates(line[i].move, from, to, promotion));
      ASSERT_EQ(cursor.AddMove(from, to, promotion, 0), 0);
      check(cursor, line, cursor.Ply(), "entering");
    }
    plies += line.size();
    while (cursor.Ply() > 0) {
      cursor.Back(false);
      check(cursor, line, cursor.Ply(), "back");
    }
    while (cursor.Forward() == 0) check(cursor, line, cursor.Ply(), "forward");
    EXPECT_EQ(cursor.Ply(), static_cast<int>(line.size()));
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(plies, 15000u) << plies;
}

}  // namespace
}  // namespace zh

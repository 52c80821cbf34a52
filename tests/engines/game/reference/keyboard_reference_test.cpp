// Opening lines typed on the keyboard reach, after every move, the positions that
// pgn-extract gives for the same lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "database/game/game_cursor.h"
#include "engines/game/game_manager.h"
#include "support/eco_lines.h"
#include "support/recording_services.h"
#include "support/test_fen.h"

namespace zh::test {
namespace {

constexpr int kLines = 200;

// The FEN comments after each move of the first `count` games of the ECO file, each
// cut to its first four fields.
std::vector<std::vector<std::string>> EcoFens(int count) {
  const std::string command =
      std::string(ZH_PGN_EXTRACT) + " -s -C -N -V --fencomments " + kEcoFile + " 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::vector<std::vector<std::string>> games;
  if (!pipe) return games;
  std::string text;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) text.append(buffer, n);
  // Games start at their first tag; a comment may run over a line break.
  for (size_t at = text.find("[Event "); at != std::string::npos && static_cast<int>(games.size()) < count;) {
    const size_t next = text.find("[Event ", at + 1);
    const std::string game = text.substr(at, next == std::string::npos ? std::string::npos : next - at);
    std::vector<std::string> fens;
    for (size_t open = game.find('{'); open != std::string::npos; open = game.find('{', open + 1)) {
      std::istringstream fields(game.substr(open + 1, game.find('}', open) - open - 1));
      std::string fen, field;
      for (int i = 0; i < 4 && fields >> field; ++i) fen += (i ? " " : "") + field;
      fens.push_back(fen);
    }
    games.push_back(fens);
    at = next;
  }
  return games;
}

std::string FirstFourFields(const Position& position) {
  std::istringstream fields(FenForTest(position));
  std::string fen, field;
  for (int i = 0; i < 4 && fields >> field; ++i) fen += (i ? " " : "") + field;
  return fen;
}

// The keys of a coordinate move: file letters, rank digits and a promotion letter.
std::vector<int> KeysOf(const std::string& uci) {
  std::vector<int> keys;
  for (size_t i = 0; i < 4; ++i)
    keys.push_back(i % 2 ? key::Digit(uci[i] - '0') : key::Letter(static_cast<char>(uci[i] - 'a' + 'A')));
  if (uci.size() > 4) {
    const char piece = uci[4] == 'b' ? 'L' : static_cast<char>(uci[4] - 'a' + 'A');
    keys.push_back(key::Letter(piece));
  }
  return keys;
}

TEST(KeyboardReference, EcoLinesTypedReachPgnExtractsPositions) {
  RecordingServices services;
  const auto lines = EcoLinesUci(ZH_PGN_EXTRACT);
  const auto fens = EcoFens(kLines);
  ASSERT_GE(lines.size(), static_cast<size_t>(kLines));
  ASSERT_EQ(fens.size(), static_cast<size_t>(kLines));
  GameManager game;
  game.settings.enginePlays = 0;
  int moves = 0;
  for (int l = 0; l < kLines; ++l) {
    game.NewGame();
    ASSERT_EQ(lines[l].size(), fens[l].size()) << "line " << l;
    for (size_t m = 0; m < lines[l].size(); ++m) {
      const int ply = game.Cursor().Ply();
      for (int code : KeysOf(lines[l][m])) {
        if (game.Cursor().Ply() != ply) break;  // played at the first unique key
        ASSERT_EQ(game.KeyInput(code), 1);
      }
      ASSERT_EQ(game.Cursor().Ply(), ply + 1) << "line " << l << " move " << lines[l][m];
      EXPECT_EQ(FirstFourFields(game.Cursor().GetPosition()), fens[l][m]) << "line " << l << " move " << m;
      ++moves;
    }
  }
  EXPECT_TRUE(services.CallsStartingWith("Beep").empty());
  EXPECT_GT(moves, kLines);
}

}  // namespace
}  // namespace zh::test

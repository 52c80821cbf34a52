// An openings key and index built from pgn-extract's ECO file (one entry per line,
// filed under the line's last position) classify games as `pgn-extract -e` does. The
// index matches boards only, so a game may differ where the deciding board ends ECO
// lines of two codes, or where the game reaches it at another ply than its line.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/rules/movelist.h"
#include "core/temp_dir.h"
#include "database/keys/key_file.h"
#include "database/keys/position_tree.h"
#include "database/game_test_util.h"
#include "support/eco_lines.h"
#include "support/recording_services.h"

namespace zh {
namespace {

std::vector<std::string> EcoCodes() {
  std::ifstream in(test::kEcoFile);
  std::vector<std::string> codes;
  for (std::string line; std::getline(in, line);)
    if (line.rfind("[ECO \"", 0) == 0) codes.push_back(line.substr(6, line.find('"', 6) - 6));
  return codes;
}

std::string Uci(const GameMove& m) {
  std::string text{char('a' + FileOf(m.from)), char('1' + RankOf(m.from)), char('a' + FileOf(m.to)),
                   char('1' + RankOf(m.to))};
  if (m.promotion) text += " qnbr"[m.promotion == kQueen ? 1 : m.promotion == kKnight ? 2 : m.promotion == kBishop ? 3 : 4];
  return text;
}

std::string BoardKey(const Board& board) {
  uint8_t packed[kPackedPositionSize];
  PackPosition(board, packed);
  return std::string(reinterpret_cast<const char*>(packed), kPackedPositionSize);
}

TEST(OpeningsIndexReference, ClassifiesAsPgnExtract) {
  test::RecordingServices services;
  test::TempDir dir;
  const auto lines = test::EcoLinesUci(ZH_PGN_EXTRACT);
  const auto codes = EcoCodes();
  ASSERT_EQ(lines.size(), 2014u);
  ASSERT_EQ(codes.size(), lines.size());

  const std::string base = (dir / "eco").string();
  KeyFile key(base, true, KeyFile::kWriteBack, 4);
  PositionTree tree(base, true, 2, 4);
  std::map<std::string, std::set<std::pair<std::string, int>>> lineEnds;  // board: code, ply
  std::mt19937 rng(12);
  std::ostringstream pgn;
  std::vector<std::unique_ptr<TQGame>> games;
  for (size_t i = 0; i < lines.size(); ++i) {
    uint32_t entry, node;
    ASSERT_EQ(key.AddEntry(0, codes[i], entry), 0);
    auto game = std::make_unique<TQGame>();
    GameCursor cursor(game.get());
    std::string moves;
    for (const std::string& m : lines[i]) moves += m + " ";
    test::Enter(cursor, moves);
    ASSERT_EQ(tree.AddPosition(cursor.GetPosition().board, static_cast<int32_t>(entry), node), 0);
    lineEnds[BoardKey(cursor.GetPosition().board)].insert({codes[i], cursor.Ply()});
    // The game: the line and a few random moves.
    for (int ply = 0; ply < 8; ++ply) {
      MoveList legal;
      if (legal.GenerateLegal(cursor.GetPosition()) == 0) break;
      const MoveCode& m = legal.At(static_cast<int>(rng() % legal.Count()));
      cursor.AddMove(m.from, m.to, m.kind & kPromotion ? m.promotion : 0, 1);
    }
    pgn << "[Event \"" << i << "\"]\n[Result \"*\"]\n\n";
    int ply = 0;
    for (const GameMove& m : game->body.mainLine) pgn << (ply % 2 ? "" : std::to_string(ply / 2 + 1) + ". ") << Uci(m) << " ", ++ply;
    pgn << "*\n\n";
    games.push_back(std::move(game));
  }
  const auto pgnPath = dir / "games.pgn";
  std::ofstream(pgnPath) << pgn.str();
  const std::string command = std::string(ZH_PGN_EXTRACT) + " -s -e" + test::kEcoFile + " " +
                              pgnPath.string() + " 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  ASSERT_TRUE(pipe);
  std::vector<std::string> expected(games.size());
  int current = -1;
  char buffer[4096];
  while (fgets(buffer, sizeof buffer, pipe.get())) {
    const std::string line = buffer;
    if (line.rfind("[Event \"", 0) == 0) current = std::stoi(line.substr(8));
    if (line.rfind("[ECO \"", 0) == 0 && current >= 0)
      expected[static_cast<size_t>(current)] = line.substr(6, line.find('"', 6) - 6);
  }

  int agreed = 0;
  for (size_t i = 0; i < games.size(); ++i) {
    GameCursor cursor(games[i].get());
    const int entry = FindKeyEntry(tree, cursor);
    const std::string ours = entry > 0 ? key.GetEntryTitle(static_cast<uint32_t>(entry)) : "";
    if (ours == expected[i]) {
      ++agreed;
      continue;
    }
    // The deciding board: where the walk back stopped.
    const auto& ends = lineEnds[BoardKey(cursor.GetPosition().board)];
    std::set<std::string> endCodes;
    bool samePly = false;
    for (const auto& [code, ply] : ends) {
      endCodes.insert(code);
      samePly |= ply == cursor.Ply();
    }
    EXPECT_TRUE(endCodes.size() > 1 || !samePly)
        << "game " << i << ": ours " << ours << ", pgn-extract " << expected[i];
  }
  EXPECT_GT(agreed, 2000);  // 2010 of 2014 when written
}

}  // namespace
}  // namespace zh

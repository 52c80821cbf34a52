// The scripted user of the whole-game tests and the checks of their PGN by
// pgn-extract.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/rules/movelist.h"
#include "database/game/game_cursor.h"
#include "database/game/game_item.h"
#include "database/pgn/pgn_writer.h"
#include "engines/game/game_manager.h"
#include "support/fake_board.h"

namespace zh::test {

inline std::string RunProgram(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  char buffer[4096];
  for (size_t n; pipe && (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) out.append(buffer, n);
  return out;
}

inline int CountGames(const std::string& pgn) {
  int n = 0;
  for (size_t at = pgn.find("[Event "); at != std::string::npos; at = pgn.find("[Event ", at + 1)) ++n;
  return n;
}

inline std::string ResultTag(const std::string& pgn) {
  const size_t at = pgn.find("[Result \"");
  return at == std::string::npos ? "" : pgn.substr(at + 9, pgn.find('"', at + 9) - at - 9);
}

struct PlayedGame {
  int endCode = 0;
  bool blackToMove = false;
  std::string pgn;
};

// Enters the user's move by drag (mode 0), two clicks (1), one click where the piece
// has no other move (2, else two clicks) or the keyboard (3).
inline void EnterMove(GameManager& game, FakeBoard& board, MoveCode move, int mode) {
  const int ply = game.Cursor().Ply();
  const MoveList& legal = game.LegalMoves();
  game.settings.oneClickLevel = 0;
  if (mode == 3) {
    const char keys[] = {static_cast<char>('A' + (move.from >> 3)), static_cast<char>('1' + (move.from & 7)),
                         static_cast<char>('A' + (move.to >> 3)), static_cast<char>('1' + (move.to & 7))};
    for (char k : keys) {
      if (game.Cursor().Ply() != ply) break;
      game.KeyInput(k >= 'A' ? key::Letter(k) : key::Digit(k - '0'));
    }
    if (game.Cursor().Ply() == ply && (move.kind & kPromotion))
      game.KeyInput(key::Letter("??QNLR"[move.promotion]));
  } else if (mode == 0) {
    board.Drag(move.from, move.to);
  } else if (mode == 2 && legal.CountFromSquare(move.from) == 1) {
    game.settings.oneClickLevel = 1;
    board.Click(move.from);
  } else {
    board.Click(move.from);
    board.Click(move.to);
  }
}

// The finished game: its end code, the side to move at the end and its PGN.
inline PlayedGame Finished(GameManager& game) {
  GameEndTester tester;
  PlayedGame played;
  played.endCode = tester.Test(game.Cursor());
  played.blackToMove = game.IsBlackToMove();
  played.pgn = RenderPgnGame(game.Game());
  return played;
}

// pgn-extract reads every game without complaint, and its endings select the games
// that ended so.
inline void CheckWithPgnExtract(const std::vector<PlayedGame>& games, const std::string& name) {
  const int kGames = static_cast<int>(games.size());
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / name;
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  std::string all;
  for (int g = 0; g < kGames; ++g) {
    const PlayedGame& game = games[g];
    ASSERT_NE(game.endCode, kGameGoesOn) << g;
    const std::string expected = game.endCode == kGameMate ? (game.blackToMove ? "1-0" : "0-1") : "1/2-1/2";
    EXPECT_EQ(ResultTag(game.pgn), expected) << "game " << g << " code " << game.endCode;
    std::ofstream(folder / (std::to_string(g) + ".pgn"), std::ios::binary) << game.pgn;
    all += game.pgn;
  }
  std::ofstream(folder / "all.pgn", std::ios::binary) << all;
  const std::string tool = ZH_PGN_EXTRACT;
  // No complaint on reading every game.
  const std::string log = (folder / "errors.txt").string();
  RunProgram(tool + " -s -l " + log + " " + (folder / "all.pgn").string() + " > /dev/null 2>&1");
  std::ifstream errors(log);
  const std::string complaints((std::istreambuf_iterator<char>(errors)), std::istreambuf_iterator<char>());
  EXPECT_EQ(complaints, "");
  EXPECT_EQ(CountGames(RunProgram(tool + " -s " + (folder / "all.pgn").string() + " 2>/dev/null")), kGames);

  // Each ending selects the games that ended so; repetition and the 50-move count may
  // come together, and a mate or stalemate at the ply limit ends with the limit's code.
  const std::pair<const char*, int> selections[] = {
      {"--checkmate", kGameMate}, {"--stalemate", kGameStalemate}, {"--fifty", kGameHundredPlies}, {"--repetition", kGameRepetition}};
  std::map<int, int> codes;
  for (const PlayedGame& game : games) ++codes[game.endCode];
  for (const auto& [flag, code] : selections) {
    for (int g = 0; g < kGames; ++g) {
      const std::string file = (folder / (std::to_string(g) + ".pgn")).string();
      const bool selected = CountGames(RunProgram(tool + " -s " + flag + " " + file + " 2>/dev/null")) == 1;
      const int ended = games[g].endCode;
      if (ended == code) {
        EXPECT_TRUE(selected) << flag << " game " << g;
      } else if (selected) {
        const bool overlap = ended == kGameTooLong || (code == kGameHundredPlies && ended == kGameRepetition) ||
                             (code == kGameRepetition && ended == kGameHundredPlies);
        EXPECT_TRUE(overlap) << flag << " selects game " << g << " that ended with " << ended;
      }
    }
  }
  for (const auto& [code, count] : codes) std::cout << "end code " << code << ": " << count << " games\n";
  std::filesystem::remove_all(folder);
}

}  // namespace zh::test

// Whole games of a scripted user against an engine that plays seeded random legal
// moves, run headless through the game manager, the fake board and the keyboard, and
// written out as PGN for pgn-extract to check.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <vector>
#include <memory>
#include <random>
#include <string>

#include "board/board_window.h"
#include "core/rules/movelist.h"
#include "database/game/game_cursor.h"
#include "database/game/game_item.h"
#include "database/pgn/pgn_writer.h"
#include "engines/game/game_manager.h"
#include "support/fake_board.h"
#include "support/fake_timers.h"
#include "support/recording_services.h"

namespace zh::test {
namespace {

// The engine manager of these games: asked to move, it answers with a random legal
// move once the test lets it.
class RandomEngine : public GameEngineControl {
 public:
  explicit RandomEngine(uint32_t seed) : random_(seed) {}
  GameManager* game = nullptr;
  bool toMove = false;

  bool HasEngine() const override { return true; }
  void StartEngineMove(const GameCursor&) override { toMove = true; }
  Move GetEngineMove() override {
    const MoveList& legal = game->LegalMoves();
    return Move::FromCode(legal.At(static_cast<int>(random_() % legal.Count())));
  }

 private:
  std::mt19937 random_;
};

std::string RunProgram(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  char buffer[4096];
  for (size_t n; pipe && (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) out.append(buffer, n);
  return out;
}

int CountGames(const std::string& pgn) {
  int n = 0;
  for (size_t at = pgn.find("[Event "); at != std::string::npos; at = pgn.find("[Event ", at + 1)) ++n;
  return n;
}

std::string ResultTag(const std::string& pgn) {
  const size_t at = pgn.find("[Result \"");
  return at == std::string::npos ? "" : pgn.substr(at + 9, pgn.find('"', at + 9) - at - 9);
}

struct PlayedGame {
  int endCode = 0;
  bool blackToMove = false;
  std::string pgn;
};

// One game: the user plays white, entering each move by drag, two clicks, one click
// or keyboard in turn; the engine answers through the move-ready link.
PlayedGame PlayGame(uint32_t seed) {
  RecordingServices services;
  FakeTimers timers(services.ticks);
  RandomEngine engine(seed * 7919u + 1);
  GameManager::Links links;
  links.engine = &engine;
  GameManager game(links);
  engine.game = &game;
  FakeBoard board;
  game.SetBoard(&board);
  game.settings.enginePlays = 1;
  std::mt19937 random(seed);
  int userMoves = 0;
  while (game.ResultCode() == kNoResult) {
    if (engine.toMove) {
      engine.toMove = false;
      game.OnEngineMove();
      continue;
    }
    const int ply = game.Cursor().Ply();
    const MoveList& legal = game.LegalMoves();
    if (legal.Count() == 0) break;
    const MoveCode move = legal.At(static_cast<int>(random() % legal.Count()));
    const int mode = userMoves++ % 4;
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
    EXPECT_EQ(game.Cursor().Ply(), ply + 1) << "seed " << seed << " mode " << mode;
    if (game.Cursor().Ply() != ply + 1) break;
  }
  GameEndTester tester;
  PlayedGame played;
  played.endCode = tester.Test(game.Cursor());
  played.blackToMove = game.IsBlackToMove();
  played.pgn = RenderPgnGame(game.Game());
  return played;
}

TEST(WholeGames, RandomGamesEndWithTheirResultsAndPgnExtractAgrees) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "zh_whole_games";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  constexpr int kGames = 100;
  std::vector<PlayedGame> games;
  std::string all;
  for (int g = 0; g < kGames; ++g) {
    games.push_back(PlayGame(static_cast<uint32_t>(g + 1)));
    const PlayedGame& game = games.back();
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

}  // namespace
}  // namespace zh::test

#include "coach/coach_games.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "core/rules/game_move.h"
#include "core/rules/movelist.h"
#include "support/eco_lines.h"
#include "support/random_games.h"
#include "support/test_fen.h"

namespace zh::test {

bool FindUciMove(const Position& position, const std::string& uci, MoveCode& move) {
  MoveList list;
  list.GenerateLegal(position);
  for (const MoveCode& m : list)
    if (UciMove(m) == uci) {
      move = m;
      return true;
    }
  return false;
}

std::unique_ptr<TQGame> MakeGame(const CoachGame& source) {
  auto game = std::make_unique<TQGame>();
  const Position standard;
  if (FenForTest(source.start) != FenForTest(standard)) game->body.SetSetUpStart(source.start, 1);
  Position position = source.start;
  for (const MoveCode& code : source.moves) {
    GameMove move = GameMove::FromSquares(code.from, code.to, code.kind & kPromotion ? code.promotion : 0);
    move.Complete(position);
    position.DoGameMove(move);
    game->body.mainLine.Append(move);
  }
  return game;
}

std::vector<CoachGame> EcoGames() {
  std::vector<CoachGame> games;
  for (const auto& line : EcoLinesUci(ZH_PGN_EXTRACT)) {
    CoachGame game;
    Position position = game.start;
    for (const std::string& uci : line) {
      MoveCode move;
      if (!FindUciMove(position, uci, move)) break;
      game.moves.push_back(move);
      position.MakeMove(Move::FromCode(move));
    }
    games.push_back(std::move(game));
  }
  return games;
}

std::vector<CoachGame> RandomCoachGames(size_t count) {
  std::vector<CoachGame> games;
  for (const PerftCase& start : PerftCases()) {
    for (auto& moves : RandomGames(start)) {
      if (games.size() == count) return games;
      games.push_back({ParseFenForTest(start.fen), std::move(moves)});
    }
  }
  return games;
}

std::vector<Position> DistinctPositions(const std::vector<CoachGame>& games) {
  std::vector<Position> positions;
  std::set<std::string> seen;
  for (const CoachGame& game : games) {
    Position position = game.start;
    for (size_t i = 0;; ++i) {
      if (seen.insert(FenForTest(position)).second) positions.push_back(position);
      if (i == game.moves.size()) break;
      position.MakeMove(Move::FromCode(game.moves[i]));
    }
  }
  return positions;
}

std::vector<std::string> RunCoachScript(const std::string& script,
                                        const std::vector<std::string>& input) {
  char inputPath[] = "/tmp/zh_coach_XXXXXX";
  const int fd = mkstemp(inputPath);
  if (fd < 0) return {};
  close(fd);
  {
    std::ofstream out(inputPath);
    for (const auto& line : input) out << line << '\n';
  }
  const std::string command = std::string(ZH_PYTHON3) + " " + ZH_SOURCE_DIR + "/tests/coach/" +
                              script + " < " + inputPath;
  std::vector<std::string> lines;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    std::string all;
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) all.append(buffer, n);
    pclose(pipe);
    std::istringstream in(all);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
  }
  std::remove(inputPath);
  return lines;
}

}  // namespace zh::test

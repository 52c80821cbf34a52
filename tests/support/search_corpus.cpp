#include "support/search_corpus.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <sstream>

#include "core/rules/movelist.h"
#include "core/rules/position.h"

namespace zh::test {

namespace {

// One capital letter each, at the start, so that a prefix found anywhere in a name
// is found at its start.
constexpr const char* kLastNames[] = {
    "Müller", "Mayer",  "Meyer",   "Möller",  "Martínez", "Mzyk",     "Nuñez",  "Nielsen",
    "Öztürk", "Østergaard", "Zürn", "Zapata", "Šimek",    "Schäfer",  "Schmidt", "Sørensen",
    "Ådne",   "Ibáñez", "Kovacs",  "Lasker",  "Émile",    "Andersson", "Berg",  "Çelik",
};
constexpr const char* kFirstNames[] = {"Anna", "Karl", "Jörg", "José", "Éva", "Ingrid", "Ole", ""};

std::string PlayerName(std::mt19937& rng) {
  std::string name = kLastNames[rng() % std::size(kLastNames)];
  const std::string first = kFirstNames[rng() % std::size(kFirstNames)];
  return first.empty() ? name : name + ", " + first;
}

std::string Coordinates(const MoveCode& m) {
  std::string text{char('a' + m.from / 8), char('1' + m.from % 8), char('a' + m.to / 8),
                   char('1' + m.to % 8)};
  if (m.promotion) text += " qnbr"[m.promotion == kQueen ? 1 : m.promotion == kKnight ? 2 : m.promotion == kBishop ? 3 : 4];
  return text;
}

}  // namespace

std::vector<CorpusGame> SearchCorpus(const std::vector<std::vector<std::string>>& ecoLines,
                                     int count, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<CorpusGame> games;
  games.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    CorpusGame game;
    game.moves.reserve(128);
    game.white = PlayerName(rng);
    game.black = PlayerName(rng);
    Position position;
    if (!ecoLines.empty()) {
      for (const std::string& m : ecoLines[rng() % ecoLines.size()]) {
        const int promotion = m.size() > 4 ? (m[4] == 'q' ? kQueen : m[4] == 'n' ? kKnight : m[4] == 'b' ? kBishop : kRook) : 0;
        position.MakeMoveSquares((m[0] - 'a') * 8 + (m[1] - '1'), (m[2] - 'a') * 8 + (m[3] - '1'), promotion);
        game.moves.push_back(m);
      }
    }
    const size_t plies = 60 + rng() % 41;
    while (game.moves.size() < plies) {
      MoveList legal;
      if (legal.GenerateLegal(position) == 0) break;
      const MoveCode m = legal.At(static_cast<int>(rng() % static_cast<uint32_t>(legal.Count())));
      position.MakeMoveSquares(m.from, m.to, m.promotion);
      game.moves.push_back(Coordinates(m));
    }
    games.push_back(std::move(game));
  }
  return games;
}

int ReferenceGames(int fallback) {
  const char* value = std::getenv("ZH_REFERENCE_GAMES");
  const int n = value ? std::atoi(value) : 0;
  return n > 0 ? n : fallback;
}

std::string CorpusPgn(const std::vector<CorpusGame>& games) {
  std::ostringstream pgn;
  for (size_t i = 0; i < games.size(); ++i) {
    const CorpusGame& g = games[i];
    pgn << "[Event \"Corpus\"]\n[Round \"" << i + 1 << "\"]\n[White \"" << g.white << "\"]\n[Black \""
        << g.black << "\"]\n[Result \"*\"]\n\n";
    for (size_t ply = 0; ply < g.moves.size(); ++ply)
      pgn << (ply % 2 ? "" : std::to_string(ply / 2 + 1) + ". ") << g.moves[ply] << (ply % 12 == 11 ? "\n" : " ");
    pgn << "*\n\n";
  }
  return pgn.str();
}

std::vector<int32_t> PgnExtractRounds(const std::string& pgnExtract, const std::string& arguments,
                                      const std::string& pgnPath) {
  const std::string command = pgnExtract + " -s " + arguments + " " + pgnPath + " 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::vector<int32_t> rounds;
  if (!pipe) return rounds;
  char buffer[4096];
  while (fgets(buffer, sizeof buffer, pipe.get())) {
    const std::string line = buffer;
    if (line.rfind("[Round \"", 0) == 0) rounds.push_back(std::stoi(line.substr(8)));
  }
  return rounds;
}

}  // namespace zh::test

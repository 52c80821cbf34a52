// Writes "Eco.COD" from the opening lines (tables of eco, name and PGN moves): every
// line is read by our PGN reader and its final board gets the line's code. Where two
// lines end on one board the shorter line's code wins, then the earlier line's; the
// start ply is the length of the longest line.
//
//   gen_eco_table <output file> <table>...
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "database/eco_table.h"
#include "database/eco_text.h"
#include "database/game/game_item.h"
#include "database/pgn/pgn_reader.h"

namespace {

struct Best {
  uint16_t value = 0;
  int plies = 0;
};

}  // namespace

int main(int argc, char** argv) {
  using namespace zh;
  if (argc < 3) {
    std::cerr << "usage: gen_eco_table <output> <table>...\n";
    return 2;
  }
  std::map<std::string, std::pair<Board, Best>> byBoard;  // packed board -> entry
  int longest = 0, lines = 0;
  for (int a = 2; a < argc; ++a) {
    std::ifstream in(argv[a]);
    if (!in) {
      std::cerr << "cannot read " << argv[a] << "\n";
      return 1;
    }
    std::string row;
    std::getline(in, row);  // column names
    for (int number = 2; std::getline(in, row); ++number) {
      if (!row.empty() && row.back() == '\r') row.pop_back();
      const size_t t1 = row.find('\t'), t2 = row.find('\t', t1 + 1);
      if (t1 == std::string::npos || t2 == std::string::npos) continue;
      const uint16_t value = TextToEco(row.substr(0, t1), false);
      TQGame game;
      game.body.computeMoveTexts = false;
      ReadPgnGame(row.substr(t2 + 1), game, {argv[a], number, true});
      if (value < 128 || game.body.HasAnnotations() || game.body.mainLine.Count() == 0) {
        std::cerr << argv[a] << ":" << number << ": cannot read the line\n";
        return 1;
      }
      Position p = game.body.start.start.position;
      for (const GameMove& m : game.body.mainLine) p.DoGameMove(m);
      const int plies = game.body.mainLine.Count();
      longest = std::max(longest, plies);
      ++lines;
      uint8_t key[kPackedPositionSize];
      PackPosition(p.board, key);
      auto [it, fresh] = byBoard.try_emplace(std::string(reinterpret_cast<char*>(key), sizeof key),
                                             p.board, Best{value, plies});
      if (!fresh && plies < it->second.second.plies) it->second.second = {value, plies};
    }
  }
  std::vector<std::pair<Board, uint16_t>> entries;
  for (const auto& [key, entry] : byBoard) entries.emplace_back(entry.first, entry.second.value);
  const std::string bytes = BuildEcoFile(std::move(entries), static_cast<uint16_t>(longest));
  std::ofstream out(argv[1], std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::cerr << "cannot write " << argv[1] << "\n";
    return 1;
  }
  std::cout << lines << " lines, " << byBoard.size() << " boards, start ply " << longest << "\n";
  return 0;
}

#include "opening_lines.h"

#include <fstream>
#include <iostream>
#include <map>

#include "database/eco_text.h"
#include "database/game/game_item.h"
#include "database/pgn/pgn_reader.h"
#include "database/storage/start_position_record.h"

namespace zh {

bool ReadOpeningLines(const std::vector<std::string>& tables, std::vector<OpeningLine>& lines) {
  for (const std::string& table : tables) {
    std::ifstream in(table);
    if (!in) {
      std::cerr << "cannot read " << table << "\n";
      return false;
    }
    std::string row;
    std::getline(in, row);  // column names
    for (int number = 2; std::getline(in, row); ++number) {
      if (!row.empty() && row.back() == '\r') row.pop_back();
      const size_t t1 = row.find('\t'), t2 = row.find('\t', t1 + 1);
      if (t1 == std::string::npos || t2 == std::string::npos) continue;
      OpeningLine line;
      line.code = row.substr(0, t1);
      line.name = row.substr(t1 + 1, t2 - t1 - 1);
      line.eco = TextToEco(line.code, false);
      TQGame game;
      game.body.computeMoveTexts = false;
      ReadPgnGame(row.substr(t2 + 1), game, {table, number, true});
      if (line.eco < 128 || game.body.HasAnnotations() || game.body.mainLine.Count() == 0) {
        std::cerr << table << ":" << number << ": cannot read the line\n";
        return false;
      }
      Position p = game.body.start.start.position;
      for (const GameMove& m : game.body.mainLine) p.DoGameMove(m);
      line.board = p.board;
      line.plies = game.body.mainLine.Count();
      lines.push_back(std::move(line));
    }
  }
  return true;
}

std::vector<size_t> BoardOwners(const std::vector<OpeningLine>& lines) {
  std::map<std::string, size_t> owner;  // packed board -> line
  std::vector<size_t> owners(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    uint8_t key[kPackedPositionSize];
    PackPosition(lines[i].board, key);
    auto [it, fresh] = owner.try_emplace(std::string(reinterpret_cast<char*>(key), sizeof key), i);
    if (!fresh && lines[i].plies < lines[it->second].plies) it->second = i;
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    uint8_t key[kPackedPositionSize];
    PackPosition(lines[i].board, key);
    owners[i] = owner[std::string(reinterpret_cast<char*>(key), sizeof key)];
  }
  return owners;
}

}  // namespace zh

// Writes "Eco.COD" from the opening lines (tables of eco, name and PGN moves): every
// line is read by our PGN reader and its final board gets the line's code. Where two
// lines end on one board the shorter line's code wins, then the earlier line's; the
// start ply is the length of the longest line.
//
//   gen_eco_table <output file> <table>...
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "database/eco_table.h"
#include "database/storage/start_position_record.h"
#include "opening_lines.h"

int main(int argc, char** argv) {
  using namespace zh;
  if (argc < 3) {
    std::cerr << "usage: gen_eco_table <output> <table>...\n";
    return 2;
  }
  std::vector<OpeningLine> lines;
  if (!ReadOpeningLines(std::vector<std::string>(argv + 2, argv + argc), lines)) return 1;
  const std::vector<size_t> owners = BoardOwners(lines);
  std::map<std::string, size_t> byBoard;  // packed board -> owning line
  int longest = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    longest = std::max(longest, lines[i].plies);
    uint8_t key[kPackedPositionSize];
    PackPosition(lines[i].board, key);
    byBoard.emplace(std::string(reinterpret_cast<char*>(key), sizeof key), owners[i]);
  }
  std::vector<std::pair<Board, uint16_t>> entries;
  for (const auto& [key, line] : byBoard) entries.emplace_back(lines[line].board, lines[line].eco);
  const std::string bytes = BuildEcoFile(std::move(entries), static_cast<uint16_t>(longest));
  std::ofstream out(argv[1], std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::cerr << "cannot write " << argv[1] << "\n";
    return 1;
  }
  std::cout << lines.size() << " lines, " << byBoard.size() << " boards, start ply " << longest << "\n";
  return 0;
}

// Writing book files: lines of moves from the start position merged into one move
// tree, written depth first as two-byte records. Moves keep the class that their
// glyph gives (!? general, ?! gambit, ? and ?? not to be played).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/rules/position.h"

namespace zh {

class TQGame;

struct ZbkLineMove {
  uint8_t from = 0;  // board squares
  uint8_t to = 0;
  uint8_t promotion = 0;  // type 2..5 for a promotion, else 0
  uint8_t moveClass = 1;
};

// The class of a move by its move symbol (the PGN glyph number).
int ZbkClassOfGlyph(int glyph);

class ZbkWriter {
 public:
  ZbkWriter();

  // Adds a line from the start position. False, with the reason in `error` and the
  // tree unchanged, for an illegal or null move, an under-promotion or a line longer
  // than a book line may be.
  bool AddLine(const std::vector<ZbkLineMove>& line, std::string* error);
  // Adds every line of a game, variations included; a game from a set-up position or
  // with a line that AddLine refuses adds nothing.
  bool AddGame(const TQGame& game, std::string* error);
  // Adds every game of a PGN text; answers the number of games refused, each with
  // a line "game <n>: <reason>" in `errors`.
  int AddPgnText(std::string_view text, std::vector<std::string>* errors);
  // Adds the lines of an opening table (rows "eco<TAB>name<TAB>movetext", a heading
  // row first) whose code lies in [firstEco, lastEco]; a line whose name holds
  // "Gambit" marks its last move as a gambit. Answers the number of rows refused.
  int AddOpeningTable(std::string_view text, std::string_view firstEco, std::string_view lastEco,
                      std::vector<std::string>* errors);

  int LineCount() const;
  // The records of the tree, depth first; empty for an empty tree.
  std::vector<uint8_t> Bytes() const;
  // Writes the records to a temporary file and renames it over `path`.
  bool WriteFile(const std::string& path) const;

 private:
  struct Node {
    uint8_t from = 0;
    uint8_t to = 0;
    uint8_t moveClass = 1;
    std::vector<int> children;
  };
  void Write(int node, std::vector<uint8_t>& out) const;

  std::vector<Node> nodes_;  // nodes_[0] is the start position
};

}  // namespace zh

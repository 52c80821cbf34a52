// Book files of the four formats written from a move tree, for the import tests: one
// encoder per format, each written from the format's description (how a square is
// coded, which flag bits mark a branch and a line's end, which mark gives which move
// symbol, and the header), independently of the reader's table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zh::test {

// One record: board squares (file * 8 + rank), whether alternatives to the move
// follow, whether it ends its line, and its two-bit move mark.
struct BookRecord {
  int from = 0;
  int to = 0;
  bool branch = false;
  bool end = false;
  int mark = 0;
};

// A line in SAN without move numbers; a move may carry a glyph ("?" or "!?").
// Lines are merged into one move tree in the order given and listed depth first;
// a move's glyph gives its move symbol (2 or 5), which `markOf` turns into a mark.
std::vector<BookRecord> RecordsOfLines(const std::vector<std::string>& lines, int (*markOf)(int symbol));

// The marks whose move symbol is `symbol` in each format (0, 2 and 5 exist in all).
int OwnMark(int symbol);
int GeniusMark(int symbol);
int RebelMark(int symbol);
int ChessMasterMark(int symbol);

std::vector<uint8_t> EncodeOwn(const std::vector<BookRecord>& records);
std::vector<uint8_t> EncodeGenius(const std::vector<BookRecord>& records);
// `junk` bytes come before the signature; the header is both.
std::vector<uint8_t> EncodeRebel(const std::vector<BookRecord>& records, const std::string& junk = "RBL");
std::vector<uint8_t> EncodeChessMaster(const std::vector<BookRecord>& records);

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace zh::test

#include "books/book_fixtures.h"

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "books/zbk_writer.h"
#include "database/pgn/pgn_reader.h"
#include "support/pgn_corpus.h"

namespace zh::test {

std::vector<uint8_t> BookFromLines(const std::vector<std::string>& lines) {
  ZbkWriter writer;
  std::string text;
  for (const std::string& line : lines) text += line + " *\n\n";
  std::vector<std::string> errors;
  EXPECT_EQ(writer.AddPgnText(text, &errors), 0) << (errors.empty() ? "" : errors[0]);
  return writer.Bytes();
}

namespace {

// Plays the SAN moves from the start position; the squares of each move in `moves`.
Position Play(std::string_view san, std::vector<std::pair<int, int>>* moves) {
  Position position;
  std::istringstream in{std::string(san)};
  for (std::string token; in >> token;) {
    if (token.back() == '.') continue;
    if (const size_t dot = token.rfind('.'); dot != std::string::npos) token = token.substr(dot + 1);
    int from = 0, to = 0, promotion = 0;
    if (MatchSan(position, token, kPgnPieceLetters.substr(0, 6), from, to, promotion) != kSanMove) {
      ADD_FAILURE() << "no move " << token << " in " << san;
      break;
    }
    position.MakeMoveSquares(from, to, promotion);
    if (moves) moves->emplace_back(from, to);
  }
  return position;
}

}  // namespace

std::vector<std::pair<int, int>> SquaresOfMoves(std::string_view san) {
  std::vector<std::pair<int, int>> moves;
  Play(san, &moves);
  return moves;
}

Position AfterMoves(std::string_view san) { return Play(san, nullptr); }

bool WriteEcoRangeBook(const std::string& path, std::string_view first, std::string_view last) {
  ZbkWriter writer;
  for (const char* letter : {"a", "b", "c", "d", "e"}) {
    std::ifstream in(std::string(ZH_OPENINGS_DIR) + "/" + letter + ".tsv", std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    writer.AddOpeningTable(text.str(), first, last, nullptr);
  }
  return writer.WriteFile(path);
}

// polyglot's listing of a book: one line a row, "n: 1. e4{60%} c6 ..." with
// transpositions noted in braces.
static std::vector<std::string> ListedLines(std::istream& in) {
  std::vector<std::string> lines;
  for (std::string row; std::getline(in, row);) {
    const size_t colon = row.find(": 1.");
    if (colon == std::string::npos) continue;
    std::string line;
    bool inBraces = false;
    for (char c : row.substr(colon + 2)) {
      if (c == '{') inBraces = true;
      else if (c == '}') inBraces = false;
      else if (!inBraces) line += c;
    }
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> PolyglotBookLines(const std::string& polyglot, const std::string& book,
                                           const std::string& folder) {
  std::vector<std::string> lines;
  for (const char* colour : {"white", "black"}) {
    const std::string out = folder + "/" + colour;
    RunCommand(polyglot + " dump-book -bin '" + book + "' -color " + colour + " -out '" + out + "' >/dev/null 2>&1");
    std::ifstream in(out);
    for (const std::string& line : ListedLines(in)) lines.push_back(line);
  }
  return lines;
}

}  // namespace zh::test

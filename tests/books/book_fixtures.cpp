#include "books/book_fixtures.h"

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "books/zbk_writer.h"
#include "database/pgn/pgn_reader.h"

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

}  // namespace zh::test

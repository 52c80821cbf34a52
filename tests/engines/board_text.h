// Boards for the engine-control tests written as men on squares: "Ke1 Qd1 pd5 ke8"
// (upper case white, lower case black).
#pragma once

#include <cctype>
#include <sstream>
#include <string>
#include <string_view>

#include "core/rules/board.h"

namespace zh::test {

inline Board BoardOf(std::string_view men) {
  Board board;
  board.Clear();
  std::istringstream words{std::string(men)};
  std::string word;
  while (words >> word) {
    static constexpr std::string_view kLetters = "KQNBRP";
    const char letter = word[0];
    const size_t type = kLetters.find(static_cast<char>(std::toupper(letter)));
    if (type == std::string_view::npos || word.size() != 3) continue;
    const int square = MakeSquare(word[1] - 'a', word[2] - '1');
    board[square] = static_cast<uint8_t>((type + 1) | (std::islower(letter) ? kBlackBit : 0));
  }
  return board;
}

}  // namespace zh::test

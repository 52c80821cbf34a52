// The move entries of laid-out games, read in line order, against pgn-extract's SAN of
// the same games: the ECO file's lines and games with nested variations.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/rules/notation.h"
#include "database/game_test_util.h"
#include "database/notation_layout.h"

namespace zh {
namespace {

constexpr char kEcoFile[] = "/usr/share/pgn-extract/eco.pgn";

class WideMetrics : public NotationMetrics {
 public:
  int TextWidth(int, std::string_view utf8) override { return 5 * static_cast<int>(utf8.size()); }
  int FontHeight(int) override { return 10; }
  int TextHeight() override { return 10; }
  void IconSize(int& w, int& h) override { w = h = 10; }
};

// The tokens of each game's movetext: moves and parentheses, without move numbers,
// results and check signs.
std::vector<std::vector<std::string>> Movetexts(const std::string& options, const std::string& file) {
  const std::string command = std::string(ZH_PGN_EXTRACT) + " " + options + " -s " + file + " 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::vector<std::vector<std::string>> games;
  if (!pipe) return games;
  char buffer[4096];
  while (fgets(buffer, sizeof buffer, pipe.get())) {
    std::string line(buffer);
    if (line.rfind("[Event ", 0) == 0) games.emplace_back();
    if (line[0] == '[' || games.empty()) continue;
    std::string spaced;
    for (char c : line) spaced += c == '(' || c == ')' ? std::string(" ") + c + " " : std::string(1, c);
    size_t at = 0;
    while ((at = spaced.find_first_not_of(" \t\r\n", at)) != std::string::npos) {
      const size_t end = spaced.find_first_of(" \t\r\n", at);
      std::string token = spaced.substr(at, end - at);
      at = end;
      if (token.find_first_not_of("0123456789.") == std::string::npos || token == "*" ||
          token == "1-0" || token == "0-1" || token == "1/2-1/2")
        continue;
      std::string bare;
      for (char c : token)
        if (c != '+' && c != '#' && c != '=') bare += c;
      games.back().push_back(bare);
    }
  }
  return games;
}

// Our move text as SAN: no blanks, move number or promotion sign; castling with O.
std::string Normalised(std::string text) {
  std::string out;
  for (char c : text.substr(text.find_last_of('.') == std::string::npos ? 0 : text.find_last_of('.') + 1))
    if (c != ' ' && c != '+' && c != '#' && c != '=') out += c == '0' ? 'O' : c;
  return out;
}

void CheckFile(const std::string& file, size_t games) {
  NotationSettings english;
  english.SetEnglishLetters();
  ScopedNotationSettings guard(english);
  const auto coordinates = Movetexts("-Wlalg", file);
  const auto san = Movetexts("-Wsan", file);
  ASSERT_EQ(coordinates.size(), games);
  ASSERT_EQ(san.size(), games);
  WideMetrics metrics;
  int failures = 0;
  for (size_t g = 0; g < games && failures < 5; ++g) {
    std::string moves, lowered;
    std::vector<std::string> expected;
    for (const std::string& t : coordinates[g]) {
      for (char c : t) lowered += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      lowered += ' ';
    }
    for (const std::string& t : san[g])
      if (t != "(" && t != ")") expected.push_back(t);
    TQGame game;
    GameCursor cursor(&game);
    test::Enter(cursor, lowered);
    FullNota nota(metrics, cursor);
    nota.lineWidth = 300;
    nota.Layout(true);
    std::vector<std::string> laid;
    for (const auto& line : nota.Lines())
      for (const NotaEntry& e : line)
        if (e.ply != kNotaLineEnd && (e.flags & ~(kNotaSlot2 | kNotaSlot5 | kNotaMoveNumber)) == 0)
          laid.push_back(Normalised(nota.EntryText(e)));
    // Our text may qualify a piece move by a rival that is pinned; pgn-extract does not.
    for (size_t i = 0; i < laid.size() && i < expected.size(); ++i)
      for (size_t n = 1; n <= 2 && laid[i] != expected[i]; ++n)
        if (laid[i].size() > n + 2 && std::string(laid[i]).erase(1, n) == expected[i]) laid[i] = expected[i];
    if (laid != expected) {
      ++failures;
      std::string a, b;
      for (const auto& s : laid) a += s + " ";
      for (const auto& s : expected) b += s + " ";
      ADD_FAILURE() << "game " << g << "\nours:   " << a << "\ntheirs: " << b;
    }
  }
}

TEST(NotationLayoutPgn, EcoLinesGiveTheSanOfPgnExtract) { CheckFile(kEcoFile, 2014); }

TEST(NotationLayoutPgn, NestedVariationsGiveTheSanOfPgnExtract) {
  CheckFile(std::string(ZH_SOURCE_DIR) + "/tests/database/data/nested_variations.pgn", 4);
}

}  // namespace
}  // namespace zh

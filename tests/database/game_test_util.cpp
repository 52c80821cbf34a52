#include "game_test_util.h"

#include <gtest/gtest.h>

#include <sstream>

#include "core/rules/board.h"
#include "database/game/annotation_set.h"
#include "database/game/embedded_game.h"
#include "database/game/move_tree.h"
#include "support/test_fen.h"

namespace zh::test {

namespace {

void DumpLine(const MoveLine& line, std::string& out) {
  for (const GameMove& m : line) {
    if (!out.empty() && out.back() != '(') out += ' ';
    out += SquareName(m.from) + SquareName(m.to);
    if (m.promotion > 0 && m.promotion < 7) out += "?kqnbrp"[m.promotion];
    if (m.annotations) {
      if (const std::string& c = CommentAfter(m); !c.empty()) out += " {" + c + "}";
      if (m.annotations->GetGame()) out += " [game]";
    }
    if (m.variations)
      for (int i = 0; i < m.variations->Count(); ++i) {
        out += " (";
        DumpLine(*m.variations->GetLine(i), out);
        out += ")";
      }
  }
}

}  // namespace

bool ParseCoordinates(std::string_view t, int& from, int& to, int& promotion) {
  if (t.size() < 4 || t[0] < 'a' || t[0] > 'h' || t[2] < 'a' || t[2] > 'h') return false;
  from = (t[0] - 'a') * 8 + (t[1] - '1');
  to = (t[2] - 'a') * 8 + (t[3] - '1');
  promotion = 0;
  if (t.size() > 4) {
    constexpr std::string_view kTypes = "?kqnbrp";
    promotion = static_cast<int>(kTypes.find(t[4]));
  }
  return true;
}

void Enter(GameCursor& cursor, std::string_view moves) {
  std::istringstream in{std::string(moves)};
  std::string token;
  while (in >> token) {
    if (token == "(") {
      cursor.Back(false);
    } else if (token == ")") {
      ASSERT_EQ(cursor.EndLine(), 0);
      cursor.Forward();
    } else {
      int from = 0, to = 0, promotion = 0;
      ASSERT_TRUE(ParseCoordinates(token, from, to, promotion)) << token;
      ASSERT_EQ(cursor.AddMove(from, to, promotion, 0), 0) << token;
    }
  }
}

std::string DumpTree(const TQGame& game) {
  std::string out;
  DumpLine(game.body.mainLine, out);
  return out;
}

std::string Fen4(const Position& position) {
  const std::string fen = FenForTest(position);
  size_t at = 0;
  for (int i = 0; i < 4; ++i) at = fen.find(' ', at) + 1;
  return fen.substr(0, at - 1);
}

}  // namespace zh::test

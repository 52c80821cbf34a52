// The default book tree that the build writes from the opening lines: every line's
// positions are stored, each with the line's next move in its move list.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "books/tree/opening_tree.h"
#include "database/game/game_item.h"
#include "database/pgn/pgn_reader.h"

namespace zh {
namespace {

TEST(GeneralTreeTest, EveryOpeningLineIsFoundWithItsMoves) {
  OpeningTree tree(std::string(ZH_DATA_DIR) + "/General");
  ASSERT_EQ(tree.Status(), 0);
  size_t lines = 0, positions = 0;
  for (const char letter : std::string("abcde")) {
    std::ifstream in(std::string(ZH_OPENINGS_DIR) + "/" + letter + ".tsv", std::ios::binary);
    ASSERT_TRUE(in) << letter;
    std::string row;
    std::getline(in, row);  // the column names
    while (std::getline(in, row)) {
      const size_t tab = row.find('\t', row.find('\t') + 1);
      if (tab == std::string::npos) continue;
      TQGame game;
      ReadPgnGame(row.substr(tab + 1) + " *\n", game, PgnSource{}, true);
      ASSERT_GT(game.body.mainLine.Count(), 0) << row;
      Position p = game.body.start.start.position;
      for (const GameMove& m : game.body.mainLine) {
        TreeMoveList list;
        ASSERT_TRUE(tree.FindPosition(p, nullptr, nullptr, nullptr, &list)) << row;
        bool listed = false;
        for (int i = 0; i < list.count; ++i)
          listed |= list.moves[i].from == m.from && list.moves[i].to == m.to;
        // Lists hold 32 moves at most; the start position has more continuations.
        if (list.count < TreeMoveList::kCapacity) {
          EXPECT_TRUE(listed) << row << " " << m.LongText();
        }
        p.DoGameMove(m);
        ++positions;
      }
      EXPECT_TRUE(tree.FindPosition(p)) << row;
      ++lines;
    }
  }
  EXPECT_GT(lines, 3000u);
  EXPECT_GT(positions, 20000u);
}

}  // namespace
}  // namespace zh

// Helpers of the tests that put whole games into opening trees: every stored record
// as a sorted set, and games entered from coordinate moves.
#pragma once

#include <set>
#include <string>
#include <string_view>

#include "books/tree/opening_tree.h"
#include "database/game/game_item.h"
#include "database/game_test_util.h"

namespace zh::test {

// Every record of every page, as bytes; page order and record order do not count.
inline std::multiset<std::string> RecordSet(OpeningTree& tree) {
  std::multiset<std::string> out;
  TreePageFile& pages = tree.Files().Pages();
  const TreePageRecords records = pages.Records();
  for (uint32_t p = 0; p < pages.PageCount(); ++p) {
    if (pages.IsFreePage(p) || pages.ReadPage(p) != 0) continue;
    const uint8_t* page = pages.Buffer();
    uint32_t offset = 4;
    for (uint32_t i = TreePageRecords::Count(page); i > 0; --i) {
      const uint32_t length = records.RecordLength(page + offset);
      out.emplace(reinterpret_cast<const char*>(page + offset), length);
      offset += length;
    }
  }
  return out;
}

// A game of coordinate moves ("(" and ")" around variations) with a result.
inline TQGame GameOf(std::string_view moves, int result) {
  TQGame game;
  game.header.record = HeaderRecord::Game();
  game.header.SetResult(result);
  GameCursor cursor(&game);
  Enter(cursor, moves);
  return game;
}

}  // namespace zh::test

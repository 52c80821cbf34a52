// Any bytes read as an old-format game record: the reader stays inside the record, every
// line it decodes replays legally (no variation is empty), and a record it reads whole
// writes and reads back with the same moves.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/rules/movelist.h"
#include "database/game/game_item.h"
#include "database/game/move_tree.h"
#include "database/oldformat/old_format_record.h"

namespace {

int CheckLine(const zh::MoveLine& line, zh::Position position, int depth) {
  if (depth > zh::kTqfMaxDepth + 1 || (depth > 0 && line.Count() == 0)) std::abort();
  int moves = 0;
  for (const zh::GameMove& m : line) {
    if (m.variations)
      for (int i = 0; i < m.variations->Count(); ++i) moves += CheckLine(*m.variations->GetLine(i), position, depth + 1);
    zh::MoveList list;
    list.GenerateLegal(position);
    if (!list.Contains(m.ToMove())) std::abort();
    position.DoGameMove(m);
    ++moves;
  }
  return moves;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 70000) return 0;
  const std::vector<uint8_t> copy(data, data + size);  // exactly sized
  zh::TQGame game;
  const int rc = zh::DecodeTqfGame(copy.data(), copy.size(), game);
  if (rc != 0 && rc != 1 && rc != 12) std::abort();
  const int moves = CheckLine(game.body.mainLine, game.body.start.start.position, 0);
  zh::TQGame mainOnly;
  zh::DecodeTqfGame(copy.data(), copy.size(), mainOnly, true);
  CheckLine(mainOnly.body.mainLine, mainOnly.body.start.start.position, 0);
  if (rc == 0) {
    std::vector<uint8_t> record;
    if (zh::EncodeTqfGame(game, record) == 0) {
      zh::TQGame back;
      if (zh::DecodeTqfGame(record.data(), record.size(), back) != 0) std::abort();
      if (CheckLine(back.body.mainLine, back.body.start.start.position, 0) != moves) std::abort();
    }
  }
  return 0;
}

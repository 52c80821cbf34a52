// Whole-game routines of the chess level: the title line of a game, an interesting
// ply to show, the saved variation path of a cursor, finding a position in the tree
// and merging a second game into this one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/rules/position.h"
#include "database/game/game_cursor.h"
#include "database/game/game_item.h"

namespace zh {

// "Miller,A-Smith,B/Linares 1994/Source/[Annotator]/1-0 (41)", or with the result in
// front when `resultFirst` is set. An unknown year is left out.
std::string GameTitleLine(const TQGame& game, bool resultFirst);

// A ply worth showing near `ply` on the cursor's line: the first move judged by a
// position symbol within 40 plies, else the first quiet move; the line end when fewer
// than 20 plies would follow it.
int FindKeyPly(const GameCursor& cursor, int ply);

// The variations a cursor has entered, as (ply, index) pairs.
struct CursorPath {
  struct Step {
    int16_t ply;
    int16_t index;
  };
  std::vector<Step> steps;

  void Capture(const GameCursor& cursor);
  // Rewinds, enters the saved variations and steps on to `ply`; the first failing
  // BeginLine's result, else 0.
  int Restore(GameCursor& cursor, int ply) const;
};

// Board, side to move and castling rights agree.
bool SamePosition(const Position& a, const Position& b);

}  // namespace zh

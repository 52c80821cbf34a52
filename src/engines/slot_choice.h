// Which engine slot searches a position: the mate engine for mate searches, the
// endgame-table engine for table positions, the low-material engine, or one of two
// engines by how open the position is.
#pragma once

#include <cstdint>

#include "core/rules/board.h"
#include "engines/search_params.h"

namespace zh {

// An engine with this option bit keeps the endgame-table engine out.
inline constexpr uint32_t kOptionNoEndgameTable = 0x4000;

// The slot to search with, also stored as params.PositionSlot.
int32_t ChooseEngineSlot(const EngineSlots& slots, SearchParams& params, const Board& board);
// PositionSlot = the first of slots 0 to 3 that holds an engine, kNoSlot when none.
void ResetChosenSlot(const EngineSlots& slots, SearchParams& params);

// Queens 9, rooks 5, bishops and knights 3 of both sides sum to less than 27.
bool IsLowMaterial(const Board& board);
// Four or five men that an endgame table covers: a queen or rook each, at most one
// pawn, no minor piece.
bool IsEndgameTablePosition(const Board& board);
// How open the position is and how exposed the men near each king are.
int OpennessScore(const Board& board);
// The score against the threshold of the pawn-structure class: true picks slot 1.
bool ClassifyPosition(const Board& board);
// 11, 13, 15 or 17 for the class bits 0x00 to 0x30.
int OpennessThreshold(int classBits);

}  // namespace zh

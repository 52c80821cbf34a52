// What the program calls around the small search: the locked entry, score and best
// move of a position, the background search that reports on the GUI thread, and the
// legality tests of move codes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "core/rules/game_move.h"
#include "core/search/mini_search.h"
#include "core/rules/move.h"
#include "core/rules/position.h"

namespace zh {

// Runs the one shared MiniSearch under its lock; answers the reported score.
int MiniSearchLocked(const MiniSearchInput& input, int depth, MiniSearchResult& result);
MiniSearchInput MakeMiniSearchInput(const Position& position);
int MiniSearchScore(const Position& position, int depth);
// The best move, completed from the position; the empty move (kind 63) when the
// position is refused or has no legal move.
int MiniSearchBestMove(const Position& position, GameMove& move, int depth);

// A search on a background thread. The worker writes score and move, then posts the
// job to the GUI thread (Poster()), where `link` runs with it; the worker touches
// nothing else. Caller and worker share the job.
struct BackgroundSearchJob {
  Position position;
  GameMove move;
  int32_t depth = 0;
  int32_t score = 0;
  std::function<void(BackgroundSearchJob&)> link;
};

// Starts the worker; answers its id (never 0).
uint64_t StartBackgroundSearch(std::shared_ptr<BackgroundSearchJob> job);
// Waits for every worker started so far; called at shutdown.
void JoinBackgroundSearches();

// Legality of a four-byte move code on the position; false for a to byte of 0xFF.
bool IsLegalMoveCode(const Position& position, MoveCode code);
// No pseudo-legal move passes IsLegalMoveCode: checkmate or stalemate.
bool HasNoLegalMove(const Position& position);

}  // namespace zh

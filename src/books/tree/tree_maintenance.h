// Editing a position tree by hand: a move deleted from every stored position that
// leads to its position, a whole subtree deleted, and the tree weeded of rarely played
// moves down to a depth. Long runs let the interface breathe and can be stopped.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/rules/game_move.h"
#include "core/rules/position.h"
#include "core/rules/retro_movelist.h"

namespace zh {

class OpeningTree;

// A predecessor found by taking back `move` is legal: a valid board, the move legal in
// it, and an en-passant right only where the double step could have been played (the
// square passed over and the pawn's start square empty).
bool IsLegalPredecessor(const Position& before, const GameMove& move);
// A pawn of the side to move stands beside the pawn that made the double step on the
// position's en-passant file.
bool EnPassantCapturePossible(const Position& position);

class TreeMaintenance {
 public:
  static constexpr int kDone = 0;
  static constexpr int kStopped = 1;  // also: no tree
  static constexpr int kOutOfMemory = 5;

  explicit TreeMaintenance(OpeningTree* tree);

  // The retro moves of `position` whose predecessor is legal, packed to the front of
  // Predecessors(); an en-passant file no pawn can use is cleared first. Their count.
  int LegalPredecessors(Position& position);
  const std::vector<GameMove>& Predecessors() const { return kept_; }

  // Removes the move into `position` from every stored predecessor's list, then
  // deletes the position; the deletion's result.
  int DeleteMove(const Position& position);
  // DeleteMove for the position, then the same for every position reached by its
  // stored moves, depth first; DeleteMove's result for the position.
  int DeleteSubtree(const Position& position);
  // From the start position: moves whose position has fewer games than the minimum are
  // removed, the minimum falling by `decrement` per ply, down to `depth` plies. 0, or 1
  // when stopped.
  int Weed(int depth, int minimum, int decrement);
  int WeedBranch(const Position& position, int depth, int minimum, int decrement);

 private:
  OpeningTree* tree_;
  Position start_;
  std::unique_ptr<RetroMoveList> retro_;
  std::vector<GameMove> kept_;
};

}  // namespace zh

// A search mask for the tests and the benchmark: the header criteria of a header mask
// and a "position reached" motif (a board with the side to move, found at any ply of
// the main line), with the material minimums, motif squares and booster options that
// the boosters read set by hand.
#pragma once

#include <cstdint>
#include <string>

#include "core/rules/position.h"
#include "database/search_mask.h"

namespace zh::test {

class PositionMask final : public SearchCriteria {
 public:
  void Reset() override { header.Reset(); }
  bool IsActive() const override { return header.IsActive(); }
  int GetPlyLimit() const override { return motifOn ? plyLimit : 0; }
  // The target's men: captures do not come back.
  int MinimumMen() const override;
  const std::string& PlayerLast(int i) const override { return header.PlayerLast(i); }
  const std::string& PlayerFirst(int i) const override { return header.PlayerFirst(i); }
  const std::string& TournamentText() const override { return header.TournamentText(); }
  const std::string& AnnotatorText() const override { return header.AnnotatorText(); }

  bool MaterialOn() const override { return materialOn; }
  bool MotifOn() const override { return motifOn; }
  bool ManeuverOn() const override { return false; }
  bool SeveralPositionCriteria() const override { return false; }
  bool AnnotationsOn() const override { return false; }
  bool FinalPositionOn() const override { return false; }
  bool GameTestOn() const override { return false; }
  int MaterialMinimum(int side, int type) const override { return minimum[side & 1][type & 7]; }
  bool MaterialExactSum(int side) const override { return exact[side & 1]; }
  int MotifFirstMove() const override { return firstMove; }
  int MotifLastMove() const override { return lastMove; }
  uint64_t MotifSquares(int which) const override { return squares[which & 1]; }
  bool MotifMirrored() const override { return mirrored; }
  bool BoosterOption(int which) const override { return options[which & 1]; }

  int MatchHeader(const GameHeader& h) const override { return header.MatchHeader(h); }
  // Material is a criterion the boosters see; on the trace it matches at once.
  int32_t MaterialFindMatch(const TraceSink&) const override { return 0; }
  // The first ply whose position is the target: board and side to move.
  int32_t MotifFindMatch(const TraceSink& trace) const override;
  int32_t ManeuverFindMatch(const TraceSink&) const override { return kNoMatchingPly; }
  int32_t FindMatchingPly(const TraceSink&) const override { return kNoMatchingPly; }
  int32_t MatchFinalPosition(const Position&, const GameMove&, int) const override {
    return kNoMatchingPly;
  }
  int32_t MatchAnnotations(const GameHeader&, int, FileTqa*) const override { return kNoMatchingPly; }
  int32_t MatchGame(const TQGame&) const override { return kNoMatchingPly; }
  int Write(std::string&) const override { return 4; }

  // The position after the moves (coordinate moves, blank-separated) from the start.
  void SetTarget(const std::string& moves);

  HeaderSearchMask header;
  bool materialOn = false;
  bool motifOn = false;
  int plyLimit = 600;
  Position target;
  int minimum[2][8] = {};
  bool exact[2] = {};
  int firstMove = 1, lastMove = 40;
  uint64_t squares[2] = {};
  bool mirrored = false;
  bool options[2] = {};
};

}  // namespace zh::test

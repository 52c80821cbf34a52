// The material criterion of a search: ranges of piece counts for the own and the
// other side, and conditions on bishops and the pawn structure, tested ply by ply on
// a game trace in either orientation (own side White, or own side Black).
#pragma once

#include <cstdint>

#include "dbwindow/game_trace.h"

namespace zh {

class TQStream;

class MaterialMask {
 public:
  // Groups of ranges, in the order the mask keeps them.
  enum Group { kQueens, kRooks, kBishops, kKnights, kPawns, kMinors, kPieces, kGroups };
  // Condition bytes; of a pair both set, the first applies, but for the locked/open
  // and good/bad bishop pairs, which have a combined meaning.
  enum Condition {
    kOppositeBishops, kSameBishops, kGoodBishop, kBadBishop, kLockedPawns, kOpenPawns,
    kBalancedFiles, kUnbalancedFiles, kPawnsBothWings, kPawnsOneWing,
    kOwnPassedPawn, kOwnNoPassedPawn, kOtherPassedPawn, kOtherNoPassedPawn,
    kOwnConnected, kOwnNotConnected, kOtherConnected, kOtherNotConnected,
    kOwnDoubled, kOwnNoDoubled, kOtherDoubled, kOtherNoDoubled, kConditions
  };
  struct Range {
    int16_t ownMin = 0, otherMin = 0, ownMax = 0, otherMax = 0;
    bool operator==(const Range&) const = default;
  };

  MaterialMask() { ResetRanges(); }

  // The ranges to their defaults; the plies and conditions keep their values.
  void ResetRanges();
  // Everything to its default.
  void Reset();

  int32_t FindMatch(const GameTrace& trace) const;
  // 1 when the ply passes as own side White, or as own side Black with eitherColour.
  bool MatchPly(const GameTrace& trace, int ply) const;
  bool MatchOrientation(const GameTrace& trace, int ply, int orientation) const;

  // The stream block; Read answers non-zero (the mask reset) on a short or
  // inconsistent block.
  void Write(TQStream& out, int version) const;
  int Read(TQStream& in, int version);

  bool operator==(const MaterialMask&) const = default;

  int16_t requiredPlies = 2;
  Range ranges[kGroups];
  uint8_t conditions[kConditions] = {};
  uint8_t differenceMode = 0;
  uint8_t eitherColour = 1;

 private:
  // The counts by group and side of a ply.
  struct Counts {
    int16_t v[2][kGroups];
  };
  static Counts CountsOf(const TracePly& p);
  bool CountsPass(const Counts& counts, int own) const;
  bool AnyCondition() const;
  bool ConditionsPass(const TracePly& p, int own) const;
};

}  // namespace zh

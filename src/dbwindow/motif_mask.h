// The motif criterion of a search: squares that pieces of each kind must, must not or
// in part must occupy, tested ply by ply on a game trace as defined, with colours
// reversed and mirrored from side to side, within a window of moves.
#pragma once

#include <cstdint>

#include "dbwindow/game_trace.h"

namespace zh {

class TQStream;

class MotifMask {
 public:
  // The six tables of a variant.
  enum Table { kWhiteRequired, kBlackRequired, kWhiteForbidden, kBlackForbidden,
               kWhiteOneOf, kBlackOneOf, kTables };
  // Index of the union of all pieces and pawns of a side.
  static constexpr int kAllPieces = 7;
  // Square sets by table and kind (1 king .. 6 pawn, 7 all; 0 unused).
  using Variant = uint64_t[kTables][8];

  MotifMask() = default;
  void Reset() { *this = MotifMask(); }

  // The definition, variant 0; Recompute after changing it or a switch.
  uint64_t& Set(int table, int kind) { return variants[0][table][kind]; }
  uint64_t Set(int table, int kind) const { return variants[0][table][kind]; }
  void Recompute();

  // From a board, on a reset motif: its pieces required where they stand, every empty
  // square forbidden to all pieces. A negative ply gives the window of moves 1 to 302,
  // else the moves around the ply.
  void SetFromBoard(const Board& board, int ply);

  int32_t FindMatch(const GameTrace& trace) const;
  bool MatchPly(const GameTrace& trace, int ply) const;
  bool MatchVariant(const GameTrace& trace, int ply, int variant) const;

  bool IsDefined() const;
  // False when a required or one-of square of a kind is also forbidden to it.
  bool IsConsistent() const;

  void Write(TQStream& out, int version) const;
  int Read(TQStream& in, int version);

  bool operator==(const MotifMask& other) const;

  Variant variants[4] = {};
  uint8_t colourReversed = 0;
  uint8_t mirrored = 0;
  int16_t firstMove = 5;
  int16_t requiredPlies = 1;
  int16_t lastMove = 40;
};

// The window value the block keeps for "to the end of the game".
inline constexpr int kMotifLastMoveStored = 255;
inline constexpr int kMotifWholeGameLastMove = 302;

}  // namespace zh

// Move generators and square scans. Each produces one move per call and keeps its
// resume point, so that the caller makes, searches and takes back the move before it
// asks for the next one. The moves are pseudo-legal.
#pragma once

#include <cstdint>
#include <string>

#include "enginemodule/zelkohome2/core/position.h"

namespace zh::zelko2 {

enum class GenKind : uint8_t {
  kCaptures,     // captures and promotion pushes, least valuable attacker first, then e.p.
  kQuiet,        // every other move, castling included, by the piece order list
  kEnPassant,    // the e.p. captures after a double step
  kAttackers,    // pieces of the side to move that attack a square
  kInterposers,  // pieces other than the king that can move to an empty square
  kKingEscapes,  // king steps to squares without an own piece
};

class MoveGenerator {
 public:
  MoveGenerator() = default;
  MoveGenerator(GenKind kind, const Position& position, Square target = kNoSquare) { Begin(kind, position, target); }

  void Begin(GenKind kind, const Position& position, Square target = kNoSquare);
  // The next move, false when the generator has ended. The board must be as it was
  // when the previous move was returned.
  bool Next(const Position& position, Move& move);

 private:
  enum Stage : uint8_t { kPick, kPiece, kEnPassantStage, kDone };

  bool NextCapture(const Position& p, Move& move);
  bool NextQuiet(const Position& p, Move& move);
  bool NextEnPassant(const Position& p, Move& move);
  bool NextAttacker(const Position& p, Move& move);
  bool NextInterposer(const Position& p, Move& move);
  bool NextKingEscape(const Position& p, Move& move);
  // Whether a piece of the routine on s may capture or promote: an enemy piece on a
  // square it reaches on an empty board.
  bool MayCapture(Routine routine, Square s) const;
  bool CaptureStep(const Position& p, Move& move);
  bool QuietStep(const Position& p, Move& move);
  bool Yield(Square to, int flags, Move& move) {
    move = Move{from_, to, flags};
    return true;
  }

  GenKind kind_ = GenKind::kCaptures;
  Stage stage_ = kDone;
  Routine routine_ = kRoutineNone;
  int index_ = 0;  // handle, or position in the piece order list
  int step_ = 0;   // resume point inside the piece's routine
  Square from_ = 0;
  Square to_ = 0;  // last square of a ray walk
  Square target_ = kNoSquare;
  uint64_t enemies_ = 0;   // squares of the opponent's pieces, bit file * 8 + rank (captures)
  uint32_t attackers_ = 0;  // handle bits of the pieces left to test (attackers)
};

inline bool MoveGenerator::Next(const Position& p, Move& move) {
  switch (kind_) {
    case GenKind::kCaptures: return NextCapture(p, move);
    case GenKind::kQuiet: return NextQuiet(p, move);
    case GenKind::kEnPassant: return NextEnPassant(p, move);
    case GenKind::kAttackers: return NextAttacker(p, move);
    case GenKind::kInterposers: return NextInterposer(p, move);
    case GenKind::kKingEscapes: return NextKingEscape(p, move);
  }
  return false;
}

// Whether a move of the piece on `from` to `to` is a promotion (a pawn reaching the last rank).
bool IsPromotionMove(const Position& position, const Move& move);

// Calls fn(move) for a generated move, once for each promotion piece when it is a
// promotion (queen, rook, bishop, knight), else once.
template <typename Fn>
void ForEachPromotion(const Position& position, Move move, Fn&& fn) {
  if (!IsPromotionMove(position, move)) {
    fn(move);
    return;
  }
  for (int flag : {kFlagPromoQueen, kFlagPromoRook, kFlagPromoBishop, kFlagPromoKnight}) {
    move.flags = flag;
    fn(move);
  }
}

// Coordinate notation: "e2e4", "e7e8q".
std::string SquareText(Square s);
std::string MoveText(const Move& move);

}  // namespace zh::zelko2

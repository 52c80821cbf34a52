// The manoeuvre criterion of a search: up to 16 move patterns that a game must play
// within a span of plies, in order or in any order, optionally with colours reversed,
// and with negated patterns for moves that must not be played.
#pragma once

#include <cstdint>

#include "dbwindow/game_trace.h"

namespace zh {

class TQStream;

struct ManeuverEntry {
  static constexpr uint8_t kAny = 255;
  enum Side : uint8_t { kWhite = 0, kBlack = 1, kEither = 2 };

  uint8_t side = kEither;
  uint8_t pieceKind = 0;  // 0 any, else 1 king .. 6 pawn
  uint8_t fromFile = kAny, fromRank = kAny;
  uint8_t toFile = kAny, toRank = kAny;
  uint8_t promotion = 0;  // with promotionOn: 0 none, 1 any, kind + 1
  uint8_t captureOn = 0;
  uint8_t promotionOn = 0;
  uint8_t capture = 0;  // with captureOn: 0 none, 1 any, kind + 1
  uint8_t materialOn = 0;
  int16_t materialChange = 0;  // with materialOn: the mover's least loss, or most when negative
  uint8_t negated = 0;

  // Ranks mirrored and White and Black exchanged.
  ManeuverEntry Reversed() const;
  bool operator==(const ManeuverEntry&) const = default;
};

class ManeuverMask {
 public:
  static constexpr int kMaxEntries = 16;

  void Reset() { *this = ManeuverMask(); }

  // The first ply of the match; 0 without entries. In any order, a negated entry
  // played after the first match (before the span ends) spoils the manoeuvre, and
  // once an entry has matched with colours reversed the others are looked for
  // reversed only.
  int32_t FindMatch(const GameTrace& trace) const;
  // Whether the entries match in order from the ply on (the first at the ply itself).
  bool MatchFrom(const GameTrace& trace, int ply) const;
  // Whether the entry matches the move that led to the ply.
  static bool EntryMatches(const ManeuverEntry& entry, const GameTrace& trace, int ply);
  int GetPlyBound() const { return 2 * lastMove + 12; }

  void Write(TQStream& out, int version) const;
  int Read(TQStream& in, int version);

  bool operator==(const ManeuverMask&) const = default;

  int16_t count = 0;
  int16_t firstMove = 5;
  int16_t span = 10;
  int16_t lastMove = 40;
  uint8_t colourReversedToo = 1;
  uint8_t inOrder = 0;
  ManeuverEntry entries[kMaxEntries] = {};

 private:
  // The ordered search from `start`, whose first entry must match there; `end` is the
  // end of the window. Without `laterReversed`, only the first entry is tried with
  // colours reversed.
  bool MatchOrdered(const GameTrace& trace, int start, int end, bool laterReversed) const;
  int32_t MatchAnyOrder(const GameTrace& trace, int first, int end) const;
  int WindowStart() const { return firstMove > 0 ? 2 * firstMove - 2 : 0; }
  int WindowEnd(const GameTrace& trace) const;
};

}  // namespace zh

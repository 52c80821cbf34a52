#include "dbwindow/maneuver_mask.h"

#include <algorithm>

#include "core/toolbox/stream.h"
#include "dbwindow/mask_block.h"

namespace zh {

namespace {

constexpr uint8_t MirrorRank(uint8_t rank) {
  return rank == ManeuverEntry::kAny ? rank : static_cast<uint8_t>(7 - rank);
}

// Whether a field that may be "any" holds the value.
constexpr bool Fits(uint8_t field, int value) {
  return field == ManeuverEntry::kAny || field == value;
}

// The form of an entry that the search tests: plain, or with colours reversed.
bool Test(const ManeuverEntry& entry, bool reversed, const GameTrace& trace, int ply) {
  return ManeuverMask::EntryMatches(reversed ? entry.Reversed() : entry, trace, ply);
}

}  // namespace

ManeuverEntry ManeuverEntry::Reversed() const {
  ManeuverEntry e = *this;
  e.fromRank = MirrorRank(fromRank);
  e.toRank = MirrorRank(toRank);
  if (side == kWhite)
    e.side = kBlack;
  else if (side == kBlack)
    e.side = kWhite;
  return e;
}

bool ManeuverMask::EntryMatches(const ManeuverEntry& e, const GameTrace& trace, int ply) {
  // Ply 0 is the start position: no move led to it.
  if (trace.status != GameTrace::kReady || ply <= 0 || ply >= trace.length) return false;
  const TraceMove& m = trace.MoveAt(ply);
  if (e.side != ManeuverEntry::kEither && e.side != (1 - ply % 2) + trace.sideOffset) return false;
  const int kind = TypeOf(m.piece);
  if (e.pieceKind && e.pieceKind != kind) return false;
  if (!Fits(e.fromFile, FileOf(m.from)) || !Fits(e.fromRank, RankOf(m.from)) ||
      !Fits(e.toFile, FileOf(m.to)) || !Fits(e.toRank, RankOf(m.to)))
    return false;
  if (e.promotionOn) {
    if (e.promotion == 0) {
      if (m.promotion) return false;
    } else {
      const bool lastRank = RankOf(m.to) == 0 || RankOf(m.to) == 7;
      if (kind != kPawn || !lastRank || !m.promotion) return false;
      if (e.promotion != 1 && e.promotion != m.promotion + 1) return false;
    }
  }
  if (e.captureOn) {
    if (e.capture == 0) {
      if (m.captured) return false;
    } else {
      if (!m.captured) return false;
      if (e.capture != 1 && e.capture != TypeOf(m.captured) + 1) return false;
    }
  }
  if (e.materialOn) {
    int before = 0, after = 0;
    trace.MaterialAround(ply, before, after);
    const int loss = ply % 2 ? before - after : after - before;
    if (e.materialChange < 0 ? loss > e.materialChange : loss < e.materialChange) return false;
  }
  return true;
}

int ManeuverMask::WindowEnd(const GameTrace& trace) const {
  return std::min<int>(trace.length, 2 * lastMove);
}

bool ManeuverMask::MatchOrdered(const GameTrace& trace, int start, int end,
                                bool laterReversed) const {
  bool reversed = false;
  int firstPly = -1;  // the first positive match, from which the span counts
  int next = start;   // where the next entry is searched
  const auto inWindow = [&](int ply) {
    return ply < end && (firstPly < 0 || ply < firstPly + span);
  };
  for (int i = 0; i < count; ++i) {
    const ManeuverEntry& e = entries[i];
    if (e.negated) {
      // Must not be played before the window ends; then the next entry is searched
      // from where this one was.
      for (int ply = next; inWindow(ply); ++ply)
        if (Test(e, reversed, trace, ply)) return false;
      continue;
    }
    const bool tryReversed = colourReversedToo && !reversed && (i == 0 || laterReversed);
    int found = -1;
    // The first entry must match at the start itself.
    for (int ply = next; inWindow(ply) && (i > 0 || ply == start); ++ply) {
      if (Test(e, reversed, trace, ply)) {
        found = ply;
      } else if (tryReversed && Test(e, true, trace, ply)) {
        reversed = true;
        found = ply;
      }
      if (found >= 0) break;
    }
    if (found < 0) return false;
    if (firstPly < 0) firstPly = found;
    next = found + 1;
  }
  return true;
}

int32_t ManeuverMask::MatchAnyOrder(const GameTrace& trace, int first, int end) const {
  bool matched[kMaxEntries] = {};
  int needed = 0;
  for (int i = 0; i < count; ++i)
    if (!entries[i].negated) ++needed;
  if (needed == 0) return kNoMatchingPly;
  int done = 0;
  int earliest = -1;
  bool reversed = false;
  for (int ply = first; ply < end; ++ply) {
    if (earliest >= 0 && ply >= earliest + span) break;
    for (int i = 0; i < count; ++i) {
      const ManeuverEntry& e = entries[i];
      if (matched[i]) continue;
      if (e.negated) {
        // Played after the first match, a negated entry spoils the manoeuvre.
        if (earliest >= 0 && Test(e, reversed, trace, ply)) return kNoMatchingPly;
        continue;
      }
      bool hit = Test(e, reversed, trace, ply);
      if (!hit && colourReversedToo && done == 0 && Test(e, true, trace, ply)) {
        // From a reversed first match on, every entry is looked for reversed.
        reversed = true;
        hit = true;
      }
      if (!hit) continue;
      matched[i] = true;
      if (earliest < 0) earliest = ply;
      if (++done == needed) return earliest;
      break;
    }
  }
  return kNoMatchingPly;
}

int32_t ManeuverMask::FindMatch(const GameTrace& trace) const {
  if (count <= 0) return 0;
  if (trace.status != GameTrace::kReady) return kNoMatchingPly;
  const int first = WindowStart(), end = WindowEnd(trace);
  if (!inOrder) return MatchAnyOrder(trace, first, end);
  for (int start = first; start < end; ++start)
    if (MatchOrdered(trace, start, end, false)) return start;
  return kNoMatchingPly;
}

bool ManeuverMask::MatchFrom(const GameTrace& trace, int ply) const {
  if (count <= 0) return true;
  if (trace.status != GameTrace::kReady) return false;
  const int start = (ply < 0 || (ply & 0x8000)) ? 0 : ply;
  return MatchOrdered(trace, start, WindowEnd(trace), true);
}

void ManeuverMask::Write(TQStream& out, int version) const {
  const int n = std::clamp<int>(count, 0, kMaxEntries);
  out.WriteInt16BE(n);
  out.WriteInt16BE(firstMove);
  out.WriteInt16BE(span);
  out.WriteInt16BE(lastMove);
  for (int i = 0; i < n; ++i) {
    const ManeuverEntry& e = entries[i];
    const uint8_t head[] = {e.side,   e.pieceKind, e.fromFile,  e.toFile,  e.fromRank,
                            e.toRank, e.captureOn, e.capture,   e.materialOn};
    out.WriteBytes(head, sizeof head);
    if (version >= 3) out.WriteByte(e.negated);
    if (version >= 6) {
      out.WriteByte(e.promotionOn);
      out.WriteByte(e.promotion);
    }
    out.WriteInt16BE(e.materialChange);
    if (version >= mask_block::kExtensibleVersion) out.WriteInt16BE(0);
  }
  if (version >= mask_block::kExtensibleVersion) {
    out.WriteInt16BE(2);
    out.WriteByte(inOrder);
    out.WriteByte(colourReversedToo);
  }
}

int ManeuverMask::Read(TQStream& in, int version) {
  ManeuverMask m;
  const int n = mask_block::ReadInt16(in);
  m.firstMove = mask_block::ReadInt16(in);
  m.span = mask_block::ReadInt16(in);
  m.lastMove = mask_block::ReadInt16(in);
  bool ok = in.IsOk() && n >= 0 && n <= kMaxEntries;
  if (ok) m.count = static_cast<int16_t>(n);
  for (int i = 0; ok && i < n; ++i) {
    ManeuverEntry& e = m.entries[i];
    uint8_t head[9] = {};
    in.ReadBytes(head, sizeof head);
    e.side = head[0];
    e.pieceKind = head[1];
    e.fromFile = head[2];
    e.toFile = head[3];
    e.fromRank = head[4];
    e.toRank = head[5];
    e.captureOn = head[6];
    e.capture = head[7];
    e.materialOn = head[8];
    e.negated = version >= 3 ? mask_block::ReadByte(in) : 0;
    if (version >= 6) {
      e.promotionOn = mask_block::ReadByte(in);
      e.promotion = mask_block::ReadByte(in);
    }
    e.materialChange = mask_block::ReadInt16(in);
    ok = in.IsOk();
    if (ok && version >= mask_block::kExtensibleVersion) ok = mask_block::SkipCounted(in);
  }
  if (ok && version >= mask_block::kExtensibleVersion) {
    const int c = mask_block::ReadInt16(in);
    ok = in.IsOk() && c >= 0;
    if (ok && c > 1) {
      m.inOrder = mask_block::ReadByte(in);
      m.colourReversedToo = mask_block::ReadByte(in);
      ok = in.IsOk() && mask_block::Skip(in, c - 2);
    } else if (ok) {
      ok = mask_block::Skip(in, c);
    }
  }
  if (!ok) {
    Reset();
    return 1;
  }
  *this = m;
  return 0;
}

}  // namespace zh

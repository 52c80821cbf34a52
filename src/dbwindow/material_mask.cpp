#include "dbwindow/material_mask.h"

#include <bit>

#include "core/toolbox/stream.h"
#include "dbwindow/mask_block.h"

namespace zh {

namespace {

constexpr MaterialMask::Range kDefaultRanges[MaterialMask::kGroups] = {
    {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0},
    {0, 0, 8, 8}, {0, 0, 4, 4}, {1, 1, 8, 8},
};

// The stream's order of the range groups.
constexpr MaterialMask::Group kStreamGroups[MaterialMask::kGroups] = {
    MaterialMask::kQueens, MaterialMask::kKnights, MaterialMask::kBishops, MaterialMask::kRooks,
    MaterialMask::kPawns,  MaterialMask::kMinors,  MaterialMask::kPieces,
};

// Condition bytes and flags in the stream: byte index 0..2 and bit, in bit order;
// the byte 2 bit 0 is differenceMode and byte 1 bit 0 eitherColour (kConditions + n).
constexpr int kDifferenceModeFlag = MaterialMask::kConditions;
constexpr int kEitherColourFlag = MaterialMask::kConditions + 1;
constexpr int kStreamFlags[3][8] = {
    {MaterialMask::kOppositeBishops, MaterialMask::kSameBishops, MaterialMask::kOwnPassedPawn,
     MaterialMask::kOwnNoPassedPawn, MaterialMask::kOtherPassedPawn,
     MaterialMask::kOtherNoPassedPawn, MaterialMask::kLockedPawns, MaterialMask::kOpenPawns},
    {kEitherColourFlag, MaterialMask::kOwnConnected, MaterialMask::kOwnNotConnected,
     MaterialMask::kOtherConnected, MaterialMask::kOtherNotConnected, MaterialMask::kOwnDoubled,
     MaterialMask::kOtherDoubled, MaterialMask::kPawnsBothWings},
    {kDifferenceModeFlag, MaterialMask::kBadBishop, MaterialMask::kGoodBishop,
     MaterialMask::kOwnNoDoubled, MaterialMask::kOtherNoDoubled, MaterialMask::kBalancedFiles,
     MaterialMask::kUnbalancedFiles, MaterialMask::kPawnsOneWing},
};

constexpr int FileByte(uint64_t set, int file) {
  return static_cast<int>((set >> (8 * file)) & 0xFF);
}

// The files that hold a square of the set, one bit each.
constexpr int FilesOf(uint64_t set) {
  int files = 0;
  for (int f = 0; f < 8; ++f)
    if (FileByte(set, f)) files |= 1 << f;
  return files;
}

bool HasPassedPawn(uint64_t own, uint64_t enemy, bool black) {
  for (uint64_t rest = own; rest; rest &= rest - 1) {
    const int square = std::countr_zero(rest);
    const int file = square >> 3, rank = square & 7;
    if (rank < 1 || rank > 6) continue;
    int guards = FileByte(enemy, file);
    if (file > 0) guards |= FileByte(enemy, file - 1);
    if (file < 7) guards |= FileByte(enemy, file + 1);
    const int ahead = black ? (1 << rank) - 1 : (0xFF << (rank + 1)) & 0xFF;
    if (!(guards & ahead)) return true;
  }
  return false;
}

// The smaller of the widths of the first and the last run of adjacent pawn files.
int ConnectedMeasure(uint64_t pawns) {
  const unsigned files = static_cast<unsigned>(FilesOf(pawns));
  if (!files) return 0;
  const int first = std::countr_one(files >> std::countr_zero(files));
  const int top = 31 - std::countl_zero(files);
  int last = 0;
  for (int f = top; f >= 0 && (files >> f & 1); --f) ++last;
  return first < last ? first : last;
}

bool HasDoubledPawns(uint64_t pawns) {
  for (int f = 0; f < 8; ++f)
    if (std::popcount(static_cast<unsigned>(FileByte(pawns, f))) >= 2) return true;
  return false;
}

// White pawns on ranks 3 to 6 stopped by a Black pawn that no Black pawn stands
// beside.
int BlockedPawns(uint64_t white, uint64_t black) {
  int blocked = 0;
  for (uint64_t rest = white; rest; rest &= rest - 1) {
    const int square = std::countr_zero(rest);
    const int file = square >> 3, rank = square & 7;
    if (rank < 2 || rank > 5 || !(black >> (square + 1) & 1)) continue;
    const bool left = file > 0 && (black >> (square + 1 - 8) & 1);
    const bool right = file < 7 && (black >> (square + 1 + 8) & 1);
    if (!left && !right) ++blocked;
  }
  return blocked;
}

bool BalancedFiles(uint64_t white, uint64_t black) {
  for (int f = 0; f < 8; ++f)
    if (std::popcount(static_cast<unsigned>(FileByte(white, f))) !=
        std::popcount(static_cast<unsigned>(FileByte(black, f))))
      return false;
  return true;
}

// Own pawns off the bishop's colour less those on it, plus the other side's on it less
// those off it.
int BishopColourBalance(uint64_t bishop, uint64_t ownPawns, uint64_t otherPawns) {
  const uint64_t colour = (bishop & kDarkSquares) ? kDarkSquares : ~kDarkSquares;
  const int ownOn = std::popcount(ownPawns & colour), ownOff = std::popcount(ownPawns & ~colour);
  const int otherOn = std::popcount(otherPawns & colour);
  const int otherOff = std::popcount(otherPawns & ~colour);
  return (ownOff - ownOn) + (otherOn - otherOff);
}

// A pair of condition bytes: the first asks for the property, the second for its
// absence; the first wins when both are set. The property is worked out only when
// one of them is.
template <class Property>
bool Pair(uint8_t yes, uint8_t no, Property property) {
  if (yes) return property();
  if (no) return !property();
  return true;
}

bool InRange(int value, int min, int max) {
  return value >= min && value <= max;
}

}  // namespace

void MaterialMask::ResetRanges() {
  for (int g = 0; g < kGroups; ++g) ranges[g] = kDefaultRanges[g];
}

void MaterialMask::Reset() {
  *this = MaterialMask();
}

MaterialMask::Counts MaterialMask::CountsOf(const TracePly& p) {
  Counts counts;
  for (int s = 0; s < 2; ++s) {
    const TraceSide& side = p.pieces[s];
    int16_t* c = counts.v[s];
    c[kQueens] = side.counts[kQueen - 1];
    c[kRooks] = side.counts[kRook - 1];
    c[kBishops] = side.counts[kBishop - 1];
    c[kKnights] = side.counts[kKnight - 1];
    c[kPawns] = p.pawns[s].count;
    c[kMinors] = static_cast<int16_t>(c[kBishops] + c[kKnights]);
    c[kPieces] = static_cast<int16_t>(side.counts[kKing - 1] + c[kQueens] + c[kMinors] + c[kRooks]);
  }
  return counts;
}

bool MaterialMask::CountsPass(const Counts& counts, int own) const {
  const int16_t* mine = counts.v[own];
  const int16_t* theirs = counts.v[1 - own];
  for (int g = 0; g < kGroups; ++g)
    if (!InRange(mine[g], ranges[g].ownMin, ranges[g].ownMax)) return false;
  for (int g = 0; g < kGroups; ++g) {
    const int v = differenceMode ? theirs[g] - mine[g] : theirs[g];
    if (!InRange(v, ranges[g].otherMin, ranges[g].otherMax)) return false;
  }
  return true;
}

bool MaterialMask::AnyCondition() const {
  for (uint8_t c : conditions)
    if (c) return true;
  return false;
}

bool MaterialMask::ConditionsPass(const TracePly& p, int own) const {
  const int other = 1 - own;
  const uint8_t* c = conditions;
  const uint64_t ownPawns = p.pawns[own].squares, otherPawns = p.pawns[other].squares;
  const int ownPawnCount = p.pawns[own].count, otherPawnCount = p.pawns[other].count;
  const uint64_t ownBishops = p.pieces[own].Set(kBishop);
  const uint64_t otherBishops = p.pieces[other].Set(kBishop);
  const bool ownOne = p.pieces[own].Count(kBishop) == 1;
  const bool otherOne = p.pieces[other].Count(kBishop) == 1;

  if (c[kOppositeBishops] || c[kSameBishops]) {
    if (!ownOne || !otherOne) return false;
    const bool same = ((ownBishops & kDarkSquares) != 0) == ((otherBishops & kDarkSquares) != 0);
    if (c[kOppositeBishops] ? same : !same) return false;
  }
  if (c[kGoodBishop] && c[kBadBishop]) {
    if (!ownOne || !otherOne) return false;
    const int pOwn = BishopColourBalance(ownBishops, ownPawns, otherPawns);
    const int qOther = BishopColourBalance(otherBishops, otherPawns, ownPawns);
    if (!((pOwn > ownPawnCount && qOther < -otherPawnCount) ||
          (qOther > otherPawnCount && pOwn < -ownPawnCount)))
      return false;
  } else if (c[kGoodBishop] || c[kBadBishop]) {
    if (!ownOne && !otherOne) return false;
    const int pOwn = BishopColourBalance(ownBishops, ownPawns, otherPawns);
    if (c[kGoodBishop] ? !(pOwn > ownPawnCount) : !(pOwn < -ownPawnCount)) return false;
  }
  if (!Pair(c[kOwnPassedPawn], c[kOwnNoPassedPawn],
            [&] { return HasPassedPawn(ownPawns, otherPawns, own == 1); }))
    return false;
  if (!Pair(c[kOtherPassedPawn], c[kOtherNoPassedPawn],
            [&] { return HasPassedPawn(otherPawns, ownPawns, other == 1); }))
    return false;
  if (c[kOwnConnected] || c[kOwnNotConnected]) {
    if (ownPawnCount < 2) return false;
    if (!Pair(c[kOwnConnected], c[kOwnNotConnected],
              [&] { return ConnectedMeasure(ownPawns) == ownPawnCount; }))
      return false;
  }
  if (c[kOtherConnected] || c[kOtherNotConnected]) {
    if (otherPawnCount < 2) return false;
    if (!Pair(c[kOtherConnected], c[kOtherNotConnected],
              [&] { return ConnectedMeasure(otherPawns) == otherPawnCount; }))
      return false;
  }
  if (!Pair(c[kOwnDoubled], c[kOwnNoDoubled], [&] { return HasDoubledPawns(ownPawns); }))
    return false;
  if (!Pair(c[kOtherDoubled], c[kOtherNoDoubled], [&] { return HasDoubledPawns(otherPawns); }))
    return false;

  const uint64_t white = p.pawns[0].squares, black = p.pawns[1].squares;
  if (c[kLockedPawns] || c[kOpenPawns]) {
    const int blocked = BlockedPawns(white, black);
    const int w = p.pawns[0].count, b = p.pawns[1].count;
    const int larger = w > b ? w : b;
    int smaller = w < b ? w : b;
    if (smaller == 0) smaller = 1;
    bool pass;
    if (c[kLockedPawns] && c[kOpenPawns])
      pass = 2 * blocked < 2 * larger && 3 * blocked >= 2 * larger;
    else if (c[kLockedPawns])
      pass = blocked == smaller;
    else
      pass = 2 * blocked < smaller;
    if (!pass) return false;
  }
  if (!Pair(c[kBalancedFiles], c[kUnbalancedFiles], [&] { return BalancedFiles(white, black); }))
    return false;
  return Pair(c[kPawnsBothWings], c[kPawnsOneWing], [&] {
    const uint64_t all = white | black;
    return (all & 0x0000000000FFFFFFull) && (all & 0xFFFFFF0000000000ull);
  });
}

bool MaterialMask::MatchOrientation(const GameTrace& trace, int ply, int orientation) const {
  const TracePly& p = trace.Ply(ply);
  return CountsPass(CountsOf(p), orientation) && ConditionsPass(p, orientation);
}

bool MaterialMask::MatchPly(const GameTrace& trace, int ply) const {
  if (trace.status != GameTrace::kReady || ply < 0 || ply >= trace.length) return false;
  return MatchOrientation(trace, ply, 0) || (eitherColour && MatchOrientation(trace, ply, 1));
}

int32_t MaterialMask::FindMatch(const GameTrace& trace) const {
  if (trace.status != GameTrace::kReady) return kNoMatchingPly;
  const int needed = requiredPlies > 1 ? requiredPlies : 1;
  const bool conditionsOn = AnyCondition();
  const auto passes = [&](const TracePly& p, const Counts& counts, int orientation) {
    return CountsPass(counts, orientation) && (!conditionsOn || ConditionsPass(p, orientation));
  };
  int runs[2] = {0, 0};
  int remembered = 0;
  for (int ply = 0; ply < trace.length; ++ply) {
    const TracePly& p = trace.Ply(ply);
    const Counts counts = CountsOf(p);
    int tested = 0;
    if (passes(p, counts, 0)) {
      if (runs[0]++ == 0) remembered = ply;
    } else {
      runs[0] = 0;
      if (eitherColour) {
        tested = 1;
        if (passes(p, counts, 1)) {
          if (runs[1]++ == 0) remembered = ply;
        } else {
          runs[1] = 0;
        }
      }
    }
    if (runs[tested] >= needed) return remembered;
  }
  return kNoMatchingPly;
}

void MaterialMask::Write(TQStream& out, int version) const {
  out.WriteInt16BE(requiredPlies);
  for (Group g : kStreamGroups) {
    out.WriteInt16BE(ranges[g].ownMin);
    out.WriteInt16BE(ranges[g].otherMin);
    out.WriteInt16BE(ranges[g].ownMax);
    out.WriteInt16BE(ranges[g].otherMax);
  }
  for (const auto& byte : kStreamFlags) {
    int bits = 0;
    for (int bit = 0; bit < 8; ++bit) {
      const int flag = byte[bit];
      const uint8_t value = flag == kDifferenceModeFlag ? differenceMode
                            : flag == kEitherColourFlag ? eitherColour
                                                        : conditions[flag];
      if (value) bits |= 1 << bit;
    }
    out.WriteByte(bits);
  }
  if (version >= mask_block::kExtensibleVersion) out.WriteInt16BE(0);
}

int MaterialMask::Read(TQStream& in, int version) {
  MaterialMask m;
  m.requiredPlies = mask_block::ReadInt16(in);
  for (Group g : kStreamGroups) {
    m.ranges[g].ownMin = mask_block::ReadInt16(in);
    m.ranges[g].otherMin = mask_block::ReadInt16(in);
    m.ranges[g].ownMax = mask_block::ReadInt16(in);
    m.ranges[g].otherMax = mask_block::ReadInt16(in);
  }
  for (const auto& byte : kStreamFlags) {
    const int bits = mask_block::ReadByte(in);
    for (int bit = 0; bit < 8; ++bit) {
      const uint8_t value = (bits >> bit) & 1;
      const int flag = byte[bit];
      if (flag == kDifferenceModeFlag)
        m.differenceMode = value;
      else if (flag == kEitherColourFlag)
        m.eitherColour = value;
      else
        m.conditions[flag] = value;
    }
  }
  bool ok = in.IsOk();
  if (ok && version >= mask_block::kExtensibleVersion) ok = mask_block::SkipCounted(in);
  if (!ok) {
    Reset();
    return 1;
  }
  *this = m;
  return 0;
}

}  // namespace zh

#include "dbwindow/motif_mask.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/toolbox/stream.h"
#include "dbwindow/mask_block.h"

namespace zh {

namespace {

// Every byte's bits in reverse order: rank r to rank 7 - r on every file.
constexpr uint64_t MirrorRanks(uint64_t v) {
  v = ((v >> 1) & 0x5555555555555555ull) | ((v & 0x5555555555555555ull) << 1);
  v = ((v >> 2) & 0x3333333333333333ull) | ((v & 0x3333333333333333ull) << 2);
  return ((v >> 4) & 0x0F0F0F0F0F0F0F0Full) | ((v & 0x0F0F0F0F0F0F0F0Full) << 4);
}

// File f to file 7 - f.
constexpr uint64_t MirrorFiles(uint64_t v) {
  return __builtin_bswap64(v);
}

// The White table of a table's pair, and its Black partner.
constexpr int Partner(int table) {
  return table ^ 1;
}

// The stream's order of a kind's six sets.
constexpr int kStreamTables[6] = {MotifMask::kWhiteRequired, MotifMask::kBlackRequired,
                                  MotifMask::kWhiteOneOf,    MotifMask::kBlackOneOf,
                                  MotifMask::kWhiteForbidden, MotifMask::kBlackForbidden};

bool SetPasses(uint64_t s, uint64_t required, uint64_t forbidden, uint64_t oneOf, bool pawns) {
  if (required & ~s) return false;
  if (s & forbidden & ~required) return false;
  if (!oneOf) return true;
  if (!pawns) return (s & oneOf) != 0;
  for (int f = 0; f < 8; ++f) {
    const uint64_t file = uint64_t{0xFF} << (8 * f);
    if ((oneOf & file) && !(s & oneOf & file)) return false;
  }
  return true;
}

}  // namespace

void MotifMask::Recompute() {
  for (int t = 0; t < kTables; ++t) {
    for (int k = 1; k <= kAllPieces; ++k) {
      const uint64_t plain = variants[0][t][k];
      const uint64_t swapped = MirrorRanks(variants[0][Partner(t)][k]);
      variants[1][t][k] = colourReversed ? swapped : 0;
      variants[2][t][k] = mirrored ? MirrorFiles(plain) : 0;
      variants[3][t][k] = colourReversed && mirrored ? MirrorFiles(swapped) : 0;
    }
  }
}

void MotifMask::SetFromBoard(const Board& board, int ply) {
  uint64_t empty = 0;
  for (int square = 0; square < 64; ++square) {
    const int code = board[square];
    const int kind = TypeOf(code);
    if (kind < kKing || kind > kPawn) {
      empty |= uint64_t{1} << square;
      continue;
    }
    Set(ColourOf(code) ? kBlackRequired : kWhiteRequired, kind) |= uint64_t{1} << square;
  }
  Set(kWhiteForbidden, kAllPieces) = empty;
  Set(kBlackForbidden, kAllPieces) = empty;
  Set(kWhiteOneOf, kKing) = 0;
  Set(kBlackOneOf, kKing) = 0;
  if (ply < 0) {
    firstMove = 1;
    lastMove = kMotifWholeGameLastMove;
  } else {
    const int f = ply / 2;
    firstMove = static_cast<int16_t>(f - 1 >= 1 ? f - 1 : 1);
    lastMove = static_cast<int16_t>(f + 2);
  }
  requiredPlies = 1;
  Recompute();
}

bool MotifMask::MatchVariant(const GameTrace& trace, int ply, int variant) const {
  const Variant& v = variants[variant];
  const TracePly& p = trace.Ply(ply);
  for (int side = 0; side < 2; ++side) {
    const int required = side ? kBlackRequired : kWhiteRequired;
    const int forbidden = side ? kBlackForbidden : kWhiteForbidden;
    const int oneOf = side ? kBlackOneOf : kWhiteOneOf;
    const uint64_t pawns = p.pawns[side].squares;
    if (!SetPasses(pawns, v[required][kPawn], v[forbidden][kPawn], v[oneOf][kPawn], true))
      return false;
    uint64_t all = pawns;
    for (int k = kKing; k <= kRook; ++k) {
      const uint64_t s = p.pieces[side].Set(k);
      all |= s;
      if (!SetPasses(s, v[required][k], v[forbidden][k], v[oneOf][k], false)) return false;
    }
    if (!SetPasses(all, v[required][kAllPieces], v[forbidden][kAllPieces], v[oneOf][kAllPieces],
                   false))
      return false;
  }
  return true;
}

bool MotifMask::MatchPly(const GameTrace& trace, int ply) const {
  if (trace.status != GameTrace::kReady || ply < 0 || ply >= trace.length) return false;
  return MatchVariant(trace, ply, 0) || (colourReversed && MatchVariant(trace, ply, 1)) ||
         (mirrored && MatchVariant(trace, ply, 2)) ||
         (colourReversed && mirrored && MatchVariant(trace, ply, 3));
}

int32_t MotifMask::FindMatch(const GameTrace& trace) const {
  if (trace.status != GameTrace::kReady) return kNoMatchingPly;
  const int needed = requiredPlies > 1 ? requiredPlies : 1;
  const int first = firstMove > 0 ? 2 * firstMove - 2 : 0;
  const int end = std::min<int>(trace.length, 2 * lastMove);
  int run = 0;
  for (int ply = first; ply < end; ++ply) {
    run = MatchPly(trace, ply) ? run + 1 : 0;
    if (run >= needed) return ply - run + 1;
  }
  return kNoMatchingPly;
}

bool MotifMask::IsDefined() const {
  for (const auto& table : variants[0])
    for (int k = 1; k <= kAllPieces; ++k)
      if (table[k]) return true;
  return false;
}

bool MotifMask::IsConsistent() const {
  for (int side = 0; side < 2; ++side) {
    const int forbidden = side ? kBlackForbidden : kWhiteForbidden;
    for (int k = kKing; k <= kPawn; ++k) {
      const uint64_t f = Set(forbidden, k);
      if ((Set(side ? kBlackRequired : kWhiteRequired, k) & f) ||
          (Set(side ? kBlackOneOf : kWhiteOneOf, k) & f))
        return false;
    }
  }
  return true;
}

bool MotifMask::operator==(const MotifMask& other) const {
  return std::memcmp(variants, other.variants, sizeof variants) == 0 &&
         colourReversed == other.colourReversed && mirrored == other.mirrored &&
         firstMove == other.firstMove && requiredPlies == other.requiredPlies &&
         lastMove == other.lastMove;
}

void MotifMask::Write(TQStream& out, int version) const {
  out.WriteInt16BE(firstMove);
  out.WriteInt16BE(requiredPlies);
  const int last = std::clamp<int>(lastMove, 0, kMotifLastMoveStored);
  out.WriteInt16BE(last | (colourReversed ? 0x100 : 0) | (mirrored ? 0x200 : 0));
  for (int k = 1; k <= kAllPieces; ++k) {
    for (int t : kStreamTables) {
      uint8_t bytes[8];
      for (int f = 0; f < 8; ++f) bytes[f] = static_cast<uint8_t>(variants[0][t][k] >> (8 * f));
      out.WriteBytes(bytes, sizeof bytes);
    }
  }
  if (version >= mask_block::kExtensibleVersion) out.WriteInt16BE(0);
}

int MotifMask::Read(TQStream& in, int version) {
  MotifMask m;
  m.firstMove = mask_block::ReadInt16(in);
  m.requiredPlies = mask_block::ReadInt16(in);
  const int word = static_cast<uint16_t>(mask_block::ReadInt16(in));
  const int last = word & 0xFF;
  m.lastMove = static_cast<int16_t>(last == kMotifLastMoveStored ? kMotifWholeGameLastMove : last);
  m.colourReversed = (word >> 8) & 1;
  m.mirrored = (word >> 9) & 1;
  for (int k = 1; k <= kAllPieces; ++k) {
    for (int t : kStreamTables) {
      uint8_t bytes[8] = {};
      in.ReadBytes(bytes, sizeof bytes);
      uint64_t set = 0;
      for (int f = 0; f < 8; ++f) set |= uint64_t{bytes[f]} << (8 * f);
      m.variants[0][t][k] = set;
    }
  }
  bool ok = in.IsOk();
  if (ok && version >= mask_block::kExtensibleVersion) ok = mask_block::SkipCounted(in);
  if (!ok) {
    Reset();
    return 1;
  }
  m.Recompute();
  *this = m;
  return 0;
}

}  // namespace zh

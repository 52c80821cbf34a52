#include "dbwindow/search_mask.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <new>

#include "core/rules/position.h"
#include "core/search/search_entry.h"
#include "database/game/header_items.h"

namespace zh {

namespace {

// A mate the small search sees, on its own scale (10001 - n for a mate in n).
constexpr int kMateScore = 9900;

const GameTrace* AsGameTrace(const TraceSink& trace) {
  const auto* t = dynamic_cast<const GameTrace*>(&trace);
  return t && t->status == GameTrace::kReady ? t : nullptr;
}

// The material group of a piece kind; -1 for the king and others.
int GroupOf(int type) {
  switch (type) {
    case kQueen: return MaterialMask::kQueens;
    case kRook: return MaterialMask::kRooks;
    case kBishop: return MaterialMask::kBishops;
    case kKnight: return MaterialMask::kKnights;
    case kPawn: return MaterialMask::kPawns;
    default: return -1;
  }
}

int WindowStart(int firstMove) {
  return firstMove > 0 ? 2 * firstMove - 2 : 0;
}

// The fewest men a side can have where the material ranges pass; `own` picks the
// own or the other side's bounds.
int SideMenFloor(const MaterialMask& m, bool own) {
  const auto low = [&](int g) {
    const int v = own ? m.ranges[g].ownMin : m.ranges[g].otherMin;
    return std::max(v, 0);
  };
  const int minors = std::max(low(MaterialMask::kMinors), low(MaterialMask::kBishops) + low(MaterialMask::kKnights));
  const int pieces = std::max(low(MaterialMask::kPieces), low(MaterialMask::kQueens) + low(MaterialMask::kRooks) + minors);
  return pieces + low(MaterialMask::kPawns);
}

}  // namespace

void SearchMask::Reset() {
  header.Reset();
  material.ResetRanges();
  motif.Reset();
  maneuver.count = 0;
  annotations.Reset();
  materialOn = motifOn = maneuverOn = severalPositionCriteria = annotationsOn = 0;
  finalMate = finalStalemate = finalCheck = 0;
}

bool SearchMask::IsAnyActive() const {
  return IsActive() || materialOn || motifOn || maneuverOn || annotationsOn || annotations.medalMask ||
         finalMate || finalStalemate || finalCheck || extraSelection;
}

int SearchMask::GetPlyLimit() const {
  int limit = materialOn ? kTracePlies : 0;
  if (motifOn) limit = std::max(limit, 2 * static_cast<int>(motif.lastMove));
  if (maneuverOn) limit = std::max(limit, maneuver.GetPlyBound());
  return limit;
}

int SearchMask::MinimumMen() const {
  // Each criterion on its own may match at a different ply, so the weakest floor holds.
  if (maneuverOn) return 0;
  int floor = INT32_MAX;
  if (materialOn)
    floor = SideMenFloor(material, true) + (material.differenceMode ? 0 : SideMenFloor(material, false));
  if (motifOn) {
    uint64_t required = 0;
    for (int kind = 1; kind <= MotifMask::kAllPieces; ++kind)
      required |= motif.Set(MotifMask::kWhiteRequired, kind) | motif.Set(MotifMask::kBlackRequired, kind);
    floor = std::min(floor, std::popcount(required));
  }
  return floor == INT32_MAX ? 0 : floor;
}

std::unique_ptr<TraceSink> SearchMask::MakeTrace() const {
  std::unique_ptr<GameTrace> trace(new (std::nothrow) GameTrace());
  if (!trace || trace->status != GameTrace::kReady) return nullptr;
  return trace;
}

int SearchMask::MaterialMinimum(int side, int type) const {
  const int g = GroupOf(type);
  if (!materialOn || g < 0) return 0;
  const int own = std::max<int>(material.ranges[g].ownMin, 0);
  const int other = material.differenceMode ? 0 : std::max<int>(material.ranges[g].otherMin, 0);
  if (material.eitherColour) return std::min(own, other);
  return side == 0 ? own : other;
}

bool SearchMask::BoosterOption(int which) const {
  if (which == 1) return motifOn && motif.mirrored;
  if (which != 0) return false;
  if (materialOn && material.eitherColour) return true;
  if (motifOn && motif.colourReversed) return true;
  if (maneuverOn) {
    if (maneuver.colourReversedToo) return true;
    for (int i = 0; i < std::clamp<int>(maneuver.count, 0, ManeuverMask::kMaxEntries); ++i)
      if (maneuver.entries[i].side == ManeuverEntry::kEither) return true;
  }
  return false;
}

int32_t SearchMask::MaterialFindMatch(const TraceSink& trace) const {
  const GameTrace* t = AsGameTrace(trace);
  return t ? material.FindMatch(*t) : kNoMatchingPly;
}

int32_t SearchMask::MotifFindMatch(const TraceSink& trace) const {
  const GameTrace* t = AsGameTrace(trace);
  return t ? motif.FindMatch(*t) : kNoMatchingPly;
}

int32_t SearchMask::ManeuverFindMatch(const TraceSink& trace) const {
  const GameTrace* t = AsGameTrace(trace);
  return t ? maneuver.FindMatch(*t) : kNoMatchingPly;
}

int32_t SearchMask::FindMatchingPly(const TraceSink& trace) const {
  const GameTrace* t = AsGameTrace(trace);
  return t ? FindMatchingPly(*t) : kNoMatchingPly;
}

int32_t SearchMask::FindMatchingPly(const GameTrace& trace) const {
  if (trace.status != GameTrace::kReady) return kNoMatchingPly;
  const int n = std::clamp<int>(trace.length, 0, kTracePlies);
  if (n == 0 || !(materialOn || motifOn || maneuverOn)) return kNoMatchingPly;
  uint8_t flags[3][kTracePlies] = {};
  enum { kMat, kMot, kMan };
  if (materialOn)
    for (int p = 0; p < n; ++p) flags[kMat][p] = material.MatchPly(trace, p);
  if (motifOn) {
    const int end = std::min(n, 2 * static_cast<int>(motif.lastMove));
    for (int p = WindowStart(motif.firstMove); p < end; ++p)
      flags[kMot][p] = !(materialOn && !flags[kMat][p]) && motif.MatchPly(trace, p);
  }
  if (maneuverOn) {
    const int end = std::min(n, 2 * static_cast<int>(maneuver.lastMove));
    for (int p = WindowStart(maneuver.firstMove); p < end; ++p)
      flags[kMan][p] = !(materialOn && !flags[kMat][p]) && !(motifOn && !flags[kMot][p]) &&
                       maneuver.MatchFrom(trace, p);
  }
  int required = motifOn ? motif.requiredPlies : 1;
  if (materialOn) required = std::max<int>(required, material.requiredPlies);
  if (maneuverOn) required = 1;
  required = std::max(required, 1);

  int first = -1, seen = 0;
  for (int p = 0; p < n; ++p) {
    if ((materialOn && !flags[kMat][p]) || (motifOn && !flags[kMot][p]) || (maneuverOn && !flags[kMan][p]))
      continue;
    if (first < 0) first = p;
    if (++seen >= required) return first;
  }
  return kNoMatchingPly;
}

int32_t SearchMask::MatchFinalPosition(const Position& position, const GameMove&, int plies) const {
  if (plies <= 0) return kNoMatchingPly;
  bool hit = false;
  if (finalMate)
    hit = position.IsCheckmate() || std::abs(MiniSearchScore(position, 1)) > kMateScore;
  else if (finalStalemate)
    hit = position.IsStalemate();
  else if (finalCheck)
    hit = position.IsInCheck();
  return hit ? plies - 1 : kNoMatchingPly;
}

int SearchMask::CountPlayers() const {
  return !PlayerLast(0).empty() + !PlayerLast(1).empty();
}

void SearchMask::GetPlayer(int index, TQPlayer& player) const {
  player = TQPlayer();
  if (PlayerLast(index).empty()) return;
  player.SetLastName(PlayerLast(index));
  player.SetFirstName(PlayerFirst(index));
}

void SearchMask::SetMotifVariants(bool colourReversed, bool mirrored) {
  motif.colourReversed = colourReversed;
  motif.mirrored = mirrored;
  motif.Recompute();
}

void SearchMask::SetMotifFromBoard(const Board& board, int ply) {
  motif.Reset();
  motif.SetFromBoard(board, ply);
  motifOn = 1;
  if (materialOn || maneuverOn) severalPositionCriteria = 1;
}

bool SearchMask::operator==(const SearchMask& o) const {
  const HeaderSearchMask &a = header, &b = o.header;
  for (int i = 0; i < 2; ++i)
    if (a.PlayerLast(i) != b.PlayerLast(i) || a.PlayerFirst(i) != b.PlayerFirst(i)) return false;
  return a.ignoreColours == b.ignoreColours && a.tournamentText == b.tournamentText &&
         a.annotatorText == b.annotatorText && a.resultMask == b.resultMask && a.yearOn == b.yearOn &&
         a.yearFrom == b.yearFrom && a.yearTo == b.yearTo && a.eloOn == b.eloOn && a.eloMode == b.eloMode &&
         a.eloMin == b.eloMin && a.eloMax == b.eloMax && a.ecoOn == b.ecoOn && a.ecoFrom == b.ecoFrom &&
         a.ecoTo == b.ecoTo && a.moveCountOn == b.moveCountOn && a.moveCountFrom == b.moveCountFrom &&
         a.moveCountTo == b.moveCountTo && a.textsOnly == b.textsOnly && material == o.material &&
         motif == o.motif && maneuver == o.maneuver && annotations == o.annotations &&
         materialOn == o.materialOn && motifOn == o.motifOn && maneuverOn == o.maneuverOn &&
         severalPositionCriteria == o.severalPositionCriteria && annotationsOn == o.annotationsOn &&
         finalMate == o.finalMate && finalStalemate == o.finalStalemate && finalCheck == o.finalCheck &&
         extraSelection == o.extraSelection;
}

}  // namespace zh

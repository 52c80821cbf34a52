#include "engines/slot_choice.h"

#include <algorithm>
#include <array>
#include <string>

#include "core/rules/position.h"
#include "engines/engine_instance.h"
#include "engines/pawn_structure.h"

namespace zh {
namespace {

constexpr int kLowMaterialLimit = 27;

// Material of the low-material test by piece type.
constexpr int kSlotMaterial[8] = {0, 0, 9, 3, 3, 5, 0, 0};

constexpr uint8_t kBlackQueen = kQueen | kBlackBit;
constexpr uint8_t kBlackRook = kRook | kBlackBit;
constexpr uint8_t kBlackPawn = kPawn | kBlackBit;

// The material an endgame table covers besides the kings, tried in this order.
constexpr std::array<std::array<uint8_t, 3>, 3> kTableSets = {{
    {kQueen, kPawn, kBlackQueen},
    {kQueen, kBlackRook, kBlackPawn},
    {kRook, kPawn, kBlackRook},
}};

bool IsSubset(const std::array<int, 16>& men, const std::array<uint8_t, 3>& set, bool swapColours) {
  std::array<int, 16> left{};
  for (uint8_t code : set) ++left[static_cast<size_t>(swapColours ? code ^ kBlackBit : code)];
  for (size_t code = 0; code < men.size(); ++code)
    if (men[code] > left[code]) return false;
  return true;
}

enum Zone { kCentre, kFar, kNear };

// Seen from white's side: the centre c3-f6, the far zone ranks 5 to 8 of the wings
// and ranks 7 and 8 of the centre files, the near zone the rest.
Zone ZoneOf(int square) {
  const int file = FileOf(square), rank = RankOf(square);
  const bool centreFile = file >= 2 && file <= 5;
  if (centreFile && rank >= 2 && rank <= 5) return kCentre;
  if (centreFile ? rank >= 6 : rank >= 4) return kFar;
  return kNear;
}

enum KingBand { kKingHigh, kKingLow, kKingMiddle, kKingNone };

KingBand BandOf(uint8_t king) {
  if (king == kNoKing) return kKingNone;
  const int rank = RankOf(king);
  return rank >= 5 ? kKingHigh : rank <= 2 ? kKingLow : kKingMiddle;
}

// Men of one side attacked by the other, weighted by zone and the own king's rank.
// Without a king only the centre counts.
int Exposure(SquareSet attacked, KingBand band) {
  int score = 0;
  for (uint64_t bits = attacked.bits; bits != 0; bits &= bits - 1) {
    const Zone zone = ZoneOf(SquareSet(bits).First());
    if (zone == kCentre) {
      score += 2;
      continue;
    }
    switch (band) {
      case kKingHigh:
        score += zone == kFar ? 4 : 1;
        break;
      case kKingLow:
        score += zone == kFar ? 1 : 4;
        break;
      case kKingMiddle:
        score += 2;
        break;
      case kKingNone:
        break;
    }
  }
  return score;
}

int KingRanksBonus(KingBand band, const bool empty[8]) {
  switch (band) {
    case kKingHigh:
      return (empty[6] ? 4 : 0) + (empty[5] ? 3 : 0) + (empty[7] ? 2 : 0);
    case kKingLow:
      return (empty[1] ? 4 : 0) + (empty[2] ? 3 : 0) + (empty[0] ? 2 : 0);
    case kKingMiddle:
      return (empty[3] ? 4 : 0) + (empty[4] ? 4 : 0);
    case kKingNone:
      break;
  }
  return 0;
}

}  // namespace

int32_t ChooseEngineSlot(const EngineSlots& slots, SearchParams& params, const Board& board) {
  if (params.SearchType == kLevelMate) {
    params.PositionSlot = kMateSlot;
  } else {
    params.PositionSlot = params.EngineType;
    if (params.PositionSlot == 0) {
      if (IsLowMaterial(board)) {
        bool tableAllowed = true;
        for (int s = 0; s <= 3; ++s)
          if (SlotHolds(slots, s) && (slots[static_cast<size_t>(s)]->GetOptions() & kOptionNoEndgameTable) != 0)
            tableAllowed = false;
        if (tableAllowed && IsEndgameTablePosition(board) && SlotHolds(slots, kEndgameSlot) &&
            slots[kEndgameSlot]->IsEndgameEngine())
          params.PositionSlot = kEndgameSlot;
        else if (SlotHolds(slots, 3))
          params.PositionSlot = 3;
      }
      if (params.PositionSlot == 0) params.PositionSlot = ClassifyPosition(board) ? 1 : 2;
    }
  }
  if (!SlotHolds(slots, params.PositionSlot)) params.PositionSlot = FirstLoadedSlot(slots);
  return params.PositionSlot;
}

void ResetChosenSlot(const EngineSlots& slots, SearchParams& params) {
  params.PositionSlot = FirstLoadedSlot(slots);
}

bool IsLowMaterial(const Board& board) {
  int sum = 0;
  for (uint8_t code : board.squares) sum += kSlotMaterial[TypeOf(code)];
  return sum < kLowMaterialLimit;
}

bool IsEndgameTablePosition(const Board& board) {
  std::array<int, 16> men{};  // the men other than the kings, by piece code
  int count = 0, pawns = 0;
  bool whiteMajor = false, blackMajor = false;
  for (uint8_t code : board.squares) {
    if (code == kEmpty) continue;
    ++count;
    const int type = TypeOf(code);
    if (type == kKnight || type == kBishop) return false;
    if (type == kPawn) ++pawns;
    if (type == kQueen || type == kRook) (ColourOf(code) ? blackMajor : whiteMajor) = true;
    if (type != kKing) ++men[code & 15];
  }
  if (count < 4 || count > 5 || pawns > 1 || !whiteMajor || !blackMajor) return false;
  return std::any_of(kTableSets.begin(), kTableSets.end(),
                     [&](const auto& set) { return IsSubset(men, set, false) || IsSubset(men, set, true); });
}

int OpennessScore(const Board& board) {
  Position position;
  position.Set(board, 0, 0, 0);
  const KingBand whiteBand = BandOf(position.whiteKing);
  const KingBand blackBand = BandOf(position.blackKing);

  int score = Exposure(position.GetSideSquares(0) & board.GetSideAttacks(1), whiteBand) +
              Exposure(position.GetSideSquares(1) & board.GetSideAttacks(0), blackBand);

  bool empty[8];
  int men = 0;
  for (int rank = 0; rank < 8; ++rank) {
    empty[rank] = true;
    for (int file = 0; file < 8; ++file) {
      const uint8_t code = board[MakeSquare(file, rank)];
      if (code == kEmpty) continue;
      ++men;
      if (TypeOf(code) != kKing) empty[rank] = false;
    }
  }
  score += (empty[3] ? 2 : 0) + (empty[4] ? 2 : 0) + (empty[2] ? 1 : 0) + (empty[5] ? 1 : 0);
  score += KingRanksBonus(whiteBand, empty) + KingRanksBonus(blackBand, empty);
  // Half the men off the board, rounded down (a set-up board may hold more than 32).
  const int off = 32 - men;
  score += off >= 0 ? off / 2 : -((-off + 1) / 2);
  return score;
}

int OpennessThreshold(int classBits) { return 11 + 2 * ((classBits >> 4) & 3); }

bool ClassifyPosition(const Board& board) {
  std::string text;
  return OpennessScore(board) >= OpennessThreshold(PawnStructure::Classify(board, text));
}

}  // namespace zh

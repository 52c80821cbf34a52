#include "database/keys/booster_criteria.h"

#include <algorithm>

#include "core/rules/board.h"
#include "database/search_mask.h"

namespace zh {

namespace {

// Piece types per group.
constexpr int kGroupTypes[3][2] = {{kPawn, 0}, {kKnight, kBishop}, {kRook, kQueen}};
// Words of the first two square sets among the placement words (record words 8-11).
constexpr int kFirstSetWord = 8 - 2;
constexpr int kSecondSetWord = 10 - 2;

uint8_t GroupMinimum(const SearchCriteria& mask, int side, int group) {
  int sum = 0;
  for (int type : kGroupTypes[group])
    if (type) sum += std::max(0, mask.MaterialMinimum(side, type));
  return static_cast<uint8_t>(std::min(sum, 7));
}

void PutSet(uint32_t* words, uint64_t set) {
  words[0] = static_cast<uint32_t>(set);
  words[1] = static_cast<uint32_t>(set >> 32);
}

}  // namespace

BoosterCriteria BoosterCriteriaOf(const SearchCriteria& mask) {
  BoosterCriteria c;
  c.material = mask.MaterialOn();
  if (c.material) {
    for (int side = 0; side < 2; ++side) {
      const bool exact = mask.MaterialExactSum(side);
      for (int group = 0; group < 3; ++group) {
        c.minimum[side][group] = GroupMinimum(mask, side, group);
        c.exact[side][group] = exact;
      }
    }
  }
  c.motif = mask.MotifOn();
  c.manoeuvre = mask.ManeuverOn();
  if (c.motif) {
    c.firstMove = mask.MotifFirstMove();
    c.lastMove = mask.MotifLastMove();
    c.squares[0] = mask.MotifSquares(0);
    c.squares[1] = mask.MotifSquares(1);
    PutSet(c.placement + kFirstSetWord, c.squares[0]);
    PutSet(c.placement + kSecondSetWord, c.squares[1]);
  }
  c.reversedColours = mask.BoosterOption(0);
  c.mirrored = mask.BoosterOption(1) || (c.motif && mask.MotifMirrored());
  return c;
}

}  // namespace zh

// What the boosters need of a search mask: the material minimums in three groups per
// side, the motif's squares as required bits of the first two square sets, and which
// of the colour-reversed and mirrored patterns are tested.
#pragma once

#include "database/keys/search_booster.h"

namespace zh {

class SearchCriteria;

// Groups of the material counts: pawns, minor pieces (knights and bishops), major
// pieces (rooks and queens).
enum MaterialGroup : int { kPawnGroup = 0, kMinorGroup = 1, kMajorGroup = 2 };

BoosterCriteria BoosterCriteriaOf(const SearchCriteria& mask);

}  // namespace zh

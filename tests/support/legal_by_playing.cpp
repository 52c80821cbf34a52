#include "support/legal_by_playing.h"

#include <vector>

namespace zh::test {

std::vector<MoveCode> LegalByPlaying(const Position& position) {
  MoveList pseudo;
  const int n = pseudo.Generate(position, MoveList::kMaxLimit);
  std::vector<MoveCode> kept;
  for (int i = 0; i < n; ++i) {
    Move m = Move::FromCode(pseudo.At(i));
    m.CompleteFrom(position.board);
    if (m.IsLegal(position)) kept.push_back(pseudo.At(i));
  }
  return kept;
}

bool SameAsLegalByPlaying(const Position& position, const MoveList& list) {
  const std::vector<MoveCode> expected = LegalByPlaying(position);
  if (expected.size() != static_cast<size_t>(list.Count())) return false;
  for (size_t i = 0; i < expected.size(); ++i) {
    const MoveCode a = expected[i], b = list.At(static_cast<int>(i));
    if (a.from != b.from || a.to != b.to || a.kind != b.kind) return false;
    if ((a.kind & kPromotion) && a.promotion != b.promotion) return false;
  }
  return true;
}

}  // namespace zh::test

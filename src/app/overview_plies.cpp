#include "app/overview_plies.h"

#include <algorithm>

namespace zh {

OverviewGrid OverviewGridFor(int width, int height, int boardWidth, int boardHeight) {
  OverviewGrid g;
  g.columns = std::max(1, (width - 10) / (boardWidth + 10));
  g.rows = std::max(1, (height - 24) / (boardHeight + 14));
  return g;
}

std::vector<int> OverviewPlies(int n, int count) {
  std::vector<int> plies;
  if (count < 1 || n < 1) return plies;
  const int s = 30 * n / count;
  const int r = 30 * n % count;
  int b = 1, i = 0, c = 0;
  for (int j = 0; j < n; ++j) {
    if (j != b) continue;
    if (i < count && static_cast<int>(plies.size()) == i) plies.push_back(j);
    else if (i < count) plies[static_cast<size_t>(i)] = j;
    b += std::max(1, s / 30);
    if (i < count - 1) ++i;
    c += r;
    if (c >= 30) c = 0, b += 1;
    b = std::min(b, n - 1);
  }
  return plies;
}

}  // namespace zh

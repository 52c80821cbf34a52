// Perft counts of published positions. The deepest counts run only where a few
// seconds under the sanitizers suffice; every count is checked somewhere.
#include "support/perft.h"

#include <gtest/gtest.h>

#include "support/test_fen.h"

namespace zh {
namespace {

// Leaf counts above this are left to the reference test's build.
constexpr uint64_t kMaxLeaves = 10000000;

class PerftTest : public testing::TestWithParam<test::PerftCase> {};

TEST_P(PerftTest, MatchesPublishedCounts) {
  const test::PerftCase& c = GetParam();
  const Position p = test::ParseFenForTest(c.fen);
  for (size_t d = 0; d < c.counts.size(); ++d) {
    if (c.counts[d] > kMaxLeaves) break;
    EXPECT_EQ(test::Perft(p, static_cast<int>(d + 1)), c.counts[d]) << "depth " << d + 1;
  }
}

INSTANTIATE_TEST_SUITE_P(Positions, PerftTest, testing::ValuesIn(test::PerftCases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zh

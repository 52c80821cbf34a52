// The small search against the reference engine: mates in one and two collected from
// seeded random play, each confirmed by the engine, and draws it scores as such.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "core/search/search_entry.h"
#include "support/test_fen.h"
#include "support/uci_engine.h"

namespace zh {
namespace {

using namespace std::chrono_literals;

struct MateCase {
  int n;
  std::string fen;
};

std::vector<MateCase> LoadMates() {
  std::ifstream in(std::string(ZH_SOURCE_DIR) + "/tests/core/reference/data/mates.txt");
  std::vector<MateCase> cases;
  std::string line;
  while (std::getline(in, line)) {
    const size_t bar = line.find(" | ");
    if (bar == std::string::npos) continue;
    cases.push_back({std::stoi(line.substr(0, bar)), line.substr(bar + 3)});
  }
  return cases;
}

// The engine's last "score" of a search: "mate 2", "cp 0", ...
std::optional<std::string> EngineScore(test::UciEngine& engine, const std::string& fen,
                                       const std::vector<std::string>& moves,
                                       const std::string& go) {
  engine.SetPosition(fen, moves);
  engine.Send(go);
  const auto lines = engine.ReadUntil("bestmove", 60s);
  if (!lines) return std::nullopt;
  std::string score;
  for (const std::string& l : *lines) {
    const size_t at = l.find(" score ");
    if (at == std::string::npos) continue;
    const size_t a = at + 7, b = l.find(' ', l.find(' ', a) + 1);
    score = l.substr(a, b - a);
  }
  return score;
}

TEST(MiniSearchReference, MatesInOneAndTwo) {
  test::UciEngine engine;
  ASSERT_TRUE(engine.IsRunning());
  const std::vector<MateCase> cases = LoadMates();
  int counts[3][2] = {}, promotions = 0;
  for (const MateCase& c : cases) {
    SCOPED_TRACE(c.fen);
    ASSERT_EQ(EngineScore(engine, c.fen, {}, "go mate " + std::to_string(c.n)),
              "mate " + std::to_string(c.n));
    const Position p = test::ParseFenForTest(c.fen);
    ++counts[c.n][p.side];
    GameMove m;
    EXPECT_EQ(MiniSearchBestMove(p, m, 6), 10001 - (2 * c.n - 1));
    ASSERT_FALSE(m.IsEmpty());
    if (m.kind & kPromotion) ++promotions;
    Position after = p;
    after.DoGameMove(m);
    if (c.n == 1) {
      EXPECT_TRUE(after.IsCheckmate()) << m.LongText();
    } else {
      EXPECT_EQ(EngineScore(engine, test::FenForTest(after), {}, "go depth 8"), "mate -1")
          << m.LongText();
    }
  }
  for (int n = 1; n <= 2; ++n) {
    EXPECT_GE(counts[n][0] + counts[n][1], 20);
    EXPECT_GT(counts[n][0], 0);
    EXPECT_GT(counts[n][1], 0);
  }
  EXPECT_GE(promotions, 1);
}

TEST(MiniSearchReference, DrawsScoreZero) {
  test::UciEngine engine;
  ASSERT_TRUE(engine.IsRunning());
  // Stalemates and king and bishop against king.
  for (const char* fen : {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", "k7/P7/K7/8/8/8/8/8 b - - 0 1",
                          "8/8/4k3/8/2B5/8/3K4/8 w - - 0 1", "8/8/4k3/8/2b5/8/3K4/8 b - - 0 1"}) {
    SCOPED_TRACE(fen);
    const auto score = EngineScore(engine, fen, {}, "go depth 6");
    ASSERT_TRUE(score);
    // A stalemate scores 0; the bare bishop a few centipawns at most.
    const bool draw = *score == "mate 0" ||
                      (score->rfind("cp ", 0) == 0 && std::abs(std::stoi(score->substr(3))) <= 20);
    EXPECT_TRUE(draw) << *score;
    for (int depth = 1; depth <= 6; ++depth)
      EXPECT_EQ(MiniSearchScore(test::ParseFenForTest(fen), depth), 0) << depth;
  }
}

}  // namespace
}  // namespace zh

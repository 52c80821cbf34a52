// The small search against the reference engine: mates in one and two collected from
// seeded random play, each confirmed by the engine, and draws it scores as such; and
// on those mates with positions that win material or mate in three (collected by
// make_tactics.py, confirmed at depth 18), the move found at depth 5 is one the
// engine scores within 50 centipawns of its best.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "core/rules/board.h"
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

// A score line's value: centipawns, or a mate in n as 30000 - n (negated for the side
// mated), so that a slower mate stays within a few units of the fastest.
int ScoreValue(const std::string& score) {
  const int n = std::stoi(score.substr(score.find(' ') + 1));
  if (score.rfind("mate ", 0) != 0) return n;
  return n > 0 ? 30000 - n : -30000 - n;
}

std::string UciText(const MiniSearchResult& r) {
  std::string text = SquareName(r.from) + SquareName(r.to);
  constexpr char kLetters[] = " kqnbrp";
  if (r.promotion) text += kLetters[r.promotion & 7];
  return text;
}

TEST(MiniSearchReference, DepthFiveFindsGoodMoves) {
  struct Case {
    std::string fen, best;
    int score;
  };
  std::vector<Case> cases;
  for (const MateCase& c : LoadMates()) cases.push_back({c.fen, "", 30000 - c.n});
  std::ifstream in(std::string(ZH_SOURCE_DIR) + "/tests/core/reference/data/tactics.txt");
  for (std::string line; std::getline(in, line);) {
    const size_t a = line.find(" | "), b = line.find(" | ", a + 3);
    if (b == std::string::npos) continue;
    cases.push_back({line.substr(0, a), line.substr(a + 3, b - a - 3), ScoreValue(line.substr(b + 3))});
  }
  ASSERT_EQ(cases.size(), 200u);
  test::UciEngine engine;
  ASSERT_TRUE(engine.IsRunning());
  MiniSearch search;
  int good = 0;
  std::string misses;
  for (const Case& c : cases) {
    MiniSearchResult result;
    search.Run(MakeMiniSearchInput(test::ParseFenForTest(c.fen)), 5, result);
    const std::string move = UciText(result);
    if (move == c.best) {
      ++good;
      continue;
    }
    const auto score = EngineScore(engine, c.fen, {}, "go depth 18 searchmoves " + move);
    ASSERT_TRUE(score && !score->empty()) << c.fen << " " << move;
    if (ScoreValue(*score) >= c.score - 50) ++good;
    else misses += c.fen + " " + move + " " + *score + "\n";
  }
  std::cout << good << " of " << cases.size() << " moves within 50 centipawns\n";
  EXPECT_GE(good * 10, 9 * static_cast<int>(cases.size())) << good << " good moves; misses:\n" << misses;
}

}  // namespace
}  // namespace zh

// Time budget, parameters and score conversion, and the order and form of the
// reports of the search driver.
#include <set>

#include "search_support.h"

namespace zh::zelko2::test {
namespace {

struct BudgetCase {
  int mode, t, a, m, depth, ponder;
  int64_t target, max;
  int depth_limit;
  uint8_t flags;
};

TEST(TimeBudget, ClockFieldsGiveTargetMaximumDepthAndFlags) {
  constexpr BudgetCase kCases[] = {
      {1, 300, 0, 0x7FFF, 0, 1, 12000, 24000, 47, 0},  // sudden death
      {1, 300, 0, 40, 0, 1, 10000, 30000, 47, 0},
      {1, 10, 0, 1, 0, 1, 8500, 8500, 47, 0},
      {1, 300, 0, 0, 0, 1, 12000, 24000, 47, 0},  // no moves to go: sudden death
      {1, 300, 0, -4, 0, 1, 12000, 24000, 47, 0},
      {1, 0, 0, 0x7FFF, 0, 1, 0, 0, 47, 0},  // less than a second: first iteration only
      {1, 0, 0, 1, 0, 1, 0, 0, 47, 0},
      {1, 5, 0, 0x7FFF, 0, 1, 500, 500, 47, 0},  // 5 s: the floor is a tenth of the clock
      {1, 3, 0, 0x7FFF, 0, 1, 300, 300, 47, 0},
      {1, -7, -2, -1, 0, 1, 0, 0, 47, 0},
      {1, 60, 2, 40, 0, 1, 6153, 18459, 47, 0},  // increments: 13 moves
      {2, 0, 0, 0, 0, 1, 500, 500, 1, kTimeNoLimit},  // depth 0 searches depth 1
      {2, 0, 0, 0, 99, 1, 500, 500, 47, kTimeNoLimit},
      {3, 0, 0, 0, 5, 1, 500, 500, 5, kTimeMateSearch},
      {4, 0, 0, 0, 0, 1, 500, 500, 47, kTimeNoLimit},
      {9, 0, 0, 0, 0, 1, 500, 500, 47, kTimeNoLimit},
      {1, 30, 0, 0x7FFF, 0, 2, 1200, 2400, 47, 0},  // pondering
  };
  for (const BudgetCase& c : kCases) {
    eng::PositionBlock block = BlockOf("8/8/8/8/8/8/8/K6k w - - 0 1", c.mode, c.depth);
    block.clock_seconds = c.t;
    block.increment_seconds = c.a;
    block.moves_to_go = static_cast<int16_t>(c.m);
    block.ponder = static_cast<int16_t>(c.ponder);
    const TimeBudget b = AllocateTime(block);
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " T " << c.t << " A " << c.a << " M " << c.m);
    EXPECT_EQ(b.target_ms, c.target);
    EXPECT_EQ(b.max_ms, c.max);
    EXPECT_EQ(b.depth, c.depth_limit);
    EXPECT_EQ(b.time_flags, c.flags);
    EXPECT_EQ(b.pondering, c.ponder == 2);
  }
}

TEST(Scores, ContemptAndReportedValues) {
  EXPECT_EQ(ContemptUnits(15), 40);
  EXPECT_EQ(ContemptUnits(0), 0);
  EXPECT_EQ(ContemptUnits(200), 512);
  struct {
    int32_t s;
    int16_t value, type;
  } const kCases[] = {{296, 100, 1}, {0, 0, 1},       {32672, 1, 2},  {-32672, -1, 2},
                      {32480, 2, 2}, {-32384, -2, 2}, {-256, -116, 1}};
  for (auto c : kCases) {
    ReportScore r = ConvertScore(c.s, 40);
    EXPECT_EQ(r.value, c.value) << c.s;
    EXPECT_EQ(r.type, c.type) << c.s;
  }
  const eng::ReportMove m = ConvertMove(MakeCoreMove(52, 60, 1, kFlagPromoKnight));  // e7e8n
  EXPECT_EQ(m.from, 4 * 8 + 6);
  EXPECT_EQ(m.to, 4 * 8 + 7);
  EXPECT_EQ(m.promotion, 3);
}

std::vector<int32_t> Codes(const RecordingDriver& d) {
  std::vector<int32_t> codes;
  for (const Recorded& r : d.reports) codes.push_back(r.code);
  return codes;
}

TEST(Reports, StartDepthLinesAndNodesInOrder) {
  RecordingDriver d;
  d.Run(BlockOf("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3", 2, 4));
  std::vector<int32_t> codes = Codes(d);
  ASSERT_GE(codes.size(), 6u);
  EXPECT_EQ(codes.front(), eng::kReportSearchStarted);
  EXPECT_EQ(codes.back(), eng::kReportNodes);
  int depths = 0;
  for (const Recorded& r : d.reports) {
    if (r.code == eng::kReportDepth && r.as<eng::DepthBlock>().depth == r.as<eng::DepthBlock>().selective_depth)
      ++depths;
    if (r.code != eng::kReportMainLine) continue;
    const auto b = r.as<eng::MainLineBlock>();
    EXPECT_EQ(b.flags & ~0xC0u, 0x113011u);
    EXPECT_GE(b.line_length, 1);
    EXPECT_EQ(b.score_type, 1);
  }
  EXPECT_EQ(depths, 4);
}

TEST(Reports, FirstMoveFailingLowGivesAOneMoveLine) {
  // The knight forks king and queen: the static value is far above what the king
  // move keeps.
  RecordingDriver d;
  d.Run(BlockOf("4k3/8/8/8/8/8/2n5/Q3K3 w - - 0 1", 2, 2));
  bool fail_low = false;
  for (const Recorded& r : d.reports) {
    if (r.code != eng::kReportMainLine) continue;
    const auto b = r.as<eng::MainLineBlock>();
    if (b.flags & 0x80) {
      fail_low = true;
      EXPECT_EQ(b.line_length, 1);
      EXPECT_EQ(b.flags, 0x113011u | 0x80u);
    }
  }
  EXPECT_TRUE(fail_low);
}

TEST(Reports, NothingAfterAStop) {
  RecordingDriver d;
  size_t stopped_at = 0;
  d.on_post = [&](int32_t code) {
    if (code == eng::kReportDepth && d.depth.depth == 3 && stopped_at == 0) {
      stopped_at = d.reports.size();
      d.control.state.fetch_or(kStateStop);
    }
  };
  d.Run(BlockOf("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3", 4, 0));
  ASSERT_GT(stopped_at, 0u);
  EXPECT_EQ(d.reports.size(), stopped_at);
}

// A stop that comes before the search has begun, or before it has found a line, still
// gets an answer: the best line so far, else the first root move; the next search is
// not stopped by it.
TEST(Reports, StoppedSearchAnswersAMoveAndClearsTheStop) {
  const char* fen = "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3";
  for (const char* when : {"before", "first depth"}) {
    RecordingDriver d;
    if (std::string(when) == "before") d.control.state.fetch_or(kStateStop);
    d.on_post = [&](int32_t code) {
      if (code == eng::kReportDepth) d.control.state.fetch_or(kStateStop);
    };
    d.Run(BlockOf(fen, 4, 0));
    ASSERT_NE(d.LastMainLine(), nullptr) << when;
    const auto line = d.LastMainLine()->as<eng::MainLineBlock>();
    EXPECT_EQ(line.line_length, 1) << when;
    EXPECT_EQ(line.score_type, 0) << when;
    EXPECT_EQ(d.control.state.load() & kStateStop, 0) << when;
    d.on_post = nullptr;
    d.Run(BlockOf(fen, 2, 3));
    ASSERT_NE(d.LastMainLine(), nullptr) << when;
    EXPECT_EQ(d.LastMainLine()->as<eng::MainLineBlock>().depth, 3) << when;
  }
}

TEST(Reports, OneLegalMoveStopsAfterDepthFour) {
  RecordingDriver d;
  d.Run(BlockOf("7k/8/8/8/8/8/6q1/7K w - - 0 1", 4, 0));
  int deepest = 0;
  for (const Recorded& r : d.reports)
    if (r.code == eng::kReportDepth) deepest = std::max<int>(deepest, r.as<eng::DepthBlock>().depth);
  EXPECT_EQ(deepest, 4);
  EXPECT_EQ(Codes(d).back(), eng::kReportNodes);
}

TEST(Reports, ThreeLinesHaveThreeFirstMoves) {
  RecordingDriver d;
  eng::PositionBlock block = BlockOf("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3", 2, 6);
  block.lines_wanted = 3;
  d.Run(block);
  bool shallow = false, deep = false;
  for (const Recorded& r : d.reports) {
    if (r.code != eng::kReportMainLine) continue;
    const auto b = r.as<eng::MainLineBlock>();
    if (b.depth < 6) {
      EXPECT_EQ(b.flags, 0x30013u);
      shallow = true;
    } else {
      EXPECT_EQ(b.flags, 0x30013u | 0x3000u | 0x100000u);
      deep = true;
    }
  }
  EXPECT_TRUE(shallow && deep);
  const auto last = d.LastMainLine()->as<eng::MainLineBlock>();
  ASSERT_EQ(last.line_count, 3);
  std::set<std::string> firsts;
  for (int i = 0; i < 3; ++i) firsts.insert(ReportMoveText(last.lines[i][0]));
  EXPECT_EQ(firsts.size(), 3u);
  EXPECT_EQ(ReportMoveText(last.line[0]), ReportMoveText(last.lines[0][0]));
}

TEST(Reports, NextBestStartsTheNextLineWithAnotherMove) {
  RecordingDriver d;
  std::string before;
  size_t requested_at = 0;
  int lines_after = 0;
  d.on_post = [&](int32_t code) {
    if (code != eng::kReportMainLine) return;
    if (requested_at == 0 && d.main_line.depth >= 3) {
      before = ReportMoveText(d.main_line.line[0]);
      requested_at = d.reports.size();
      EXPECT_TRUE(d.driver.RequestNextBest());
    } else if (requested_at != 0 && ++lines_after == 1) {
      EXPECT_NE(ReportMoveText(d.main_line.line[0]), before);
    } else if (lines_after > 3) {
      d.control.state.fetch_or(kStateStop);
    }
  };
  d.Run(BlockOf("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3", 4, 0));
  EXPECT_GT(lines_after, 0);
}

TEST(Reports, PonderSearchEndsByItselfAfterPonderHit) {
  RecordingDriver d;
  eng::PositionBlock block = BlockOf("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3", 1, 0);
  block.clock_seconds = 10;
  block.ponder = 2;
  bool hit = false;
  d.on_post = [&](int32_t code) {
    if (code == eng::kReportDepth && d.depth.depth == 3 && !hit) {
      hit = true;
      d.driver.PonderHit();
    }
  };
  d.Run(block);
  EXPECT_TRUE(hit);
  EXPECT_EQ(Codes(d).back(), eng::kReportNodes);
  EXPECT_FALSE(d.control.state.load() & kStateStop);
}

// A pondering search whose time is used up ends by itself; a ponder hit never comes.
TEST(Reports, PonderSearchEndsWhenItsTimeIsUsedUp) {
  RecordingDriver d;
  int64_t tick = 0;
  d.control.now = [&] { return tick += 40; };
  eng::PositionBlock block = BlockOf("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3", 1, 0);
  block.clock_seconds = 30;  // target 1200 ms, maximum 2400 ms
  block.ponder = 2;
  d.on_post = [&](int32_t) {
    if (tick > 20000) d.control.state.fetch_or(kStateStop);  // only a safety net
  };
  d.Run(block);
  EXPECT_FALSE(d.control.state.load() & kStateStop);
  EXPECT_TRUE(d.control.time_flags.load() & kTimeUsedPondering);
  EXPECT_FALSE(d.control.time_flags.load() & kTimeUp);
  EXPECT_EQ(Codes(d).back(), eng::kReportNodes);
}

TEST(Reports, ZeroClockMovesAfterTheFirstIteration) {
  RecordingDriver d;
  eng::PositionBlock block = BlockOf("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3", 1, 0);
  block.clock_seconds = 0;
  d.Run(block);
  int depths = 0;
  for (const Recorded& r : d.reports) depths += r.code == eng::kReportDepth;
  EXPECT_EQ(depths, 1);
  EXPECT_NE(d.LastMainLine(), nullptr);
}

}  // namespace
}  // namespace zh::zelko2::test

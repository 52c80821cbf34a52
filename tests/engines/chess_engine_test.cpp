#include "engines/chess_engine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "board_text.h"
#include "engine_fixture.h"
#include "enginemodule/interface/records.h"
#include "engines/engine_instance.h"

namespace zh {
namespace {

// Instances that never start; the test hands in their status and name reports.
class FakeEngines {
 public:
  EngineInstance* Make(uint32_t options = 0x10, bool endgameTable = false, const char* name = "Test engine",
                       int32_t rating = 2400) {
    auto instance = std::make_unique<EngineInstance>(0, std::string(ZH_SOURCE_DIR) + "/CMakeLists.txt", 1024, 1);
    eng::StatusBlock status{};
    status.options = static_cast<int32_t>(options);
    status.endgame_table = endgameTable ? 1 : 0;
    status.rating = rating;
    instance->HandleReport(eng::kReportStatus, &status);
    eng::TextBlock text{};
    std::strncpy(text.text, name, sizeof text.text - 1);
    instance->HandleReport(eng::kReportName, &text);
    owned_.push_back(std::move(instance));
    return owned_.back().get();
  }

 private:
  std::vector<std::unique_ptr<EngineInstance>> owned_;
};

class ChessEngineTest : public ::testing::Test {
 protected:
  ChessEngineTest() { test::LoadEnglishTexts(services); }
  test::RecordingServices services;
  FakeEngines engines;
  ChessEngine engine;
};

TEST_F(ChessEngineTest, NewObjectHasTheDefaultLevelAndNoEngine) {
  const SearchParams& p = engine.Params;
  EXPECT_EQ(p.SearchDepth, 3);
  EXPECT_EQ(p.MateDepth, 99);
  EXPECT_EQ(p.SearchType, kLevelAverageTime);
  EXPECT_EQ(p.EngineType, kNoSlot);
  EXPECT_EQ(p.PositionSlot, kNoSlot);
  EXPECT_TRUE(p.BookOn && p.PermBrain && p.Validation);
  EXPECT_EQ(engine.GameParams.SearchType, kLevelClock);
  EXPECT_EQ(engine.QueryParams, engine.GameParams);
  EXPECT_EQ(engine.NumberOfMainlines, 1);
  EXPECT_EQ(engine.UserControl, (TimePeriod{500, 0, 1, 2}));
  EXPECT_EQ(engine.AutoControl, engine.UserControl);
  EXPECT_EQ(engine.Clock.BudgetAt(0), 530);  // the user control is in the clock
  EXPECT_EQ(engine.GetActiveInstance(), nullptr);
  EXPECT_EQ(engine.Block().header.size, 2192);
  EXPECT_EQ(engine.Estimator.Mode(), EloEstimator::kUserMode);
}

TEST_F(ChessEngineTest, SetSearchParamsRefusesNoSlotOrAnEmptyOne) {
  SearchParams none;
  none.SearchDepth = 12;
  EXPECT_FALSE(engine.SetSearchParams(none));  // both slot fields 7
  EXPECT_EQ(engine.Params.SearchDepth, 3);

  SearchParams emptySlot;
  emptySlot.EngineType = 3;
  EXPECT_FALSE(engine.SetSearchParams(emptySlot));
  EXPECT_EQ(engine.Params.EngineType, kNoSlot);

  SearchParams automatic;
  automatic.EngineType = 0;
  automatic.SearchDepth = 9;
  EXPECT_TRUE(engine.SetSearchParams(automatic));  // slot 0 always
  EXPECT_EQ(engine.Params, automatic);

  engine.SetSlot(3, engines.Make());
  EXPECT_TRUE(engine.SetSearchParams(emptySlot));
  EXPECT_EQ(engine.GetActiveInstance(), engine.Slots[3]);
}

TEST_F(ChessEngineTest, FunThresholdSetsStrengthAndChances) {
  const struct {
    int16_t value;
    int16_t strength;
    uint8_t weak;
    int16_t keepBest;
  } rows[] = {{-700, 1600, 1, 0}, {-500, 1750, 0, 0}, {200, 2400, 0, 0}, {400, 2400, 0, 0}, {401, 2400, 0, 1}};
  for (const auto& row : rows) {
    engine.SetFunThreshold(row.value);
    const HandicapRecord& r = engine.Handicap.Record();
    EXPECT_EQ(r.PlayStrength, row.strength) << row.value;
    EXPECT_EQ(r.Weak, row.weak) << row.value;
    EXPECT_EQ(r.KeepBest, row.keepBest) << row.value;
    EXPECT_EQ(r.FunThreshold, row.value);
    EXPECT_EQ(r.FunScheme, 1);
  }
  EXPECT_EQ(engine.Params.SearchType, kLevelHandicap);
  EXPECT_EQ(engine.GameParams.SearchType, kLevelHandicap);
}

TEST_F(ChessEngineTest, TimeControlKinds) {
  engine.Params.SearchType = kLevelFixedDepth;
  engine.Params.PermBrain = 0;
  const TimePeriod user{1000, 0, 1, 2};
  engine.SetTimeControl(&user, kUserControl);
  EXPECT_EQ(engine.Params.SearchType, kLevelFixedDepth);
  EXPECT_EQ(engine.Params.PermBrain, 0);
  EXPECT_EQ(engine.UserControl, user);
  EXPECT_EQ(engine.Clock.BudgetAt(4), 30 + 3 * 1000);

  const TimePeriod blitz[2] = {{30000, 100, 1000, 3}, {6000, 50, 1000, 5}};
  engine.SetTimeControl(blitz, kBlitzControl);
  EXPECT_EQ(engine.Params.SearchType, kLevelClock);
  EXPECT_EQ(engine.Params.PermBrain, 1);
  EXPECT_TRUE(engine.IsBlitzClock());
  EXPECT_EQ(engine.GetTimeControl(kBlitzControl)[1], blitz[1]);
  // Extra time given before the change is given again to the same side.
  engine.Clock.AddExtraTime(1);
  const int32_t blackBudget = engine.Clock.BudgetAt(1);
  engine.SetTimeControl(nullptr, kBlitzControl);
  EXPECT_EQ(engine.Clock.ExtraTimeSide(), 1);
  EXPECT_EQ(engine.Clock.BudgetAt(1), blackBudget);

  engine.Params.PermBrain = 0;
  engine.SetTimeControl(nullptr, kTournamentControl);
  EXPECT_EQ(engine.Params.SearchType, kLevelClock);
  EXPECT_EQ(engine.Params.PermBrain, 1);
  EXPECT_FALSE(engine.IsBlitzClock());
  EXPECT_EQ(engine.Clock.BudgetAt(0), 720030);

  engine.SetTimePerMove(7);
  EXPECT_EQ(engine.Params.SearchType, kLevelFixedTime);
  EXPECT_EQ(engine.AutoControl.Time, 700);
  engine.SetTimePerMove(0);
  EXPECT_EQ(engine.AutoControl.Time, 700);
}

TEST_F(ChessEngineTest, SavedCopiesOfTheLevel) {
  engine.RestoreGameParams();  // nothing saved
  EXPECT_EQ(services.CallsStartingWith("ErrorBox: Inconsistent").size(), 1u);
  EXPECT_EQ(engine.Params, SearchParams{});

  engine.Params.EngineType = 0;
  engine.Params.SearchDepth = 11;
  engine.SaveGameParams(false);
  engine.Params.SearchDepth = 4;
  engine.NumberOfMainlines = 5;
  engine.RestoreGameParams();
  EXPECT_EQ(engine.Params.SearchDepth, 11);
  EXPECT_EQ(engine.NumberOfMainlines, 1);

  engine.NumberOfMainlines = 4;
  engine.SaveQueryParams();
  engine.NumberOfMainlines = 1;
  engine.Params.SearchDepth = 2;
  engine.RestoreQueryParams();
  EXPECT_EQ(engine.NumberOfMainlines, 4);
  EXPECT_EQ(engine.Params.SearchDepth, 11);
}

TEST_F(ChessEngineTest, InstallEngineFollowsTheOptionBits) {
  engine.Params.EngineType = 2;
  EngineInstance* playing = engines.Make(0x10, false, "Player", 2650);
  engine.InstallEngine(playing);
  EXPECT_EQ(engine.Slots[1], playing);
  EXPECT_EQ(engine.Params.EngineType, 1);
  EXPECT_TRUE(playing->InUse());
  EXPECT_EQ(engine.Handicap.Record().BaseStrength, 2650);
  EXPECT_EQ(engine.Estimator.EngineRating(), 2650);

  EngineInstance* noBits = engines.Make(0);
  engine.InstallEngine(noBits);  // options 0: a playing engine, the old one unbound
  EXPECT_EQ(engine.Slots[1], noBits);
  EXPECT_FALSE(playing->InUse());

  EngineInstance* mate = engines.Make(0x200);
  engine.InstallEngine(mate);
  EXPECT_EQ(engine.Slots[kMateSlot], mate);
  EXPECT_EQ(engine.Slots[1], noBits);

  EngineInstance* other = engines.Make(0x2000);
  engine.InstallEngine(other);  // installed nowhere, still bound
  EXPECT_TRUE(other->InUse());
  EXPECT_EQ(std::count(engine.Slots.begin(), engine.Slots.end(), other), 0);

  engine.DropInstance(noBits);
  EXPECT_EQ(engine.Slots[1], nullptr);
  EXPECT_FALSE(noBits->InUse());
}

class ChessEngineTableTest : public test::EngineTest {};

TEST_F(ChessEngineTableTest, InstallWithoutAnInstanceTakesAFreeEngineOfTheTable) {
  EngineInstance* loaded = Load(test::ModulePath("StubOne.eng"));
  ASSERT_NE(loaded, nullptr);
  ASSERT_TRUE(WaitFor([&] { return table.QueryEngineInfo(); }));
  ChessEngine engine;
  engine.Params.EngineType = 5;
  engine.InstallEngine(nullptr);
  EXPECT_EQ(engine.Slots[1], loaded);
  EXPECT_EQ(engine.Params.EngineType, 1);
  EXPECT_TRUE(loaded->InUse());
  engine.Shutdown();
  EXPECT_FALSE(loaded->InUse());
}

TEST_F(ChessEngineTest, CancelMakesEveryOutstandingEndStale) {
  EngineInstance* instance = engines.Make();
  engine.SetSlot(1, instance);
  engine.Params.EngineType = 1;
  engine.BindInstance(instance);
  engine.PostCount = 2;
  engine.Searching = true;
  engine.CancelSearch();
  EXPECT_EQ(engine.StaleCount, 2);
  EXPECT_TRUE(engine.Stale && engine.Cancelled && engine.CancelPending);
  const eng::BlockHeader done{};
  instance->HandleReport(eng::kReportSearchDone, &done);
  instance->HandleReport(eng::kReportSearchDone, &done);
  EXPECT_EQ(engine.PostCount, 0);
  EXPECT_EQ(engine.StaleCount, 0);
  EXPECT_TRUE(engine.Searching);  // the stale ends finish nothing
  engine.UnbindInstance(instance);
}

TEST_F(ChessEngineTest, AnEngineThatEndsTakesItsSearchesWithIt) {
  EngineInstance* instance = engines.Make();
  engine.SetSlot(1, instance);
  engine.BindInstance(instance);
  engine.PostCount = 1;
  engine.Searching = engine.Pondering = true;
  instance->OnHostGone();
  EXPECT_EQ(engine.PostCount, 0);
  EXPECT_EQ(engine.StaleCount, 0);
  EXPECT_FALSE(engine.Searching || engine.Pondering);
}

TEST_F(ChessEngineTest, UnbindGivesUpOnASearchThatNeverEnds) {
  EngineInstance* instance = engines.Make();
  engine.SetSlot(1, instance);
  engine.BindInstance(instance);
  engine.PostCount = 1;
  const uint64_t start = services.ticks;
  engine.UnbindInstance(instance);
  EXPECT_GE(services.ticks - start, ChessEngine::kUnbindWaitMs);
  EXPECT_LT(services.ticks - start, ChessEngine::kUnbindWaitMs + 1000);
  EXPECT_EQ(engine.PostCount, 0);
  EXPECT_EQ(engine.StaleCount, 0);
  EXPECT_EQ(services.CallsStartingWith("ErrorBox: Engine does not answer:").size(), 1u);
  EXPECT_FALSE(instance->InUse());
}

// The request block by level type.
class SearchBlockTest : public ChessEngineTest {
 protected:
  SearchBlockTest() {
    engine.SetSlot(1, engines.Make());
    engine.Params.EngineType = 1;
    engine.NewGame();
  }
  const eng::PositionBlock& Prepare(int32_t searchType) {
    engine.Params.SearchType = searchType;
    EXPECT_TRUE(engine.PrepareSearchBlock(true));
    return engine.Block();
  }
};

TEST_F(SearchBlockTest, AverageTimePerMove) {
  const eng::PositionBlock& b = Prepare(kLevelAverageTime);
  EXPECT_EQ(b.clock_seconds, 40);
  EXPECT_EQ(b.moves_to_go, 8);
  EXPECT_EQ(b.mode, 1);
  // 20 s used by white up to ply 8: ((5 + 8) * 500 - 2000) / 100.
  for (int p = 0; p <= 9; ++p) engine.Clock.RecordMoveTime(p % 2 == 0 ? 400 : 100, p);
  engine.Ply = 10;
  Prepare(kLevelAverageTime);
  EXPECT_EQ(b.clock_seconds, 45);
  EXPECT_EQ(b.reference_seconds, 20);
  EXPECT_EQ(b.reference_moves, 5);
  // Overspent: never below 0.
  engine.Clock.RecordMoveTime(900000, 8);
  Prepare(kLevelAverageTime);
  EXPECT_EQ(b.clock_seconds, 0);
}

TEST_F(SearchBlockTest, FixedTimeInfiniteDepthAndMate) {
  engine.AutoControl.Time = 1000;
  const eng::PositionBlock& b = Prepare(kLevelFixedTime);
  EXPECT_EQ(b.clock_seconds, 80);
  EXPECT_EQ(b.moves_to_go, 8);

  Prepare(kLevelInfinite);
  EXPECT_EQ(b.depth, 99);
  EXPECT_EQ(b.mode, 4);
  engine.AnalysisSeconds = 30;
  Prepare(kLevelInfinite);
  EXPECT_EQ(b.depth, 0x7FFF);
  EXPECT_EQ(b.clock_seconds, 30);

  engine.Params.SearchDepth = 10;
  Prepare(kLevelFixedDepth);
  EXPECT_EQ(b.depth, 10);
  EXPECT_EQ(b.mode, 2);
  Prepare(kLevelFixedTime);  // a field a request does not set keeps its value
  EXPECT_EQ(b.depth, 10);

  engine.Params.MateDepth = 5;
  for (auto [type, mode] : {std::pair{kLevelMate, 3}, {kLevelMate2, 5}, {kLevelMate3, 6}}) {
    Prepare(type);
    EXPECT_EQ(b.mode, mode) << type;
    EXPECT_EQ(b.depth, 5) << type;
  }
  EXPECT_EQ(b.one, 1);
}

TEST_F(SearchBlockTest, HandicapLevelAndTheOtherBrand) {
  const eng::PositionBlock& b = Prepare(kLevelHandicap);
  EXPECT_EQ(b.depth, 3);  // 1600 of 2400
  EXPECT_EQ(b.mode, 2);
  EXPECT_EQ(b.lines_wanted, 64);
  EXPECT_EQ(engine.Params.PositionSlot, 1);

  engine.SetSlot(1, engines.Make(0x10, false, "Pelta test"));
  engine.Handicap.Record().PlayStrength = 2300;  // depth 6, one less for the brand
  Prepare(kLevelHandicap);
  EXPECT_EQ(b.depth, 5);
}

TEST_F(SearchBlockTest, ClockLevelAndNoEngine) {
  engine.SetTimeControl(nullptr, kTournamentControl);
  const eng::PositionBlock& b = Prepare(kLevelClock);
  EXPECT_EQ(b.mode, 1);
  EXPECT_EQ(b.reference_moves, 0);

  engine.Slots[1] = nullptr;
  engine.Params.SearchType = kLevelFixedDepth;
  EXPECT_FALSE(engine.PrepareSearchBlock(true));
}

// After the engine's move, a short search for the opponent's likely reply.
TEST_F(SearchBlockTest, ExpectedReplySearchFollowsTheLevel) {
  const struct {
    int32_t type;
    int32_t seconds;
    int16_t movesToGo;
    int16_t depth;
    int16_t mode;
  } rows[] = {
      {kLevelAverageTime, 1, 1, 0x7FFF, 1},  // 5 s a move: a tenth, at least 1 s
      {kLevelFixedDepth, -1, 0x7FFF, 1, 2},  // depth 3 - 2
      {kLevelClock, 18, 1, 0x7FFF, 1},       // 7200 s for 39 moves, a tenth
  };
  for (const auto& row : rows) {
    ChessEngine pondering;
    pondering.SetSlot(1, engines.Make());
    pondering.Params.EngineType = 1;
    if (row.type == kLevelClock) pondering.SetTimeControl(nullptr, kTournamentControl);
    pondering.Params.SearchType = row.type;
    pondering.NewGame();
    pondering.LastMove = Move::FromSquares(MakeSquare(4, 1), MakeSquare(4, 3));
    pondering.StartPonder();
    const eng::PositionBlock& b = pondering.Block();
    EXPECT_TRUE(pondering.ExpectedSearch) << row.type;
    EXPECT_EQ(pondering.PostCount, 1) << row.type;
    EXPECT_EQ(b.move_count, 1) << row.type;
    EXPECT_EQ(b.clock_seconds, row.seconds) << row.type;
    EXPECT_EQ(b.moves_to_go, row.movesToGo) << row.type;
    EXPECT_EQ(b.depth, row.depth) << row.type;
    EXPECT_EQ(b.mode, row.mode) << row.type;
    EXPECT_EQ(b.lines_wanted, 1) << row.type;
  }
}

TEST_F(SearchBlockTest, TheLastPeriodAsksForTheRestOfTheGame) {
  engine.SetTimeControl(nullptr, kTournamentControl);
  engine.Params.SearchType = kLevelClock;
  engine.Ply = 130;  // beyond the 60 moves of the first two periods
  ASSERT_TRUE(engine.StartSearch());
  EXPECT_EQ(engine.Block().moves_to_go, 0x7FFF);
}

TEST_F(SearchBlockTest, AnEndgameTableEngineSearchesTheBarePosition) {
  engine.SetSlot(4, engines.Make(0x10, true));
  engine.Params.EngineType = 0;
  Position position;
  position.Set(test::BoardOf("Ke1 Re2 Pe3 ke8 re7"), 1, 0, 0);
  engine.SetPosition(position);
  engine.Ply = 30;
  engine.Block().move_count = 30;
  Prepare(kLevelFixedDepth);
  EXPECT_EQ(engine.Params.PositionSlot, 4);
  EXPECT_EQ(engine.Ply, -1);
  EXPECT_EQ(engine.Block().move_count, 0);
  EXPECT_EQ(engine.Block().side_to_move, 1);
  EXPECT_EQ(std::memcmp(engine.Block().board, position.board.squares, 64), 0);
}

}  // namespace
}  // namespace zh

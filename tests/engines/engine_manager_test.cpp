// The engine manager with real modules: the default engine at start-up, the engine's
// move on the clock, the choice of playing engines, engine queries and the endgame
// engine's consultation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/temp_folder.h"
#include "core/rules/game_move.h"
#include "database/game/game_cursor.h"
#include "database/game/game_item.h"
#include "engines/engine_fixture.h"
#include "engines/engine_manager.h"
#include "engines/engine_query.h"
#include "support/fake_timers.h"
#include "support/test_fen.h"

namespace zh::test {
namespace {

class EngineManagerTest : public EngineTest {
 protected:
  EngineManagerTest() {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    oldConfig_ = old ? old : "";
    hadConfig_ = old != nullptr;
    setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
  }
  ~EngineManagerTest() override {
    manager.ReleaseAll();
    if (hadConfig_)
      setenv("XDG_CONFIG_HOME", oldConfig_.c_str(), 1);
    else
      unsetenv("XDG_CONFIG_HOME");
  }

 public:
  int32_t Client(std::intptr_t engine) {
    ++clientCalls;
    moveFrom = reinterpret_cast<ChessEngine*>(engine);
    return 0;
  }
  int32_t Yes(std::intptr_t) { return 1; }
  int32_t Count(std::intptr_t) { return ++counted, 0; }
  int32_t Gone(std::intptr_t) { return ++goneCalls, 0; }

 protected:
  // The stub module under other names, in a folder of its own.
  std::string FolderWith(std::initializer_list<const char*> names) {
    const std::string dir = engines.MakeFolder("Engines");
    for (const char* name : names)
      std::filesystem::copy_file(ModulePath("StubOne.eng"), dir + "/" + name,
                                 std::filesystem::copy_options::overwrite_existing);
    return dir;
  }
  // The manager's engine object on ZelkoHome2 at a fixed depth.
  ChessEngine* ZelkoAtDepth(int16_t depth) {
    manager.SetEnginesFolder(std::filesystem::path(ZH_ZELKOHOME2_MODULE).parent_path().string());
    manager.LoadDefaultEngine();
    ChessEngine* engine = manager.Engine();
    if (engine == nullptr || engine->Slots[1] == nullptr) return nullptr;
    EXPECT_TRUE(WaitFor([&] { return engine->Slots[1]->StartResultReceived(); }));
    engine->SetSearchParams(SearchParams{depth, 99, kLevelFixedDepth, 1, kNoSlot, 0, 0, 1});
    return engine;
  }

  CallbackLink ManagerLink() { return CallbackLink::Bind<EngineManager, &EngineManager::OnMoveReady>(&manager); }

  TempFolder config, engines;
  FakeTimers timers{services.ticks};
  EngineManager manager{token};
  int clientCalls = 0, counted = 0, goneCalls = 0;
  ChessEngine* moveFrom = nullptr;

 private:
  std::string oldConfig_;
  bool hadConfig_ = false;
};

TEST_F(EngineManagerTest, DefaultEngineIsTheHighestNumberedModule) {
  services.play.friendMode = true;
  services.play.friendLevel = -200;
  manager.SetEnginesFolder(FolderWith({"Zelko6.eng", "Zelko12.eng", "Other99.eng"}));
  manager.LoadDefaultEngine(engines / "NoSuchBook.ctg");
  ChessEngine* engine = manager.Engine();
  ASSERT_NE(engine, nullptr);
  ASSERT_NE(engine->Slots[1], nullptr);
  EXPECT_EQ(std::filesystem::path(engine->Slots[1]->GetPath()).filename(), "Zelko12.eng");
  EXPECT_EQ(engine->Slots[kEndgameSlot], nullptr);  // no endgame module, and no box for it
  EXPECT_EQ(Boxes(), std::vector<std::string>{"ErrorBox: No openings book loaded"});
  // The level of a first start, then the friend-mode strength over it.
  EXPECT_EQ(engine->Params.SearchDepth, 3);
  EXPECT_EQ(engine->Params.EngineType, 0);
  EXPECT_EQ(engine->Params.SearchType, kLevelHandicap);
  EXPECT_EQ(engine->Handicap.Record().FunThreshold, -200);
  EXPECT_EQ(engine->Handicap.Record().PlayStrength, 2050);
}

TEST_F(EngineManagerTest, NoModuleSaysSo) {
  manager.SetEnginesFolder(FolderWith({"Other1.eng"}));
  manager.LoadDefaultEngine();
  EXPECT_EQ(Boxes(), std::vector<std::string>{"ErrorBox: No engine found"});
  EXPECT_EQ(FindDefaultModule(engines / "Missing"), "");
}

TEST_F(EngineManagerTest, PlayingEnginesAreChosenInTurnAndWrap) {
  manager.SetEnginesFolder(FolderWith({"Zelko1.eng", "Zelko2.eng", "Zelko3.eng"}));
  manager.LoadDefaultEngine();
  ASSERT_NE(Load(engines / "Engines/Zelko1.eng"), nullptr);
  ASSERT_NE(Load(engines / "Engines/Zelko2.eng"), nullptr);
  const std::vector<EngineInstance*> list = manager.PlayingEngines();
  ASSERT_EQ(list.size(), 3u);
  ChessEngine* engine = manager.Engine();
  EXPECT_FALSE(manager.SelectEngine(3));
  ASSERT_TRUE(manager.SelectEngine(2));
  EXPECT_EQ(engine->Slots[1], list[2]);
  ASSERT_TRUE(manager.NextEngine());
  EXPECT_EQ(engine->Slots[1], list[0]);  // wrapped
  ASSERT_TRUE(manager.NextEngine());
  EXPECT_EQ(engine->Slots[1], list[1]);
}

TEST_F(EngineManagerTest, EngineMoveComesBackLegalWithTheClockPausedAndTheTimeRecorded) {
  ChessEngine* engine = ZelkoAtDepth(3);
  ASSERT_NE(engine, nullptr);
  manager.ClientLink = CallbackLink::Bind<EngineManagerTest, &EngineManagerTest::Client>(this);
  manager.RecordTimeLink = CallbackLink::Bind<EngineManagerTest, &EngineManagerTest::Yes>(this);
  TQGame game;
  GameCursor cursor(&game);
  manager.ResetClocks(0);
  manager.SwitchClock(0);
  Move e4 = Move::FromSquares(33, 35);
  e4.CompleteFrom(cursor.GetPosition().board);
  cursor.DoMove(GameMove::FromMove(e4));
  services.ticks += 3000;  // the user thought 3 s
  manager.StartEngineMove(cursor);
  EXPECT_TRUE(manager.IsEngineThinking());
  ASSERT_TRUE(WaitFor([&] { return clientCalls > 0; }));
  EXPECT_EQ(moveFrom, engine);
  EXPECT_TRUE(manager.IsPaused());
  EXPECT_EQ(engine->Clock.GetMoveTime(0), 300);
  const Move move = manager.GetEngineMove();
  EXPECT_TRUE(move.IsLegal(cursor.GetPosition())) << int(move.from) << "-" << int(move.to);
}

TEST_F(EngineManagerTest, PlayingEnginesHostGoneDuringItsMoveGivesTheUserTheBoard) {
  manager.SetEnginesFolder(FolderWith({"Zelko1.eng"}));
  manager.LoadDefaultEngine();
  ChessEngine* engine = manager.Engine();
  ASSERT_NE(engine, nullptr);
  EngineInstance* stub = engine->Slots[1];
  ASSERT_NE(stub, nullptr);
  ASSERT_TRUE(WaitFor([&] { return stub->HostThread() != 0 && stub->HasOptions(); }));
  engine->SetSearchParams(SearchParams{3, 99, kLevelInfinite, 1, kNoSlot, 0, 0, 1});
  manager.HostGoneLink = CallbackLink::Bind<EngineManagerTest, &EngineManagerTest::Client>(this);
  TQGame game;
  GameCursor cursor(&game);
  manager.StartEngineMove(cursor);
  EXPECT_FALSE(manager.IsPaused());
  const int32_t id = stub->Id();
  const int32_t host = stub->HostThread();
  const int32_t block[8] = {};
  Inject(eng::kReportHostGone, id, block, sizeof block);
  ASSERT_TRUE(WaitFor([&] { return clientCalls > 0; }));
  EXPECT_TRUE(manager.IsPaused());
  EXPECT_FALSE(manager.IsEngineThinking());
  enginehost::PostRequest(host, eng::kRequestExit, id, 0);
  stub->AddHostGoneObserver(CallbackLink::Bind<EngineManagerTest, &EngineManagerTest::Gone>(this));
  EXPECT_TRUE(WaitFor([&] { return goneCalls >= 1; }));
}

TEST(QueryLevelTest, LevelsOfTheUses) {
  EXPECT_EQ(QueryLevel(QueryUse::kProbe, 6), (SearchParams{6, 99, kLevelFixedDepth, 1, kNoSlot, 0, 0, 1}));
  EXPECT_EQ(QueryLevel(QueryUse::kTutor, 6), (SearchParams{3, 99, kLevelInfinite, 1, kNoSlot, 0, 0, 1}));
  EXPECT_EQ(QueryLevel(QueryUseOfKind(0), 4), (SearchParams{3, 99, kLevelFixedTime, 1, kNoSlot, 0, 1, 1}));
  EXPECT_EQ(QueryLevel(QueryUseOfKind(1), 4), (SearchParams{4, 99, kLevelFixedDepth, 1, kNoSlot, 0, 1, 1}));
  EXPECT_EQ(QueryLevel(QueryUseOfKind(5), 4), (SearchParams{3, 99, kLevelFixedDepth, 1, kNoSlot, 0, 1, 1}));
}

TEST_F(EngineManagerTest, QueriesSearchOnceAnswerChecksEmptyAndGiveTheLinksBack) {
  ChessEngine* engine = ZelkoAtDepth(2);
  ASSERT_NE(engine, nullptr);
  const SearchParams own = engine->Params;
  const CallbackLink draw = CallbackLink::Bind<EngineManagerTest, &EngineManagerTest::Yes>(this);
  const CallbackLink client = CallbackLink::Bind<EngineManagerTest, &EngineManagerTest::Client>(this);
  engine->DrawOfferLink = engine->ResignLink = draw;
  manager.ClientLink = client;
  engine->SearchStartedLink = CallbackLink::Bind<EngineManagerTest, &EngineManagerTest::Count>(this);

  EngineQuery query;
  const Position after = ParseFenForTest("rnbqkbnr/pppp1ppp/8/4p3/4P3/5Q2/PPPP1PPP/RNB1KBNR b KQkq - 1 2");
  ASSERT_TRUE(query.Run(after, 1, 3, 2));
  EXPECT_EQ(counted, 1);
  EXPECT_GT(query.GetLine(0).line.Count(), 0);
  EXPECT_EQ(engine->DrawOfferLink, draw);
  EXPECT_EQ(engine->ResignLink, draw);
  EXPECT_EQ(manager.ClientLink, client);
  EXPECT_EQ(engine->Params, own);
  ASSERT_TRUE(query.Run(after, 1, 3, 2));  // the same key: answered from what is kept
  EXPECT_EQ(counted, 1);

  // The side to move in check: an empty answer at once, and nothing kept.
  const Position check = ParseFenForTest("rnbqkbnr/ppppp2p/5p2/6pQ/4P3/8/PPPP1PPP/RNB1KBNR b KQkq - 1 3");
  ASSERT_TRUE(query.Run(check, 1, 3, 2));
  EXPECT_EQ(counted, 1);
  EXPECT_EQ(query.LineCount(), 0);
  EXPECT_EQ(query.GetLine(0).line.Count(), 0);
  EXPECT_EQ(query.GetLine(0).value.kind, kEvalNone);
  ASSERT_TRUE(query.Run(after, 1, 3, 2));
  EXPECT_EQ(counted, 2);
  EXPECT_EQ(clientCalls, 0);  // the client never saw a query's answer
}

TEST_F(EngineManagerTest, ProbeAnswersAndAQuitDuringItAsksAndQuitsLater) {
  ChessEngine* engine = ZelkoAtDepth(2);
  ASSERT_NE(engine, nullptr);
  EngineProbe probe;
  EvaluatedVariation result;
  const Position start;
  ASSERT_TRUE(probe.ProbePosition(start, 2, 1, result));
  EXPECT_GT(result.Count(), 0);
  EXPECT_EQ(engine->Params.SearchType, kLevelFixedDepth);

  int quits = 0;
  SetQuitHandler([&] { ++quits; });
  services.answers.push_back(true);
  auto pass = services.waitScript;
  services.waitScript = [&](int32_t ms) {
    ApplicationFlags().quitRequested = 1;
    pass(ms);
  };
  EXPECT_FALSE(probe.ProbePosition(start, 30, 1, result));
  services.waitScript = pass;
  ApplicationFlags().quitRequested = 0;
  EXPECT_EQ(services.CallsStartingWith("AskOkCancel: "), std::vector<std::string>{"AskOkCancel: Quit"});
  EXPECT_EQ(quits, 0);
  timers.Advance(10);
  EXPECT_EQ(quits, 1);

  // A quit during a query's wait quits 10 ms later without asking.
  EngineQuery query;
  services.waitScript = [&](int32_t ms) {
    ApplicationFlags().quitRequested = 1;
    pass(ms);
  };
  EXPECT_FALSE(query.Run(start, 1, 3, 2));
  services.waitScript = pass;
  ApplicationFlags().quitRequested = 0;
  timers.Advance(10);
  EXPECT_EQ(quits, 2);
  EXPECT_EQ(services.CallsStartingWith("AskOkCancel: ").size(), 1u);
  EXPECT_FALSE(query.IsRunning());
  SetQuitHandler(nullptr);
}

// The wait ends: at the bound with a silent engine, or when the engine's host goes.
TEST_F(EngineManagerTest, WaitsEndAtTheirBoundsAndWhenTheHostGoes) {
  manager.SetEnginesFolder(FolderWith({}));
  manager.LoadDefaultEngine();  // "No engine found": the slots are filled by hand
  ChessEngine* engine = manager.Engine();
  ASSERT_NE(engine, nullptr);
  EngineInstance* hung = Load(ModulePath("Hung.eng"));
  ASSERT_NE(hung, nullptr);
  ASSERT_TRUE(WaitFor([&] { return !hung->GetName().empty(); }));
  engine->AttachEngine(hung);
  const Position start;
  EvaluatedVariation result;
  EngineProbe probe;
  probe.RoundBound = 20;
  EXPECT_FALSE(probe.ProbePosition(start, 40, 1, result));
  EXPECT_EQ(probe.LastEnd(), QueryEnd::kNoAnswer);
  EXPECT_EQ(Boxes().back(), "ErrorBox: Engine does not answer: Hung Engine");
  EXPECT_EQ(engine->MoveReadyLink, ManagerLink());

  // The query ends the same way (the message is said once per engine).
  EngineQuery query;
  query.RoundBound = 20;
  EXPECT_FALSE(query.Run(start, 1, 3, 2));
  EXPECT_EQ(query.LastEnd(), QueryEnd::kNoAnswer);
  EXPECT_FALSE(query.IsRunning());
  ASSERT_TRUE(WaitFor([&] { return !engine->Searching || engine->PostCount == 0; }));

  // The host goes (its end report comes) during a probe; a query after it gets no answer.
  EngineInstance* stub = Load(ModulePath("StubTwo.eng"));
  ASSERT_NE(stub, nullptr);
  ASSERT_TRUE(WaitFor([&] { return !stub->GetName().empty(); }));
  engine->AttachEngine(stub);
  const int32_t id = stub->Id();
  const int32_t host = stub->HostThread();
  stub->AddHostGoneObserver(CallbackLink::Bind<EngineManagerTest, &EngineManagerTest::Gone>(this));
  auto pass = services.waitScript;
  int passes = 0;
  services.waitScript = [&](int32_t ms) {
    if (++passes == 5) {
      const int32_t block[8] = {};
      Inject(eng::kReportHostGone, id, block, sizeof block);
    }
    pass(ms);
  };
  EXPECT_FALSE(probe.ProbePosition(start, 5000, 1, result));  // the stub reports for 5 s
  EXPECT_EQ(probe.LastEnd(), QueryEnd::kHostGone);
  EXPECT_EQ(Boxes().back(), "ErrorBox: Engine stopped: Stub Engine");
  EXPECT_EQ(engine->MoveReadyLink, ManagerLink());
  EXPECT_FALSE(query.Run(start, 1, 3, 2));
  services.waitScript = pass;
  EXPECT_FALSE(query.IsRunning());
  // The real host ends too before the test does.
  enginehost::PostRequest(host, eng::kRequestExit, id, 0);
  EXPECT_TRUE(WaitFor([&] { return goneCalls >= 2; }));
}


// The endgame engine is a stub that the status report calls an endgame-table engine;
// its answer is a main line with a score, injected while it searches.
class EndgameConsultTest : public EngineManagerTest {
 protected:
  void SetUp() override {
    manager.SetEnginesFolder(FolderWith({}));
    manager.LoadDefaultEngine();
    home = manager.Pool().GetSession(0);
    ASSERT_NE(home, nullptr);
    endgame = Load(ModulePath("StubThree.eng"));
    ASSERT_NE(endgame, nullptr);
    ASSERT_TRUE(WaitFor([&] { return !endgame->GetName().empty() && endgame->HasOptions(); }));
    static int32_t buffers[2];
    eng::StatusBlock status{};
    status.position_buffer = reinterpret_cast<eng::PositionBlock*>(&buffers[0]);
    status.text_buffer = &buffers[1];
    status.options = 0x10;
    status.endgame_table = 1;
    Inject(eng::kReportStatus, endgame->Id(), &status, sizeof status);
    ASSERT_TRUE(WaitFor([&] { return endgame->IsEndgameEngine(); }));
    home->SetSlot(kEndgameSlot, endgame);
    home->BindInstance(endgame);
    pass = services.waitScript;
  }
  void TearDown() override { services.waitScript = pass; }

  // While the asking engine object searches: `script` runs once on it.
  void DuringTheSearch(std::function<void(ChessEngine&)> script) {
    services.waitScript = [this, script, done = false](int32_t ms) mutable {
      ChessEngine* asking = manager.Pool().GetSession(1);
      if (!done && asking != nullptr && asking->Searching && !asking->Stale) {
        done = true;
        script(*asking);
      }
      pass(ms);
    };
  }
  bool HomeHasItBack() {
    return home->Slots[kEndgameSlot] == endgame && endgame->handlers.mainLine.IsSet() && manager.Pool().Count() == 1;
  }

  ChessEngine* home = nullptr;
  EngineInstance* endgame = nullptr;
  std::function<void(int32_t)> pass;
  const Position kqkq = ParseFenForTest("3qk3/8/8/8/8/8/8/3QK3 w - - 0 1");
};

TEST_F(EndgameConsultTest, SixMenTouchNothing) {
  EvalValue score{kEvalNone, 0, 0};
  EXPECT_FALSE(ConsultEndgameEngine(ParseFenForTest("3qk3/4p3/8/8/8/4P3/8/3QK3 w - - 0 1"), score));
  EXPECT_EQ(manager.Pool().Count(), 1);
  EXPECT_EQ(home->Slots[kEndgameSlot], endgame);
  EXPECT_EQ(score.kind, kEvalNone);
}

TEST_F(EndgameConsultTest, AnswersTheScoreAndGivesTheEngineBack) {
  DuringTheSearch([this](ChessEngine& asking) {
    EXPECT_EQ(asking.Slots[kEndgameSlot], endgame);
    EXPECT_EQ(home->Slots[kEndgameSlot], nullptr);  // borrowed
    eng::MainLineBlock block{};
    block.flags = 0x10;
    block.score_type = 1;
    block.score_value = 123;
    Inject(eng::kReportMainLine, endgame->Id(), &block, sizeof block);
    endgame->PostStop();
  });
  EvalValue score{kEvalNone, 0, 0};
  ASSERT_TRUE(ConsultEndgameEngine(kqkq, score));
  EXPECT_EQ(score.kind, kEvalCentipawns);
  EXPECT_EQ(score.value, 123);
  EXPECT_TRUE(HomeHasItBack());
}

TEST_F(EndgameConsultTest, NoScoreOrAGoneHostGivesFalse) {
  // Stopped at the bound, the engine ends without a score: no answer.
  EvalValue score{kEvalNone, 0, 0};
  EXPECT_FALSE(ConsultEndgameEngine(kqkq, score, nullptr, 20));
  EXPECT_EQ(score.kind, kEvalNone);
  EXPECT_TRUE(HomeHasItBack());

  const int32_t host = endgame->HostThread();
  const int32_t id = endgame->Id();
  DuringTheSearch([&](ChessEngine&) {
    const int32_t block[8] = {};
    Inject(eng::kReportHostGone, id, block, sizeof block);
  });
  EXPECT_FALSE(ConsultEndgameEngine(kqkq, score));
  EXPECT_EQ(Boxes().back(), "ErrorBox: Engine stopped: Stub Engine");
  EXPECT_EQ(home->Slots[kEndgameSlot], endgame);
  EXPECT_EQ(manager.Pool().Count(), 1);
  services.waitScript = pass;
  endgame->AddHostGoneObserver(CallbackLink::Bind<EngineManagerTest, &EngineManagerTest::Gone>(this));
  enginehost::PostRequest(host, eng::kRequestExit, id, 0);
  EXPECT_TRUE(WaitFor([&] { return goneCalls >= 1; }));
}

}  // namespace
}  // namespace zh::test

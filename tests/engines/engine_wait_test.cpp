// Bounded waits: each way a wait ends, with the scripted pump and the fake clock.
#include "engine_fixture.h"

namespace zh::test {
namespace {

struct Flag {
  int calls = 0;
  int32_t statusSeen = 99;
  EngineInstance* instance = nullptr;
  int32_t Set(intptr_t) {
    ++calls;
    if (instance != nullptr) statusSeen = instance->Status();
    return 0;
  }
  CallbackLink Link() { return CallbackLink::Bind<Flag, &Flag::Set>(this); }
};

eng::PositionBlock SearchBlock() {
  eng::PositionBlock block{};
  block.header.size = sizeof block;
  block.mode = 1;
  return block;
}

using EngineWait = EngineTest;

TEST_F(EngineWait, EndsWhenTheConditionHolds) {
  EngineInstance* engine = Load(ModulePath("StubOne.eng"));
  ASSERT_NE(engine, nullptr);
  const uint64_t start = services.ticks;
  EXPECT_EQ(WaitUntil([&] { return !engine->GetName().empty(); }, DeadlineIn(kLongWaitMs), engine->Id()), WaitEnd::kMet);
  EXPECT_LT(services.ticks - start, 5000u);
  // A condition that holds at once ends the wait before anything else is asked.
  ApplicationFlags().quitRequested = 1;
  EXPECT_EQ(WaitUntil([] { return true; }, DeadlineIn(0), engine->Id()), WaitEnd::kMet);
  ApplicationFlags().quitRequested = 0;
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(EngineWait, AHungEngineEndsTheWaitAtItsDeadlineWithOneMessage) {
  EngineInstance* engine = Load(ModulePath("Hung.eng"));
  ASSERT_NE(engine, nullptr);
  ASSERT_TRUE(WaitFor([&] { return !engine->GetName().empty(); }));
  Flag started, done;
  engine->handlers.searchStarted = started.Link();
  engine->handlers.searchDone = done.Link();
  const eng::PositionBlock block = SearchBlock();
  engine->PostSearch(&block);
  ASSERT_TRUE(WaitFor([&] { return started.calls > 0; }));
  engine->PostStop();
  for (int round = 0; round < 2; ++round) {
    const uint64_t deadline = DeadlineIn(400);
    EXPECT_EQ(WaitUntil([&] { return done.calls > 0; }, deadline, engine->Id()), WaitEnd::kDeadline);
    EXPECT_GE(services.ticks, deadline);
    EXPECT_LT(services.ticks, deadline + kWaitSliceMs);
  }
  EXPECT_EQ(Boxes(), std::vector<std::string>{"ErrorBox: Engine does not answer: Hung Engine"});
  // Unwatched, the same wait says nothing.
  EXPECT_EQ(WaitUntil([] { return false; }, DeadlineIn(100)), WaitEnd::kDeadline);
  EXPECT_EQ(Boxes().size(), 1u);
}

TEST_F(EngineWait, EndsWhenTheUserQuits) {
  ApplicationFlags().quitRequested = 1;
  const uint64_t start = services.ticks;
  EXPECT_EQ(WaitUntil([] { return false; }, DeadlineIn(60000)), WaitEnd::kQuit);
  EXPECT_EQ(services.ticks, start);
  ApplicationFlags().quitRequested = 0;
}

TEST_F(EngineWait, AnUnaskedEndStopsTheWaitTellsTheObserversAndShowsOneMessage) {
  EngineInstance* engine = Load(ModulePath("StubOne.eng"));
  ASSERT_NE(engine, nullptr);
  ASSERT_TRUE(WaitFor([&] { return !engine->GetName().empty(); }));
  const int32_t id = engine->Id();
  engine->SetInUse(true);  // an engine object holds it: it stays in the table
  Flag gone;
  gone.instance = engine;
  engine->AddHostGoneObserver(gone.Link());
  Flag searchDone;
  engine->handlers.searchDone = searchDone.Link();
  // Behind the table's back, as if the engine's thread had died.
  ASSERT_TRUE(enginehost::PostRequest(engine->HostThread(), eng::kRequestExit, id, 0));
  EXPECT_EQ(WaitUntil([&] { return searchDone.calls > 0; }, DeadlineIn(kLongWaitMs), id), WaitEnd::kHostGone);
  EXPECT_EQ(gone.calls, 1);
  EXPECT_EQ(gone.statusSeen, kEngineReady);  // told before the reset
  EXPECT_EQ(engine->Status(), kEngineReset);
  EXPECT_EQ(engine->HostThread(), 0);
  EXPECT_EQ(table.FindById(id), engine);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"ErrorBox: Engine stopped: Stub Engine"});
  // Another wait on it ends at once, without a second message.
  EXPECT_EQ(WaitUntil([] { return false; }, DeadlineIn(kLongWaitMs), id), WaitEnd::kHostGone);
  table.OnHostGone(id);
  EXPECT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(gone.calls, 2);
  engine->SetInUse(false);
}

TEST_F(EngineWait, AnEndWeAskedForShowsNothing) {
  EngineInstance* engine = Load(ModulePath("StubTwo.eng"));
  ASSERT_NE(engine, nullptr);
  const int32_t id = engine->Id();
  Flag gone;
  engine->AddHostGoneObserver(gone.Link());
  engine->PostExit();
  EXPECT_EQ(WaitUntil([] { return false; }, DeadlineIn(kLongWaitMs), id), WaitEnd::kHostGone);
  EXPECT_EQ(table.FindById(id), nullptr);
  EXPECT_EQ(gone.calls, 1);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(EngineWait, TheHashSizeGoesToEveryEngineAndIsAnswered) {
  EngineInstance* one = Load(ModulePath("StubOne.eng"));
  EngineInstance* two = Load(ZH_ZELKOHOME2_MODULE);
  ASSERT_TRUE(one && two);
  // Resizing a real engine's table takes real time (long under the sanitizers):
  // here the clock runs at the speed of the wall, as it does in the program.
  services.waitScript = [this](int32_t maxMs) {
    const auto start = std::chrono::steady_clock::now();
    if (maxMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(maxMs));
    inbox.Drain();
    services.ticks += static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
  };
  table.SetDefaultHashKb(4096);
  table.SendHashSizeToAll();
  EXPECT_EQ(one->HashKb(), 4096);
  EXPECT_EQ(two->HashKb(), 4096);
  EXPECT_EQ(table.TotalHashKb(), 8192);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(EngineWait, EngineInformationIsCompleteOnceAnsweredAndDoneWithoutAnEventLoop) {
  EngineInstance* engine = Load(ModulePath("StubThree.eng"));
  ASSERT_NE(engine, nullptr);
  EXPECT_FALSE(table.QueryEngineInfo());  // name and author are asked for now
  EXPECT_TRUE(WaitFor([&] { return table.QueryEngineInfo(); }));
  services.eventLoopRunning = false;
  EngineInstance idle(token, ZH_ZELKOHOME2_MODULE, 1024, 1);
  EXPECT_TRUE(table.QueryEngineInfo());
}

}  // namespace
}  // namespace zh::test

// Reports on their way through the report inbox, the engine hooks and the table.
#include "engine_fixture.h"

namespace zh::test {
namespace {

std::vector<std::pair<int32_t, intptr_t>> gPosted;  // request, param
void Tap(int32_t, int32_t request, intptr_t param) { gPosted.emplace_back(request, param); }

struct Counter {
  int calls = 0;
  intptr_t last = -1;
  int32_t Seen(intptr_t block) {
    ++calls;
    last = block;
    return 0;
  }
  CallbackLink Link() { return CallbackLink::Bind<Counter, &Counter::Seen>(this); }
};

class Dispatch : public EngineTest {
 protected:
  Dispatch() {
    gPosted.clear();
    SetRequestTap(&Tap);
  }
  ~Dispatch() override { SetRequestTap(nullptr); }

  // Injects a report and lets it run through the inbox.
  void Send(int32_t code, int32_t id, const void* block, size_t size) {
    Inject(code, id, block, size);
    inbox.Drain();
  }
  eng::StatusBlock Status(int32_t options, int32_t rating, int32_t hash, int32_t endgame) {
    eng::StatusBlock block{};
    block.header.size = sizeof block;
    block.position_buffer = reinterpret_cast<eng::PositionBlock*>(&block);
    block.text_buffer = &block;
    block.options = options;
    block.rating = rating;
    block.hash_kb = hash;
    block.kind = 1;
    block.endgame_table = endgame;
    return block;
  }
};

TEST_F(Dispatch, DropsWhatTheTableMayNotSeeAndStoresTheRest) {
  EngineInstance* engine = Load(ModulePath("StubOne.eng"));
  ASSERT_NE(engine, nullptr);
  const int32_t id = engine->Id();
  Counter nodes;
  engine->handlers.nodes = nodes.Link();
  eng::NodesBlock nodesBlock{};
  nodesBlock.header.size = sizeof nodesBlock;

  struct Case {
    const char* what;
    int32_t code;
    int32_t id;
    bool block;
    int calls;
  } cases[] = {
      {"a report without a block", eng::kReportNodes, id, false, 0},
      {"an unknown engine id", eng::kReportNodes, id + 1000, true, 0},
      {"a report of the engine", eng::kReportNodes, id, true, 1},
      {"a code that is not a report", 9999, id, true, 1},
      {"the copied form", eng::kReportCopyNodes, id, true, 2},
  };
  for (const Case& c : cases) {
    Send(c.code, c.id, c.block ? &nodesBlock : nullptr, c.block ? sizeof nodesBlock : 0);
    EXPECT_EQ(nodes.calls, c.calls) << c.what;
  }

  // 316 stores every field; a small option value becomes a playing engine's.
  auto status = Status(5, -5, 3000, 0);
  Send(eng::kReportStatus, id, &status, sizeof status);
  EXPECT_EQ(engine->GetOptions(), 0x15u);
  EXPECT_EQ(engine->GetRating(), -5);
  EXPECT_EQ(engine->HashKb(), 3000);
  EXPECT_FALSE(engine->IsEndgameEngine());
  status = Status(0x700, 0x1F40, 4000, 1);  // the endgame flag makes the rating 0
  Send(eng::kReportStatus, id, &status, sizeof status);
  EXPECT_EQ(engine->GetRating(), 0);
  EXPECT_EQ(engine->GetOptions(), 16u);
  EXPECT_EQ(engine->HashKb(), 4000);
  EXPECT_EQ(table.TotalHashKb(), 0);
  std::vector<EngineInstance*> playing;
  table.ListPlayingEngines(playing);
  EXPECT_TRUE(playing.empty());
  status = Status(0x10, 0xFFFE, 4000, 0);  // the rating is a signed 16-bit value
  Send(eng::kReportStatus, id, &status, sizeof status);
  EXPECT_EQ(engine->GetRating(), -2);

  // 336: the text itself, after the engine's name.
  ASSERT_TRUE(WaitFor([&] { return !engine->GetName().empty(); }));
  const char text[] = "info depth 3";
  Send(eng::kReportText, id, text, sizeof text);
  EXPECT_EQ(services.CallsStartingWith("Dump: "), std::vector<std::string>{"Dump: Stub Engine: info depth 3"});

  // 339: a kept copy, posted back with 291.
  eng::ParameterList list{};
  list.header.size = sizeof list;
  gPosted.clear();
  Send(eng::kReportParameters, id, &list, sizeof list);
  ASSERT_NE(engine->Parameters(), nullptr);
  ASSERT_EQ(gPosted.size(), 1u);
  EXPECT_EQ(gPosted[0].first, eng::kRequestParameters);
  EXPECT_EQ(gPosted[0].second, reinterpret_cast<intptr_t>(engine->Parameters()));

  // An instance whose status is not 0 hears nothing more.
  engine->Reset();
  Send(eng::kReportNodes, id, &nodesBlock, sizeof nodesBlock);
  EXPECT_EQ(nodes.calls, 0 + 2);
  EXPECT_FALSE(hooks.IsLiveEngine(id));
}

TEST_F(Dispatch, NothingIsPostedWhileTheHostThreadIsUnknown) {
  EngineInstance idle(token, ZH_ZELKOHOME2_MODULE, 1024, 1);
  eng::PositionBlock position{};
  EXPECT_EQ(idle.GetName(), "");
  EXPECT_EQ(idle.GetRating(), EngineInstance::kDefaultRating);
  EXPECT_FALSE(idle.HasOptions());
  idle.PostSearch(&position);
  idle.PostText("hello");
  idle.PostHashSize(2048);
  idle.PostStop();
  idle.PostExit();
  EXPECT_TRUE(gPosted.empty());
}

TEST_F(Dispatch, RequestsCarryTheInstancesOwnBlocks) {
  EngineInstance* engine = Load(ModulePath("StubThree.eng"));
  ASSERT_NE(engine, nullptr);
  Counter started;
  engine->handlers.searchStarted = started.Link();
  gPosted.clear();
  eng::PositionBlock position{};
  position.header.size = sizeof position;
  engine->PostSearch(&position);
  engine->PostText(std::string(600, 'a'));
  engine->PostHashSize(engine->HashKb());  // the same size: nothing
  engine->PostHashSize(engine->HashKb() / 2);
  ASSERT_EQ(gPosted.size(), 3u);
  const auto* sent = reinterpret_cast<const eng::PositionBlock*>(gPosted[0].second);
  EXPECT_NE(sent, &position);
  EXPECT_EQ(sent->header.engine_id, engine->Id());
  const auto* text = reinterpret_cast<const eng::TextBlock*>(gPosted[1].second);
  EXPECT_EQ(text->kind, 3);
  EXPECT_EQ(text->header.engine_id, engine->Id());
  EXPECT_EQ(strnlen(text->text, sizeof text->text), 499u);
  EXPECT_EQ(gPosted[2].first, eng::kRequestHashSize);
  EXPECT_EQ(gPosted[2].second, engine->WantedHashKb());
  // A new hash size waits until the search has ended; then the engine answers with 350.
  ASSERT_TRUE(WaitFor([&] { return started.calls > 0; }));
  engine->PostStop();
  EXPECT_TRUE(WaitFor([&] { return engine->HashKb() == engine->WantedHashKb(); }));
}

TEST_F(Dispatch, AfterTheHostHasGoneAnInstanceInUseStaysAndAnotherIsUnloaded) {
  EngineInstance* kept = Load(ModulePath("StubOne.eng"));
  EngineInstance* dropped = Load(ModulePath("StubTwo.eng"));
  ASSERT_TRUE(kept && dropped);
  const int32_t keptId = kept->Id(), droppedId = dropped->Id();
  const int32_t hosts[] = {kept->HostThread(), dropped->HostThread()};
  kept->SetInUse(true);
  Counter observer;
  kept->AddHostGoneObserver(observer.Link());
  // The host's end report carries no block.
  Send(eng::kReportHostGone, keptId, nullptr, 0);
  Send(eng::kReportHostGone, droppedId, nullptr, 0);
  EXPECT_EQ(table.FindById(keptId), kept);
  EXPECT_EQ(kept->HostThread(), 0);
  EXPECT_EQ(kept->Status(), kEngineReset);
  EXPECT_EQ(observer.calls, 1);
  EXPECT_EQ(observer.last, keptId);
  EXPECT_EQ(table.FindById(droppedId), nullptr);
  EXPECT_EQ(table.Count(), 1);
  EXPECT_TRUE(table.HasHostGone(keptId) && table.HasHostGone(droppedId));
  // The hosts still run: these were not their own end reports. Let them end.
  kept->SetInUse(false);
  for (int32_t host : hosts) EXPECT_TRUE(enginehost::PostRequest(host, eng::kRequestExit, 0, 0));
  EXPECT_TRUE(WaitFor([&] { return table.Count() == 0; }));
}

}  // namespace
}  // namespace zh::test

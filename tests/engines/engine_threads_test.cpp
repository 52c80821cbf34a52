// Two engines search at once while their reports are drained on this thread; run
// again under ThreadSanitizer.
#include "engine_fixture.h"

namespace zh::test {
namespace {

struct NodeCount {
  int reports = 0;
  uint32_t last = 0;
  bool done = false;
  int32_t Nodes(intptr_t block) {
    ++reports;
    last = reinterpret_cast<const eng::NodesBlock*>(block)->nodes_low;
    return 0;
  }
  int32_t Done(intptr_t) {
    done = true;
    return 0;
  }
};

using EngineThreads = EngineTest;

TEST_F(EngineThreads, TwoModulesSearchAtOnce) {
  EngineInstance* engines[] = {Load(ModulePath("StubOne.eng")), Load(ModulePath("StubTwo.eng"))};
  ASSERT_TRUE(engines[0] && engines[1]);
  NodeCount counts[2];
  eng::PositionBlock block{};
  block.header.size = sizeof block;
  block.mode = 1;
  for (int i = 0; i < 2; ++i) {
    engines[i]->handlers.nodes = CallbackLink::Bind<NodeCount, &NodeCount::Nodes>(&counts[i]);
    engines[i]->handlers.searchDone = CallbackLink::Bind<NodeCount, &NodeCount::Done>(&counts[i]);
    engines[i]->PostSearch(&block);
  }
  ASSERT_TRUE(WaitFor([&] { return counts[0].reports >= 30 && counts[1].reports >= 30; }, 60000));
  for (EngineInstance* engine : engines) engine->PostStop();
  ASSERT_TRUE(WaitFor([&] { return counts[0].done && counts[1].done; }, 60000));
  for (const NodeCount& c : counts) {
    // Each report was copied when posted: the module's later overwrite never shows.
    EXPECT_EQ(c.last, static_cast<uint32_t>(c.reports));
  }
}

}  // namespace
}  // namespace zh::test

// The engine host with a recording report sink: start order, start failures,
// searches, stops, exit while searching, two modules at once and report snapshots.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "enginemodule/host/engine_host.h"
#include "enginemodule/host/host_fixture.h"

namespace zh::enginehost {
namespace {

using namespace std::chrono_literals;
using eng::EngineSlotRecord;
using test::Engine;
using test::kTimeout;
using test::Recorder;

bool ModuleLoaded(const char* path) {
  void* handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
  if (handle) dlclose(handle);
  return handle != nullptr;
}

TEST(EngineHost, StartsInOrderAndEnds) {
  Recorder recorder;
  Engine engine(recorder, ZH_ZELKOHOME2_MODULE);
  EXPECT_EQ(engine.StartCode(), 0);
  EXPECT_EQ(recorder.Codes(engine.id), (std::vector<int32_t>{304, 316, 317, 339, 348}));
  auto* status = recorder.Of(engine.id, eng::kReportStatus)[0]->as<eng::StatusBlock>();
  EXPECT_EQ(status->header.size, 72);
  EXPECT_EQ(status->options, 0x20F0);
  EXPECT_EQ(status->rating, 2450);
  EXPECT_EQ(status->hash_kb, 1024);
  EXPECT_EQ(status->kind, 1);
  EXPECT_NE(status->position_buffer, nullptr);
  auto* logos = recorder.Of(engine.id, eng::kReportLogos)[0]->as<eng::LogoBlock>();
  EXPECT_EQ(logos->count, 3);
  ASSERT_NE(logos->logos[0], nullptr);
  EXPECT_EQ(logos->logos[0]->width, 100);
  EXPECT_EQ(logos->logos[1]->height, 94);
  auto* list = recorder.Of(engine.id, eng::kReportParameters)[0]->as<eng::ParameterList>();
  ASSERT_EQ(list->count, 3u);
  EXPECT_STREQ(list->entries[2].name, "Selectivity");
  EXPECT_EQ(list->header.engine_id, engine.id);

  ASSERT_TRUE(engine.Post(eng::kRequestName));
  ASSERT_TRUE(engine.Post(eng::kRequestAuthor));
  ASSERT_TRUE(engine.Post(eng::kRequestInfo));
  ASSERT_TRUE(engine.Post(eng::kRequestHashSize, 100));
  ASSERT_TRUE(recorder.WaitForCode(engine.id, eng::kReportHashChanged));
  EXPECT_STREQ(recorder.Of(engine.id, eng::kReportName)[0]->as<eng::TextBlock>()->text, "Zelko Home 2");
  EXPECT_EQ(recorder.Of(engine.id, eng::kReportAuthor).size(), 1u);
  EXPECT_EQ(recorder.Of(engine.id, eng::kReportStatus).size(), 2u);
  EXPECT_EQ(recorder.Of(engine.id, eng::kReportHashChanged)[0]->as<eng::StatusBlock>()->hash_kb, 256);
  engine.Exit();
  EXPECT_FALSE(ModuleLoaded(ZH_ZELKOHOME2_MODULE));
  EXPECT_FALSE(engine.Post(eng::kRequestStop));  // the instance is gone
}

TEST(EngineHost, StartFailuresGiveTheirCodes) {
  Recorder recorder;
  std::string junk = ::testing::TempDir() + "junk.eng";
  std::ofstream(junk) << "not a module";
  Engine no_module(recorder, junk);
  EXPECT_EQ(no_module.StartCode(), 9);
  Engine broken(recorder, ZH_BROKEN_MODULE);
  EXPECT_EQ(broken.StartCode(), 8);
  Engine first(recorder, ZH_ZELKOHOME2_MODULE);
  EXPECT_EQ(first.StartCode(), 0);
  Engine second(recorder, ZH_ZELKOHOME2_MODULE);
  EXPECT_EQ(second.StartCode(), 1);
  // Exports callable at any time still answer for the refused instance.
  ASSERT_TRUE(second.Post(eng::kRequestName));
  ASSERT_TRUE(recorder.WaitForCode(second.id, eng::kReportName));
  second.Exit();
  EXPECT_TRUE(ModuleLoaded(ZH_ZELKOHOME2_MODULE));  // the first still uses it
  first.Exit();
  no_module.Exit();
  broken.Exit();
  std::remove(junk.c_str());
}

TEST(EngineHost, EachSearchReportsStartNodesAndOneDone) {
  Recorder recorder;
  Engine engine(recorder, ZH_ZELKOHOME2_MODULE);
  ASSERT_EQ(engine.StartCode(), 0);
  // Fixed depth 1; the second request waits for the first search, since a new
  // request stops a running search.
  engine.Search(2, 1);
  ASSERT_TRUE(recorder.WaitForCode(engine.id, eng::kReportSearchDone));
  engine.Search(2, 1);
  ASSERT_TRUE(recorder.WaitForCode(engine.id, eng::kReportSearchDone));
  std::vector<int32_t> codes = recorder.Codes(engine.id);
  std::vector<int32_t> searches;  // start, nodes and done; the depth and lines between them
  std::copy_if(codes.begin() + 5, codes.end(), std::back_inserter(searches),
               [](int32_t c) { return c == 341 || c == 343 || c == 347; });
  EXPECT_EQ(searches, (std::vector<int32_t>{341, 343, 347, 341, 343, 347}));
  engine.Exit();
}

TEST(EngineHost, StopEndsAnEndlessSearchAndReportsAreSnapshots) {
  Recorder recorder;
  Engine engine(recorder, ZH_STUB_MODULE);
  ASSERT_EQ(engine.StartCode(), 0);
  engine.Search();
  ASSERT_TRUE(recorder.WaitForCode(engine.id, eng::kReportSearchStarted));
  // Wait for a few nodes reports before stopping.
  ASSERT_TRUE(recorder.WaitFor(engine.id, [](Report& r) {
    return r.code == eng::kReportNodes && r.as<eng::NodesBlock>()->nodes_low >= 5;
  }));
  ASSERT_TRUE(engine.Post(eng::kRequestStop));
  ASSERT_TRUE(recorder.WaitForCode(engine.id, eng::kReportSearchDone));
  std::vector<Report*> nodes = recorder.Of(engine.id, eng::kReportNodes);
  ASSERT_GE(nodes.size(), 5u);
  for (size_t i = 0; i < nodes.size(); ++i) EXPECT_EQ(nodes[i]->as<eng::NodesBlock>()->nodes_low, i + 1);
  EXPECT_EQ(recorder.Of(engine.id, eng::kReportSearchDone).size(), 1u);
  engine.Exit();
}

TEST(EngineHost, NewSearchStopsTheRunningOne) {
  Recorder recorder;
  Engine engine(recorder, ZH_STUB_MODULE);
  ASSERT_EQ(engine.StartCode(), 0);
  engine.Search();
  ASSERT_TRUE(recorder.WaitForCode(engine.id, eng::kReportSearchStarted));
  engine.Search(2, 3);  // fixed depth: three nodes reports, then done
  ASSERT_TRUE(recorder.WaitForCode(engine.id, eng::kReportSearchDone));
  ASSERT_TRUE(recorder.WaitForCode(engine.id, eng::kReportSearchDone));
  std::vector<int32_t> codes = recorder.Codes(engine.id);
  std::vector<int32_t> tail(codes.end() - 5, codes.end());
  EXPECT_EQ(tail, (std::vector<int32_t>{341, 343, 343, 343, 347}));
  EXPECT_EQ(recorder.Of(engine.id, eng::kReportSearchDone).size(), 2u);
  engine.Exit();
}

TEST(EngineHost, ExitWhileSearchingEndsLastAndUnloads) {
  Recorder recorder;
  Engine engine(recorder, ZH_STUB_MODULE);
  ASSERT_EQ(engine.StartCode(), 0);
  engine.Search();
  ASSERT_TRUE(recorder.WaitForCode(engine.id, eng::kReportSearchStarted));
  engine.Exit();
  EXPECT_FALSE(ModuleLoaded(ZH_STUB_MODULE));
}

// An endless analysis (mode 4) of ZelkoHome2 runs until 258 stops it; the host then
// posts "search done" once, and it is the last report.
TEST(EngineHost, StopEndsAnEndlessZelkoHome2Search) {
  Recorder recorder;
  Engine engine(recorder, ZH_ZELKOHOME2_MODULE);
  ASSERT_EQ(engine.StartCode(), 0);
  engine.Search();
  ASSERT_TRUE(recorder.WaitFor(engine.id, [](Report& r) {
    return r.code == eng::kReportDepth && r.as<eng::DepthBlock>()->depth >= 3;
  }));
  EXPECT_TRUE(recorder.Of(engine.id, eng::kReportSearchDone).empty());
  ASSERT_TRUE(engine.Post(eng::kRequestStop));
  ASSERT_TRUE(recorder.WaitForCode(engine.id, eng::kReportSearchDone));
  EXPECT_EQ(recorder.Codes(engine.id).back(), eng::kReportSearchDone);
  EXPECT_EQ(recorder.Of(engine.id, eng::kReportSearchDone).size(), 1u);
  engine.Exit();
}

TEST(EngineHost, TwoModulesSearchAtOnce) {
  Recorder recorder;
  Engine stub(recorder, ZH_STUB_MODULE);
  Engine zelko(recorder, ZH_ZELKOHOME2_MODULE);
  ASSERT_EQ(stub.StartCode(), 0);
  ASSERT_EQ(zelko.StartCode(), 0);
  stub.Search();
  ASSERT_TRUE(recorder.WaitForCode(stub.id, eng::kReportSearchStarted));
  zelko.Search(2, 2);
  ASSERT_TRUE(recorder.WaitForCode(zelko.id, eng::kReportSearchDone));
  EXPECT_TRUE(recorder.Of(stub.id, eng::kReportSearchDone).empty());  // still searching
  ASSERT_TRUE(stub.Post(eng::kRequestStop));
  ASSERT_TRUE(recorder.WaitForCode(stub.id, eng::kReportSearchDone));
  stub.Exit();
  zelko.Exit();
}

TEST(EngineHost, ParametersWaitForTheSearchAndReachTheModule) {
  Recorder recorder;
  Engine engine(recorder, ZH_ZELKOHOME2_MODULE);
  ASSERT_EQ(engine.StartCode(), 0);
  Report* kept = recorder.Of(engine.id, eng::kReportParameters)[0];
  eng::ParameterList* copy = nullptr;
  Func12(&copy, kept->as<eng::ParameterList>());
  ASSERT_NE(copy, nullptr);
  copy->entries[1].current_value.value = 2;
  ASSERT_TRUE(engine.Post(eng::kRequestParameters, reinterpret_cast<intptr_t>(copy)));
  Func11(&copy);  // the host made its own copy
  EXPECT_EQ(copy, nullptr);
  ASSERT_TRUE(engine.Post(eng::kRequestName));  // served after the parameters
  ASSERT_TRUE(recorder.WaitForCode(engine.id, eng::kReportName));
  void* module = dlopen(ZH_ZELKOHOME2_MODULE, RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(module, nullptr);
  auto eng13 = reinterpret_cast<eng::Eng13Fn>(dlsym(module, "Eng13"));
  EXPECT_EQ(eng13()->entries[1].current_value.value, 2);
  dlclose(module);
  engine.Exit();
}

TEST(EngineHost, HashSizeWaitsUntilNoSearchRuns) {
  Recorder recorder;
  Engine engine(recorder, ZH_STUB_MODULE);
  ASSERT_EQ(engine.StartCode(), 0);
  engine.Search();
  ASSERT_TRUE(recorder.WaitForCode(engine.id, eng::kReportSearchStarted));
  ASSERT_TRUE(engine.Post(eng::kRequestHashSize, 4096));
  ASSERT_TRUE(engine.Post(eng::kRequestName));  // served at once, before the hash size
  ASSERT_TRUE(recorder.WaitForCode(engine.id, eng::kReportName));
  EXPECT_TRUE(recorder.Of(engine.id, eng::kReportHashChanged).empty());
  ASSERT_TRUE(engine.Post(eng::kRequestStop));
  ASSERT_TRUE(recorder.WaitForCode(engine.id, eng::kReportHashChanged));
  std::vector<int32_t> codes = recorder.Codes(engine.id);
  EXPECT_EQ(codes.back(), eng::kReportHashChanged);
  EXPECT_EQ(codes[codes.size() - 2], eng::kReportSearchDone);
  EXPECT_EQ(recorder.Of(engine.id, eng::kReportHashChanged)[0]->as<eng::StatusBlock>()->hash_kb, 4096);
  engine.Exit();
}

TEST(EngineHost, MessageNumbersAndModuleReports) {
  EXPECT_EQ(Func2(259), 259);
  EXPECT_EQ(Func2(340), 0);
  EXPECT_EQ(Func2(1), 0);
  EXPECT_EQ(Func1(340), 340);
  EXPECT_EQ(Func1(305), 305);
  EXPECT_EQ(Func1(259), 0);

  Recorder recorder;
  eng::NodesBlock nodes{};
  nodes.header = {sizeof(nodes), 0, 7, recorder.token(), 1};
  nodes.nodes_low = 42;
  Func3(eng::kReportNodes, 1, 7, &nodes);
  nodes.header.size = 28;  // a header that disagrees with the code's size is dropped
  Func3(eng::kReportNodes, 1, 7, &nodes);
  nodes.header.size = sizeof(nodes);
  Func3(999, 1, 7, &nodes);                       // not a module report
  Func3(eng::kReportNodes, 1, 7, nullptr);        // no block
  ASSERT_TRUE(recorder.WaitForCode(7, eng::kReportNodes));
  EXPECT_EQ(recorder.Of(7, eng::kReportNodes).size(), 1u);
  EXPECT_EQ(recorder.Of(7, eng::kReportNodes)[0]->as<eng::NodesBlock>()->nodes_low, 42u);
  EXPECT_EQ(recorder.Codes(7).size(), 1u);
}

TEST(EngineHost, ParameterListCopiesAreBounded) {
  static char long_name[3000];
  std::memset(long_name, 'x', sizeof(long_name) - 1);
  int32_t choice_default[2] = {1, 2}, choice_current[2] = {3, 4};
  eng::ParameterEntry entries[2]{};
  entries[0] = {56, 1, 2, 3000, long_name, 4, 0, {}, {}, 0, 9};
  entries[0].current_value.value = 5;
  entries[1] = {56, 0, 5, 7, "Choice", 8, 0, {}, {}, 0, 1};
  entries[1].default_value.pointer = choice_default;
  entries[1].current_value.pointer = choice_current;
  eng::ParameterList list{};
  list.header.size = 32;
  list.count = 2;
  list.entries = entries;
  eng::ParameterList* copy = nullptr;
  Func12(&copy, &list);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->entries[0].current_value.value, 5);
  EXPECT_EQ(copy->entries[0].name_length, kMaxParameterName);
  EXPECT_EQ(std::strlen(copy->entries[0].name), static_cast<size_t>(kMaxParameterName - 1));
  EXPECT_NE(copy->entries[1].current_value.pointer, choice_current);
  EXPECT_EQ(static_cast<int32_t*>(copy->entries[1].current_value.pointer)[1], 4);
  EXPECT_STREQ(copy->entries[1].name, "Choice");
  Func11(&copy);

  list.count = 100000;  // a count without entries copies none
  list.entries = nullptr;
  Func12(&copy, &list);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->count, 0u);
  Func11(&copy);
  Func12(&copy, nullptr);
  EXPECT_EQ(copy, nullptr);
}

}  // namespace
}  // namespace zh::enginehost

// Engine instances and the engine table with real modules on the engine host.
#include <algorithm>
#include <memory>
#include <set>
#include <thread>

#include "core/toolbox/id_counter.h"
#include "core/toolbox/system_probe.h"
#include "engine_fixture.h"
#include "engines/slot_records.h"

namespace zh::test {
namespace {

std::vector<std::pair<int32_t, int32_t>> gRequests;  // engine id, request code
void TapRequest(int32_t id, int32_t request, intptr_t) { gRequests.emplace_back(id, request); }

struct ScopedTap {
  ScopedTap() {
    gRequests.clear();
    SetRequestTap(&TapRequest);
  }
  ~ScopedTap() { SetRequestTap(nullptr); }
};

class FakeMemory final : public SystemProbe {
 public:
  explicit FakeMemory(uint64_t kb) : kb_(kb) {}
  bool FreeBytes(const std::filesystem::path&, uint64_t& bytes) override { return (bytes = 0), true; }
  bool Memory(MemoryStatus& status) override {
    status.totalPhysical = kb_ * 1024;
    return kb_ != 0;  // 0: the figure cannot be read
  }

 private:
  uint64_t kb_;
};

size_t Position(const std::vector<int32_t>& codes, int32_t code) {
  return static_cast<size_t>(std::find(codes.begin(), codes.end(), code) - codes.begin());
}

using EngineStart = EngineTest;

TEST_F(EngineStart, ReportsHostThreadAndStatusBeforeTheStartResultThenTheNameOnRequest) {
  for (const std::string& path : {ModulePath("StubOne.eng"), std::string(ZH_ZELKOHOME2_MODULE)}) {
    hooks.codes.clear();
    EngineInstance* engine = Load(path);
    ASSERT_NE(engine, nullptr);
    const auto& codes = hooks.codes;
    ASSERT_LT(Position(codes, 348), codes.size()) << path;
    EXPECT_LT(Position(codes, 304), Position(codes, 316)) << path;
    EXPECT_LT(Position(codes, 316), Position(codes, 348)) << path;
    EXPECT_EQ(engine->Status(), kEngineReady);
    EXPECT_EQ(engine->ErrorCode(), 0);
    EXPECT_TRUE(table.IsReady(engine->Id()));
    EXPECT_TRUE(hooks.IsLiveEngine(engine->Id()));
    EXPECT_NE(engine->GetOptions(), 0u);
    EXPECT_TRUE(engine->HasRating() && engine->HasKind());

    EXPECT_EQ(engine->Name(), "");
    EXPECT_TRUE(WaitFor([&] { return !engine->GetName().empty(); }));
    EXPECT_LT(Position(codes, 348), Position(codes, 311));
    EXPECT_TRUE(WaitFor([&] { return !engine->GetAuthor().empty(); }));
    EXPECT_EQ(engine->GetAuthor(), path == std::string(ZH_ZELKOHOME2_MODULE) ? engine->GetAuthor() : "Test Author");
  }
  EXPECT_EQ(table.GetInstance(0)->Name(), "Stub Engine");
  EXPECT_EQ(table.GetInstance(1)->Name(), "Zelko Home 2");
  EXPECT_EQ(table.GetInstance(0)->GetRating(), 1000);
  EXPECT_EQ(table.GetInstance(1)->GetRating(), 2450);
  EXPECT_TRUE(table.QueryEngineInfo());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(EngineStart, TheSameModuleUnderASecondPathFailsWithTheEnginesCode) {
  ASSERT_NE(Load(ModulePath("StubTwo.eng")), nullptr);
  // Another spelling of the same file: the host loads the module already loaded,
  // whose Eng1 answers "in use".
  EngineInstance* second = Load(EngineFolder() + "/./StubTwo.eng");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->Status(), kEngineStartFailed);
  EXPECT_EQ(second->ErrorCode(), 1);
  EXPECT_FALSE(table.IsReady(second->Id()));
  EngineTable::ShowEngineError(*second);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"ErrorBox: Engine: already in use"});
  int32_t error = 0;
  EXPECT_EQ(table.LoadEngine(token, EngineFolder() + "/./StubTwo.eng", error), -1);
  EXPECT_EQ(error, kEngineStartFailed);
}

TEST(EngineErrors, StartResultCodesAndLoadStatusesGiveTheirTexts) {
  RecordingServices services;
  LoadEnglishTexts(services);
  struct Case {
    int32_t code;
    const char* text;
  } cases[] = {
      {1, "Engine: already in use"},   {2, "Engine: not enough memory"},  {3, "Engine: unKnown error 1"},
      {4, "Engine: unknown error 2"},  {5, "Engine: mmsystem problem"},   {6, "Engine: could not initialize"},
      {7, "Engine: unkNown error"},    {8, "Engine: not a valid engine"}, {9, "Engine: could not load"},
      {42, "Engine: unknown error 2"},
  };
  for (const Case& c : cases) {
    EngineInstance instance(1, ZH_ZELKOHOME2_MODULE, 1024, 1);
    eng::StartResultBlock block{};
    block.code = c.code;
    instance.HandleReport(eng::kReportStartResult, &block);
    EXPECT_EQ(instance.Status(), kEngineStartFailed);
    services.calls.clear();
    EngineTable::ShowEngineError(instance);
    EXPECT_EQ(services.calls, std::vector<std::string>{std::string("ErrorBox: ") + c.text}) << c.code;
  }
  struct Status {
    int32_t code;
    const char* text;
  } statuses[] = {{0, "Engine: ok"},     {-3, "Engine: mapping error"}, {-4, "Engine: mapping error"},
                  {-7, "Engine: error"}, {-8, "Engine: error"},         {-1, "Engine: error"}};
  for (const Status& s : statuses) EXPECT_EQ(EngineTable::LoadStatusText(s.code), s.text) << s.code;

  // A named engine, a load status, and nothing for a ready one.
  EngineInstance ready(1, ZH_ZELKOHOME2_MODULE, 1024, 1);
  services.calls.clear();
  EngineTable::ShowEngineError(ready);
  EXPECT_TRUE(services.calls.empty());
  EngineInstance missing(1, "/nowhere/Missing.eng", 1024, 1);
  EngineTable::ShowEngineError(missing);
  EXPECT_EQ(services.calls, std::vector<std::string>{"ErrorBox: Engine: error"});
}

TEST(SlotRecords, TheThirtyThirdInstanceHasNoRecordAndAFreedRecordComesBeforeAnUntakenOne) {
  RecordingServices services;
  std::vector<std::unique_ptr<EngineInstance>> instances;
  for (int i = 0; i < 3; ++i)
    instances.push_back(std::make_unique<EngineInstance>(1, ZH_ZELKOHOME2_MODULE, 1024, 1));
  const eng::EngineSlotRecord* second = instances[1]->SlotRecord();
  EXPECT_EQ(SlotRecords::UseCount(second), 1);
  instances[1].reset();
  EXPECT_EQ(SlotRecords::UseCount(second), 0);
  instances[1] = std::make_unique<EngineInstance>(1, ZH_ZELKOHOME2_MODULE, 1024, 1);
  EXPECT_EQ(instances[1]->SlotRecord(), second);
  EXPECT_EQ(SlotRecords::TakenCount(), 3);

  while (instances.size() < 32)
    instances.push_back(std::make_unique<EngineInstance>(1, ZH_ZELKOHOME2_MODULE, 1024, 1));
  for (const auto& instance : instances) EXPECT_EQ(instance->Status(), kEngineReady);
  EngineInstance extra(1, ZH_ZELKOHOME2_MODULE, 1024, 1);
  EXPECT_EQ(extra.Status(), kEngineNoSlot);
  EXPECT_EQ(extra.SlotRecord(), nullptr);

  // A record stays taken as long as anyone holds a use.
  const eng::EngineSlotRecord* fifth = instances[4]->SlotRecord();
  SlotRecords::AddUse(const_cast<eng::EngineSlotRecord*>(fifth));  // as the host does after Start
  instances[4].reset();
  EXPECT_EQ(EngineInstance(1, ZH_ZELKOHOME2_MODULE, 1024, 1).Status(), kEngineNoSlot);
  SlotRecords::DropUse(const_cast<eng::EngineSlotRecord*>(fifth));  // the host's thread ended
  EngineInstance reused(1, ZH_ZELKOHOME2_MODULE, 1024, 1);
  EXPECT_EQ(reused.SlotRecord(), fifth);
}

TEST(SlotRecords, TheRecordHoldsWhatTheHostReads) {
  RecordingServices services;
  const std::string path = ZH_ZELKOHOME2_MODULE;
  EngineInstance instance(77, path, 4096, 1);
  const eng::EngineSlotRecord& r = *instance.SlotRecord();
  EXPECT_EQ(r.size, 540);
  EXPECT_EQ(r.zero4, 0);
  EXPECT_EQ(r.engine_id, instance.Id());
  EXPECT_EQ(r.sink_token, 77);
  EXPECT_EQ(r.hash_kb, 4096);
  EXPECT_EQ(r.kind, 1);
  EXPECT_EQ(r.use_count, 1);
  EXPECT_EQ(r.zero36, 0);
  EXPECT_EQ(std::string(r.path), path);
}

TEST(SlotRecords, APathLongerThanTheRecordHoldsIsRefusedNotCut) {
  RecordingServices services;
  // A real file whose path is 500 characters: cut to 499 it would name another file.
  std::filesystem::path folder = std::filesystem::temp_directory_path() / "zh_long_path";
  std::filesystem::create_directories(folder);
  std::string name = "x";
  while ((folder / name).string().size() < 500) name += "x";
  if (name.size() > 200) {
    // Deep enough folders instead of one over-long name.
    std::filesystem::path deep = folder;
    while (deep.string().size() < 400) deep /= std::string(100, 'd');
    std::filesystem::create_directories(deep);
    name = std::string(500 - (deep.string().size() + 1), 'e');
    folder = deep;
  }
  const std::filesystem::path file = folder / name;
  ASSERT_EQ(file.string().size(), 500u);
  std::filesystem::copy_file(ZH_ZELKOHOME2_MODULE, file, std::filesystem::copy_options::overwrite_existing);

  EngineInstance tooLong(1, file.string(), 1024, 1);
  EXPECT_EQ(tooLong.Status(), kEngineNoFile);
  EngineInstance missing(1, "/nowhere/Missing.eng", 1024, 1);
  EXPECT_EQ(missing.Status(), kEngineNoFile);
  EngineTable table(8ull << 20);
  int32_t error = 0;
  EXPECT_EQ(table.LoadEngine(1, file.string(), error), -1);
  EXPECT_EQ(error, kEngineNoFile);
  EXPECT_EQ(table.Count(), 0);
  std::filesystem::remove_all(std::filesystem::temp_directory_path() / "zh_long_path");
}

TEST_F(EngineStart, ALoadedPathAnswersItsIndexAndInUseAnswersMinusOne) {
  EngineInstance* stub = Load(ModulePath("StubOne.eng"));
  EngineInstance* zelko = Load(ZH_ZELKOHOME2_MODULE);
  ASSERT_TRUE(stub && zelko);
  int32_t error = 7;
  EXPECT_EQ(table.LoadEngine(token, ZH_ZELKOHOME2_MODULE, error), 1);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(table.Count(), 2);
  zelko->SetInUse(true);
  EXPECT_EQ(table.LoadEngine(token, ZH_ZELKOHOME2_MODULE, error), -1);
  EXPECT_EQ(error, -1);
  EXPECT_FALSE(table.UnloadAt(1));
  EXPECT_FALSE(table.UnloadAt(2));
  EXPECT_EQ(table.FindByName(ModulePath("StubOne.eng")), stub);
  EXPECT_TRUE(table.Unload(stub));
  EXPECT_EQ(table.Count(), 1);
  EXPECT_EQ(table.GetInstance(0), zelko);
}

TEST(HashSize, TheCapIsEightyPercentOfMemoryInSixtyFourBitsWhileTheRecordKeepsTheAskedSize) {
  RecordingServices services;
  struct Case {
    uint64_t machineKb;
    int32_t asked;
    int32_t kept;
  } cases[] = {
      {16ull << 20, 20000000, 13421772},   // 16 GiB
      {32ull << 20, 30000000, 26843545},   // 32 GiB: the 32-bit product turned negative here
      {64ull << 20, 60000000, 53687091},   // 64 GiB
      {64ull << 20, 1 << 20, 1 << 20},     // below the cap: as asked
      {4ull << 30, INT32_MAX, INT32_MAX},  // 4 TiB: the cap clamps to 32 bits
      {50, 1024, 64},                      // never below 64 KB
      {0, 1 << 30, 1 << 30},               // memory unknown: no cap
  };
  for (const Case& c : cases) {
    FakeMemory memory(c.machineKb);
    ScopedSystemProbe probe(memory);
    EngineInstance instance(1, ZH_ZELKOHOME2_MODULE, c.asked, 1);
    EXPECT_EQ(instance.HashKb(), c.kept) << c.machineKb;
    EXPECT_EQ(instance.WantedHashKb(), c.kept) << c.machineKb;
    EXPECT_EQ(instance.SlotRecord()->hash_kb, c.asked) << c.machineKb;
  }
}

TEST(HashSize, TheTablesDefaultFollowsThePhysicalMemory) {
  struct Case {
    uint64_t kb;
    int32_t hash;
  } cases[] = {{0 + 1, 2048},   {26999, 2048},  {27000, 10240}, {49999, 10240},
               {50000, 16384}, {89999, 16384}, {90000, 65536}, {64ull << 20, 65536}};
  for (const Case& c : cases) {
    EXPECT_EQ(EngineTable::DefaultHashKbFor(c.kb), c.hash) << c.kb;
    EXPECT_EQ(EngineTable(c.kb).DefaultHashKb(), c.hash) << c.kb;
  }
  FakeMemory memory(40000);
  ScopedSystemProbe probe(memory);
  EXPECT_EQ(EngineTable().DefaultHashKb(), 10240);
}

TEST(EngineIds, StepByOneToSixteenAndNeverRepeatAcrossThreads) {
  RecordingServices services;
  IdCounter counter;
  int32_t last = counter.Last();
  for (uint64_t ticks = 0; ticks < 40; ++ticks) {
    services.ticks = 1000 + ticks;
    const int32_t id = counter.Draw();
    EXPECT_EQ(id - last, static_cast<int32_t>((1000 + ticks) % 16) + 1) << ticks;
    last = id;
  }

  constexpr int kPerThread = 2000;
  std::vector<int32_t> drawn[4];
  {
    std::vector<std::thread> threads;
    for (auto& ids : drawn)
      threads.emplace_back([&ids] {
        for (int i = 0; i < kPerThread; ++i) ids.push_back(EngineIds().Draw());
      });
    for (auto& t : threads) t.join();
  }
  std::set<int32_t> all;
  for (const auto& ids : drawn) {
    all.insert(ids.begin(), ids.end());
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
  }
  EXPECT_EQ(all.size(), 4u * kPerThread);
}

}  // namespace
}  // namespace zh::test

namespace zh::test {
namespace {

using SlotReuse = EngineTest;

TEST_F(SlotReuse, AnUnloadedEnginesRecordIsTakenAgainOnlyOnceItsHostHasEnded) {
  EngineInstance* engine = Load(ModulePath("StubOne.eng"));
  ASSERT_NE(engine, nullptr);
  const eng::EngineSlotRecord* record = engine->SlotRecord();
  EXPECT_EQ(SlotRecords::UseCount(record), 2);  // ours and the host's
  const int32_t id = engine->Id();
  ASSERT_TRUE(table.Unload(engine));
  // The host gives up its count when its thread ends (the order against ours is
  // the host's: the simulated count above pins that a held record is skipped).
  ASSERT_TRUE(WaitFor([&] { return SlotRecords::UseCount(record) == 0; }));
  EngineInstance later(token, ModulePath("StubTwo.eng"), 1024, 1);
  EXPECT_EQ(later.SlotRecord(), record);
  EXPECT_EQ(SlotRecords::TakenCount(), 1);
  EXPECT_GT(later.Id(), id);
}

}  // namespace
}  // namespace zh::test

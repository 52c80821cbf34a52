// Pelta B22 through the engine host with a recording sink: start failures and their
// codes, the library loaded again once it is there, and searches of the delivered
// library (fixed depth, a mate, an endless analysis ended by stop).
#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "enginemodule/host/host_fixture.h"
#include "enginemodule/pelta/pelta_fixture.h"

namespace zh::pelta::test {
namespace {

using enginehost::Report;
using enginehost::test::Engine;
using enginehost::test::Recorder;

int32_t Eng5Of(const std::string& adapter) {
  void* handle = Loaded(adapter);
  if (!handle) return -1;
  return reinterpret_cast<eng::Eng5Fn>(dlsym(handle, "Eng5"))();
}

TEST(PeltaHost, MissingLibraryGives9UntilTheFileIsThere) {
  Recorder recorder;
  Folder folder(false);
  {
    Engine engine(recorder, folder.adapter());
    EXPECT_EQ(engine.StartCode(), eng::kStartCannotLoad);
    EXPECT_FALSE(Mapped(kLibraryFile));
    EXPECT_EQ(Eng5Of(folder.adapter()), 0);
    engine.Exit();
  }
  folder.AddLibrary();
  Engine engine(recorder, folder.adapter());
  EXPECT_EQ(engine.StartCode(), eng::kStartOk);
  auto* status = recorder.Of(engine.id, eng::kReportStatus)[0]->as<eng::StatusBlock>();
  EXPECT_EQ(status->hash_kb, 1024);  // what PeltaInit answered
  EXPECT_EQ(status->options, 0x2070);
  EXPECT_EQ(status->rating, 2350);
  // PeltaInit got the adapter's own folder with a trailing '/'.
  std::vector<std::string> init = folder.Calls("Init");
  ASSERT_EQ(init.size(), 1u);
  EXPECT_EQ(init[0], "Init 1024 " + fs::canonical(folder.path()).string() + "/");
  engine.Exit();
}

TEST(PeltaHost, ALibraryLackingAnyNameGives9) {
  Recorder recorder;
  // One after the other: a released library's addresses may be reused by the next.
  for (const char* name : kLibraryNames) {
    std::string adapter = (fs::path(ZH_PELTA_FOLDERS) / ("missing-" + std::string(name)) / kAdapterFile).string();
    Engine engine(recorder, adapter);
    EXPECT_EQ(engine.StartCode(), eng::kStartCannotLoad) << name;
    EXPECT_FALSE(Mapped(kLibraryFile)) << name;
    engine.Exit();
  }
}

TEST(PeltaHost, FailingInitGives2AfterExitAndLeavesTheModuleFree) {
  Recorder recorder;
  Folder folder;
  std::ofstream(folder.path() / "fail-init") << "";
  {
    Engine engine(recorder, folder.adapter());
    EXPECT_EQ(engine.StartCode(), eng::kStartNoMemory);
    EXPECT_EQ(folder.Calls().size(), 2u);
    EXPECT_EQ(folder.Calls().back(), "Exit");
    EXPECT_EQ(Loaded(folder.library()), nullptr);
    EXPECT_EQ(Eng5Of(folder.adapter()), 0);
    engine.Exit();
  }
  fs::remove(folder.path() / "fail-init");
  Engine engine(recorder, folder.adapter());
  EXPECT_EQ(engine.StartCode(), eng::kStartOk);
  engine.Exit();
}

std::unique_ptr<eng::PositionBlock> SearchBlock(int32_t id, int16_t mode, int16_t depth) {
  auto block = std::make_unique<eng::PositionBlock>();
  block->header.size = sizeof(eng::PositionBlock);
  block->header.engine_id = id;
  block->start_position = 1;
  block->mode = mode;
  block->depth = depth;
  block->lines_wanted = 1;
  return block;
}

const eng::MainLineBlock* LastLine(Recorder& recorder, int32_t id) {
  std::vector<Report*> lines = recorder.Of(id, eng::kReportMainLine);
  return lines.empty() ? nullptr : lines.back()->as<eng::MainLineBlock>();
}

TEST(PeltaHost, DeliveredLibrarySearches) {
  Recorder recorder;
  Engine engine(recorder, ZH_PELTA_MODULE);
  ASSERT_EQ(engine.StartCode(), eng::kStartOk);

  // Fixed depth from the start position: a line that begins with a white move.
  auto block = SearchBlock(engine.id, 2, 3);
  ASSERT_TRUE(engine.Post(eng::kRequestSearch, reinterpret_cast<intptr_t>(block.get())));
  ASSERT_TRUE(recorder.WaitForCode(engine.id, eng::kReportSearchDone));
  const eng::MainLineBlock* line = LastLine(recorder, engine.id);
  ASSERT_NE(line, nullptr);
  ASSERT_GE(line->line_length, 1);
  EXPECT_LE(line->line[0].from % 8, 1);  // rank 1 or 2 (file-major: index % 8 is the rank)

  // White mates in one (Ra8): the score is a mate in 1.
  block = SearchBlock(engine.id, 2, 3);
  block->start_position = 0;
  block->board[6 * 8 + 0] = 1;   // K g1
  block->board[0 * 8 + 0] = 5;   // R a1
  block->board[6 * 8 + 7] = 9;   // k g8
  for (int file : {5, 6, 7}) block->board[file * 8 + 6] = 14;  // p f7 g7 h7
  ASSERT_TRUE(engine.Post(eng::kRequestSearch, reinterpret_cast<intptr_t>(block.get())));
  ASSERT_TRUE(recorder.WaitForCode(engine.id, eng::kReportSearchDone));
  line = LastLine(recorder, engine.id);
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->score_type, 2);
  EXPECT_EQ(line->score_value, 1);
  EXPECT_EQ(line->line[0].from, 0);   // a1
  EXPECT_EQ(line->line[0].to, 7);     // a8

  // An endless analysis ends with stop (258).
  block = SearchBlock(engine.id, 4, 0);
  ASSERT_TRUE(engine.Post(eng::kRequestSearch, reinterpret_cast<intptr_t>(block.get())));
  ASSERT_TRUE(recorder.WaitForCode(engine.id, eng::kReportDepth));
  ASSERT_TRUE(engine.Post(eng::kRequestStop));
  ASSERT_TRUE(recorder.WaitForCode(engine.id, eng::kReportSearchDone));
  engine.Exit();
}

// Pondering goes on past the clock's share until the ponder hit; next best restarts
// without the move reported best; with no whole second left the library moves after
// depth 1.
TEST(PeltaHost, DeliveredLibraryPondersRestartsAndHurries) {
  Recorder recorder;
  Engine engine(recorder, ZH_PELTA_MODULE);
  ASSERT_EQ(engine.StartCode(), eng::kStartOk);

  auto block = SearchBlock(engine.id, 1, 0);
  block->clock_seconds = 0;
  block->moves_to_go = 0x7FFF;
  ASSERT_TRUE(engine.Post(eng::kRequestSearch, reinterpret_cast<intptr_t>(block.get())));
  ASSERT_TRUE(recorder.WaitForCode(engine.id, eng::kReportSearchDone));
  EXPECT_EQ(recorder.Of(engine.id, eng::kReportDepth).size(), 1u);
  ASSERT_NE(LastLine(recorder, engine.id), nullptr);

  block = SearchBlock(engine.id, 1, 0);
  block->clock_seconds = 3;
  block->moves_to_go = 0x7FFF;
  block->ponder = 2;
  ASSERT_TRUE(engine.Post(eng::kRequestSearch, reinterpret_cast<intptr_t>(block.get())));
  std::this_thread::sleep_for(std::chrono::milliseconds(400));  // beyond the 100 ms share
  const eng::MainLineBlock* best = LastLine(recorder, engine.id);
  ASSERT_NE(best, nullptr);
  const eng::ReportMove first = best->line[0];
  ASSERT_TRUE(engine.Post(eng::kRequestNextBest));
  ASSERT_TRUE(recorder.WaitFor(engine.id, [&](Report& r) {
    const auto* line = r.as<eng::MainLineBlock>();
    return r.code == eng::kReportMainLine && line->line_length > 0 &&
           (line->line[0].from != first.from || line->line[0].to != first.to);
  }));
  EXPECT_EQ(recorder.Of(engine.id, eng::kReportSearchDone).size(), 1u);  // still pondering
  ASSERT_TRUE(engine.Post(eng::kRequestPonderHit));
  ASSERT_TRUE(recorder.WaitForCode(engine.id, eng::kReportSearchDone));
  engine.Exit();
}

}  // namespace
}  // namespace zh::pelta::test

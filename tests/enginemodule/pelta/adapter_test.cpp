// Pelta B22 loaded directly beside the scripted library: listing, the calls it makes
// for a search, the reports it makes of the library's callbacks, stop, and release.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <set>
#include <thread>

#include "enginemodule/host/engine_host.h"
#include "enginemodule/host/host_fixture.h"
#include "enginemodule/pelta/pelta_fixture.h"

namespace zh::pelta::test {
namespace {

using hooks::ScriptStep;
using namespace std::chrono_literals;

using Adapter = enginehost::test::LoadedModule;

// The five report blocks with headers that route their reports to a sink of ours.
struct Blocks {
  Blocks() : token(enginehost::RegisterSink([](void*) {}, nullptr)) {
    auto header = [&](eng::BlockHeader& h, size_t size) { h = {static_cast<int32_t>(size), 0, 7, token, 1}; };
    header(main->header, sizeof(eng::MainLineBlock));
    header(current.header, sizeof(current));
    header(depth.header, sizeof(depth));
    header(nodes.header, sizeof(nodes));
    header(hash.header, sizeof(hash));
  }
  ~Blocks() { enginehost::UnregisterSink(token); }
  int32_t Start(const Adapter& a, int32_t kb = 1000) {
    return a.get<eng::Eng1Fn>("Eng1")(main.get(), &current, &depth, &nodes, &hash, kb);
  }
  // Reports posted since the last call.
  std::vector<enginehost::Report> Take() {
    std::vector<enginehost::Report> out;
    enginehost::Report r;
    while (enginehost::TakeReport(token, r)) out.push_back(std::move(r));
    return out;
  }

  int32_t token;
  std::unique_ptr<eng::MainLineBlock> main = std::make_unique<eng::MainLineBlock>();
  eng::CurrentMoveBlock current{};
  eng::DepthBlock depth{};
  eng::NodesBlock nodes{};
  eng::HashBlock hash{};
};

std::unique_ptr<eng::PositionBlock> StartBlock(int16_t lines = 1) {
  auto block = std::make_unique<eng::PositionBlock>();
  block->header.size = sizeof(eng::PositionBlock);
  block->start_position = 1;
  block->mode = 4;
  block->lines_wanted = lines;
  block->one = 1;
  return block;
}

void SetScript(const Folder& folder, const std::vector<ScriptStep>& steps) {
  void* library = Loaded(folder.library());
  ASSERT_NE(library, nullptr);
  auto script = reinterpret_cast<hooks::PeltaScriptFn>(dlsym(library, "PeltaScript"));
  ASSERT_NE(script, nullptr);
  script(steps.data(), static_cast<int32_t>(steps.size()));
}

ScriptStep Step(int32_t kind, int32_t a = 0, int32_t b = 0) { return ScriptStep{kind, a, b, 0, {}}; }
ScriptStep LineStep(int32_t score, int32_t length, PeltaMove move = {12, 28, 0}) {
  ScriptStep s{ScriptStep::kMainLine, score, 0, length, {}};
  for (PeltaMove& m : s.moves) m = move;
  return s;
}

std::vector<int32_t> Codes(const std::vector<enginehost::Report>& reports) {
  std::vector<int32_t> codes;
  for (const auto& r : reports) codes.push_back(r.code);
  return codes;
}

TEST(PeltaAdapter, ExportsExactlyItsInterface) {
  const std::set<std::string> exported = enginehost::test::DefinedExports(ZH_PELTA_MODULE);
  std::set<std::string> expected{"ShowNodes", "ShowDepth", "ShowMove", "ShowMainline", "Eng19"};
  for (int i = 1; i <= 12; ++i) expected.insert("Eng" + std::to_string(i));
  EXPECT_EQ(exported, expected);
  // The library shows its thirteen functions and nothing of its engine core.
  EXPECT_EQ(enginehost::test::DefinedExports(ZH_PELTA_LIBRARY),
            std::set<std::string>(std::begin(kLibraryNames), std::end(kLibraryNames)));
}

// Listing never touches the library: a folder without it still answers.
TEST(PeltaAdapter, ListsWithoutItsLibrary) {
  Folder folder(false);
  Adapter a(folder.adapter());
  ASSERT_TRUE(a.ok()) << dlerror();
  EXPECT_EQ(a.get<eng::Eng5Fn>("Eng5")(), 0);
  EXPECT_STREQ(a.get<eng::Eng7Fn>("Eng7")(), "Pelta B22");
  EXPECT_GT(std::string(a.get<eng::Eng6Fn>("Eng6")()).size(), 0u);
  EXPECT_EQ(a.get<eng::Eng8Fn>("Eng8")(), 2350);
  EXPECT_EQ(a.get<eng::Eng12Fn>("Eng12")(), 0x2070);
  auto eng19 = a.get<eng::Eng19Fn>("Eng19");
  const eng::ImageHeader* small = eng19(1);
  ASSERT_NE(small, nullptr);
  EXPECT_EQ(small->width, 100);
  EXPECT_EQ(small->height, 45);
  EXPECT_EQ(eng19(2)->width, 176);
  EXPECT_EQ(eng19(2)->height, 94);
  EXPECT_EQ(eng19(1), small);
  EXPECT_EQ(eng19(3), nullptr);
  EXPECT_FALSE(Mapped(kLibraryFile));
}

// Reports of the callbacks: nodes only after a depth above 4, current moves only
// after one above 5, squares swapped, lines cut at 31, mate scores converted.
TEST(PeltaAdapter, CallbacksBecomeReports) {
  Folder folder;
  Adapter a(folder.adapter());
  Blocks b;
  ASSERT_EQ(b.Start(a), 0);
  EXPECT_EQ(b.hash.hash_kb, 960);  // the library's answer
  SetScript(folder, {
                        Step(ScriptStep::kNodes, 11),
                        Step(ScriptStep::kDepth, 5, 9),
                        Step(ScriptStep::kNodes, 12, 1),
                        [] { auto s = Step(ScriptStep::kMove, 1, 20); s.moves[0] = {12, 28, 0}; return s; }(),
                        Step(ScriptStep::kDepth, 6, 10),
                        [] { auto s = Step(ScriptStep::kMove, 2, 20); s.moves[0] = {6, 21, 0}; return s; }(),
                        LineStep(9999 - 2 * 3, 40),
                        [] { auto s = LineStep(35, 5); s.b = 1; return s; }(),  // null line
                    });
  auto position = StartBlock();
  a.get<eng::Eng9Fn>("Eng9")(position.get());
  std::vector<enginehost::Report> reports = b.Take();
  ASSERT_EQ(Codes(reports), (std::vector<int32_t>{341, 344, 343, 344, 342, 340, 340}));
  EXPECT_EQ(reports[1].as<eng::DepthBlock>()->selective_depth, 9);
  EXPECT_EQ(reports[2].as<eng::NodesBlock>()->nodes_low, 12u);
  EXPECT_EQ(reports[2].as<eng::NodesBlock>()->nodes_high, 1u);
  const auto* current = reports[4].as<eng::CurrentMoveBlock>();
  EXPECT_EQ(current->index, 2);
  EXPECT_EQ(current->count, 20);
  EXPECT_EQ(current->move.from, 6 * 8 + 0);  // g1
  EXPECT_EQ(current->move.to, 5 * 8 + 2);    // f3
  const auto* line = reports[5].as<eng::MainLineBlock>();
  EXPECT_EQ(line->flags, 0x10011u);
  EXPECT_EQ(line->line_length, 31);
  EXPECT_EQ(line->line_count, 0);
  EXPECT_EQ(line->line[0].from, 4 * 8 + 1);  // e2
  EXPECT_EQ(line->line[0].to, 4 * 8 + 3);    // e4
  EXPECT_EQ(line->score_value, 3);
  EXPECT_EQ(line->score_type, 2);
  EXPECT_EQ(line->seconds, 0);
  EXPECT_EQ(reports[6].as<eng::MainLineBlock>()->line_length, 0);
  EXPECT_EQ(reports[6].as<eng::MainLineBlock>()->score_value, 35);
  EXPECT_EQ(reports[6].as<eng::MainLineBlock>()->score_type, 1);
  a.get<eng::Eng2Fn>("Eng2")();
}

TEST(PeltaAdapter, SeveralLinesGoThroughTheTable) {
  Folder folder;
  Adapter a(folder.adapter());
  Blocks b;
  ASSERT_EQ(b.Start(a), 0);
  SetScript(folder, {Step(ScriptStep::kDepth, 1), LineStep(20, 2, {12, 28, 0}), LineStep(40, 2, {11, 27, 0}),
                     LineStep(-10, 2, {6, 21, 0}), Step(ScriptStep::kDepth, 2), LineStep(-50, 3, {12, 28, 0})});
  auto position = StartBlock(2);
  a.get<eng::Eng9Fn>("Eng9")(position.get());
  std::vector<enginehost::Report> reports = b.Take();
  // The third line does not make a table of two; the last removes its old entry.
  ASSERT_EQ(Codes(reports), (std::vector<int32_t>{341, 344, 340, 340, 344, 340}));
  const auto* two = reports[3].as<eng::MainLineBlock>();
  EXPECT_EQ(two->flags, 0x30013u);
  ASSERT_EQ(two->line_count, 2);
  EXPECT_EQ(two->lines[0][0].from, 3 * 8 + 1);  // d2
  EXPECT_EQ(two->line_score_values[0], 40);
  EXPECT_EQ(two->line[0].from, 3 * 8 + 1);
  EXPECT_EQ(two->score_value, 40);
  const auto* last = reports[5].as<eng::MainLineBlock>();
  ASSERT_EQ(last->line_count, 2);
  EXPECT_EQ(last->line_move_counts[0], 3);  // the depth-2 line first
  EXPECT_EQ(last->line_score_values[0], -50);
  EXPECT_EQ(last->line_score_values[1], 40);
  a.get<eng::Eng2Fn>("Eng2")();
}

// What the adapter hands the library for a search: position text or start position,
// game moves (at most 512), the level, lines wanted (1..64) and pondering.
TEST(PeltaAdapter, PassesPositionMovesAndLevel) {
  Folder folder;
  Adapter a(folder.adapter());
  Blocks b;
  ASSERT_EQ(b.Start(a), 0);
  SetScript(folder, {Step(ScriptStep::kDepth, 1)});
  auto eng9 = a.get<eng::Eng9Fn>("Eng9");
  const struct {
    int16_t mode, moves_to_go, depth, lines, ponder, count;
    const char *level, *analyse;
    size_t entered;
  } cases[] = {
      {1, 0x7FFF, 0, 1, 1, 2, "SetBlitz 300 2", "Analyse 1 0", 2},
      {1, 40, 0, 3, 2, 0, "SetTime 40 300", "Analyse 3 1", 0},
      {2, 0, 7, 0, 1, 600, "SetDepth 7", "Analyse 1 0", 512},
      {3, 0, 5, 100, 1, -4, "SetDepth 5", "Analyse 64 0", 0},
      {9, 0, 0, 1, 1, 1, "SetInfinite", "Analyse 1 0", 1},
  };
  for (const auto& c : cases) {
    std::remove((folder.path() / "calls.log").c_str());
    auto block = StartBlock(c.lines);
    block->mode = c.mode;
    block->moves_to_go = c.moves_to_go;
    block->depth = c.depth;
    block->ponder = c.ponder;
    block->clock_seconds = 300;
    block->increment_seconds = 2;
    block->move_count = c.count;
    block->moves[0] = {4 * 8 + 1, 4 * 8 + 3, eng::kGameMoveDoubleStep, 0};
    block->moves[1] = {4 * 8 + 6, 4 * 8 + 4, eng::kGameMoveDoubleStep, 0};
    eng9(block.get());
    std::vector<std::string> calls = folder.Calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls.front(), "SetStartPosition");
    EXPECT_EQ(folder.Calls("EnterMove").size(), c.entered) << c.level;
    const std::string level = c.level;
    EXPECT_EQ(folder.Calls(level.substr(0, level.find(' '))), std::vector<std::string>{level});
    EXPECT_EQ(calls.back(), c.analyse);
  }
  EXPECT_EQ(folder.Calls("EnterMove")[0], "EnterMove 12 28 0");  // e2e4, rank-major
  b.Take();

  // A set-up position goes as text; the e.p. file without a pawn beside it is dropped.
  std::remove((folder.path() / "calls.log").c_str());
  auto block = StartBlock();
  block->start_position = 0;
  block->board[4 * 8 + 0] = 1;          // K e1
  block->board[4 * 8 + 7] = 9;          // k e8
  block->board[4 * 8 + 4] = 14;         // p e5
  block->board[0 * 8 + 0] = 5;          // R a1
  block->board[7 * 8 + 7] = 13;         // r h8
  block->castling = 1 | 8;
  block->en_passant_file = 5;
  eng9(block.get());
  EXPECT_EQ(folder.Calls("SetPosition"), std::vector<std::string>{"SetPosition 4k2r/8/8/4p3/8/8/8/R3K3 w Qk -"});
  EXPECT_EQ(block->en_passant_file, 0);
  a.get<eng::Eng2Fn>("Eng2")();
}

// A board byte outside the piece codes or a bad side byte: 341 and nothing else.
TEST(PeltaAdapter, DamagedBoardLeavesTheLibraryAlone) {
  Folder folder;
  Adapter a(folder.adapter());
  Blocks b;
  ASSERT_EQ(b.Start(a), 0);
  for (int damage = 0; damage < 2; ++damage) {
    std::remove((folder.path() / "calls.log").c_str());
    auto block = StartBlock();
    block->start_position = 0;
    block->board[4 * 8] = 1;
    block->board[4 * 8 + 7] = 9;
    if (damage == 0) block->board[20] = 7;
    if (damage == 1) block->side_to_move = 3;
    a.get<eng::Eng9Fn>("Eng9")(block.get());
    EXPECT_EQ(Codes(b.Take()), std::vector<int32_t>{341});
    EXPECT_TRUE(folder.Calls().empty());
    EXPECT_EQ(a.get<eng::Eng4Fn>("Eng4")(), 0);
  }
  a.get<eng::Eng2Fn>("Eng2")();
}

// Eng3 while the library searches: callbacks after it post nothing and only ask the
// library to stop again. Eng2 meanwhile changes nothing.
TEST(PeltaAdapter, StopAndReleaseDuringASearch) {
  Folder folder;
  Adapter a(folder.adapter());
  Blocks b;
  ASSERT_EQ(b.Start(a), 0);
  SetScript(folder, {Step(ScriptStep::kDepth, 6), Step(ScriptStep::kWaitForStop), Step(ScriptStep::kDepth, 7),
                     Step(ScriptStep::kNodes, 5), LineStep(10, 1),
                     [] { auto s = Step(ScriptStep::kMove, 1, 20); s.moves[0] = {12, 28, 0}; return s; }()});
  auto eng2 = a.get<int32_t (*)()>("Eng2");
  auto eng4 = a.get<eng::Eng4Fn>("Eng4");
  auto eng5 = a.get<eng::Eng5Fn>("Eng5");
  auto position = StartBlock();
  std::thread search([&] { a.get<eng::Eng9Fn>("Eng9")(position.get()); });
  // Wait until the library runs its script (the depth report is posted).
  std::vector<enginehost::Report> reports;
  auto end = std::chrono::steady_clock::now() + 5s;
  while (reports.size() < 2 && std::chrono::steady_clock::now() < end) {
    for (auto& r : b.Take()) reports.push_back(std::move(r));
    std::this_thread::sleep_for(1ms);
  }
  ASSERT_EQ(eng4(), 1);
  EXPECT_EQ(eng2(), 1);  // ignored while searching
  EXPECT_EQ(eng5(), 1);
  EXPECT_NE(Loaded(folder.library()), nullptr);
  a.get<eng::Eng3Fn>("Eng3")();
  search.join();
  EXPECT_EQ(eng4(), 0);
  for (auto& r : b.Take()) reports.push_back(std::move(r));
  EXPECT_EQ(Codes(reports), (std::vector<int32_t>{341, 344}));
  EXPECT_EQ(folder.Calls("StopAnalyse").size(), 5u);  // Eng3, then one per callback
  EXPECT_EQ(eng2(), 1);
  EXPECT_EQ(eng5(), 0);
  EXPECT_EQ(Loaded(folder.library()), nullptr);
  EXPECT_EQ(folder.Calls().back(), "Exit");
  EXPECT_EQ(eng2(), 0);
}

}  // namespace
}  // namespace zh::pelta::test

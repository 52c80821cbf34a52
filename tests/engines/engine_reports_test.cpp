// The engine object against scripted engine reports: the orders of reports, cancels
// and ponder hits, the merge into the kept block and the choice of the move.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "board_text.h"
#include "engine_fixture.h"
#include "enginemodule/interface/records.h"
#include "engines/chess_engine.h"
#include "database/game/game_cursor.h"
#include "database/game/game_item.h"
#include "engines/engine_instance.h"

namespace zh {
namespace {

struct Request {
  int32_t code;
  eng::PositionBlock block;  // the posted block for a search
};
std::vector<Request>* gRequests = nullptr;

void Tap(int32_t, int32_t request, intptr_t param) {
  if (gRequests == nullptr) return;
  Request r{request, {}};
  if (request == eng::kRequestSearch) r.block = *reinterpret_cast<const eng::PositionBlock*>(param);
  gRequests->push_back(r);
}

// A book that answers from a table of plies and counts the questions.
class FakeBook final : public BookManager {
 public:
  Move BookMove(const Position& position) override {
    ++asked;
    (void)position;
    return answer;
  }
  Move answer;
  int asked = 0;
};

class ScriptedEngine : public ::testing::Test {
 protected:
  ScriptedEngine() {
    test::LoadEnglishTexts(services);
    gRequests = &requests;
    SetRequestTap(&Tap);
    instance = std::make_unique<EngineInstance>(0, std::string(ZH_SOURCE_DIR) + "/CMakeLists.txt", 1024, 1);
    eng::HostThreadBlock host{};
    host.host_thread = 4711;
    Report(eng::kReportHostThread, host);
    eng::StatusBlock status{};
    status.options = 0x10;
    status.position_buffer = reinterpret_cast<eng::PositionBlock*>(&status);  // only tested for null
    status.text_buffer = &status;
    Report(eng::kReportStatus, status);
    engine.InstallEngine(instance.get());
    engine.MoveReadyLink = CallbackLink(this, [](void* self, std::intptr_t) {
      ++static_cast<ScriptedEngine*>(self)->moveReady;
      return int32_t{1};
    });
    game = std::make_unique<TQGame>();
    cursor = std::make_unique<GameCursor>(game.get());
  }
  ~ScriptedEngine() override {
    engine.Shutdown();
    SetRequestTap(nullptr);
    gRequests = nullptr;
  }

  template <class Block>
  void Report(int32_t code, const Block& block) {
    instance->HandleReport(code, &block);
  }
  void Started() { Report(eng::kReportSearchStarted, eng::BlockHeader{}); }
  void Done() { Report(eng::kReportSearchDone, eng::BlockHeader{}); }
  void Depth(int16_t depth) { Report(eng::kReportDepth, eng::DepthBlock{{}, depth, 0}); }
  // A main line report of one line of coordinate moves with a score from the engine.
  void Line(const std::vector<const char*>& moves, int16_t score) {
    auto block = std::make_unique<eng::MainLineBlock>();
    block->flags = 0x1 | 0x10;
    block->line_length = static_cast<int16_t>(moves.size());
    for (size_t i = 0; i < moves.size(); ++i) block->line[i] = Coded(moves[i]);
    block->score_value = score;
    block->score_type = 1;
    Report(eng::kReportMainLine, *block);
  }
  static eng::ReportMove Coded(const char* m) {
    return {static_cast<uint8_t>(MakeSquare(m[0] - 'a', m[1] - '1')),
            static_cast<uint8_t>(MakeSquare(m[2] - 'a', m[3] - '1')), 0, 0};
  }
  int Count(int32_t code) const {
    return static_cast<int>(std::count_if(requests.begin(), requests.end(), [&](const Request& r) { return r.code == code; }));
  }
  // Plays a coordinate move into the test's game and hands the game over.
  void Play(const char* m) {
    cursor->AddMove(MakeSquare(m[0] - 'a', m[1] - '1'), MakeSquare(m[2] - 'a', m[3] - '1'), 0, 0);
  }

  test::RecordingServices services;
  std::vector<Request> requests;
  std::unique_ptr<EngineInstance> instance;
  ChessEngine engine;
  std::unique_ptr<TQGame> game;
  std::unique_ptr<GameCursor> cursor;
  int moveReady = 0;
};

TEST_F(ScriptedEngine, ASearchEndsWithOneMoveReport) {
  engine.Params.SearchType = kLevelFixedDepth;
  engine.SetGame(*cursor);
  ASSERT_TRUE(engine.StartSearch());
  EXPECT_EQ(Count(eng::kRequestSearch), 1);
  Started();
  Line({"e2e4", "e7e5"}, 30);
  Depth(8);
  Done();
  EXPECT_EQ(moveReady, 1);
  Move move;
  ASSERT_TRUE(engine.ChooseMove(move));
  EXPECT_EQ(SquareName(move.from) + SquareName(move.to), "e2e4");
  EXPECT_EQ(engine.LastMove.to, MakeSquare(4, 3));
  EXPECT_EQ(engine.PostCount, 0);
}

TEST_F(ScriptedEngine, AnEndAfterACancelNeverReportsAMove) {
  engine.Params.SearchType = kLevelFixedDepth;
  engine.SetGame(*cursor);
  ASSERT_TRUE(engine.StartSearch());
  Started();
  Line({"e2e4"}, 20);
  const int stops = Count(eng::kRequestStop);
  engine.CancelSearch();
  EXPECT_EQ(Count(eng::kRequestStop), stops + 1);
  // Info after the cancel and before the next start changes nothing.
  const uint32_t flags = engine.Kept().flags;
  Line({"d2d4"}, 50);
  Depth(12);
  EXPECT_EQ(engine.Kept().flags, flags);
  EXPECT_EQ(engine.Kept().line[0].to, MakeSquare(4, 3));
  Done();
  EXPECT_EQ(moveReady, 0);

  // The next search reports as usual.
  ASSERT_TRUE(engine.StartSearch());
  Started();
  Line({"d2d4"}, 10);
  Done();
  EXPECT_EQ(moveReady, 1);
}

TEST_F(ScriptedEngine, ScoresAreKeptFromWhitesView) {
  Play("e2e4");
  engine.SetGame(*cursor);  // black to move
  engine.Params.SearchType = kLevelFixedDepth;
  ASSERT_TRUE(engine.StartSearch());
  Started();
  Line({"e7e5"}, 35);
  EvalValue value;
  ASSERT_TRUE(engine.GetScore(value));
  EXPECT_EQ(value.kind, kEvalCentipawns);
  EXPECT_EQ(value.value, -35);

  ChessEngine fresh;
  EXPECT_FALSE(fresh.GetScore(value));
  EXPECT_EQ(value.kind, kEvalNone);
}

TEST_F(ScriptedEngine, ListedMovesOrderWinsFirstThenDrawsThenLosses) {
  engine.SetGame(*cursor);
  engine.Params.Validation = 0;
  engine.Params.SearchType = kLevelFixedDepth;
  ASSERT_TRUE(engine.StartSearch());
  Started();
  auto block = std::make_unique<eng::MainLineBlock>();
  block->flags = 0x4;
  block->root_move_count = 4;
  const char* moves[] = {"a2a3", "b2b3", "c2c3", "d2d3"};
  const int16_t scores[] = {3, 0, -5, 7}, types[] = {2, 3, 3, 2};
  for (int i = 0; i < 4; ++i) {
    block->root_moves[i] = Coded(moves[i]);
    block->root_score_values[i] = scores[i];
    block->root_score_types[i] = types[i];
  }
  Report(eng::kReportMainLine, *block);
  const eng::MainLineBlock& kept = engine.Kept();
  const char* order[] = {"a2a3", "d2d3", "b2b3", "c2c3"};  // mate 3, mate 7, draw, loss
  for (int i = 0; i < 4; ++i) EXPECT_EQ(kept.root_moves[i].from, Coded(order[i]).from) << i;
}

// An endgame-table engine's list: promotions and mates in its own terms are mapped
// before the order.
TEST_F(ScriptedEngine, EndgameTableListsAreMappedThenOrdered) {
  EngineInstance tables(0, std::string(ZH_SOURCE_DIR) + "/CMakeLists.txt", 1024, 1);
  eng::StatusBlock status{};
  status.options = 0x10;
  status.endgame_table = 1;
  tables.HandleReport(eng::kReportStatus, &status);
  engine.SetSlot(4, &tables);
  engine.Params.EngineType = 0;
  engine.Params.Validation = 0;
  engine.Params.SearchType = kLevelFixedDepth;
  Position position;
  position.Set(test::BoardOf("Ke1 Rc1 Pa7 kg8 rb2"), 0, 0, 0);
  engine.SetPosition(position);
  ASSERT_TRUE(engine.PrepareSearchBlock(true));
  ASSERT_EQ(engine.GetActiveInstance(), &tables);
  auto block = std::make_unique<eng::MainLineBlock>();
  block->flags = 0x4;
  block->root_move_count = 3;
  const struct {
    const char* move;
    int16_t score, type;    // as reported
    int16_t keptScore, keptType;
  } rows[] = {
      {"a7a8", 15, 4, 1, 3},    // type 4 is 3; a won promotion counts 1
      {"c1c2", 0, 2, -1, 2},    // "mate in 0" while the opponent can move: lost
      {"e1f1", -20, 3, -20, 3}, // a loss no reply can shorten
  };
  for (int i = 0; i < 3; ++i) {
    block->root_moves[i] = Coded(rows[i].move);
    block->root_score_values[i] = rows[i].score;
    block->root_score_types[i] = rows[i].type;
  }
  Started();
  Report(eng::kReportMainLine, *block);
  const eng::MainLineBlock& kept = engine.Kept();
  const int order[] = {0, 2, 1};  // win, the table loss, the mate loss
  for (int i = 0; i < 3; ++i) {
    const auto& row = rows[order[i]];
    EXPECT_EQ(kept.root_moves[i].from, Coded(row.move).from) << i;
    EXPECT_EQ(kept.root_score_values[i], row.keptScore) << row.move;
    EXPECT_EQ(kept.root_score_types[i], row.keptType) << row.move;
  }
  engine.SetSlot(4, nullptr);
}

TEST_F(ScriptedEngine, CountsFromTheEngineAreClamped) {
  engine.SetGame(*cursor);
  engine.Params.SearchType = kLevelFixedDepth;
  ASSERT_TRUE(engine.StartSearch());
  Started();
  std::mt19937 random(340);
  auto block = std::make_unique<eng::MainLineBlock>();
  for (int round = 0; round < 300; ++round) {
    auto* bytes = reinterpret_cast<uint8_t*>(block.get());
    for (size_t i = 0; i < sizeof(eng::MainLineBlock); ++i) bytes[i] = static_cast<uint8_t>(random());
    block->flags &= ~0x1000000u;  // keep the search started
    Report(eng::kReportMainLine, *block);
    const eng::MainLineBlock& kept = engine.Kept();
    ASSERT_TRUE(kept.line_length >= 0 && kept.line_length <= 31);
    ASSERT_TRUE(kept.line_count >= 0 && kept.line_count <= 64);
    ASSERT_TRUE(kept.root_move_count >= 0 && kept.root_move_count <= 128);
    Variation line;
    engine.GetMainLine(line);
    std::vector<EvaluatedVariation> lines;
    engine.GetEvaluatedLines(lines);
    for (const EvaluatedVariation& l : lines) ASSERT_GT(l.Count(), 0);
    Move move;
    engine.ChooseMove(move);
    engine.TakeExpectedFromLine();
  }
}

TEST_F(ScriptedEngine, ALineStopsBeforeItsFirstIllegalMove) {
  engine.SetGame(*cursor);
  engine.Params.SearchType = kLevelFixedDepth;
  ASSERT_TRUE(engine.StartSearch());
  Started();
  Line({"e2e4", "e7e5", "e1e3", "b8c6"}, 10);  // the king cannot go to e3
  Variation line;
  ASSERT_TRUE(engine.GetMainLine(line));
  EXPECT_EQ(line.Count(), 2);
  Line({"e1e8"}, 10);  // a king capture on the first move
  EXPECT_FALSE(engine.GetMainLine(line));
  Move move;
  EXPECT_FALSE(engine.ChooseMove(move));
}

TEST_F(ScriptedEngine, TiedListedMovesGoToTheSmallSearch) {
  // White wins the rook with Rxd8+ or loses the own with Rd7: equal engine scores.
  Position position;
  position.Set(test::BoardOf("Kg1 Rd1 Pf2 Pg2 Ph2 kg8 rd8 pf7 pg7 ph7"), 0, 0, 0);
  for (bool validation : {false, true}) {
    engine.Params.Validation = validation;
    engine.Params.SearchType = kLevelFixedDepth;
    engine.SetPosition(position);
    ASSERT_TRUE(engine.StartSearch());
    Started();
    auto block = std::make_unique<eng::MainLineBlock>();
    block->flags = 0x4;
    block->root_move_count = 2;
    block->root_moves[0] = Coded("d1d7");
    block->root_moves[1] = Coded("d1d8");
    block->root_score_values[0] = block->root_score_values[1] = 0;
    block->root_score_types[0] = block->root_score_types[1] = 1;
    Report(eng::kReportMainLine, *block);
    const int before = moveReady;
    Done();
    EXPECT_EQ(moveReady, before + 1);
    Move move;
    ASSERT_TRUE(engine.ChooseMove(move));
    EXPECT_EQ(SquareName(move.to), validation ? "d8" : "d7") << validation;
    EXPECT_FALSE(engine.Verifying);
    EXPECT_EQ(engine.PostCount, 0);
  }
}

TEST_F(ScriptedEngine, ThePonderedMoveGivesAPonderHit) {
  engine.Params.SearchType = kLevelFixedDepth;
  engine.SetGame(*cursor);
  ASSERT_TRUE(engine.StartSearch());
  Started();
  Line({"e2e4", "e7e5"}, 30);
  Done();
  ASSERT_EQ(moveReady, 1);
  Move own;
  ASSERT_TRUE(engine.ChooseMove(own));
  engine.TakeExpectedFromLine();  // e7e5 expected
  engine.StartPonder();
  ASSERT_TRUE(engine.Pondering);
  const Request& ponder = requests.back();
  EXPECT_EQ(ponder.code, eng::kRequestSearch);
  EXPECT_EQ(ponder.block.ponder, 2);
  EXPECT_EQ(ponder.block.move_count, 2);

  // The hit comes before any depth: it is sent with the first info block.
  Move reply = Move::FromSquares(MakeSquare(4, 6), MakeSquare(4, 4));
  EXPECT_TRUE(engine.OnOpponentMove(reply));
  EXPECT_EQ(Count(eng::kRequestPonderHit), 0);
  Started();
  Depth(3);
  EXPECT_EQ(Count(eng::kRequestPonderHit), 1);
  Line({"g1f3"}, 25);
  Done();
  EXPECT_EQ(moveReady, 2);
  Move move;
  ASSERT_TRUE(engine.ChooseMove(move));
  EXPECT_EQ(SquareName(move.from), "g1");
}

TEST_F(ScriptedEngine, AnotherMoveDiscardsThePonderEnd) {
  engine.Params.SearchType = kLevelFixedDepth;
  engine.SetGame(*cursor);
  ASSERT_TRUE(engine.StartSearch());
  Started();
  Line({"e2e4", "e7e5"}, 30);
  Done();
  Move own;
  engine.ChooseMove(own);
  engine.TakeExpectedFromLine();
  engine.StartPonder();
  Started();
  Depth(4);
  EXPECT_FALSE(engine.OnOpponentMove(Move::FromSquares(MakeSquare(2, 6), MakeSquare(2, 4))));
  // The manager sets the game and starts a new search; the old end is thrown away.
  Play("e2e4");
  Play("c7c5");
  engine.SetGame(*cursor);
  ASSERT_TRUE(engine.StartSearch());
  Done();  // the ponder search's end
  EXPECT_EQ(moveReady, 1);
  Started();
  Line({"g1f3"}, 20);
  Done();
  EXPECT_EQ(moveReady, 2);
}

// The ponder search ends, its tie check runs, and the user plays another move while
// the check lets events through: the check ends and the new search gets its reply.
TEST_F(ScriptedEngine, AnOpponentMoveDuringTheTieCheckGetsAReply) {
  engine.Params.SearchType = kLevelFixedDepth;
  engine.SetGame(*cursor);
  ASSERT_TRUE(engine.StartSearch());
  Started();
  Line({"e2e4", "e7e5"}, 30);
  Done();
  Move own;
  engine.ChooseMove(own);
  engine.TakeExpectedFromLine();
  engine.StartPonder();
  ASSERT_TRUE(engine.Pondering);
  Started();
  auto block = std::make_unique<eng::MainLineBlock>();
  block->flags = 0x4 | 0x1000;
  block->root_move_count = 2;
  block->root_moves[0] = Coded("g1f3");
  block->root_moves[1] = Coded("b1c3");
  Report(eng::kReportMainLine, *block);

  bool played = false;
  services.waitScript = [&](int32_t) {
    if (played || !engine.Verifying) return;
    played = true;
    // The user's other move arrives while the check runs.
    EXPECT_FALSE(engine.OnOpponentMove(Move::FromSquares(MakeSquare(2, 6), MakeSquare(2, 4))));
    Play("e2e4");
    Play("c7c5");
    engine.SetGame(*cursor);
    EXPECT_TRUE(engine.StartSearch());
  };
  Done();  // the ponder search ends by itself; the check runs
  EXPECT_TRUE(played);
  EXPECT_FALSE(engine.Verifying);
  EXPECT_TRUE(engine.Searching);
  EXPECT_EQ(engine.Block().move_count, 2);
  Started();
  Line({"g1f3"}, 20);
  Done();
  EXPECT_EQ(moveReady, 2);
}

TEST_F(ScriptedEngine, AnEngineThatEndsClearsTheSearch) {
  engine.Params.SearchType = kLevelFixedDepth;
  engine.SetGame(*cursor);
  ASSERT_TRUE(engine.StartSearch());
  instance->OnHostGone();
  EXPECT_EQ(engine.PostCount, 0);
  EXPECT_FALSE(engine.Searching);
  EXPECT_EQ(moveReady, 0);
}

TEST_F(ScriptedEngine, TheBookIsAskedNearItsLastMoveAndNeverAfterPly64) {
  FakeBook book;
  engine.Book = &book;
  engine.Params.SearchType = kLevelFixedDepth;
  // A move from the book is reported without a search.
  book.answer = Move::FromSquares(MakeSquare(4, 1), MakeSquare(4, 3));
  engine.SetGame(*cursor);
  EXPECT_TRUE(engine.StartSearch());
  EXPECT_EQ(moveReady, 1);
  EXPECT_EQ(Count(eng::kRequestSearch), 0);
  EXPECT_TRUE(engine.BookMove);
  EXPECT_EQ(engine.LastBookPly, 0);

  // From ply 21 only within 8 plies of the last book move.
  book.answer = Move{};
  const struct {
    int16_t ply;
    int16_t lastBookPly;
    bool asked;
  } rows[] = {{20, 0, true}, {21, 12, false}, {21, 13, true}, {40, 1000, true}, {64, 60, true}, {65, 60, false}};
  for (const auto& row : rows) {
    book.asked = 0;
    engine.Ply = row.ply;
    engine.LastBookPly = row.lastBookPly;
    engine.StartSearch();
    EXPECT_EQ(book.asked > 0, row.asked) << row.ply << " " << row.lastBookPly;
  }
  engine.Book = nullptr;
}

TEST_F(ScriptedEngine, UnbindEndsAtTheBoundWhenTheEngineIgnoresTheStop) {
  engine.Params.SearchType = kLevelFixedDepth;
  engine.SetGame(*cursor);
  ASSERT_TRUE(engine.StartSearch());
  const int stops = Count(eng::kRequestStop);
  const uint64_t start = services.ticks;
  engine.UnbindInstance(instance.get());
  EXPECT_GE(services.ticks - start, ChessEngine::kUnbindWaitMs);
  EXPECT_EQ(Count(eng::kRequestStop), stops + 1);
  EXPECT_EQ(engine.PostCount, 0);
  EXPECT_EQ(services.CallsStartingWith("ErrorBox: Engine does not answer:").size(), 1u);
}

// That brand's engines search past the requested depth: the object stops them there.
TEST_F(ScriptedEngine, TheOtherBrandIsStoppedAtTheDepth) {
  eng::TextBlock name{};
  std::strcpy(name.text, "Pelta test");
  Report(eng::kReportName, name);
  engine.Params.SearchType = kLevelFixedDepth;
  engine.Params.SearchDepth = 4;
  engine.SetGame(*cursor);
  ASSERT_TRUE(engine.StartSearch());
  Started();
  const int stops = Count(eng::kRequestStop);
  auto block = std::make_unique<eng::MainLineBlock>();
  block->flags = 0x1000;
  block->depth = 4;
  Report(eng::kReportMainLine, *block);
  EXPECT_EQ(Count(eng::kRequestStop), stops);
  block->depth = 5;
  Report(eng::kReportMainLine, *block);
  EXPECT_EQ(Count(eng::kRequestStop), stops + 1);
}

TEST_F(ScriptedEngine, HandicapLevelPlaysTheScorersMove) {
  engine.Params.SearchType = kLevelHandicap;
  engine.Handicap.Record().KingAttack = 100;
  engine.SetGame(*cursor);
  ASSERT_TRUE(engine.StartSearch());
  EXPECT_EQ(requests.back().block.lines_wanted, 64);
  Started();
  auto block = std::make_unique<eng::MainLineBlock>();
  block->flags = 0x2;
  block->line_count = 2;
  block->line_move_counts[0] = block->line_move_counts[1] = 1;
  block->lines[0][0] = Coded("a2a3");
  block->lines[1][0] = Coded("e2e4");  // towards the king on e8
  block->line_score_values[0] = 20;
  block->line_score_values[1] = 18;
  block->line_score_types[0] = block->line_score_types[1] = 1;
  Report(eng::kReportMainLine, *block);
  Done();
  Move move;
  ASSERT_TRUE(engine.ChooseMove(move));
  EXPECT_EQ(SquareName(move.from) + SquareName(move.to), "e2e4");
  EXPECT_TRUE(engine.LastMove.IsNull());  // the scorer's move is not kept
}

}  // namespace
}  // namespace zh

// The engine object driving stockfish through the bridge module: its kept lines and
// its moves against what stockfish itself wrote.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <algorithm>

#include "core/rules/movelist.h"
#include "database/game/game_cursor.h"
#include "database/game/game_item.h"
#include "board_text.h"
#include "engine_fixture.h"
#include "engines/chess_engine.h"

namespace zh {
namespace {

struct InfoLine {
  int scoreType = 0;  // 1 cp, 2 mate
  int score = 0;
  std::vector<std::string> pv;
};

std::string Uci(const eng::ReportMove& m) {
  std::string s = SquareName(m.from) + SquareName(m.to);
  if (m.promotion >= 2 && m.promotion <= 5) s += "  qnbr"[m.promotion];
  return s;
}

class BridgeTest : public test::EngineTest {
 protected:
  BridgeTest() {
    log = (std::filesystem::temp_directory_path() / ("zh_bridge_" + std::to_string(getpid()) + ".log")).string();
    std::filesystem::remove(log);
    setenv("ZH_BRIDGE_LOG", log.c_str(), 1);
  }
  ~BridgeTest() override {
    unsetenv("ZH_BRIDGE_LOG");
    std::filesystem::remove(log);
  }

  bool Start() {
    if (!std::filesystem::exists(ZH_STOCKFISH)) return false;
    bridge = Load(std::string(ZH_BRIDGE_FOLDER) + "/Stockfish Bridge.eng");
    if (bridge == nullptr) return false;
    engine.InstallEngine(bridge);
    engine.MoveReadyLink = CallbackLink(this, [](void* self, std::intptr_t) {
      ++static_cast<BridgeTest*>(self)->moves;
      return int32_t{1};
    });
    return engine.GetActiveInstance() == bridge || engine.Params.EngineType == 1;
  }

  std::vector<std::string> LogLines() const {
    std::ifstream in(log);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  // The last info line of each multipv index at a depth.
  std::map<int, InfoLine> LastLinesAtDepth(int depth) const {
    std::map<int, InfoLine> lines;
    for (const std::string& text : LogLines()) {
      std::istringstream in(text);
      std::string word;
      int d = -1, multipv = 1;
      InfoLine info;
      in >> word;
      if (word != "info") continue;
      while (in >> word) {
        if (word == "depth") in >> d;
        else if (word == "multipv") in >> multipv;
        else if (word == "score") {
          std::string kind;
          in >> kind >> info.score;
          info.scoreType = kind == "mate" ? 2 : 1;
        } else if (word == "pv") {
          while (in >> word) info.pv.push_back(word);
        }
      }
      if (d == depth && !info.pv.empty()) lines[multipv] = info;
    }
    return lines;
  }

  std::string BestMove() const {
    std::string best;
    for (const std::string& line : LogLines())
      if (line.rfind("bestmove ", 0) == 0) best = line.substr(9, line.find(' ', 9) - 9);
    return best;
  }

  std::string log;
  EngineInstance* bridge = nullptr;
  ChessEngine engine;
  TQGame game;
  GameCursor cursor{&game};
  int moves = 0;
};

TEST_F(BridgeTest, FixedDepthKeepsStockfishsLinesFromWhitesView) {
  if (!Start()) GTEST_SKIP() << "stockfish or the bridge is missing";
  cursor.AddMove(MakeSquare(4, 1), MakeSquare(4, 3), 0, 0);  // 1. e4: black to move
  engine.Params.SearchType = kLevelFixedDepth;
  engine.Params.SearchDepth = 10;
  engine.Params.Validation = 0;
  engine.NumberOfMainlines = 4;
  engine.SetGame(cursor);
  ASSERT_TRUE(engine.StartSearch());
  ASSERT_TRUE(WaitFor([&] { return moves == 1; }));

  const eng::MainLineBlock& kept = engine.Kept();
  ASSERT_EQ(kept.line_count, 4);
  const std::map<int, InfoLine> reference = LastLinesAtDepth(10);
  ASSERT_EQ(reference.size(), 4u);
  std::vector<EvaluatedVariation> lines;
  ASSERT_TRUE(engine.GetEvaluatedLines(lines));
  ASSERT_EQ(lines.size(), 4u);
  for (int k = 0; k < 4; ++k) {
    const InfoLine& info = reference.at(k + 1);
    const int count = std::min<int>(static_cast<int>(info.pv.size()), 32);
    ASSERT_EQ(kept.line_move_counts[k], count) << k;
    for (int i = 0; i < count; ++i) EXPECT_EQ(Uci(kept.lines[k][i]), info.pv[static_cast<size_t>(i)]) << k << " " << i;
    EXPECT_EQ(kept.line_score_types[k], info.scoreType);
    EXPECT_EQ(kept.line_score_values[k], -info.score) << k;  // black to move
    EXPECT_EQ(lines[static_cast<size_t>(k)].Count(), count) << "every move legal";
  }
  engine.Shutdown();
}

TEST_F(BridgeTest, MateLevelPlaysStockfishsBestMove) {
  if (!Start()) GTEST_SKIP() << "stockfish or the bridge is missing";
  Position position;
  position.Set(test::BoardOf("Kg1 Ra1 Pf2 Pg2 Ph2 kg8 pf7 pg7 ph7"), 0, 0, 0);  // Ra8 mates
  engine.Params.SearchType = kLevelMate;
  engine.Params.MateDepth = 3;
  engine.Params.EngineType = 1;
  engine.SetSlot(kMateSlot, bridge);
  engine.SetPosition(position);
  ASSERT_TRUE(engine.StartSearch());
  ASSERT_TRUE(WaitFor([&] { return moves == 1; }));
  Move move;
  ASSERT_TRUE(engine.ChooseMove(move));
  EXPECT_EQ(SquareName(move.from) + SquareName(move.to), BestMove());
  engine.Shutdown();
}

std::vector<int32_t>* gRequests = nullptr;
void Tap(int32_t, int32_t request, intptr_t) {
  if (gRequests != nullptr) gRequests->push_back(request);
}

// Forty moves with pondering: the opponent plays the pondered move every other time.
// Disabled: a miss is still taken for a ponder hit on some turns (to be mended).
TEST_F(BridgeTest, DISABLED_PonderRoadOverFortyMoves) {
  if (!Start()) GTEST_SKIP() << "stockfish or the bridge is missing";
  std::vector<int32_t> requests;
  gRequests = &requests;
  SetRequestTap(&Tap);
  engine.Params.SearchType = kLevelFixedDepth;
  engine.Params.SearchDepth = 6;
  engine.Params.Validation = 0;
  engine.SetGame(cursor);
  ASSERT_TRUE(engine.StartSearch());
  int hits = 0, misses = 0;
  for (int turn = 0; turn < 40; ++turn) {
    ASSERT_TRUE(WaitFor([&] { return moves == turn + 1; })) << turn;
    Move own;
    ASSERT_TRUE(engine.ChooseMove(own));
    ASSERT_EQ(cursor.AddMove(own.from, own.to, own.promotion, 0), 0);
    if (!cursor.GetPosition().HasLegalMoves()) break;
    engine.StartPonder();
    // The expected-reply search ends and the ponder search starts on its own.
    ASSERT_TRUE(WaitFor([&] { return engine.Pondering || engine.PonderDone; })) << turn;
    ASSERT_FALSE(engine.LastMove.IsNull());
    const bool hit = turn % 2 == 0;
    Move reply = engine.LastMove;
    if (!hit) {
      MoveList legal;
      legal.GenerateLegal(cursor.GetPosition());
      for (const MoveCode& m : legal)
        if (!(m.from == reply.from && m.to == reply.to)) {
          reply = Move::FromCode(m);
          break;
        }
    }
    ASSERT_EQ(cursor.AddMove(reply.from, reply.to, reply.promotion ? reply.promotion : 0, 0), 0);
    if (!cursor.GetPosition().HasLegalMoves()) break;
    const size_t before = std::count(requests.begin(), requests.end(), eng::kRequestPonderHit);
    if (engine.OnOpponentMove(reply)) {
      ASSERT_TRUE(hit) << turn;
      ++hits;
      // A hit on a running search is sent at once or with its first info block.
      if (engine.Pondering || engine.PonderHit) {
        ASSERT_TRUE(WaitFor([&] {
          return static_cast<size_t>(std::count(requests.begin(), requests.end(), eng::kRequestPonderHit)) > before ||
                 moves == turn + 2;
        }));
      }
    } else {
      ASSERT_FALSE(hit && !engine.PonderDone) << turn;
      ++misses;
      engine.SetGame(cursor);
      ASSERT_TRUE(engine.StartSearch());
    }
  }
  EXPECT_GE(hits, 10);
  EXPECT_GE(misses, 10);
  ASSERT_TRUE(WaitFor([&] { return !engine.Searching; }));
  SetRequestTap(nullptr);
  gRequests = nullptr;
  engine.Shutdown();
}

}  // namespace
}  // namespace zh

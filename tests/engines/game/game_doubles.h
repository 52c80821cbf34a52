// Recording stand-ins for what the game manager talks to: the engine manager with a
// scripted move, the game window and the adjudication question.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "database/game/game_cursor.h"
#include "engines/game/game_manager.h"
#include "engines/game/game_views.h"

namespace zh::test {

class FakeEngineControl : public GameEngineControl {
 public:
  std::vector<std::string> calls;
  // Moves GetEngineMove hands out, in order; a null move when none is left.
  std::deque<Move> moves;
  int32_t score = 0;
  bool hasScore = true;
  int32_t elapsed = 0;
  std::string name = "Fake Engine";
  std::vector<int> friendOutcomes;

  int Count(const std::string& call) const {
    int n = 0;
    for (const auto& c : calls) n += c == call;
    return n;
  }

  bool HasEngine() const override { return true; }
  Move GetEngineMove() override {
    calls.push_back("GetEngineMove");
    if (moves.empty()) return {};
    Move move = moves.front();
    moves.pop_front();
    return move;
  }
  void StartEngineMove(const GameCursor&) override { calls.push_back("StartEngineMove"); }
  void StartPondering() override { calls.push_back("StartPondering"); }
  void CancelSearch() override { calls.push_back("CancelSearch"); }
  void SwitchClock(int ply) override { calls.push_back("SwitchClock " + std::to_string(ply)); }
  void PauseClock() override { calls.push_back("PauseClock"); }
  void AddExtraTime(int side) override { calls.push_back("AddExtraTime " + std::to_string(side)); }
  int32_t GetElapsed() const override { return elapsed; }
  std::string EngineName() const override { return name; }
  bool GetScore(EvalValue& value) const override {
    if (!hasScore) return false;
    value = EvalValue{kEvalCentipawns, static_cast<int16_t>(score), 0};
    return true;
  }
  int CountFriendGame(int outcome) override {
    friendOutcomes.push_back(outcome);
    return 7;
  }
  void SetHandicapStrength(int level) override { calls.push_back("SetHandicapStrength " + std::to_string(level)); }
};

class FakeWindow : public GamePlayWindow {
 public:
  std::vector<std::string> lines;
  std::vector<std::string> diagrams;
  int gotoAnswer = -1;
  bool trainingOpen = false;
  int trainingOpened = 0;

  void ShowMessageLine(const std::string& text) override { lines.push_back(text); }
  int GotoPlyDialog(int) override { return gotoAnswer; }
  void ShowDiagram(const Board&, const std::string& arrows) override { diagrams.push_back(arrows); }
  void OpenTrainingDialog(uint8_t) override { trainingOpen = true, ++trainingOpened; }
  void CloseTrainingDialog() override { trainingOpen = false; }
  bool IsTrainingDialogOpen() const override { return trainingOpen; }
};

class FakeAdjudication : public AdjudicationAsker {
 public:
  std::vector<int> outlooks;
  int answer = 1;
  int32_t code = kDraw;
  int Ask(int outlook, int32_t& out) override {
    outlooks.push_back(outlook);
    if (answer) out = code;
    return answer;
  }
};

}  // namespace zh::test

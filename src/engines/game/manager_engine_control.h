// The game manager's engine side played by the engine manager and its current engine
// object: the calls of GameEngineControl forwarded, and the manager's client links
// bound to the game manager.
#pragma once

#include "engines/game/game_views.h"

namespace zh {

class EngineManager;
class GameManager;

class ManagerEngineControl final : public GameEngineControl {
 public:
  explicit ManagerEngineControl(EngineManager& manager) : manager_(manager) {}
  ~ManagerEngineControl() override;
  ManagerEngineControl(const ManagerEngineControl&) = delete;
  ManagerEngineControl& operator=(const ManagerEngineControl&) = delete;

  // The engine's move, the flag fall and a host that ended during the engine's move
  // go to `game`; null unbinds them.
  void Attach(GameManager* game);

  bool HasEngine() const override;
  Move GetEngineMove() override;
  void StartEngineMove(const GameCursor& cursor) override;
  void StartPondering() override;
  void CancelSearch() override;
  void SelectEngine(int index) override;
  void SearchGame(const GameCursor& cursor) override;
  void SwitchClock(int ply) override;
  void PauseClock() override;
  void ResetClocks() override;
  void TakeBackClock() override;
  void AddExtraTime(int side) override;
  int32_t GetElapsed() const override;
  std::string EngineName() const override;
  std::string LevelDescription() const override;
  int LevelType() const override;
  void SaveGameParams() override;
  void RestoreGameParams() override;
  bool GetScore(EvalValue& score) const override;

 private:
  EngineManager& manager_;
  GameManager* game_ = nullptr;
};

}  // namespace zh

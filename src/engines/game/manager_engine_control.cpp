#include "engines/game/manager_engine_control.h"

#include "engines/chess_engine.h"
#include "engines/engine_manager.h"
#include "engines/game/game_manager.h"

namespace zh {

namespace {

int32_t EngineMoved(void* game, std::intptr_t engine) { return static_cast<GameManager*>(game)->OnEngineMove(engine); }
int32_t TimeOver(void* game, std::intptr_t) { return static_cast<GameManager*>(game)->OnTimeOver(); }
int32_t HostGone(void* game, std::intptr_t) {
  static_cast<GameManager*>(game)->OnEngineEnded();
  return 0;
}

}  // namespace

ManagerEngineControl::~ManagerEngineControl() { Attach(nullptr); }

void ManagerEngineControl::Attach(GameManager* game) {
  if (game_) {
    manager_.ClientLink.Clear();
    manager_.TimeOverLink.Clear();
    manager_.HostGoneLink.Clear();
  }
  game_ = game;
  if (!game_) return;
  manager_.ClientLink = CallbackLink(game_, &EngineMoved);
  manager_.TimeOverLink = CallbackLink(game_, &TimeOver);
  manager_.HostGoneLink = CallbackLink(game_, &HostGone);
}

bool ManagerEngineControl::HasEngine() const { return manager_.Engine() != nullptr; }

Move ManagerEngineControl::GetEngineMove() { return manager_.GetEngineMove(); }

void ManagerEngineControl::StartEngineMove(const GameCursor& cursor) { manager_.StartEngineMove(cursor); }

void ManagerEngineControl::StartPondering() { manager_.StartPondering(); }

void ManagerEngineControl::CancelSearch() {
  if (ChessEngine* engine = manager_.Engine()) engine->CancelSearch();
}

void ManagerEngineControl::SelectEngine(int index) { manager_.SelectEngine(index); }

void ManagerEngineControl::SearchGame(const GameCursor& cursor) {
  if (ChessEngine* engine = manager_.Engine()) {
    engine->SetGame(cursor);
    engine->StartSearch();
  }
}

void ManagerEngineControl::SwitchClock(int ply) { manager_.SwitchClock(ply); }

void ManagerEngineControl::PauseClock() { manager_.PauseClock(); }

void ManagerEngineControl::ResetClocks() { manager_.ResetClocks(0); }

void ManagerEngineControl::TakeBackClock() { manager_.TakeBackClock(); }

void ManagerEngineControl::AddExtraTime(int side) {
  if (ChessEngine* engine = manager_.Engine()) engine->Clock.AddExtraTime(side);
}

int32_t ManagerEngineControl::GetElapsed() const { return manager_.Elapsed(); }

std::string ManagerEngineControl::EngineName() const {
  const ChessEngine* engine = manager_.Engine();
  return engine ? engine->GetPlayerEngineName() : std::string();
}

std::string ManagerEngineControl::LevelDescription() const {
  const ChessEngine* engine = manager_.Engine();
  return engine ? engine->DescribeLevel() : std::string();
}

int ManagerEngineControl::LevelType() const {
  const ChessEngine* engine = manager_.Engine();
  return engine ? engine->Params.SearchType : GameEngineControl::LevelType();
}

void ManagerEngineControl::SaveGameParams() {
  if (ChessEngine* engine = manager_.Engine()) engine->SaveGameParams(true);
}

void ManagerEngineControl::RestoreGameParams() {
  if (ChessEngine* engine = manager_.Engine()) engine->RestoreGameParams();
}

bool ManagerEngineControl::GetScore(EvalValue& score) const {
  const ChessEngine* engine = manager_.Engine();
  return engine && engine->GetScore(score);
}

}  // namespace zh

// The endgame engine's evaluation of a position, asked in an engine object of its own.
#include "engines/engine_instance.h"
#include "engines/engine_pool.h"
#include "engines/engine_query.h"

namespace zh {

bool ConsultEndgameEngine(const Position& position, EvalValue& score, int16_t* depth, int64_t maxRounds) {
  if (!ChessEngine::IsEndgameEnginePosition(position.board)) return false;
  EnginePool* pool = EnginePool::Current();
  ChessEngine* home = pool != nullptr ? pool->GetSession(0) : nullptr;
  if (home == nullptr) return false;
  EngineInstance* endgame = home->Slots[kEndgameSlot];
  if (endgame == nullptr || !endgame->IsEndgameEngine()) return false;
  ChessEngine* asking = pool->GetSession(pool->CreateSession());
  if (asking == nullptr) return false;

  home->DropInstance(endgame);
  asking->CopyEngine(*home);
  asking->ClearLinks();  // the answer goes to nobody but this wait
  asking->SetSlot(kEndgameSlot, endgame);
  asking->BindInstance(endgame);
  asking->RefreshRating();
  asking->SetSearchParams(SearchParams{3, 99, kLevelInfinite, kEndgameSlot, kNoSlot, 0, 0, 0});
  asking->SetPosition(position);
  bool answered = false;
  if (asking->StartSearch()) {
    const QueryEnd end = WaitForEngine(*asking, [asking] { return !asking->Searching; }, nullptr, maxRounds);
    answered = end == QueryEnd::kAnswered && asking->GetScore(score, depth);
  }

  // Engine object 0 gets its endgame engine back, whatever happened.
  asking->DropInstance(endgame);
  home->SetSlot(kEndgameSlot, endgame);
  home->BindInstance(endgame);
  home->RefreshRating();
  pool->DeleteSession(asking);
  return answered;
}

}  // namespace zh

#include "analysis/training/training_walks.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "analysis/training/training_question.h"
#include "database/game/annotation_set.h"
#include "database/game/game_body.h"
#include "database/game/game_cursor.h"

namespace zh {

namespace {

// Visits every move's training payload with an explicit stack of lines.
void ForEachQuestion(const GameBody& game, const std::function<void(const TrainingPayload&)>& visit) {
  std::vector<const MoveLine*> lines{&game.mainLine};
  while (!lines.empty()) {
    const MoveLine* line = lines.back();
    lines.pop_back();
    // Variations are pushed in reverse so that they come off the stack in order.
    std::vector<const MoveLine*> nested;
    for (const GameMove& move : *line) {
      if (move.annotations)
        if (const TrainingPayload* payload = move.annotations->GetTraining()) visit(*payload);
      if (move.variations)
        for (int v = 0; v < move.variations->Count(); ++v)
          if (const MoveLine* variation = move.variations->GetLine(v)) nested.push_back(variation);
    }
    lines.insert(lines.end(), nested.rbegin(), nested.rend());
  }
}

const TrainingHolder* AsHolder(const TrainingPayload& payload) {
  return dynamic_cast<const TrainingHolder*>(&payload);
}

}  // namespace

int CountTrainingQuestions(const GameBody& game) {
  int count = 0;
  ForEachQuestion(game, [&](const TrainingPayload& p) {
    const TrainingHolder* holder = AsHolder(p);
    count += holder ? holder->HasQuestion() : p.ItemCount() > 0;
  });
  return count;
}

int TotalTrainingPoints(const GameBody& game) {
  int sum = 0;
  ForEachQuestion(game, [&](const TrainingPayload& p) {
    if (const TrainingHolder* holder = AsHolder(p)) sum += holder->TotalMaxPoints();
  });
  return sum;
}

int TotalTrainingScore(const GameBody& game) {
  int sum = 0;
  ForEachQuestion(game, [&](const TrainingPayload& p) {
    if (const TrainingHolder* holder = AsHolder(p)) sum += holder->TotalScore();
  });
  return sum;
}

bool AttachMoveQuestion(GameCursor& cursor, const MoveCode& move, int plyOffset, int time, int points) {
  const int end = cursor.LineEnd();
  if (end <= 0) return false;
  const int ply = std::clamp(cursor.Ply() + plyOffset, 0, end - 1);
  // The cursor hands out its moves read-only; the move is the game's own entry.
  auto* target = const_cast<GameMove*>(cursor.GetMove(ply));
  if (!target || target->IsEmpty()) return false;
  auto item = std::make_unique<MoveInputItem>();
  item->time = time;
  item->maxPoints = static_cast<int16_t>(points);
  item->AddAnswer(move);
  item->SetAnswerValue(move, points);
  auto holder = std::make_unique<TrainingHolder>();
  holder->SetItem(std::move(item));
  GetAnnotations(*target)->SetTraining(std::move(holder));
  return true;
}

}  // namespace zh

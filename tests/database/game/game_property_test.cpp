// Random games built through the cursor with variations and annotations: the cursor's
// position always equals a replay of its path, and deep copies are equal and
// independent.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>

#include "core/rules/movelist.h"
#include "database/game/annotation_set.h"
#include "database/game/embedded_game.h"
#include "database/game/move_tree.h"
#include "database/game/training_payload.h"
#include "database/game_test_util.h"
#include "support/recording_services.h"

namespace zh {
namespace {

void CollectObjects(const MoveLine& line, std::set<const void*>& objects) {
  for (const GameMove& m : line) {
    if (m.annotations) {
      objects.insert(m.annotations);
      for (int i = 0; i < m.annotations->Count(); ++i) {
        const AnnotationEntry& e = m.annotations->EntryAt(i);
        if (e.Training()) objects.insert(e.Training());
        if (e.Game()) {
          objects.insert(e.Game());
          objects.insert(e.Game()->Game());
        }
      }
    }
    if (m.variations) {
      objects.insert(m.variations);
      for (int v = 0; v < m.variations->Count(); ++v) CollectObjects(*m.variations->GetLine(v), objects);
    }
  }
}

std::string Describe(const AnnotationSet* set) {
  if (!set) return "-";
  std::string out;
  for (int i = 0; i < set->Count(); ++i) {
    const AnnotationEntry& e = set->EntryAt(i);
    out += std::to_string(e.type) + ":" + std::to_string(e.key) + ":" + e.Text();
    if (e.Training()) e.Training()->Write(out);
    if (e.Game()) out += e.Game()->Description() + test::DumpTree(*e.Game()->Game());
    out += ";";
  }
  return out;
}

bool SameLines(const MoveLine& a, const MoveLine& b) {
  if (a.Count() != b.Count()) return false;
  for (int i = 0; i < a.Count(); ++i) {
    const GameMove& x = *a.GetMove(i);
    const GameMove& y = *b.GetMove(i);
    GameMove bx, by;
    bx.CopyMoveOnly(x);
    by.CopyMoveOnly(y);
    if (std::memcmp(&bx, &by, sizeof bx) != 0) return false;
    if (Describe(x.annotations) != Describe(y.annotations)) return false;
    if (!x.variations != !y.variations) return false;
    if (x.variations) {
      if (x.variations->Count() != y.variations->Count()) return false;
      for (int v = 0; v < x.variations->Count(); ++v)
        if (!SameLines(*x.variations->GetLine(v), *y.variations->GetLine(v))) return false;
    }
  }
  return true;
}

// The position reached by replaying the cursor's path from the game's start.
Position Replay(const GameCursor& cursor) {
  Position p = cursor.GetStartRecord().start.position;
  for (int ply = 0; ply < cursor.Ply(); ++ply) p.DoGameMove(*cursor.GetMove(ply));
  return p;
}

struct RandomOwner {
  std::mt19937* random;
  int32_t Choice(std::intptr_t) {
    const int32_t k = static_cast<int32_t>((*random)() % 3);
    switch ((*random)() % 8) {
      case 0: return 0x40 | k;
      case 1: return 0x80 | k;
      case 2: return 0x100;
      default: return 0;
    }
  }
};

void Annotate(GameMove& move, std::mt19937& random) {
  AnnotationSet* set = GetAnnotations(move);
  switch (random() % 4) {
    case 0: set->AppendTextAfter("note " + std::to_string(random() % 100), 0, random() % 8); break;
    case 1: {
      auto holder = CreateTrainingPayload();
      holder->Read(std::string("\0q\0", 3));
      set->SetTraining(std::move(holder));
      break;
    }
    case 2: {
      auto game = std::make_unique<TQGame>();
      GameCursor inner(game.get());
      test::Enter(inner, "d2d4 d7d5");
      set->SetGame(std::make_unique<EmbeddedGame>(std::move(game)));
      break;
    }
    default: set->SetSymbols(random() % 9 + 1);
  }
}

int g_lastOp = 0;
void RandomStep(GameCursor& cursor, std::mt19937& random) {
  g_lastOp = static_cast<int>(random() % 12);
  switch (g_lastOp) {
    case 0:
    case 1:
    case 2:
    case 3: {
      MoveList legal;
      if (legal.GenerateLegal(cursor.GetPosition()) == 0) return;
      const MoveCode& m = legal.At(static_cast<int>(random() % legal.Count()));
      cursor.AddMove(m.from, m.to, m.promotion, random() % 8 == 0 ? 2 : static_cast<int>(random() % 2));
      return;
    }
    case 4: cursor.Back(random() % 2); return;
    case 5: cursor.Forward(); return;
    case 6: cursor.GoToPly(static_cast<int>(random() % (cursor.LineEnd() + 1))); return;
    case 7: cursor.BeginLine(static_cast<int>(random() % 3)); return;
    case 8: cursor.EndLine(); return;
    case 9:
      if (cursor.Ply() > 0) Annotate(*const_cast<GameMove*>(cursor.LastMove()), random);
      return;
    case 10:
      switch (random() % 4) {
        case 0: cursor.PromoteVariation(true); return;
        case 1: cursor.DeleteVariation(true); return;
        case 2: cursor.CutVariation(true); return;
        default: cursor.DeleteRemainder(); return;
      }
    default:
      if (random() % 8 == 0) cursor.DeleteMovesBefore();
      return;
  }
}

TEST(GamePropertyTest, RandomCursorGames) {
  test::RecordingServices services;
  // ZH_GAME_SEED replays other games by hand.
  const char* seedText = std::getenv("ZH_GAME_SEED");
  std::mt19937 random(seedText ? std::atoi(seedText) : 20261210);
  int totalMoves = 0, totalObjects = 0;
  for (int round = 0; round < 40; ++round) {
    auto game = std::make_unique<TQGame>();
    game->body.AddGameComment("game " + std::to_string(round));
    GameCursor cursor(game.get());
    RandomOwner owner{&random};
    cursor.callbacks[kVariationChoice] = CallbackLink::Bind<RandomOwner, &RandomOwner::Choice>(&owner);
    for (int step = 0; step < 300; ++step) {
      std::string before = test::DumpTree(*game) + " @" + std::to_string(cursor.Ply());
      for (int k = 0; k < cursor.Lines().Count(); ++k)
        before += " [" + std::to_string(cursor.Lines().Entry(k).position.ply) + "," + std::to_string(cursor.Lines().Entry(k).index) + "," + std::to_string(reinterpret_cast<uintptr_t>(cursor.Lines().Entry(k).list) % 10000) + "]";
      RandomStep(cursor, random);
      ASSERT_LE(cursor.Ply(), cursor.LineEnd()) << round << "/" << step;
      ASSERT_EQ(cursor.GetPosition(), Replay(cursor)) << round << "/" << step << " op " << g_lastOp << "\n" << before << "\n" << test::DumpTree(*game) << " @" << cursor.Ply() << "/" << cursor.Lines().Count();
    }
    auto copy = std::make_unique<TQGame>(*game);
    EXPECT_TRUE(SameLines(game->body.mainLine, copy->body.mainLine)) << round;
    EXPECT_EQ(Describe(copy->body.GameAnnotations()), Describe(game->body.GameAnnotations()));
    std::set<const void*> ours, theirs;
    CollectObjects(game->body.mainLine, ours);
    CollectObjects(copy->body.mainLine, theirs);
    for (const void* p : theirs) EXPECT_EQ(ours.count(p), 0u);
    totalMoves += game->body.mainLine.CountMoves(0);
    totalObjects += static_cast<int>(ours.size());
    if (round % 2) {
      game.reset();
      EXPECT_GT(copy->body.mainLine.CountMoves(0), -1);
    } else {
      copy.reset();
    }
  }
  // The random games are not trivial.
  EXPECT_GT(totalMoves, 300) << totalMoves;
  EXPECT_GT(totalObjects, 100) << totalObjects;
}

}  // namespace
}  // namespace zh

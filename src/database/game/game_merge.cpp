#include "database/game/game_merge.h"

#include <string>

#include "core/services.h"
#include "database/game/annotation_set.h"
#include "database/game/game_item.h"
#include "database/game/game_title.h"
#include "database/game/move_tree.h"

namespace zh {

namespace {

constexpr int kNoteLanguage = 7;

struct Limits {
  int mainPlies;
  int variationPlies;
  int nesting;
};

bool SameMove(const GameMove& a, const GameMove& b) {
  return a.from == b.from && a.to == b.to && (!(a.kind & kPromotion) || a.promotion == b.promotion);
}

void AddNote(GameMove& move, const std::string& text) {
  AnnotationSet* set = GetAnnotations(move);
  if (!set) return;
  const std::string& old = set->GetTextAfter(kNoteLanguage);
  set->SetTextAfter(old.empty() ? text : old + "\n" + text, 0, kNoteLanguage);
}

// Annotation kinds of `from` that `to` lacks.
void AddMissingKinds(GameMove& to, const GameMove& from) {
  if (!from.annotations || from.annotations->IsEmpty()) return;
  AnnotationSet* set = GetAnnotations(to);
  if (!set) return;
  for (int i = 0; i < from.annotations->Count(); ++i) {
    const AnnotationEntry& e = from.annotations->EntryAt(i);
    if (set->FindType(e.type) < 0) set->AddCopy(e);
  }
}

struct Merger {
  Limits limits;
  bool sameGame;
  // A cursor just after the last move added to the main merge (moves may move in
  // memory as lines grow, so no pointer is kept).
  GameCursor lastAdded;
  bool hasAdded = false;
  int addedInMain = 0;

  // Follows the other cursor's current line from where both cursors stand, adding
  // what this tree lacks; variations of the other line merge at their plies.
  void MergeLine(GameCursor& here, GameCursor& there, int maxPlies, int nesting, bool top) {
    // Followed moves are free; at most maxPlies are added.
    for (int added = 0; added < maxPlies && there.Ply() < there.LineEnd();) {
      const int variations = nesting < limits.nesting ? there.VariationCount(there.Ply()) : 0;
      for (int v = 0; v < variations; ++v) {
        GameCursor hereCopy = here;
        GameCursor thereCopy = there;
        if (thereCopy.BeginLine(v) == 0) MergeLine(hereCopy, thereCopy, limits.variationPlies, nesting + 1, false);
      }
      const GameMove& move = *there.GetMove(there.Ply());
      bool followed = false;
      if (here.Ply() < here.LineEnd() && SameMove(*here.GetMove(here.Ply()), move)) {
        here.Forward();
        followed = true;
      } else if (const int found = here.FindVariation(move); !(found & kChoiceRefuse)) {
        here.BeginLine(found);
        here.Forward();
        followed = true;
      } else if (here.AddGameMove(move, 1) != 0) {
        return;
      }
      GameMove& mine = *const_cast<GameMove*>(here.GetMove(here.Ply() - 1));
      if (!followed) {
        ++added;
        CopyAnnotations(mine, move);
        if (top) {
          lastAdded = here;
          hasAdded = true;
          ++addedInMain;
        }
      } else if (sameGame) {
        AddMissingKinds(mine, move);
      }
      there.Forward();
    }
  }
};

}  // namespace

int MergeGames(GameCursor& cursor, const GameCursor& other, int& counter, bool flag) {
  TQGame* game = cursor.Game();
  const TQGame* otherGame = other.Game();
  if (!game || !otherGame || otherGame->body.mainLine.Count() == 0) return 0;

  // Where the other game starts in this main line.
  GameCursor here(game);
  here.Rewind();
  GameCursor there(const_cast<TQGame*>(otherGame));
  there.Rewind();
  const Position& start = there.GetPosition();
  while (!SamePosition(here.GetPosition(), start))
    if (here.Forward() != 0) return 9;

  const GameHeader& a = game->header;
  const GameHeader& b = otherGame->header;
  const bool same = !flag && a.white.DisplayText(1) == b.white.DisplayText(1) &&
                    a.black.DisplayText(1) == b.black.DisplayText(1) &&
                    a.GetResult() == b.GetResult() && a.GetMoveCount() == b.GetMoveCount() &&
                    a.annotator.Name() != b.annotator.Name();
  if (same) ++counter;
  Limits limits{600, 600, 30};
  if (!same && counter == 0) {
    const int16_t* s = Settings().mergeSettings;
    limits = {2 * s[0], 2 * s[1], s[2]};
  }
  Merger merger{limits, same, GameCursor(game)};
  merger.MergeLine(here, there, limits.mainPlies, 0, true);

  if (same) {
    if (!b.annotator.Name().empty() && game->body.mainLine.Count())
      AddNote(*game->body.mainLine.GetMove(0), b.annotator.Name());
  } else if (merger.hasAdded && merger.addedInMain >= 2) {
    const GameCursor& last = merger.lastAdded;
    AddNote(*const_cast<GameMove*>(last.GetMove(last.Ply() - 1)), GameTitleLine(*otherGame, false));
  }
  return 0;
}

}  // namespace zh

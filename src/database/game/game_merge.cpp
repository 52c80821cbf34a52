#include "database/game/game_merge.h"

#include <string>
#include <vector>

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

// Bounded search of this tree for the deepest position of the other line.
struct DeepestSearch {
  std::vector<Position> positions;  // the other line's positions from its first ply
  int firstOtherPly = 0;
  int plyOffset = 0;
  CommonPosition best;

  void Visit(const GameCursor& c) {
    const int otherPly = c.Ply() - plyOffset;
    const int i = otherPly - firstOtherPly;
    if (i < 0 || i >= static_cast<int>(positions.size()) || otherPly <= best.otherPly) return;
    if (!SamePosition(c.GetPosition(), positions[static_cast<size_t>(i)])) return;
    best.found = true;
    best.cursor = c;
    best.otherPly = otherPly;
  }

  // The line from c on first, then the variations met on it.
  void Walk(GameCursor c) {
    const int lastPly = firstOtherPly + static_cast<int>(positions.size()) - 1 + plyOffset;
    std::vector<GameCursor> branches;
    for (;;) {
      Visit(c);
      if (c.Ply() >= lastPly || c.Ply() >= c.LineEnd()) break;
      const int variations = c.VariationCount(c.Ply());
      for (int v = 0; v < variations; ++v) {
        GameCursor branch = c;
        if (branch.BeginLine(v) == 0 && branch.Forward() == 0) branches.push_back(branch);
      }
      if (c.Forward() != 0) break;
    }
    for (const GameCursor& branch : branches) Walk(branch);
  }
};

struct Merger {
  Limits limits;
  bool sameGame;
  // Where the other game starts in this main line, and this ply minus the other's.
  GameCursor start;
  int plyOffset = 0;
  // A cursor just after the last move added to the main merge (moves may move in
  // memory as lines grow, so no pointer is kept).
  GameCursor lastAdded;
  bool hasAdded = false;
  int addedInMain = 0;

  // The other line's variations at its ply, merged from this position.
  void MergeVariations(const GameCursor& here, const GameCursor& there, int nesting) {
    if (nesting >= limits.nesting) return;
    const int variations = there.VariationCount(there.Ply());
    for (int v = 0; v < variations; ++v) {
      GameCursor hereCopy = here;
      GameCursor thereCopy = there;
      if (thereCopy.BeginLine(v) == 0)
        MergeLine(hereCopy, thereCopy, limits.variationPlies, nesting + 1, false, true);
    }
  }

  // The other line's variations at a ply whose position this tree lacks: each is
  // merged where it meets the tree, and dropped when it never does.
  void MergeDetachedVariations(const GameCursor& there, int nesting) {
    if (nesting >= limits.nesting) return;
    const int variations = there.VariationCount(there.Ply());
    for (int v = 0; v < variations; ++v) {
      GameCursor thereCopy = there;
      if (thereCopy.BeginLine(v) != 0) continue;
      const CommonPosition common = FindDeepestCommonPosition(start, thereCopy, plyOffset);
      if (!common.found) continue;
      const bool atStart = common.otherPly == thereCopy.Ply();
      while (thereCopy.Ply() < common.otherPly && thereCopy.Forward() == 0) {
      }
      GameCursor hereCopy = common.cursor;
      MergeLine(hereCopy, thereCopy, limits.variationPlies, nesting + 1, false, atStart);
    }
  }

  // When the other line leaves this tree here but meets it again deeper (a
  // transposition), both cursors go to that position; the other line's variations on
  // the way are merged where they meet the tree.
  void Join(GameCursor& here, GameCursor& there, int nesting, bool atLineStart) {
    const CommonPosition common = FindDeepestCommonPosition(start, there, plyOffset);
    if (!common.found || common.otherPly <= there.Ply()) return;
    if (!atLineStart) MergeVariations(here, there, nesting);
    while (there.Ply() < common.otherPly) {
      if (there.Forward() != 0) return;
      if (there.Ply() < common.otherPly) MergeDetachedVariations(there, nesting);
    }
    here = common.cursor;
  }

  // Follows the other cursor's current line from where both cursors stand, adding
  // what this tree lacks; variations of the other line merge at their plies. A cursor
  // that has just entered a variation stands where its siblings branch, which its
  // parent line merges.
  void MergeLine(GameCursor& here, GameCursor& there, int maxPlies, int nesting, bool top, bool atLineStart) {
    bool joined = false;
    // Followed moves are free; at most maxPlies are added.
    for (int added = 0; added < maxPlies && there.Ply() < there.LineEnd();) {
      if (!joined && !IsPresent(here, *there.GetMove(there.Ply()))) {
        joined = true;
        const int before = there.Ply();
        Join(here, there, nesting, atLineStart);
        if (there.Ply() != before) {
          atLineStart = false;
          continue;
        }
      }
      // The other line's own move first, so that it keeps its place before the
      // alternatives, which are merged from the position before it.
      const GameCursor hereBefore = here;
      const GameCursor thereBefore = there;
      const bool variationsHere = !atLineStart;
      atLineStart = false;
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
      if (variationsHere) MergeVariations(hereBefore, thereBefore, nesting);
      there.Forward();
    }
  }

  static bool IsPresent(const GameCursor& here, const GameMove& move) {
    if (here.Ply() < here.LineEnd() && SameMove(*here.GetMove(here.Ply()), move)) return true;
    return !(here.FindVariation(move) & kChoiceRefuse);
  }
};

}  // namespace

CommonPosition FindDeepestCommonPosition(const GameCursor& cursor, const GameCursor& other, int plyOffset) {
  DeepestSearch search;
  search.firstOtherPly = other.Ply();
  search.plyOffset = plyOffset;
  GameCursor walk = other;
  for (;;) {
    search.positions.push_back(walk.GetPosition());
    if (walk.Ply() >= walk.LineEnd() || walk.Forward() != 0) break;
  }
  search.Walk(cursor);
  CommonPosition& best = search.best;
  if (best.found) {
    GameCursor there = other;
    while (there.Ply() < best.otherPly && there.Forward() == 0) {
    }
    const GameCursor& here = best.cursor;
    best.nextMovesAgree = there.Ply() < there.LineEnd() && here.Ply() < here.LineEnd() &&
                          SameMove(*here.GetMove(here.Ply()), *there.GetMove(there.Ply()));
  }
  return best;
}

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
  const bool same = !flag && a.white.FullName() == b.white.FullName() &&
                    a.black.FullName() == b.black.FullName() &&
                    a.GetResult() == b.GetResult() && a.GetMoveCount() == b.GetMoveCount() &&
                    a.annotator.Name() != b.annotator.Name();
  if (same) ++counter;
  Limits limits{600, 600, 30};
  if (!same && counter == 0) {
    const int16_t* s = Settings().mergeSettings;
    limits = {2 * s[0], 2 * s[1], s[2]};
  }
  Merger merger{limits, same, here, here.Ply() - there.Ply(), GameCursor(game)};
  merger.MergeLine(here, there, limits.mainPlies, 0, true, false);

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

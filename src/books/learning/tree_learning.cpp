#include "books/learning/tree_learning.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "app/message_ids.h"
#include "books/tree/opening_tree.h"
#include "core/services.h"
#include "database/database.h"
#include "database/eco_table.h"
#include "database/game/annotation_set.h"
#include "database/game/game_cursor.h"
#include "database/game/game_item.h"

namespace zh {

namespace {

constexpr int kEntries = 130;
constexpr int kEvalPlies = 60;
constexpr int kEvalLimit = 800;
constexpr int kMaxLearned = 125;
constexpr int kProgressGames = 20;
constexpr int kRefreshGames = 6000;

// One ply of the game as the tree knows it.
struct PlyEntry {
  Position position;
  bool found = false;
  uint8_t zelko[2] = {0, 0};
  TreeMoveList moves;
};

int Sign(double x) {
  return (x > 0) - (x < 0);
}

bool SameSign(int l, double n) {
  return Sign(static_cast<double>(l)) == Sign(n);
}

// Flags 0x80 or 0x40 from the move symbols 1 and 2 of the main line's moves.
int MarkMoves(OpeningTree& tree, const TQGame& game) {
  Position position = game.body.start.start.position;
  for (const GameMove& move : game.body.mainLine) {
    const uint8_t symbol = MoveSymbolCode(move);
    Position after = position;
    after.DoGameMove(move);
    if (symbol == 1 || symbol == 2) {
      uint8_t zelko[2];
      if (tree.FindPosition(after, nullptr, zelko)) {
        zelko[0] = static_cast<uint8_t>((zelko[0] & 0x3F) + (symbol == 1 ? 0x80 : 0x40));
        if (const int code = tree.SetZelko(after, zelko)) return code;
      }
    }
    position = after;
  }
  return 0;
}

void ClearGame(TQGame& game) {
  game.header.Clear();
  game.body.ClearMoves();
}

}  // namespace

int16_t GameLearnValue(const TreeLearning& context, int side, int result, int fromPly,
                       int toPly) {
  const MoveLine& line = context.game->body.mainLine;
  const int last = std::min(toPly, fromPly + kEvalPlies);
  int sum = 0;
  int count = 0;
  for (int i = fromPly + 1; i < last && i < line.Count(); ++i) {
    const GameMove* move = line.GetMove(i);
    if (!move->annotations) continue;
    const EvalValue eval = move->annotations->GetEngineEval();
    if (eval.kind == kEvalNone || eval.extra < 2) continue;
    sum += std::clamp<int>(eval.GetComparable(), -kEvalLimit, kEvalLimit);
    ++count;
  }
  const bool seen = count > 0;
  int f = seen ? sum / count : 0;
  int e = 0;
  switch (result) {
    case 0: e = side == 0 ? -800 : 800; break;
    case 1:
      e = -200;
      if (side == 0 && seen) f -= 100;
      break;
    case 2: e = side == 0 ? 800 : -800; break;
    default: e = result;
  }
  if (side == 1) f = -f;
  const int g = seen ? (e + 20 * f) / 6 : e / 2;
  return static_cast<int16_t>(g / 20);
}

int LearnGameInTree(const TreeLearning& context, int side, int factor) {
  if (factor < 1 || !context.tree || !context.game) return 0;
  OpeningTree& tree = *context.tree;
  std::vector<PlyEntry> entries;
  try {
    entries.resize(kEntries);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  GameCursor cursor(const_cast<TQGame*>(context.game));
  const int lineEnd = cursor.LineEnd();
  int v = 0;
  for (int u = 0; u <= lineEnd && u < kLearnPlies; ++u) {
    PlyEntry& entry = entries[static_cast<size_t>(u)];
    entry.position = cursor.GetPosition();
    entry.found = tree.FindPosition(entry.position, nullptr, entry.zelko, nullptr, &entry.moves);
    if (entry.found) {
      if ((entry.position.IsBlackToMove() ? 1 : 0) == side) v = u;
      entry.moves.Complete(entry.position);
    }
    if (u < lineEnd) cursor.Forward();
  }
  const int result = context.game->header.GetResult();
  const int value = GameLearnValue(context, side, result, v, lineEnd);
  const int e = -(value * (factor / 100));
  if (e == 0) return 0;
  const bool won = (side == 0 && result == 2) || (side == 1 && result == 0);
  int code = 0;
  for (int k = v; k >= 0 && code == 0; k -= 2) {
    if (k + 1 >= lineEnd) continue;
    PlyEntry& entry = entries[static_cast<size_t>(k + 1)];
    double w = e * std::pow((k + 1.0) / (v + 1.0), 1.6) * (1.0 - 0.5 * std::exp(-0.0125 * v));
    if (std::fabs(w) < 1) w = Sign(e);
    double n = w + 0.5 * Sign(w);
    const int l = static_cast<int8_t>(entry.zelko[1]);
    if (SameSign(l, n)) n *= std::exp(-std::pow(0.02 * l, 2));
    const int learned = std::clamp(l + static_cast<int>(n), -kMaxLearned, kMaxLearned);
    entry.zelko[1] = static_cast<uint8_t>(static_cast<int8_t>(learned));
    uint8_t flags = static_cast<uint8_t>((entry.zelko[0] & ~(kLearnedWinFlag | kLearnedLossFlag)) |
                                         kLearnedFlag);
    if (won) flags |= kLearnedWinFlag;
    else if (result == 0 || result == 2) flags |= kLearnedLossFlag;
    entry.zelko[0] = flags;
    if (entry.found && (k > 1 || !(flags & ZelkoItem::kPlainMove)))
      code = tree.SetZelko(entry.position, entry.zelko);
  }
  return code;
}

int LearnTreeFromDatabase(OpeningTree& tree, TreeViews& views, Database& database, int first,
                          int last, const TreeSettings& settings) {
  if (!BeginProcess(GetMessageText(msg::M_TREE_LEARN_JOB))) return 1;
  ProgressService& progress = Progress();
  progress.OpenFeedback(std::max(0, last - first + 1), progress.CentreFeedback());
  TQGame game;
  int code = 0;
  for (int i = first; i <= last; ++i) {
    ClearGame(game);
    if (database.ReadGame(i, game, false) == 0) {
      const int result = game.header.GetResult();
      bool learnWhite = settings.white || (settings.wins && result == 2) ||
                        (settings.losses && result == 0);
      bool learnBlack = settings.black || (settings.wins && result == 0) ||
                        (settings.losses && result == 2);
      if (settings.player) {
        learnWhite = learnWhite || game.header.white.FullName() == settings.name;
        learnBlack = learnBlack || game.header.black.FullName() == settings.name;
      }
      const TreeLearning context{&tree, &game};
      if (learnWhite) code = LearnGameInTree(context, 0, settings.factLearn);
      if (learnBlack && code == 0) code = LearnGameInTree(context, 1, settings.factLearn);
      if (code == 0 && settings.useMarks) code = MarkMoves(tree, game);
    }
    const int done = i - first + 1;
    bool stop = false;
    if (done % kProgressGames == 0) {
      progress.Step(kProgressGames);
      stop = tree.JobShouldStop();
    }
    if (done % kRefreshGames == 0) views.RefreshTree();
    if (code != 0) {
      ErrorBox(GetMessageText(msg::M_TREE_WRITE_ERROR));
      break;
    }
    if (stop) {
      ShowStatusMessage(GetMessageText(msg::M_TREE_STOP_RECOGNIZED));
      break;
    }
  }
  const int cached = tree.DisableCache();
  progress.Close();
  EndProcess();
  return code ? code : cached;
}

int AddDatabaseToTree(OpeningTree& tree, TreeViews& views, Database& database, int first,
                      int last, const TreeSettings& settings) {
  if (!BeginProcess(GetMessageText(msg::M_TREE_ADD_GAMES))) return 1;
  ProgressService& progress = Progress();
  progress.OpenFeedback(std::max(0, last - first + 1), progress.CentreFeedback());
  tree.includeVariations = settings.inclVars;
  tree.EnableCache();
  TQGame game;
  int code = 0;
  for (int i = first; i <= last; ++i) {
    ClearGame(game);
    if (database.ReadGame(i, game, false) == 0) {
      int plies = settings.length;
      if (settings.ecoLength) {
        if (EcoTable* eco = CurrentEcoTable()) {
          GameCursor cursor(&game);
          plies += eco->ClassifyLine(cursor);
        }
      }
      tree.plyLimit = plies;
      code = tree.AddGameToTree(game);
    }
    const int done = i - first + 1;
    bool stop = false;
    if (done % kProgressGames == 0) {
      progress.Step(kProgressGames);
      stop = tree.JobShouldStop();
    }
    if (done % kRefreshGames == 0) views.RefreshTree();
    if (code != 0) break;
    if (stop || tree.StopRequested()) {
      ShowStatusMessage(GetMessageText(msg::M_TREE_STOP_RECOGNIZED));
      break;
    }
  }
  // The last positions wait in the cache: a failed write of them is a write error too.
  const int cached = tree.DisableCache();
  if (code == 0) code = cached;
  if (code != 0) ErrorBox(GetMessageText(msg::M_TREE_WRITE_ERROR));
  const int flushed = tree.Flush();
  if (code == 0) code = flushed;
  tree.plyLimit = OpeningTree::kDefaultPlyLimit;
  tree.ClearStopRequest();
  progress.Close();
  EndProcess();
  return code;
}

}  // namespace zh

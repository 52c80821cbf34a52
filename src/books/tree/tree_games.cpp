// Whole games into an opening tree: every position of a line with the move played
// from it, the variations walked with a stack of their start positions.
#include <string>

#include "app/message_ids.h"
#include "books/tree/opening_tree.h"
#include "core/services.h"
#include "database/game/game_item.h"
#include "database/game/move_tree.h"
#include "database/game/position_stacks.h"

namespace zh {

namespace {

constexpr int kStackCapacity = 600;
constexpr int kProgressCalls = 100;

bool IsMarkedMoveCode(int code) {
  return code == 2 || code == 4 || code == 5 || code == 6;
}

// Tenths of a point for White that a variation stands for: the position symbol of its
// first move that carries one decides.
uint32_t VariationPoints(const MoveLine& line, bool whiteFirst) {
  for (int i = 0; i < line.Count(); ++i) {
    const uint8_t code = PositionSymbolCode(*line.GetMove(i));
    if (code == 0) continue;
    const bool white = whiteFirst == (i % 2 == 0);
    switch (code) {
      case 14: return 6;
      case 15: return 4;
      case 16: return 7;
      case 17: return 3;
      case 18: return 9;
      case 19: return 1;
      case 32:
      case 36:
      case 40: return white ? 6 : 4;
      default: return 5;
    }
  }
  return 5;
}

int64_t CountLineMoves(const MoveLine& line) {
  int64_t n = line.Count();
  for (const GameMove& m : line) {
    if (!m.variations) continue;
    for (int v = 0; v < m.variations->Count(); ++v) n += CountLineMoves(*m.variations->GetLine(v));
  }
  return n;
}

}  // namespace

int OpeningTree::AddGame(const MoveLine& line, const GameHeader* header) {
  if (status_ != 0 || readOnly_) return kWriteFailed;
  if (WritesRefused()) return kBusy;
  if (line.IsEmpty() || stopRequested_) return 0;
  const bool variations = includeVariations && stack_ != nullptr;
  if (variations && stack_->Push(working_) != 0) {
    // Nested deeper than the stack reaches: this variation is left out.
    ++skippedVariations_;
    return 0;
  }
  const int n = line.Count();
  const uint32_t points = header ? 0 : VariationPoints(line, !working_.position.IsBlackToMove());
  const bool cached = useCache && cache_ != nullptr;
  int result = 0;
  for (int i = 0; i <= n && working_.ply <= plyLimit; ++i) {
    work_ = PositionItem(working_.position);
    const int steps = work_.position.Normalize();
    if (header) {
      work_.statistics.FromGame(header);
    } else {
      work_.statistics.InitUnknown();
      work_.statistics.whitePoints = points;
    }
    work_.statistics.SwapColours(steps);
    const bool moveFollows = i < n && working_.ply < plyLimit;
    if (moveFollows && !(moveMarks && IsMarkedMoveCode(lastMoveCode) && i == n - 1)) {
      work_.SetMove(*line.GetMove(i), includeVariations);
      work_.TransformMove(steps);
    }
    if (moveMarks && i >= 1) {
      work_.SetZelkoFromMove(*line.GetMove(i - 1), treeFlags);
    } else {
      work_.zelko = ZelkoItem{treeFlags, 0};
    }
    if (i >= 1 && includeVariations) {
      work_.SetEvalFromMove(*line.GetMove(i - 1));
      work_.eval.flags = MirrorEvalSymbol(work_.eval.flags, steps);
    }
    const bool skip = moveMarks && i == n && (work_.zelko.flags & ZelkoItem::kMarkedMove);
    if (!skip) {
      const int code = cached ? AddToCache() : WritePosition();
      if (code == TreeFiles::kCannotSplit && !cached) {
        ++droppedAtLimit_;  // the bucket cannot split further; the rest goes on
      } else if (code != 0) {
        result = kWriteFailed;
        break;
      }
    }
    if (!moveFollows) break;
    working_.DoGameMove(*line.GetMove(i));
  }
  // The line's start is taken off the stack again before its variations are walked,
  // so that each level of nesting holds one entry.
  if (variations) {
    GamePosition start;
    stack_->Pop(start);
    working_ = start;
    if (result == 0) result = AddVariations(line);
  }
  if (result == 0) CountProgress(line);
  return result;
}

int OpeningTree::AddVariations(const MoveLine& line) {
  for (const GameMove& m : line) {
    if (stopRequested_ || working_.ply > plyLimit) break;
    const int count = m.variations ? m.variations->Count() : 0;
    if (count > 0) {
      if (stack_->Push(working_) != 0) {
        skippedVariations_ += static_cast<uint64_t>(count);
      } else {
        int result = 0;
        for (int v = 0; v < count && result == 0; ++v) {
          result = AddGame(*m.variations->GetLine(v), nullptr);
          working_ = *stack_->Top();
        }
        GamePosition back;
        stack_->Pop(back);
        if (result != 0) return kWriteFailed;
      }
    }
    working_.DoGameMove(m);
  }
  return 0;
}

void OpeningTree::CountProgress(const MoveLine& line) {
  if (!progressOn_ || stopRequested_) return;
  movesDone_ += line.Count();
  if (++calls_ <= kProgressCalls) return;
  calls_ = 0;
  Progress().SetCount(movesDone_);
  if (JobShouldStop()) {
    stopRequested_ = true;
    ShowStatusMessage(GetMessageText(msg::M_TREE_STOP_RECOGNIZED));
  }
}

int OpeningTree::AddGameToTree(const TQGame& game) {
  if (includeVariations && !stack_) {
    try {
      stack_ = std::make_unique<PositionStack>(kStackCapacity);
    } catch (const std::bad_alloc&) {
      includeVariations = false;
    }
  }
  if (useCache && !cache_ && CreateCache() != 0) useCache = false;
  working_ = GamePosition{game.body.start.start.position, 0};
  const uint64_t skipped = skippedVariations_;
  const int result = AddGame(game.body.mainLine, &game.header);
  if (skippedVariations_ > skipped)
    LogLine(GetPath() + ": " + std::to_string(skippedVariations_ - skipped) +
            " variations nested too deep were not added");
  if (result == 0 && status_ == 0) {
    TreePageFile& pages = files_->Pages();
    pages.SetGameCount(pages.GameCount() + 1);
  }
  return result;
}

int OpeningTree::WriteGames(const TQGame& game, bool* started) {
  const bool begun = BeginProcess(GetMessageText(msg::M_TREE_WRITE_JOB));
  if (started) *started = begun;
  if (!begun) return 0;
  const int64_t moves = CountLineMoves(game.body.mainLine);
  ProgressService& progress = Progress();
  progress.OpenFeedback(moves, progress.CentreFeedback());
  ShowStatusMessage(std::to_string(moves) + " " + GetMessageText(msg::M_TREE_MOVES));
  progressOn_ = true;
  movesDone_ = 0;
  calls_ = 0;
  const int result = AddGameToTree(game);
  progressOn_ = false;
  stopRequested_ = false;
  progress.Close();
  EndProcess();
  return result;
}

}  // namespace zh
